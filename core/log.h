#pragma once

#include <QByteArray>
#include <QDebug>

// Category codes lead every program log line; the log manager turns them into names.
enum LogCategory
{
    LOG_NETWORK = 0,
    LOG_SERIAL = 1,
    LOG_FUNCTION = 2,
    LOG_FLOW = 3,
    LOG_CAMERA = 4,
    LOG_TAVLON_IR = 5,
    LOG_ORVIK = 6,
    LOG_QUELL_IR = 7,
    LOG_HARROW_IR = 8,
    LOG_DB = 9,
    LOG_UPDATE = 10,
    LOG_OTHER = 11,
};

// "<code>|[<LEVEL>] [<yyyy-MM-dd HH:mm:ss zzz>] [<file>:<line>]:" in the local 8-bit encoding.
QByteArray logPrefix(int category, const char* level, const char* sourcePath, int line);

// Every form goes out at Qt's info level; the bracketed word says how much a line matters:
// WARNING for what the program refused or could not do and worked around, ERROR for what the
// user loses (a snapshot, a recording, a folder that cannot be written).
#define ORVIK_LOG_AT(category, level)                                                                     \
    QMessageLogger(__FILE__, __LINE__, nullptr).info().noquote()                                          \
        << logPrefix((category), level, __FILE__, __LINE__).constData()

#define LOG_INFO(category) ORVIK_LOG_AT(category, "INFO")
#define LOG_DEBUG(category) ORVIK_LOG_AT(category, "DEBUG")
#define LOG_WARNING(category) ORVIK_LOG_AT(category, "WARNING")
#define LOG_ERROR(category) ORVIK_LOG_AT(category, "ERROR")
