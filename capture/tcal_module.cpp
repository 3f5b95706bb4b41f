#include "tcal_module.h"

#include "configmanager.h"
#include "globals.h"
#include "log.h"

#include <QFile>
#include <QSaveFile>

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

bool readCache(const QString& path, int bytes, std::vector<uint16_t>& table)
{
    QFile file(path);
    if (path.isEmpty() || file.size() != bytes || !file.open(QIODevice::ReadOnly))
        return false;
    std::vector<uint16_t> words(size_t(bytes) / 2);
    if (file.read(reinterpret_cast<char*>(words.data()), bytes) != bytes)
        return false;
    table = std::move(words);
    return true;
}

void writeCache(const QString& path, const std::vector<uint16_t>& table)
{
    // Written aside and renamed: a crash never leaves half a table behind.
    if (path.isEmpty())
        return; // the camera's tables are not cached
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        LOG_INFO(LOG_FLOW) << "cannot write calibration cache" << path;
        return;
    }
    file.write(reinterpret_cast<const char*>(table.data()), qint64(table.size() * 2));
    if (!file.commit())
        LOG_INFO(LOG_FLOW) << "cannot write calibration cache" << path;
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

bool TcalModule::bindTableFiles(tccmd_handle_t* cmd, const char* failMessage)
{
    uint8_t info[64] = {};
    const bool read = get_device_info(cmd, 7, info) == 0;
    const QByteArray serial(reinterpret_cast<const char*>(info), int(qstrnlen(reinterpret_cast<const char*>(info), 63)));
    if (!read)
        LOG_INFO(LOG_FLOW) << failMessage;
    else if (serial.isEmpty())
        LOG_INFO(LOG_FLOW) << "camera reports no serial number: its tables are read from its flash, not cached";
    // Without a serial number the tables cannot be told from another camera's: a camera
    // must never be corrected with the tables cached for the previous one.
    const bool bound = read && !serial.isEmpty();
    ConfigManager* config = ConfigManager::getInstance();
    for (const TableFile& file : kTableFiles)
        config->setTmpNameValue(QLatin1String(file.key),
                                bound ? gAppDir + QStringLiteral("/TemTable/") + cacheFileName(serial, file.key)
                                      : QString());
    return bound;
}

bool TcalModule::loadTable(tccmd_handle_t* cmd, uint32_t address, int bytes, const QString& cachePath,
                           const char* failMessage, std::vector<uint16_t>& table)
{
    if (readCache(cachePath, bytes, table))
        return true;
    std::vector<uint8_t> flash(size_t(bytes), 0);
    if (spi_read(cmd, address, uint32_t(bytes), flash.data()) != 0) {
        LOG_INFO(LOG_FLOW) << failMessage;
        table.clear();
        return false;
    }
    table = swappedWords(flash);
    writeCache(cachePath, table);
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
        LOG_INFO(LOG_FLOW) << "readHeaderFail";
    }
    ConfigManager* config = ConfigManager::getInstance();
    const QString ktPath = config->getTmpNameValue(low ? QStringLiteral("LowktName") : QStringLiteral("HighktName"));
    const QString btPath = config->getTmpNameValue(low ? QStringLiteral("LowbtName") : QStringLiteral("HighbtName"));
    const bool ktRead = loadTable(cmd, at.kt, kKtBtBytes, ktPath, "readKtFail", tables.kt);
    const bool btRead = loadTable(cmd, at.bt, kKtBtBytes, btPath, "readBtFail", tables.bt);
    return tables.headerValid && ktRead && btRead;
}

bool TcalModule::loadNuc(tccmd_handle_t* cmd, DeviceKind kind, TableSet set, CalibrationTables& tables)
{
    const QString path = ConfigManager::getInstance()->getTmpNameValue(
        set == TableSet::Low ? QStringLiteral("LownucName") : QStringLiteral("HighnucName"));
    return loadTable(cmd, flashAddresses(kind, set).nuc, kNucBytes, path, "readCurrenFail", tables.nuc);
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
