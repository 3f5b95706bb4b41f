#include "configmanager.h"

#include "globals.h"

#include <QSettings>

namespace {

struct SettingDefault
{
    const char* key;
    const char* value;
};

// Setting keys whose default is written back by the read that finds them missing.
constexpr SettingDefault kSettingDefaults[] = {
    {"HighTempThreshold", "50.0"},
    {"Frequency", "10"},
    {"WarningSoundName", "01-Chime.wav"},
    {"SoundIntervalSeconds", "5"},
    {"TempUnit", "C"},
    {"3DLevel", "4"},
    {"emiss", "0.98"},
    {"humi", "0.50"},
    {"airtmp", "25.0"},
    {"distan", "0.25"},
    {"refltmp", "25.0"},
    {"fix", "0.0"},
};

} // namespace

ConfigManager* ConfigManager::getInstance()
{
    static ConfigManager* const instance = new ConfigManager;
    return instance;
}

ConfigManager::ConfigManager()
    : localSettingPath(gAppDir + QStringLiteral("/Config/LocalSetting.ini")),
      pathConfigPath(gAppDir + QStringLiteral("/Config/PathConfig.ini"))
{
    gLanguageIndex = read(localSettingPath, QStringLiteral("Language/language")).toInt();
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
    const QString stored = read(localSettingPath, key).toString();
    if (!stored.isEmpty())
        return stored;
    write(localSettingPath, key, fallback);
    return fallback;
}

QString ConfigManager::getUpdateHost()
{
    return readOrFill(QStringLiteral("Url/Host"), QString::fromLatin1(kDefaultUpdateHost));
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

QString ConfigManager::getSettingOrDefault(const QString& key)
{
    for (const SettingDefault& entry : kSettingDefaults) {
        if (key == QLatin1String(entry.key))
            return readOrFill(QStringLiteral("Setting/") + key, QString::fromLatin1(entry.value));
    }
    return getSettingValue(key);
}

QString ConfigManager::getPathOrDefault(const QString& key)
{
    if (key == QLatin1String("ImagePath"))
        return readOrFill(QStringLiteral("Path/ImagePath"), gAppDir + QStringLiteral("/Picture"));
    if (key == QLatin1String("VideoPath"))
        return readOrFill(QStringLiteral("Path/VideoPath"), gAppDir + QStringLiteral("/Video"));
    return getPathValue(key);
}

void ConfigManager::getFixedTempRange(bool highRange, int& max, int& min)
{
    if (highRange)
        getHighFixedTemp(max, min);
    else
        getLowFixedTemp(max, min);
    if (max != 0 || min != 0)
        return;
    max = highRange ? 150 : 90;
    min = 0;
    if (highRange)
        setHighFixedTemp(max, min);
    else
        setLowFixedTemp(max, min);
}
