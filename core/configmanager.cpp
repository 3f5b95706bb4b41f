#include "core/configmanager.h"

#include "core/globals.h"
#include "core/log.h"

#include <QSettings>

#include <cmath>

namespace {

// What a stored setting may hold: numbers within [low, high] (whole numbers when integral),
// or one of a few words, or any plain file name.
struct Domain
{
    enum Kind
    {
        Number,
        Integer,
        Words,
        FileName
    } kind;
    double low = 0.0, high = 0.0;
    const char* words = nullptr; // space-separated

    bool accepts(const QString& value) const
    {
        bool isNumber = false;
        switch (kind) {
        case Number: {
            const double number = value.trimmed().toDouble(&isNumber);
            return isNumber && std::isfinite(number) && number >= low && number <= high;
        }
        case Integer: {
            // As its readers read it: "4.0" is no whole number to toInt().
            const qlonglong number = value.toLongLong(&isNumber);
            return isNumber && number >= low && number <= high;
        }
        case Words:
            return QString::fromLatin1(words).split(QLatin1Char(' ')).contains(value);
        case FileName:
            return !value.isEmpty() && !value.contains(QLatin1Char('/')) && !value.contains(QLatin1Char('\\')) &&
                   !value.contains(QChar(0)) && value != QLatin1String("..") && value != QLatin1String(".");
        }
        return false;
    }
};

struct SettingDefault
{
    const char* key;
    const char* value;
    Domain domain;
};

// Setting keys whose default is written back by the read that finds them missing, with the
// values they may take.
const SettingDefault kSettingDefaults[] = {
    {"HighTempThreshold", "50.0", {Domain::Number, -50.0, 2000.0}},
    {"Frequency", "10", {Domain::Integer, 1.0, 86400.0}},
    {"WarningSoundName", "01-Chime.wav", {Domain::FileName}},
    {"SoundIntervalSeconds", "5", {Domain::Integer, 0.0, 99.0}}, // the dialog's field
    {"TempUnit", "C", {Domain::Words, 0.0, 0.0, "C F"}},
    {"3DLevel", "4", {Domain::Integer, 1.0, 100.0}},
    {"SnapshotTemperatures", "1", {Domain::Words, 0.0, 0.0, "0 1"}}, // a .csv of temperatures beside each snapshot
    {"Palette", "1", {Domain::Integer, 1.0, 3.0}},   // the palette button last chosen
    {"ImageMode", "0", {Domain::Integer, 0.0, 2.0}}, // universal, enhance, high contrast
    {"emiss", "1.0", {Domain::Number, 0.01, 1.0}},
    {"humi", "0.50", {Domain::Number, 0.0, 1.0}},
    {"airtmp", "25.0", {Domain::Number, -50.0, 100.0}},
    {"distan", "0.25", {Domain::Number, 0.01, 1000.0}},
    {"refltmp", "25.0", {Domain::Number, -50.0, 600.0}},
    {"fix", "0.0", {Domain::Number, -100.0, 100.0}},
    {"GoldenThreshold", "3.0", {Domain::Number, 0.5, 50.0}}, // K: golden-board differences flagged beyond it
};

// The fixed display ranges must lie within what the camera measures in that range.
constexpr int kLowRangeSpan[] = {-20, 150};
constexpr int kHighRangeSpan[] = {-20, 550};

} // namespace

ConfigManager* ConfigManager::getInstance()
{
    static ConfigManager* const instance = new ConfigManager;
    return instance;
}

ConfigManager::ConfigManager(const StorageFolders& storage)
    : folders(storage), localSettingPath(folders.config + QStringLiteral("/LocalSetting.ini")),
      pathConfigPath(folders.config + QStringLiteral("/PathConfig.ini"))
{
    const QString language = read(localSettingPath, QStringLiteral("Language/language")).toString();
    bool isNumber = false;
    const int index = language.toInt(&isNumber);
    const bool valid = isNumber && index >= 0 && index <= 2;
    gLanguageIndex = valid ? index : 0;
    // Read before the log is open: kept for start-up to log.
    if (!language.isEmpty() && !valid)
        startNotes.append(fallbackNote(QStringLiteral("Language/language"), language, QStringLiteral("0")));
}

