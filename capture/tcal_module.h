#pragma once

#include "capture/tablecache.h"
#include "libtccmd.h"
#include "pipeline/calibrationtables.h"
#include "pipeline/devicekind.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// The kt/bt and NUC calibration tables of a Y16 camera: read once from the camera's flash
// (big-endian) and kept as cache files (TableCache: little-endian, with a header naming the
// camera and the table, and a checksum) named after the serial number in the storage's
// calibration folder, whose paths the TmpName settings record. A cache that does not hold
// a sound table of this camera is read from the flash again and rewritten.
//
// The "Low" set belongs to the high-temperature range (gain 0), the "High" set to the
// low-temperature range (gain 1).
enum class TableSet
{
    Low,
    High,
};

inline TableSet tableSetFor(bool lowTemperatureMode)
{
    return lowTemperatureMode ? TableSet::Low : TableSet::High;
}

class TcalModule
{
public:
    static constexpr int kKtBtBytes = 2402;
    static constexpr int kNucBytes = 16384;
    static constexpr int kHeaderBytes = 48;

    struct FlashAddresses
    {
        uint32_t header, kt, bt, nuc;
    };
    static FlashAddresses flashAddresses(DeviceKind kind, TableSet set);

    // Stores the six cache paths of the connected camera under the TmpName keys. False, with
    // failMessage logged, when the serial number cannot be read or is empty: the keys are
    // then emptied, so the tables come from the camera's flash and are not cached.
    static bool bindTableFiles(tccmd_handle_t* cmd, const char* failMessage = "bindFile Fail");

    // Reads the header from flash and kt and bt from their cache files, or from flash when a
    // cache file is missing or unsound (the flash copy is then cached). A failed flash read is
    // logged, caches nothing and leaves that table empty; the result is false.
    static bool loadKtBt(tccmd_handle_t* cmd, DeviceKind kind, TableSet set, CalibrationTables& tables);
    static bool loadNuc(tccmd_handle_t* cmd, DeviceKind kind, TableSet set, CalibrationTables& tables);
    // Both, for the set of the measuring range.
    static CalibrationTables load(tccmd_handle_t* cmd, DeviceKind kind, bool lowTemperatureMode);

    // Serial number followed by the table's suffix, e.g. "ABC123low_kt.bin"; characters other
    // than letters, digits, '-' and '_' are written as %XX.
    static QString cacheFileName(const QByteArray& serial, const char* key);

private:
    static bool readSerial(tccmd_handle_t* cmd, QByteArray& serial);
    static bool loadTable(tccmd_handle_t* cmd, uint32_t address, int bytes, const QString& cachePath,
                          const TableCache::Identity& identity, uint16_t ktUnit, const char* failMessage,
                          std::vector<uint16_t>& table);
};
