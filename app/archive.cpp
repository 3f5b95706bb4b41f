#include "archive.h"

#include "log.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <private/qzipreader_p.h>

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

} // namespace

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
        const QString path = safeTarget(target, entry.filePath);
        if (path.isEmpty()) {
            LOG_INFO(LOG_OTHER) << "archive entry refused, it leaves the target folder:" << entry.filePath;
            complete = false;
            continue;
        }
        if (entry.isDir) {
            QDir().mkpath(path);
            continue;
        }
        if (entry.isSymLink) {
            LOG_INFO(LOG_OTHER) << "archive entry refused, links are not unpacked:" << entry.filePath;
            complete = false;
            continue;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        const QByteArray data = zip.fileData(entry.filePath);
        QSaveFile file(path);
        if (zip.status() != QZipReader::NoError || !file.open(QIODevice::WriteOnly) || file.write(data) != data.size() ||
            !file.commit()) {
            LOG_INFO(LOG_OTHER) << "archive entry cannot be unpacked:" << entry.filePath;
            complete = false;
        } else if (entry.permissions) {
            // A program in an update must stay a program; no file becomes writable by others.
            QFile::setPermissions(path, entry.permissions & ~(QFile::WriteGroup | QFile::WriteOther));
        }
    }
    return complete;
}