QString ConfigManager::fallbackNote(const QString& key, const QString& stored, const QString& used)
{
    return QStringLiteral("setting %1 holds \"%2\", which it cannot be: using %3")
        .arg(key, stored.left(64), used);
}

QStringList ConfigManager::takeStartNotes()
{
    QStringList notes = startNotes;
    notes.prepend(folders.describe());
    startNotes.clear();
    return notes;
}

ConfigManager::ConfigManager() : ConfigManager(StorageFolders::resolve(gAppDir)) {}

void ConfigManager::reportFallback(const QString& key, const QString& stored, const QString& used)
{
    {
        std::lock_guard<std::mutex> lock(reportedMutex);
        if (reported.contains(key))
            return;
        reported.insert(key);
    }
    LOG_INFO(LOG_FLOW) << fallbackNote(key, stored, used);
}

QVariant ConfigManager::read(const QString& file, const QString& key) const
{
    QSettings settings(file, QSettings::IniFormat);
    return settings.value(key);
}

void ConfigManager::write(const QString& file, const QString& key, const QVariant& value)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(key, value);
}

void ConfigManager::readIntPair(const QString& firstKey, const QString& secondKey, int& first,
                                int& second) const
{
    QSettings settings(localSettingPath, QSettings::IniFormat);
    first = settings.value(firstKey).toInt();
    second = settings.value(secondKey).toInt();
}

bool ConfigManager::storedAsNumbersOrMissing(const QString& firstKey, const QString& secondKey) const
{
    QSettings settings(localSettingPath, QSettings::IniFormat);
    for (const QString& key : {firstKey, secondKey}) {
        bool isNumber = false;
        if (settings.contains(key) && (settings.value(key).toInt(&isNumber), !isNumber))
            return false;
    }
    return true;
}

void ConfigManager::writePair(const QString& firstKey, const QVariant& first, const QString& secondKey,
                              const QVariant& second)
{
    QSettings settings(localSettingPath, QSettings::IniFormat);
    settings.setValue(firstKey, first);
    settings.setValue(secondKey, second);
}

QString ConfigManager::getDCameraValue(const QString& key) const
{
    return read(localSettingPath, QStringLiteral("DCamera/") + key).toString();
}

void ConfigManager::setDCameraValue(const QString& key, const QString& value)
{
    write(localSettingPath, QStringLiteral("DCamera/") + key, value);
}

bool ConfigManager::getEquipmentValue(const QString& key) const
{
    return read(localSettingPath, QStringLiteral("EquitMent/") + key).toBool();
}

void ConfigManager::setEquipmentValue(const QString& key, bool value)
{
    write(localSettingPath, QStringLiteral("EquitMent/") + key, value);
}

QString ConfigManager::getPathValue(const QString& key) const
{
    return read(localSettingPath, QStringLiteral("Path/") + key).toString();
}

void ConfigManager::setPathValue(const QString& key, const QString& value)
{
    write(localSettingPath, QStringLiteral("Path/") + key, value);
}

QString ConfigManager::getSettingValue(const QString& key) const
{
    return read(localSettingPath, QStringLiteral("Setting/") + key).toString();
}

void ConfigManager::setSettingValue(const QString& key, const QString& value)
{
    write(localSettingPath, QStringLiteral("Setting/") + key, value);
}

QString ConfigManager::getTmpNameValue(const QString& key) const
{
    return read(pathConfigPath, QStringLiteral("TmpName/") + key).toString();
}

void ConfigManager::setTmpNameValue(const QString& key, const QString& value)
{
    write(pathConfigPath, QStringLiteral("TmpName/") + key, value);
}

void ConfigManager::getHighFixedTemp(int& max, int& min) const
{
    readIntPair(QStringLiteral("Temperature/HFixedTempMax"), QStringLiteral("Temperature/HFixedTempMin"), max,
                min);
}

void ConfigManager::setHighFixedTemp(int max, int min)
{
    writePair(QStringLiteral("Temperature/HFixedTempMax"), max, QStringLiteral("Temperature/HFixedTempMin"), min);
}

void ConfigManager::getLowFixedTemp(int& max, int& min) const
{
    readIntPair(QStringLiteral("Temperature/LFixedTempMax"), QStringLiteral("Temperature/LFixedTempMin"), max,
                min);
}

