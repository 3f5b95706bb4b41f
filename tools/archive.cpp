#include "tools/archive.h"

#include "core/log.h"
#include "tools/ziparchive.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <algorithm>


namespace {

// The entry's path inside the target, or empty when it would leave it.
QString safeTarget(const QDir& target, const QString& entry)
{
    if (entry.isEmpty() || QDir::isAbsolutePath(entry) || entry.startsWith(QLatin1Char('/')) ||
        entry.startsWith(QLatin1Char('\\')) || (entry.size() > 1 && entry[1] == QLatin1Char(':')))
        return QString();
    const QStringList steps = QString(entry).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'));
    if (steps.contains(QStringLiteral("..")))
        return QString();
    const QString path = QDir::cleanPath(target.absoluteFilePath(entry));
    return path.startsWith(target.absolutePath() + QLatin1Char('/')) ? path : QString();
}

// Why the entry may not be unpacked into target (empty: it may). Files are inflated and
// checked against their CRC-32: a damaged archive must not become a damaged installation.
QString entryProblem(const ZipArchive& zip, const ZipArchive::Entry& entry, const QDir& target, QByteArray* data)
{
    if (safeTarget(target, entry.path).isEmpty())
        return QStringLiteral("it leaves the target folder");
    if (entry.link)
        return QStringLiteral("links are not unpacked");
    if (entry.directory)
        return QString();
    QString why;
    return zip.read(entry, data, &why) ? QString() : why;
}

// The archive's bytes, from a device that holds no more than an archive may.
bool readArchive(QIODevice* device, ZipArchive& zip, QString* why)
{
    // A file or buffer says its size: read what it holds rather than reserve the limit.
    const qint64 wanted = device->isSequential() ? ZipArchive::kMaxArchiveBytes + 1
                                                 : std::min(device->size() - device->pos(), ZipArchive::kMaxArchiveBytes + 1);
    const QByteArray bytes = device->read(wanted);
    if (bytes.size() > ZipArchive::kMaxArchiveBytes) {
        *why = QStringLiteral("larger than an update package may be");
        return false;
    }
    return zip.open(bytes, why);
}

// Entries that cannot all be unpacked: a file where another entry needs a folder of that name.
QString layoutProblem(const ZipArchive& zip)
{
    QSet<QString> files, folders;
    for (const ZipArchive::Entry& entry : zip.entries()) {
        const QString path = QDir::cleanPath(QString(entry.path).replace(QLatin1Char('\\'), QLatin1Char('/')));
        (entry.directory ? folders : files).insert(path);
        for (int slash = path.indexOf(QLatin1Char('/')); slash > 0; slash = path.indexOf(QLatin1Char('/'), slash + 1))
            folders.insert(path.left(slash));
    }
    for (const QString& file : files)
        if (folders.contains(file))
            return file + QStringLiteral(": both a file and a folder");
    return QString();
}

} // namespace

bool archiveIntact(QIODevice* archive, QString* why)
{
    ZipArchive zip;
    if (!readArchive(archive, zip, why))
        return false;
    const QString clash = layoutProblem(zip);
    if (!clash.isEmpty()) {
        *why = clash;
        return false;
    }
    const QDir anywhere(QStringLiteral("/archive"));
    for (const ZipArchive::Entry& entry : zip.entries()) {
        QByteArray data;
        const QString problem = entryProblem(zip, entry, anywhere, &data);
        if (!problem.isEmpty()) {
            *why = entry.path + QStringLiteral(": ") + problem;
            return false;
        }
    }
    return true;
}

bool extractArchive(const QString& archivePath, const QString& targetFolder)
{
    // The same reader as the check, from the same bytes: the two cannot disagree.
    QFile file(archivePath);
    ZipArchive zip;
    QString why;
    if (!file.open(QIODevice::ReadOnly) || !readArchive(&file, zip, &why)) {
        LOG_WARNING(LOG_OTHER) << "archive cannot be read:" << archivePath << why;
        return false;
    }
    file.close();
    const QString clash = layoutProblem(zip);
    if (!clash.isEmpty()) {
        LOG_WARNING(LOG_OTHER) << "archive refused," << clash;
        return false;
    }
    const QDir target(targetFolder);
    QDir().mkpath(target.absolutePath());
    bool complete = true;
    for (const ZipArchive::Entry& entry : zip.entries()) {
        QByteArray data;
        const QString problem = entryProblem(zip, entry, target, &data);
        if (!problem.isEmpty()) {
            LOG_WARNING(LOG_OTHER) << "archive entry refused," << problem << ":" << entry.path;
            complete = false;
            continue;
        }
        const QString path = safeTarget(target, entry.path);
        if (entry.directory) {
            QDir().mkpath(path);
            continue;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.commit()) {
            LOG_WARNING(LOG_OTHER) << "archive entry cannot be unpacked:" << entry.path;
            complete = false;
        } else if (entry.permissions) {
            // A program in an update must stay a program; no file becomes writable by others.
            QFile::setPermissions(path, entry.permissions & ~(QFile::WriteGroup | QFile::WriteOther));
        }
    }
    return complete;
}
