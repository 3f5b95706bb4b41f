#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <cstdint>
#include <vector>

// A zip archive read from memory, every size and offset checked against the bytes at hand and
// against limits before anything is allocated: a header that claims gigabytes, a directory
// past the end or a stream that inflates beyond its stated size is refused, never followed.
// Stored and deflated entries; no encryption, no multi-disk or zip64 archives (an update
// package needs none of them).
class ZipArchive
{
public:
    static constexpr qint64 kMaxArchiveBytes = qint64(512) << 20;
    static constexpr qint64 kMaxEntryBytes = qint64(256) << 20;
    static constexpr qint64 kMaxTotalBytes = qint64(1) << 30; // all entries unpacked
    static constexpr int kMaxEntries = 65535;

    struct Entry
    {
        QString path;
        bool directory = false;
        bool link = false;
        int method = 0; // 0 stored, 8 deflated
        uint32_t crc = 0;
        qint64 packedSize = 0, size = 0;
        qint64 dataOffset = 0; // of the packed bytes in the archive
        QFileDevice::Permissions permissions; // as the archive states them for Unix, else none
    };

    // Reads the central directory; false, with the reason, for a damaged archive or one beyond
    // the limits.
    bool open(const QByteArray& archive, QString* why);
    const std::vector<Entry>& entries() const { return list; }
    // The entry's content, inflated within its stated size and matching its CRC-32; why: what
    // is wrong with the entry.
    bool read(const Entry& entry, QByteArray* data, QString* why) const;

private:
    QByteArray bytes;
    std::vector<Entry> list;
};
