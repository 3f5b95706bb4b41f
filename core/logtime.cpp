#include "core/logtime.h"

#include <cstdio>

QString logDate(const QDate& date)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year(), date.month(), date.day());
    return QString::fromLatin1(text);
}

QString logTimestamp(const QDateTime& time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d %03d", d.year(), d.month(), d.day(), t.hour(),
                  t.minute(), t.second(), t.msec());
    return QString::fromLatin1(text);
}

QString logRollOverStamp(const QDateTime& time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d-%02d%02d%02d", d.year(), d.month(), d.day(), t.hour(),
                  t.minute(), t.second());
    return QString::fromLatin1(text);
}