void ConfigManager::setLowFixedTemp(int max, int min)
{
    writePair(QStringLiteral("Temperature/LFixedTempMax"), max, QStringLiteral("Temperature/LFixedTempMin"), min);
}

void ConfigManager::getScreenSize(int& width, int& height) const
{
    readIntPair(QStringLiteral("ScreenSize/Width"), QStringLiteral("ScreenSize/Height"), width, height);
}

void ConfigManager::setScreenSize(int width, int height)
{
    writePair(QStringLiteral("ScreenSize/Width"), QString::number(width), QStringLiteral("ScreenSize/Height"),
              QString::number(height));
}

void ConfigManager::getSoftwareSize(int& width, int& height) const
{
    readIntPair(QStringLiteral("SoftwareSize/Width"), QStringLiteral("SoftwareSize/Height"), width, height);
}

void ConfigManager::setSoftwareSize(int width, int height)
{
    writePair(QStringLiteral("SoftwareSize/Width"), QString::number(width),
              QStringLiteral("SoftwareSize/Height"), QString::number(height));
}

void ConfigManager::getSoftwareLocation(int& left, int& top) const
{
    readIntPair(QStringLiteral("SoftwareLocation/Left"), QStringLiteral("SoftwareLocation/Top"), left, top);
}

void ConfigManager::setSoftwareLocation(int left, int top)
{
    writePair(QStringLiteral("SoftwareLocation/Left"), left, QStringLiteral("SoftwareLocation/Top"), top);
}

void ConfigManager::setLanguage(const QString& index)
{
    write(localSettingPath, QStringLiteral("Language/language"), index);
}

void ConfigManager::setVersion(const QString& version)
{
    write(localSettingPath, QStringLiteral("Version/version"), version);
}

QString ConfigManager::readOrFill(const QString& key, const QString& fallback)
{
    // Missing is what the file does not hold: a value that reads empty as text (a list such as
    // "C, F", "@Invalid()", an empty one) is someone's, kept in the file for its reader to judge.
    QSettings settings(localSettingPath, QSettings::IniFormat);
    if (!settings.contains(key)) {
        settings.setValue(key, fallback);
        return fallback;
    }
    const QVariant stored = settings.value(key);
    return stored.type() == QVariant::StringList ? stored.toStringList().join(QStringLiteral(", ")) : stored.toString();
}

QString ConfigManager::readOrFillText(const QString& key, const QString& fallback)
{
    const QString stored = readOrFill(key, fallback);
    if (!stored.isEmpty())
        return stored;
    reportFallback(key, stored, fallback);
    return fallback;
}

QString ConfigManager::getUpdateHost()
{
    return readOrFillText(QStringLiteral("Url/Host"), QString::fromLatin1(kDefaultUpdateHost));
}

QString ConfigManager::getUpdatePort()
{
    const QString key = QStringLiteral("Url/Port");
    bool isNumber = false;
    const int port = read(localSettingPath, key).toString().toInt(&isNumber, 10);
    if (isNumber && port >= 1 && port <= 65535)
        return QString::number(port); // " 80" or "+80" would break the request URL as stored
    const QString fallback = QString::fromLatin1(kDefaultUpdatePort);
    write(localSettingPath, key, fallback);
    return fallback;
}

QString ConfigManager::getVersion()
{
    if (gProductName == QLatin1String("Orvik"))
        return QStringLiteral("V1.0.8");
    if (gProductName == QLatin1String("Quell_IR") || gProductName == QLatin1String("Harrow_IR"))
        return QStringLiteral("V1.0.1");
    return QStringLiteral("V1.3.1");
}

