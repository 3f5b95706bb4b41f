#include "core/log.h"

#include "core/logtime.h"

#include <QDateTime>
#include <QString>

namespace {

const char* fileNameOf(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '/' || *p == '\\')
            name = p + 1;
    }
    return name;
}

} // namespace

QByteArray logPrefix(int category, const char* level, const char* sourcePath, int line)
{
    return QStringLiteral("%1|[%2] [%3] [%4:%5]:")
        .arg(category)
        .arg(QLatin1String(level))
        .arg(logTimestamp(QDateTime::currentDateTime()))
        .arg(QString::fromLocal8Bit(fileNameOf(sourcePath)))
        .arg(line)
        .toLocal8Bit();
}
