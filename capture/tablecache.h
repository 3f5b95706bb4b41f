#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// One calibration table kept on disk between runs, so a camera's flash is read only once.
// File layout, little-endian: "OVCT", version (u16, 1), table (u16: 0 kt, 1 bt, 2 NUC), set
// (u16: 0 "Low", 1 "High"), serial length (u16), serial (64 bytes, zero padded), payload
// length in bytes (u32), CRC-32 of the payload (u32, the IEEE polynomial), then the payload:
// the table's 16-bit words. A file is used only when all of it matches the camera and the
// table it is read for and its content is plausible; anything else counts as no cache.
class TableCache
{
public:
    enum class Table : uint16_t
    {
        Kt = 0,
        Bt = 1,
        Nuc = 2,
    };
    struct Identity
    {
        QByteArray serial;
        Table table;
        bool lowSet; // the "Low" set (high-temperature range)
    };

    // The table, or empty with the reason in why.
    static std::vector<uint16_t> read(const QString& path, const Identity& identity, size_t words, QString& why);
    // Written aside and renamed: a crash never leaves half a table behind.
    static bool write(const QString& path, const Identity& identity, const std::vector<uint16_t>& table);

    // Whether a table can be what the camera's calibration holds: kt and bt are grids whose
    // first word gives columns and rows (kt nodes are gains of 0.5 to 2 times ktUnit, when it
    // is known; bt nodes are offsets of at most 2,048 counts), NUC runs monotonically from
    // counts to temperatures and is not flat.
    static bool plausible(Table table, const std::vector<uint16_t>& words, uint16_t ktUnit);

    static uint32_t crc32(const uint8_t* data, size_t bytes);
};
