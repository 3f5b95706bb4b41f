#include "archive.h"

#include "log.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <private/qzipreader_p.h>

#include <zlib.h>

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

// Why the entry may not be unpacked into target (empty: it may). Files are read to check
// their CRC-32: a damaged archive must not become a damaged installation.
QString entryProblem(QZipReader& zip, const QZipReader::FileInfo& entry, const QDir& target, QByteArray* data)
{
    if (safeTarget(target, entry.filePath).isEmpty())
        return QStringLiteral("it leaves the target folder");
    if (entry.isSymLink)
        return QStringLiteral("links are not unpacked");
    if (entry.isDir)
        return QString();
    *data = zip.fileData(entry.filePath);
    if (zip.status() != QZipReader::NoError)
        return QStringLiteral("it cannot be read");
    if (crc32(0L, reinterpret_cast<const Bytef*>(data->constData()), uInt(data->size())) != entry.crc)
        return QStringLiteral("its content is damaged");
    return QString();
}

} // namespace

bool archiveIntact(QIODevice* archive, QString* why)
{
    QZipReader zip(archive);
    const QVector<QZipReader::FileInfo> entries = zip.fileInfoList();
    if (!zip.isReadable() || zip.status() != QZipReader::NoError || entries.isEmpty()) {
        *why = QStringLiteral("not a zip archive");
        return false;
    }
    const QDir anywhere(QStringLiteral("/archive"));
    for (const QZipReader::FileInfo& entry : entries) {
        QByteArray data;
        const QString problem = entryProblem(zip, entry, anywhere, &data);
        if (!problem.isEmpty()) {
            *why = entry.filePath + QStringLiteral(": ") + problem;
            return false;
        }
    }
    return true;
}

bool extractArchive(const QString& archivePath, const QString& targetFolder)
{
    QZipReader zip(archivePath);
    if (!zip.isReadable() || zip.status() != QZipReader::NoError) {
        LOG_INFO(LOG_OTHER) << "archive cannot be read:" << archivePath;
        return false;
    }
    const QDir target(targetFolder);
    QDir().mkpath(target.absolutePath());
    const QVector<QZipReader::FileInfo> entries = zip.fileInfoList();
    if (entries.isEmpty() || zip.status() != QZipReader::NoError) {
        LOG_INFO(LOG_OTHER) << "archive is damaged or empty:" << archivePath;
        return false;
    }
    bool complete = true;
    for (const QZipReader::FileInfo& entry : entries) {
        QByteArray data;
        const QString problem = entryProblem(zip, entry, target, &data);
        if (!problem.isEmpty()) {
            LOG_INFO(LOG_OTHER) << "archive entry refused," << problem << ":" << entry.filePath;
            complete = false;
            continue;
        }
        const QString path = safeTarget(target, entry.filePath);
        if (entry.isDir) {
            QDir().mkpath(path);
            continue;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
            LOG_INFO(LOG_OTHER) << "archive entry cannot be unpacked:" << entry.filePath;
            complete = false;
        } else if (entry.permissions) {
            // A program in an update must stay a program; no file becomes writable by others.
            QFile::setPermissions(path, entry.permissions & ~(QFile::WriteGroup | QFile::WriteOther));
        }
    }
    return complete;
}
