#include "singleinstance.h"

#include <QDir>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QString& name, const QString& dir)
    : path(dir + QLatin1Char('/') + name + QStringLiteral(".lock")), lock(path)
{
    // Only a dead owner makes a lock stale: a copy that has run for days still holds it.
    lock.setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return lock.tryLock(0);
}

QString SingleInstance::runtimeDir()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return dir.isEmpty() ? QDir::tempPath() : dir;
}
