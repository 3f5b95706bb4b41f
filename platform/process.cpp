#include "process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVector>

#include <signal.h>
#include <unistd.h>

namespace {

// The executable's file name, or the first command-line word when the executable link cannot
// be read (another user's process). Zombies have neither and so never match.
QString executableName(const QString& pid)
{
    QString target = QFile::symLinkTarget(QStringLiteral("/proc/") + pid + QStringLiteral("/exe"));
    if (!target.isEmpty()) {
        const QString deleted = QStringLiteral(" (deleted)");
        if (target.endsWith(deleted))
            target.chop(deleted.size());
        return QFileInfo(target).fileName();
    }
    QFile cmdline(QStringLiteral("/proc/") + pid + QStringLiteral("/cmdline"));
    if (!cmdline.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray argv0 = cmdline.readAll().split('\0').value(0);
    return QFileInfo(QString::fromLocal8Bit(argv0)).fileName();
}

QVector<pid_t> processesNamed(const QString& name)
{
    QVector<pid_t> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isPid = false;
        const pid_t pid = entry.toInt(&isPid);
        if (isPid && executableName(entry) == name)
            found.append(pid);
    }
    return found;
}

} // namespace

bool processRunning(const QString& name)
{
    return !processesNamed(name).isEmpty();
}

int killProcess(const QString& name)
{
    int signalled = 0;
    const QVector<pid_t> pids = processesNamed(name);
    for (pid_t pid : pids) {
        if (pid != getpid() && ::kill(pid, SIGKILL) == 0)
            ++signalled;
    }
    return signalled;
}

QString programPath(const QString& dir, const QString& name)
{
    return dir + QLatin1Char('/') + name;
}
