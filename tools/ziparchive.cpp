#include "tools/ziparchive.h"

#include <zlib.h>

#include <algorithm>

namespace {

constexpr uint32_t kEndSignature = 0x06054b50, kDirectorySignature = 0x02014b50, kLocalSignature = 0x04034b50;
constexpr int kEndBytes = 22, kDirectoryBytes = 46, kLocalBytes = 30;
constexpr int kMaxComment = 0xffff;

// Little-endian fields at an offset the caller has checked.
uint16_t word16(const QByteArray& b, qint64 at)
{
    const auto* p = reinterpret_cast<const uint8_t*>(b.constData() + at);
    return uint16_t(p[0] | p[1] << 8);
}

uint32_t word32(const QByteArray& b, qint64 at)
{
    const auto* p = reinterpret_cast<const uint8_t*>(b.constData() + at);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Unix mode bits to Qt's permissions (owner also as user, as QFile reports them).
QFileDevice::Permissions permissionsOf(uint32_t mode)
{
    QFileDevice::Permissions p;
    const std::pair<uint32_t, QFileDevice::Permissions> bits[] = {
        {0400, QFileDevice::ReadOwner | QFileDevice::ReadUser}, {0200, QFileDevice::WriteOwner | QFileDevice::WriteUser},
        {0100, QFileDevice::ExeOwner | QFileDevice::ExeUser},   {0040, QFileDevice::ReadGroup},
        {0020, QFileDevice::WriteGroup},                        {0010, QFileDevice::ExeGroup},
        {0004, QFileDevice::ReadOther},                         {0002, QFileDevice::WriteOther},
        {0001, QFileDevice::ExeOther}};
    for (const auto& [bit, permission] : bits)
        if (mode & bit)
            p |= permission;
    return p;
}

bool fail(QString* why, const QString& reason)
{
    if (why)
        *why = reason;
    return false;
}

} // namespace

bool ZipArchive::open(const QByteArray& archive, QString* why)
{
    bytes = archive;
    list.clear();
    const qint64 size = bytes.size();
    if (size < kEndBytes || size > kMaxArchiveBytes)
        return fail(why, QStringLiteral("not a zip archive of a size we take"));
    // The end record: the last one whose comment reaches exactly to the end.
    qint64 end = -1;
    for (qint64 at = size - kEndBytes; at >= std::max<qint64>(0, size - kEndBytes - kMaxComment); --at)
        if (word32(bytes, at) == kEndSignature && at + kEndBytes + word16(bytes, at + 20) == size) {
            end = at;
            break;
        }
    if (end < 0)
        return fail(why, QStringLiteral("not a zip archive"));
    const int count = word16(bytes, end + 10);
    const qint64 directorySize = word32(bytes, end + 12), directoryAt = word32(bytes, end + 16);
    if (word16(bytes, end + 4) != 0 || word16(bytes, end + 6) != 0 || word16(bytes, end + 8) != count)
        return fail(why, QStringLiteral("archives over several disks are not taken"));
    if (count == 0 || count > kMaxEntries || directoryAt + directorySize > end)
        return fail(why, QStringLiteral("its directory does not lie inside it"));

    qint64 at = directoryAt, total = 0;
    for (int i = 0; i < count; ++i) {
        if (at + kDirectoryBytes > directoryAt + directorySize || word32(bytes, at) != kDirectorySignature)
            return fail(why, QStringLiteral("its directory is damaged"));
        const int madeBy = word16(bytes, at + 4) >> 8, flags = word16(bytes, at + 8);
        Entry e;
        e.method = word16(bytes, at + 10);
        e.crc = word32(bytes, at + 16);
        e.packedSize = word32(bytes, at + 20);
        e.size = word32(bytes, at + 24);
        const int nameLength = word16(bytes, at + 28), extraLength = word16(bytes, at + 30),
                  commentLength = word16(bytes, at + 32);
        const uint32_t mode = madeBy == 3 ? word32(bytes, at + 38) >> 16 : 0; // 3: Unix
        const qint64 local = word32(bytes, at + 42);
        const qint64 next = at + kDirectoryBytes + nameLength + extraLength + commentLength;
        if (next > directoryAt + directorySize)
            return fail(why, QStringLiteral("its directory is damaged"));
        const QByteArray name = bytes.mid(int(at + kDirectoryBytes), nameLength);
        if (name.isEmpty() || name.contains('\0'))
            return fail(why, QStringLiteral("an entry has no usable name"));
        e.path = QString::fromUtf8(name);
        if (flags & 1)
            return fail(why, e.path + QStringLiteral(": encrypted entries are not taken"));
        if (e.method != 0 && e.method != 8)
            return fail(why, e.path + QStringLiteral(": packed in a way we do not read"));
        if (e.size > kMaxEntryBytes || (total += e.size) > kMaxTotalBytes)
            return fail(why, e.path + QStringLiteral(": larger than an update package may be"));
        if (e.method == 0 && e.packedSize != e.size)
            return fail(why, e.path + QStringLiteral(": its sizes disagree"));
        // The local header and the packed bytes behind it lie before the directory.
        if (local + kLocalBytes > directoryAt || word32(bytes, local) != kLocalSignature)
            return fail(why, e.path + QStringLiteral(": its data does not lie inside the archive"));
        e.dataOffset = local + kLocalBytes + word16(bytes, local + 26) + word16(bytes, local + 28);
        if (e.dataOffset + e.packedSize > directoryAt)
            return fail(why, e.path + QStringLiteral(": its data does not lie inside the archive"));
        e.directory = e.path.endsWith(QLatin1Char('/'));
        e.link = (mode & 0170000) == 0120000;
        e.permissions = permissionsOf(mode);
        list.push_back(e);
        at = next;
    }
    return true;
}

bool ZipArchive::read(const Entry& e, QByteArray* data, QString* why) const
{
    data->clear();
    const char* packed = bytes.constData() + e.dataOffset;
    if (e.method == 0) {
        *data = QByteArray(packed, int(e.size));
    } else {
        // Raw deflate into the stated size and one byte more: a stream that fills the spare
        // byte, or ends short, is not the entry it claims to be.
        data->resize(int(e.size) + 1);
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
            return fail(why, QStringLiteral("it cannot be inflated"));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed));
        z.avail_in = uInt(e.packedSize);
        z.next_out = reinterpret_cast<Bytef*>(data->data());
        z.avail_out = uInt(e.size) + 1;
        const int result = inflate(&z, Z_FINISH);
        const bool whole = result == Z_STREAM_END && z.total_out == uLong(e.size);
        inflateEnd(&z);
        if (!whole) {
            data->clear();
            return fail(why, QStringLiteral("it cannot be read"));
        }
        data->chop(1);
    }
    if (crc32(0L, reinterpret_cast<const Bytef*>(data->constData()), uInt(data->size())) != e.crc) {
        data->clear();
        return fail(why, QStringLiteral("its content is damaged"));
    }
    return true;
}
