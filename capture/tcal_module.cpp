#include "capture/tcal_module.h"

#include "core/configmanager.h"
#include "core/globals.h"
#include "core/log.h"

#include <QFile>

#include <cctype>

namespace {

struct TableFile
{
    const char* key;
    const char* suffix;
};

const TableFile kTableFiles[] = {
    {"HighbtName", "High_bt.bin"}, {"HighktName", "High_kt.bin"}, {"HighnucName", "High_nuc_t.bin"},
    {"LowbtName", "Low_bt.bin"},   {"LowktName", "low_kt.bin"},   {"LownucName", "low_nuc_t.bin"},
};

const char* suffixOf(const char* key)
{
    for (const TableFile& file : kTableFiles)
        if (qstrcmp(file.key, key) == 0)
            return file.suffix;
    return "";
}

// Flash words are big-endian; tables in memory and in the cache are little-endian.
std::vector<uint16_t> swappedWords(const std::vector<uint8_t>& bytes)
{
    std::vector<uint16_t> words(bytes.size() / 2);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = uint16_t(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    return words;
}

} // namespace

TcalModule::FlashAddresses TcalModule::flashAddresses(DeviceKind kind, TableSet set)
{
    const bool low = set == TableSet::Low;
    if (kind == Uvc384)
        return low ? FlashAddresses{0x13D000, 0x137000, 0x138000, 0x139000}
                   : FlashAddresses{0x144000, 0x13E000, 0x13F000, 0x140000};
    return low ? FlashAddresses{0xD7000, 0xD1000, 0xD2000, 0xD3000} : FlashAddresses{0xDE000, 0xD8000, 0xD9000, 0xDA000};
}

QString TcalModule::cacheFileName(const QByteArray& serial, const char* key)
{
    // A serial is the camera's own text: only letters, digits, '-' and '_' reach the file
    // name, anything else ("../", '/', '.') is written as %XX.
    QString name;
    for (const char ch : serial) {
        const auto byte = uint8_t(ch);
        if (std::isalnum(byte) && byte < 128)
            name += QLatin1Char(ch);
        else if (ch == '-' || ch == '_')
            name += QLatin1Char(ch);
        else
            name += QStringLiteral("%%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    }
    return name + QLatin1String(suffixOf(key));
}

bool TcalModule::readSerial(tccmd_handle_t* cmd, QByteArray& serial)
{
    uint8_t info[64] = {};
    const bool read = get_device_info(cmd, 7, info) == 0;
    serial = QByteArray(reinterpret_cast<const char*>(info), int(qstrnlen(reinterpret_cast<const char*>(info), 63)));
    return read;
}

bool TcalModule::bindTableFiles(tccmd_handle_t* cmd, const char* failMessage)
{
    QByteArray serial;
    const bool read = readSerial(cmd, serial);
    if (!read)
        LOG_WARNING(LOG_FLOW) << failMessage;
    else if (serial.isEmpty())
        LOG_INFO(LOG_FLOW) << "camera reports no serial number: its tables are read from its flash, not cached";
    // Without a serial number the tables cannot be told from another camera's: a camera
    // must never be corrected with the tables cached for the previous one.
    const bool bound = read && !serial.isEmpty();
    ConfigManager* config = ConfigManager::getInstance();
    for (const TableFile& file : kTableFiles)
        config->setTmpNameValue(QLatin1String(file.key),
                                bound ? config->storage().calibration + QLatin1Char('/') + cacheFileName(serial, file.key)
                                      : QString());
    return bound;
}

bool TcalModule::loadTable(tccmd_handle_t* cmd, uint32_t address, int bytes, const QString& cachePath,
                           const TableCache::Identity& identity, uint16_t ktUnit, const char* failMessage,
                           std::vector<uint16_t>& table)
{
    if (!cachePath.isEmpty()) {
        QString why;
        std::vector<uint16_t> cached = TableCache::read(cachePath, identity, size_t(bytes) / 2, why);
        if (!cached.empty() && TableCache::plausible(identity.table, cached, ktUnit)) {
            table = std::move(cached);
            return true;
        }
        if (!cached.empty())
            why = QStringLiteral("cache holds no plausible table");
        if (QFile::exists(cachePath))
            LOG_INFO(LOG_FLOW) << "calibration cache" << cachePath << ":" << why << ", read from the camera again";
    }
    std::vector<uint8_t> flash(size_t(bytes), 0);
    if (spi_read(cmd, address, uint32_t(bytes), flash.data()) != 0) {
        LOG_WARNING(LOG_FLOW) << failMessage;
        table.clear();
        return false;
    }
    table = swappedWords(flash);
    if (!TableCache::plausible(identity.table, table, ktUnit)) {
        // The camera's own table: used as it is, but never kept as if it were sound.
        LOG_INFO(LOG_FLOW) << "calibration table at" << QString::number(address, 16) << "of the camera looks implausible";
        return true;
    }
    if (!cachePath.isEmpty() && !TableCache::write(cachePath, identity, table))
        LOG_WARNING(LOG_FLOW) << "cannot write calibration cache" << cachePath;
    return true;
}

bool TcalModule::loadKtBt(tccmd_handle_t* cmd, DeviceKind kind, TableSet set, CalibrationTables& tables)
{
    const FlashAddresses at = flashAddresses(kind, set);
    const bool low = set == TableSet::Low;
    std::vector<uint8_t> header(kHeaderBytes, 0);
    tables.headerValid = spi_read(cmd, at.header, kHeaderBytes, header.data()) == 0;
    if (tables.headerValid) {
        const std::vector<uint16_t> words = swappedWords(header);
        std::copy(words.begin(), words.begin() + 3, tables.header);
    } else {
        LOG_WARNING(LOG_FLOW) << "readHeaderFail";
    }
    ConfigManager* config = ConfigManager::getInstance();
    QString ktPath = config->getTmpNameValue(low ? QStringLiteral("LowktName") : QStringLiteral("HighktName"));
    QString btPath = config->getTmpNameValue(low ? QStringLiteral("LowbtName") : QStringLiteral("HighbtName"));
    QByteArray serial;
    if (!readSerial(cmd, serial) || serial.isEmpty()) {
        ktPath.clear(); // a cache is only ever this camera's
        btPath.clear();
    }
    const uint16_t ktUnit = tables.headerValid ? tables.header[2] : 0;
    const bool ktRead = loadTable(cmd, at.kt, kKtBtBytes, ktPath, {serial, TableCache::Table::Kt, low}, ktUnit,
                                  "readKtFail", tables.kt);
    const bool btRead = loadTable(cmd, at.bt, kKtBtBytes, btPath, {serial, TableCache::Table::Bt, low}, 0,
                                  "readBtFail", tables.bt);
    return tables.headerValid && ktRead && btRead;
}

bool TcalModule::loadNuc(tccmd_handle_t* cmd, DeviceKind kind, TableSet set, CalibrationTables& tables)
{
    const bool low = set == TableSet::Low;
    QString path =
        ConfigManager::getInstance()->getTmpNameValue(low ? QStringLiteral("LownucName") : QStringLiteral("HighnucName"));
    QByteArray serial;
    if (!readSerial(cmd, serial) || serial.isEmpty())
        path.clear(); // a cache is only ever this camera's
    return loadTable(cmd, flashAddresses(kind, set).nuc, kNucBytes, path, {serial, TableCache::Table::Nuc, low}, 0,
                     "readCurrenFail", tables.nuc);
}

CalibrationTables TcalModule::load(tccmd_handle_t* cmd, DeviceKind kind, bool lowTemperatureMode)
{
    CalibrationTables tables;
    tables.highRange = lowTemperatureMode;
    const TableSet set = tableSetFor(lowTemperatureMode);
    loadKtBt(cmd, kind, set, tables);
    loadNuc(cmd, kind, set, tables);
    return tables;
}
