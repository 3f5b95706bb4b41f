#include "capture/tablecache.h"

#include <QFile>
#include <QtEndian>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr char kMagic[4] = {'O', 'V', 'C', 'T'};
constexpr uint16_t kVersion = 1;
constexpr int kSerialBytes = 64;

#pragma pack(push, 1)
struct Header
{
    char magic[4];
    uint16_t version;
    uint16_t table;
    uint16_t set;
    uint16_t serialLength;
    char serial[kSerialBytes];
    uint32_t payloadBytes;
    uint32_t crc;
};
#pragma pack(pop)
static_assert(sizeof(Header) == 84, "the file layout is fixed");
// Header and payload are written as they lie in memory; the files are little-endian.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "cache files are written in host order");

Header headerFor(const TableCache::Identity& identity, const std::vector<uint16_t>& table)
{
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.version = kVersion;
    header.table = uint16_t(identity.table);
    header.set = identity.lowSet ? 0 : 1;
    header.serialLength = uint16_t(std::min<int>(identity.serial.size(), kSerialBytes));
    std::memcpy(header.serial, identity.serial.constData(), header.serialLength);
    header.payloadBytes = uint32_t(table.size() * 2);
    header.crc = TableCache::crc32(reinterpret_cast<const uint8_t*>(table.data()), table.size() * 2);
    return header;
}

bool gridPlausible(const std::vector<uint16_t>& words, bool isSigned, uint16_t ktUnit)
{
    const int columns = words[0] >> 8, rows = words[0] & 0xFF;
    if (columns < 2 || rows < 2 || size_t(columns) * rows + 1 > words.size())
        return false;
    for (int i = 1; i <= columns * rows; ++i) {
        if (isSigned) {
            if (std::abs(int(int16_t(words[size_t(i)]))) > 2048)
                return false;
        } else if (words[size_t(i)] == 0 ||
                   (ktUnit && (words[size_t(i)] < ktUnit / 2 || words[size_t(i)] > 2 * uint32_t(ktUnit)))) {
            return false;
        }
    }
    return true;
}

} // namespace

uint32_t TableCache::crc32(const uint8_t* data, size_t bytes)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < bytes; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

bool TableCache::plausible(Table table, const std::vector<uint16_t>& words, uint16_t ktUnit)
{
    if (words.empty())
        return false;
    if (table == Table::Kt || table == Table::Bt)
        return gridPlausible(words, table == Table::Bt, table == Table::Kt ? ktUnit : 0);
    const bool rising = words.back() > words.front();
    if (words.back() == words.front())
        return false;
    for (size_t i = 1; i < words.size(); ++i)
        if (rising ? words[i] < words[i - 1] : words[i] > words[i - 1])
            return false;
    return true;
}

std::vector<uint16_t> TableCache::read(const QString& path, const Identity& identity, size_t words, QString& why)
{
    QFile file(path);
    if (!file.exists()) {
        why = QStringLiteral("no cache");
        return {};
    }
    if (file.size() != qint64(sizeof(Header) + words * 2) || !file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("cache of another size or unreadable");
        return {};
    }
    Header header{};
    std::vector<uint16_t> table(words);
    if (file.read(reinterpret_cast<char*>(&header), sizeof header) != qint64(sizeof header) ||
        file.read(reinterpret_cast<char*>(table.data()), qint64(words * 2)) != qint64(words * 2)) {
        why = QStringLiteral("cache unreadable");
        return {};
    }
    const Header expected = headerFor(identity, table);
    if (std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 || header.version != kVersion) {
        why = QStringLiteral("not a cache of this program's format");
        return {};
    }
    if (header.table != expected.table || header.set != expected.set || header.serialLength != expected.serialLength ||
        std::memcmp(header.serial, expected.serial, kSerialBytes) != 0) {
        why = QStringLiteral("cache of another camera or table");
        return {};
    }
    if (header.payloadBytes != expected.payloadBytes || header.crc != expected.crc) {
        why = QStringLiteral("cache damaged (checksum)");
        return {};
    }
    return table;
}

bool TableCache::write(const QString& path, const Identity& identity, const std::vector<uint16_t>& table)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const Header header = headerFor(identity, table);
    file.write(reinterpret_cast<const char*>(&header), sizeof header);
    file.write(reinterpret_cast<const char*>(table.data()), qint64(table.size() * 2));
    return file.commit();
}
