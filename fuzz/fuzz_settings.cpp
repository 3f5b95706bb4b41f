// The settings files as a user or an older version may have left them: every read gives a
// value the program can use, and no stored value is ever written over.
#include "core/configmanager.h"
#include "fuzz/fuzzing.h"
#include <QDir>
#include <QSettings>
#include <algorithm>
#include <cstring>

namespace {

const char* const kSettingKeys[] = {"HighTempThreshold", "Frequency", "WarningSoundName", "SoundIntervalSeconds",
                                    "TempUnit", "3DLevel", "SnapshotTemperatures", "Palette", "ImageMode",
                                    "emiss", "humi", "airtmp", "distan", "refltmp", "fix", "GoldenThreshold"};
// Written back on reading by design: the update port when it is no port, and the mouse
// readout's flag, stored again as the boolean it reads as.
const char* const kWrittenBack[] = {"Url/Port", "EquitMent/MouseTemp"};

QMap<QString, QVariant> stored(const QString& path)
{
    QSettings file(path, QSettings::IniFormat);
    QMap<QString, QVariant> values;
    for (const QString& key : file.allKeys())
        values[key] = file.value(key);
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Up to the first NUL the local settings, after it the paths.
    const uint8_t* split = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t localBytes = split ? size_t(split - data) : size;
    // A folder of its own for every input: QSettings keeps a parsed copy of each file it read
    // and trusts it while the file's size and modification time (coarse, a few milliseconds)
    // stay the same, which two inputs written in a row to one path can share.
    static int inputs = 0;
    const QString folder = fuzz::scratchPath(QStringLiteral("Input%1").arg(++inputs));
    StorageFolders folders;
    folders.config = folder + QStringLiteral("/Config");
    folders.pictures = folder + QStringLiteral("/Picture");
    folders.videos = folder + QStringLiteral("/Video");
    QDir().mkpath(folders.config);
    const QString local = folders.config + QStringLiteral("/LocalSetting.ini");
    const QString paths = folders.config + QStringLiteral("/PathConfig.ini");
    fuzz::writeFile(local, data, localBytes);
    fuzz::writeFile(paths, split ? split + 1 : data, split ? size - localBytes - 1 : 0);
    const QMap<QString, QVariant> localBefore = stored(local), pathsBefore = stored(paths);

    ConfigManager config(folders);
    for (const char* key : kSettingKeys)
        FUZZ_REQUIRE(!config.getSettingOrDefault(QLatin1String(key)).isEmpty(), QLatin1String(key));
    const int rotation = config.getRotation();
    FUZZ_REQUIRE(rotation == 0 || rotation == 90 || rotation == 180 || rotation == 270, QString::number(rotation));
    for (const bool high : {false, true}) {
        int max = 0, min = 0;
        config.getFixedTempRange(high, max, min);
        FUZZ_REQUIRE(min < max && min >= -20 && max <= (high ? 550 : 150),
                     QStringLiteral("%1..%2").arg(min).arg(max));
    }
    FUZZ_REQUIRE(!config.getUpdateHost().isEmpty(), QStringLiteral("update host"));
    const int port = config.getUpdatePort().toInt();
    FUZZ_REQUIRE(port >= 1 && port <= 65535, QStringLiteral("update port"));
    const UserSettings user = config.readUserSettings();
    FUZZ_REQUIRE(user.temperatureUnit == QLatin1String("C") || user.temperatureUnit == QLatin1String("F"),
                 user.temperatureUnit);
    FUZZ_REQUIRE(!config.getPathOrDefault(QStringLiteral("ImagePath")).isEmpty(), QStringLiteral("ImagePath"));
    FUZZ_REQUIRE(!config.getPathOrDefault(QStringLiteral("VideoPath")).isEmpty(), QStringLiteral("VideoPath"));

    // What was stored is still stored: reads fill in what is missing, nothing else. A fixed
    // range stored as two zeros is the mark of one never set, and is filled.
    const auto zero = [&](const QString& key) {
        bool isNumber = false;
        return !localBefore.contains(key) || (localBefore.value(key).toInt(&isNumber) == 0 && isNumber);
    };
    const auto neverSet = [&](const QString& key) {
        for (const char* pair : {"Temperature/HFixedTemp", "Temperature/LFixedTemp"})
            if (key == QLatin1String(pair) + QLatin1String("Max") || key == QLatin1String(pair) + QLatin1String("Min"))
                return zero(QLatin1String(pair) + QLatin1String("Max")) && zero(QLatin1String(pair) + QLatin1String("Min"));
        return false;
    };
    const auto writtenBack = [](const QString& key) {
        return std::any_of(std::begin(kWrittenBack), std::end(kWrittenBack),
                           [&](const char* k) { return key == QLatin1String(k); });
    };
    for (const auto& [path, before] : {std::make_pair(local, localBefore), std::make_pair(paths, pathsBefore)}) {
        const QMap<QString, QVariant> after = stored(path);
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            FUZZ_REQUIRE(after.value(it.key()) == it.value() || (path == local && (neverSet(it.key()) || writtenBack(it.key()))),
                         it.key());
    }
    QDir(folder).removeRecursively();
    return 0;
}