UserSettings ConfigManager::readUserSettings()
{
    UserSettings s;
    s.temperatureUnit = getSettingOrDefault(QStringLiteral("TempUnit"));
    s.snapshotFolder = getPathOrDefault(QStringLiteral("ImagePath"));
    s.videoFolder = getPathOrDefault(QStringLiteral("VideoPath"));
    s.alarmSound = getSettingOrDefault(QStringLiteral("WarningSoundName"));
    s.alarmRepeatSeconds = getSettingOrDefault(QStringLiteral("SoundIntervalSeconds")).toInt();
    s.mouseReadoutOff = getEquipmentValue(QStringLiteral("MouseTemp"));
    setEquipmentValue(QStringLiteral("MouseTemp"), s.mouseReadoutOff);
    s.heatFieldLevel = getSettingOrDefault(QStringLiteral("3DLevel")).toInt();
    s.alarmOn = getEquipmentValue(QStringLiteral("HighTempAlarm"));
    s.alarmThreshold = getSettingOrDefault(QStringLiteral("HighTempThreshold"));
    getSettingOrDefault(QStringLiteral("Frequency")); // filled in for the K7-22's timer
    s.trackHottest = getEquipmentValue(QStringLiteral("MaxTempTrack"));
    s.trackColdest = getEquipmentValue(QStringLiteral("MinTempTrack"));
    // Stored under the name of the range it is not.
    s.highRange = getEquipmentValue(QStringLiteral("LowTemperatureMode"));
    return s;
}

void ConfigManager::writeUserSettings(const UserSettings& s)
{
    setEquipmentValue(QStringLiteral("LowTemperatureMode"), s.highRange);
    setEquipmentValue(QStringLiteral("HighTempAlarm"), s.alarmOn);
    setEquipmentValue(QStringLiteral("MaxTempTrack"), s.trackHottest);
    setEquipmentValue(QStringLiteral("MinTempTrack"), s.trackColdest);
}

QString ConfigManager::getSettingOrDefault(const QString& key)
{
    for (const SettingDefault& entry : kSettingDefaults) {
        if (key != QLatin1String(entry.key))
            continue;
        const QString fallback = QString::fromLatin1(entry.value);
        const QString value = readOrFill(QStringLiteral("Setting/") + key, fallback);
        if (entry.domain.accepts(value))
            return value;
        // Not what anyone chose: used for now, never written over the stored value.
        reportFallback(QStringLiteral("Setting/") + key, value, fallback);
        return fallback;
    }
    return getSettingValue(key);
}

QString ConfigManager::getPathOrDefault(const QString& key)
{
    if (key == QLatin1String("ImagePath"))
        return readOrFillText(QStringLiteral("Path/ImagePath"), folders.pictures);
    if (key == QLatin1String("VideoPath"))
        return readOrFillText(QStringLiteral("Path/VideoPath"), folders.videos);
    return getPathValue(key);
}

int ConfigManager::getRotation()
{
    const QString key = QStringLiteral("Setting/RotateAngle");
    const QString stored = read(localSettingPath, key).toString();
    bool isNumber = false;
    const int degrees = stored.toInt(&isNumber);
    if (stored.isEmpty() || (isNumber && (degrees == 0 || degrees == 90 || degrees == 180 || degrees == 270)))
        return stored.isEmpty() ? 0 : degrees;
    reportFallback(key, stored, QStringLiteral("0"));
    return 0;
}

void ConfigManager::getFixedTempRange(bool highRange, int& max, int& min)
{
    if (highRange)
        getHighFixedTemp(max, min);
    else
        getLowFixedTemp(max, min);
    const int defaultMax = highRange ? 150 : 90;
    if (max == 0 && min == 0 && storedAsNumbersOrMissing(highRange ? QStringLiteral("Temperature/HFixedTempMax")
                                                                   : QStringLiteral("Temperature/LFixedTempMax"),
                                                         highRange ? QStringLiteral("Temperature/HFixedTempMin")
                                                                   : QStringLiteral("Temperature/LFixedTempMin"))) {
        max = defaultMax;
        min = 0;
        if (highRange)
            setHighFixedTemp(max, min);
        else
            setLowFixedTemp(max, min);
        return;
    }
    const int* span = highRange ? kHighRangeSpan : kLowRangeSpan;
    if (min < max && min >= span[0] && max <= span[1])
        return;
    reportFallback(highRange ? QStringLiteral("Temperature/HFixedTempMin..HFixedTempMax")
                             : QStringLiteral("Temperature/LFixedTempMin..LFixedTempMax"),
                   QStringLiteral("%1..%2").arg(min).arg(max), QStringLiteral("0..%1").arg(defaultMax));
    max = defaultMax;
    min = 0;
}
