#include "platform/process.h"

#include <QFile>

#include <cerrno>

#include <signal.h>
#include <unistd.h>

qint64 parentProcessId()
{
    return getppid();
}

bool processAlive(qint64 pid)
{
    if (pid <= 0 || (kill(pid_t(pid), 0) != 0 && errno != EPERM))
        return false;
    // An ended process its parent has not yet collected still answers: it is gone all the same.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const int afterName = line.lastIndexOf(')');
    return afterName < 0 || line.mid(afterName + 2, 1) != "Z";
}

bool endProcess(qint64 pid, bool force)
{
    // Never the whole process group (0), every process (-1) or init.
    return pid > 1 && kill(pid_t(pid), force ? SIGKILL : SIGTERM) == 0;
}

qint64 processStartTime(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return 0;
    // Fields after the name (which may hold spaces and parentheses): state is the 3rd field of
    // the line, the start time the 22nd.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.value(19).toLongLong();
}

QString programPath(const QString& dir, const QString& name)
{
    return dir + QLatin1Char('/') + name;
}
