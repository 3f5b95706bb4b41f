#include "updateinstaller.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

UpdateInstaller::UpdateInstaller(const QString& from, const QString& to, const QString& work, Log logger)
    : source(QDir(from).absolutePath()), target(QDir(to).absolutePath()), staging(work + QStringLiteral("/staging")),
      backup(work + QStringLiteral("/backup")), log(std::move(logger))
{
}

bool UpdateInstaller::install()
{
    QDir(staging).removeRecursively();
    QDir(backup).removeRecursively();
    const bool done = listFiles() && stage() && swapIn();
    if (!done)
        rollBack();
    QDir(staging).removeRecursively();
    QDir(backup).removeRecursively();
    return done;
}

bool UpdateInstaller::listFiles()
{
    const QString root = QFileInfo(source).canonicalFilePath();
    if (root.isEmpty()) {
        log(QStringLiteral("no update folder ") + source);
        return false;
    }
    QDirIterator entries(source, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QFileInfo entry(entries.next());
        // Only files inside the update: a link could point anywhere on the machine.
        if (entry.isSymLink()) {
            log(QStringLiteral("link left out: ") + entry.filePath());
            continue;
        }
        if (!entry.isFile())
            continue;
        if (!entry.canonicalFilePath().startsWith(root + QLatin1Char('/'))) {
            log(QStringLiteral("outside the update, left out: ") + entry.filePath());
            continue;
        }
        files << QDir(source).relativeFilePath(entry.filePath());
    }
    files.sort();
    log(QStringLiteral("%1 files to install").arg(files.size()));
    return !files.isEmpty();
}

bool UpdateInstaller::stage()
{
    for (const QString& file : files) {
        const QString to = staging + QLatin1Char('/') + file;
        QDir().mkpath(QFileInfo(to).path());
        if (!QFile::copy(source + QLatin1Char('/') + file, to)) {
            log(QStringLiteral("cannot stage ") + file);
            return false;
        }
        QFile::setPermissions(to, QFileInfo(source + QLatin1Char('/') + file).permissions());
    }
    log(QStringLiteral("staged"));
    return true;
}

bool UpdateInstaller::swapIn()
{
    for (const QString& file : files) {
        const QString installed = target + QLatin1Char('/') + file;
        const QString aside = backup + QLatin1Char('/') + file;
        if (QFileInfo::exists(installed) || QFileInfo(installed).isSymLink()) {
            QDir().mkpath(QFileInfo(aside).path());
            if (!QFile::rename(installed, aside)) {
                log(QStringLiteral("cannot set aside ") + file);
                return false;
            }
            backedUp << file;
        }
        QDir().mkpath(QFileInfo(installed).path());
        if (!QFile::rename(staging + QLatin1Char('/') + file, installed)) {
            log(QStringLiteral("cannot put in place ") + file);
            return false;
        }
        swapped << file;
    }
    log(QStringLiteral("installed"));
    return true;
}

void UpdateInstaller::rollBack()
{
    for (const QString& file : swapped)
        QFile::remove(target + QLatin1Char('/') + file);
    for (const QString& file : backedUp) {
        const QString installed = target + QLatin1Char('/') + file;
        if (!QFile::rename(backup + QLatin1Char('/') + file, installed))
            log(QStringLiteral("cannot restore ") + file);
    }
    log(QStringLiteral("rolled back, the installation is as it was"));
}
