#include "platform/threadname.h"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

void setCurrentThreadName(const char* name)
{
    pthread_setname_np(pthread_self(), name);
}

void lowerCurrentThreadPriority()
{
    // On Linux the nice value is per thread, addressed by the thread's id.
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 19);
}
