#pragma once

#include <QDateTime>
#include <QString>

// Time stamps of the log. Formatted by hand: Qt's locale-aware date formatting can return an
// empty text when several threads use it for the first time at once, and a log line without
// its date would be dropped as "not today's".

QString logDate(const QDate& date);                  // yyyy-MM-dd
QString logTimestamp(const QDateTime& time);         // yyyy-MM-dd HH:mm:ss zzz
QString logRollOverStamp(const QDateTime& time);     // yyyy-MM-dd-hhmmss
