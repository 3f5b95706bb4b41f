#include "fuzz/fuzzing.h"
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

// Millions of inputs each log a refusal: the readers' log lines are not what a run reports.
const bool quiet = (qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {}), true);

} // namespace

namespace fuzz {

void fail(const char* condition, const QString& what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property violated: %s (%s)\n", file, line, condition, qUtf8Printable(what));
    std::abort();
}

QString scratchPath(const QString& name)
{
    static QTemporaryDir folder;
    (void)quiet;
    return folder.path() + QLatin1Char('/') + name;
}

void writeFile(const QString& path, const uint8_t* data, size_t size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        fail("written", path, __FILE__, __LINE__);
}

uint8_t Input::byte()
{
    if (size == 0 || (!cycling && at >= size))
        return 0;
    return data[at++ % size];
}

uint32_t Input::u32()
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t(byte()) << (8 * i);
    return value;
}

} // namespace fuzz
