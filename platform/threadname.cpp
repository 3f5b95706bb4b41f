#include "threadname.h"

#include <pthread.h>

void setCurrentThreadName(const char* name)
{
    pthread_setname_np(pthread_self(), name);
}
