#include "updater/updateinstaller.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

// Replaces `to` with `from` in one step: the path never stands empty.
bool replace(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace

UpdateInstaller::UpdateInstaller(const QString& from, const QString& to, const QString& workFolder, Log logger)
    : source(QDir(from).absolutePath()), target(QDir(to).absolutePath()), work(workFolder),
      staging(workFolder + QStringLiteral("/staging")), backup(workFolder + QStringLiteral("/backup")),
      journal(workFolder + QStringLiteral("/journal")), log(std::move(logger))
{
}

bool UpdateInstaller::record(const QString& entry)
{
    QFile file(journal);
    if (!file.open(QIODevice::Append) || file.write(entry.toUtf8() + '\n') < 0 || !file.flush()) {
        log(QStringLiteral("cannot write the journal"));
        return false;
    }
    return true;
}

void UpdateInstaller::clearWork()
{
    QDir(work).removeRecursively();
}

bool UpdateInstaller::recover()
{
    QFile file(journal);
    if (!file.open(QIODevice::ReadOnly)) {
        clearWork();
        return true;
    }
    // Undone last step first: "added" files go, "replaced" ones come back from the backup.
    QList<QByteArray> entries = file.readAll().split('\n');
    file.close();
    bool whole = true;
    for (auto entry = entries.crbegin(); entry != entries.crend(); ++entry) {
        const QString line = QString::fromUtf8(*entry);
        const QString name = line.section(QLatin1Char(' '), 1);
        if (line.startsWith(QLatin1String("added "))) {
            if (QFileInfo::exists(target + QLatin1Char('/') + name) && !QFile::remove(target + QLatin1Char('/') + name)) {
                log(QStringLiteral("cannot remove ") + name);
                whole = false;
            }
        } else if (line.startsWith(QLatin1String("replaced "))) {
            const QString aside = backup + QLatin1Char('/') + name;
            if (QFileInfo::exists(aside) && !replace(aside, target + QLatin1Char('/') + name)) {
                log(QStringLiteral("cannot restore ") + name);
                whole = false;
            }
        }
    }
    if (!whole) {
        log(QStringLiteral("the installation could not be put back whole; the backup is kept in ") + work);
        return false;
    }
    clearWork();
    log(QStringLiteral("rolled back, the installation is as it was"));
    return true;
}

bool UpdateInstaller::install()
{
    if (!recover())
        return false;
    QDir().mkpath(work);
    if (!listFiles() || !stage() || !swapIn()) {
        recover();
        return false;
    }
    clearWork();
    log(QStringLiteral("installed"));
    return true;
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
        const QString staged = staging + QLatin1Char('/') + file;
        const QFileInfo old(installed);
        if (old.exists() && old.isFile()) {
            // A copy aside, then the new file over the old one in one step.
            const QString aside = backup + QLatin1Char('/') + file;
            QDir().mkpath(QFileInfo(aside).path());
            if (!QFile::copy(installed, aside) || !record(QStringLiteral("replaced ") + file)) {
                log(QStringLiteral("cannot set aside ") + file);
                return false;
            }
        } else if (!old.exists() && !old.isSymLink()) {
            if (!record(QStringLiteral("added ") + file))
                return false;
            QDir().mkpath(old.path());
        } else {
            log(QStringLiteral("not a plain file in the installation: ") + file);
            return false;
        }
        if (!replace(staged, installed)) {
            log(QStringLiteral("cannot put in place ") + file);
            return false;
        }
    }
    return true;
}
