// Update packages: the bounded zip reader, the check made on a download and the unpacking at
// start-up, over the same bytes.
#include "fuzz/fuzzing.h"
#include "tools/archive.h"
#include "tools/ziparchive.h"
#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {

bool safeName(const QString& path)
{
    const QString steps = QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    return !steps.startsWith(QLatin1Char('/')) && !steps.split(QLatin1Char('/')).contains(QStringLiteral(".."));
}

// Everything below root, links included, without following any.
QStringList everythingBelow(const QString& root)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));

    ZipArchive zip;
    QString why;
    bool everyEntryReadable = false;
    if (zip.open(bytes, &why)) {
        everyEntryReadable = true;
        for (const ZipArchive::Entry& entry : zip.entries()) {
            FUZZ_REQUIRE(entry.size >= 0 && entry.size <= ZipArchive::kMaxEntryBytes, entry.path);
            FUZZ_REQUIRE(entry.dataOffset >= 0 && entry.dataOffset + entry.packedSize <= qint64(size), entry.path);
            if (entry.directory)
                continue;
            QByteArray content;
            if (zip.read(entry, &content, &why))
                FUZZ_REQUIRE(content.size() == entry.size, entry.path);
            else
                everyEntryReadable = false;
        }
    }

    // The check on a download and the unpacking at start-up read the same bytes alike, and
    // what they accept holds no name that leaves the target and no link.
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QString checked;
    const bool intact = archiveIntact(&buffer, &checked);
    const QString work = fuzz::scratchPath(QStringLiteral("archive"));
    QDir(work).removeRecursively();
    QDir().mkpath(work + QStringLiteral("/target"));
    const QString package = work + QStringLiteral("/package.zip");
    fuzz::writeFile(package, data, size);
    const bool unpacked = extractArchive(package, work + QStringLiteral("/target"));
    FUZZ_REQUIRE(intact == unpacked, QStringLiteral("the check says %1 (%2), the unpacking %3")
                                         .arg(intact ? QStringLiteral("intact") : QStringLiteral("damaged"), checked,
                                              unpacked ? QStringLiteral("unpacked it") : QStringLiteral("failed")));
    if (intact) {
        FUZZ_REQUIRE(everyEntryReadable, QStringLiteral("accepted with an unreadable entry"));
        for (const ZipArchive::Entry& entry : zip.entries()) {
            FUZZ_REQUIRE(!entry.link, entry.path);
            FUZZ_REQUIRE(safeName(entry.path), entry.path);
        }
    }
    // Nothing lands beside the target, and nothing inside it is a link, whatever was refused.
    const QStringList beside = QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    FUZZ_REQUIRE(beside.size() == 2, beside.join(QLatin1Char(',')));
    for (const QString& path : everythingBelow(work + QStringLiteral("/target")))
        FUZZ_REQUIRE(!QFileInfo(path).isSymLink(), path);
    return 0;
}
