#include "platform/singleinstance.h"

#include "core/log.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

SingleInstance::SingleInstance(const QString& name, const QString& dir)
    : path(dir + QLatin1Char('/') + name + QStringLiteral(".lock"))
{
}

SingleInstance::~SingleInstance()
{
    if (descriptor < 0)
        return;
    // Removed while still locked, so a copy starting now either sees our lock or no file.
    unlink(QFile::encodeName(path).constData());
    close(descriptor);
}

bool SingleInstance::acquire()
{
    if (descriptor >= 0)
        return true;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray file = QFile::encodeName(path);
    while (true) {
        const int fd = open(file.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return unavailable(QStringLiteral("cannot open"), errno);
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            close(fd);
            if (error == EWOULDBLOCK)
                return false; // another copy runs
            return unavailable(QStringLiteral("cannot lock"), error);
        }
        // The holder before us may have removed the file between our open and our lock: then
        // ours is a lock on a file nobody else will open. Start again on the file at the path.
        struct stat opened {}, atPath {};
        if (fstat(fd, &opened) == 0 && stat(file.constData(), &atPath) == 0 && opened.st_ino == atPath.st_ino &&
            opened.st_dev == atPath.st_dev) {
            QFile holder;
            if (holder.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle) && holder.resize(0))
                holder.write(QByteArray::number(QCoreApplication::applicationPid()) + '\n');
            descriptor = fd;
            return true;
        }
        close(fd);
    }
}

bool SingleInstance::unavailable(const QString& what, int error) const
{
    // A runtime folder that is broken must not keep the program from starting at all.
    LOG_WARNING(LOG_OTHER) << what << path << ":" << QString::fromLocal8Bit(strerror(error))
                        << "- started without the single-copy check";
    return true;
}

QString SingleInstance::runtimeDir()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return dir.isEmpty() ? QDir::tempPath() : dir;
}
