#include "process.h"

#include <cerrno>

#include <signal.h>
#include <unistd.h>

qint64 parentProcessId()
{
    return getppid();
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

QString programPath(const QString& dir, const QString& name)
{
    return dir + QLatin1Char('/') + name;
}
