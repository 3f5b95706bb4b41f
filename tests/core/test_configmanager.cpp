#include "core/configmanager.h"
#include "core/globals.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace {

class ConfigManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        gAppDir = dir.path();
        gProductName = QStringLiteral("Orvik");
    }

    QString localPath() const { return dir.path() + "/Config/LocalSetting.ini"; }
    QVariant stored(const QString& key) const { return QSettings(localPath(), QSettings::IniFormat).value(key); }
    void store(const QString& key, const QVariant& value)
    {
        QSettings(localPath(), QSettings::IniFormat).setValue(key, value);
    }
    void writeRaw(const QByteArray& text)
    {
        QDir().mkpath(dir.path() + "/Config");
        QFile file(localPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QTemporaryDir dir;
};

TEST_F(ConfigManagerTest, FreshInstallationIsFilledByTheStartupReads)
{
    ASSERT_FALSE(QDir(dir.path() + "/Config").exists());
    ConfigManager config;
    EXPECT_EQ(gLanguageIndex, 0);

    EXPECT_EQ(config.getUpdateHost(), "127.0.0.1");
    EXPECT_EQ(config.getUpdatePort(), "9000");
    config.setVersion(ConfigManager::getVersion());
    const char* const keys[] = {"HighTempThreshold", "Frequency", "WarningSoundName", "SoundIntervalSeconds",
                                "TempUnit", "3DLevel", "emiss", "humi", "airtmp", "distan", "refltmp", "fix"};
    for (const char* key : keys)
        config.getSettingOrDefault(key);
    EXPECT_EQ(config.getPathOrDefault("ImagePath"), dir.path() + "/Picture");
    EXPECT_EQ(config.getPathOrDefault("VideoPath"), dir.path() + "/Video");

    const QList<QPair<QString, QString>> expected = {
        {"Url/Host", "127.0.0.1"},
        {"Url/Port", "9000"},
        {"Version/version", "V1.0.8"},
        {"Setting/HighTempThreshold", "50.0"},
        {"Setting/Frequency", "10"},
        {"Setting/WarningSoundName", "01-Chime.wav"},
        {"Setting/SoundIntervalSeconds", "5"},
        {"Setting/TempUnit", "C"},
        {"Setting/3DLevel", "4"},
        {"Setting/emiss", "1.0"},
        {"Setting/humi", "0.50"},
        {"Setting/airtmp", "25.0"},
        {"Setting/distan", "0.25"},
        {"Setting/refltmp", "25.0"},
        {"Setting/fix", "0.0"},
        {"Path/ImagePath", dir.path() + "/Picture"},
        {"Path/VideoPath", dir.path() + "/Video"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(stored(key).toString(), value) << key.toStdString();
}

TEST_F(ConfigManagerTest, StoredValuesWinOverDefaults)
{
    store("Setting/TempUnit", "F");
    store("Path/ImagePath", "/data/shots");
    store("Setting/RotateAngle", "90");
    ConfigManager config;
    EXPECT_EQ(config.getSettingOrDefault("TempUnit"), "F");
    EXPECT_EQ(config.getPathOrDefault("ImagePath"), "/data/shots");
    // A key without a default reads as stored and is never filled.
    EXPECT_EQ(config.getSettingOrDefault("RotateAngle"), "90");
    EXPECT_EQ(config.getSettingOrDefault("NoSuchKey"), "");
    EXPECT_FALSE(stored("Setting/NoSuchKey").isValid());
}

TEST_F(ConfigManagerTest, UpdatePortIsRepairedUnlessItIsAValidPort)
{
    ConfigManager config;
    for (const char* bad : {"0", "65536", "abc", "", "-5", "80x"}) {
        store("Url/Port", bad);
        EXPECT_EQ(config.getUpdatePort(), "9000") << bad;
        EXPECT_EQ(stored("Url/Port").toString(), "9000") << bad;
    }
    for (const char* good : {"65535", "1", "8080"}) {
        store("Url/Port", good);
        EXPECT_EQ(config.getUpdatePort(), good);
        EXPECT_EQ(stored("Url/Port").toString(), good);
    }
    QSettings(localPath(), QSettings::IniFormat).remove("Url/Port");
    EXPECT_EQ(config.getUpdatePort(), "9000");
    EXPECT_EQ(stored("Url/Port").toString(), "9000");
}

// An empty host is someone's value too: the default is used, the file keeps what it holds.
TEST_F(ConfigManagerTest, EmptyUpdateHostGivesTheDefaultAndAGivenOneIsKept)
{
    store("Url/Host", "");
    ConfigManager config;
    EXPECT_EQ(config.getUpdateHost(), "127.0.0.1");
    EXPECT_EQ(stored("Url/Host").toString(), "");
    store("Url/Host", "198.51.100.7");
    EXPECT_EQ(config.getUpdateHost(), "198.51.100.7");
    EXPECT_EQ(stored("Url/Host").toString(), "198.51.100.7");
}

TEST_F(ConfigManagerTest, FixedRangeOfTwoZerosGetsTheRangeDefault)
{
    ConfigManager config;
    int max = -1, min = -1;
    config.getFixedTempRange(false, max, min);
    EXPECT_EQ(max, 90);
    EXPECT_EQ(min, 0);
    EXPECT_EQ(stored("Temperature/LFixedTempMax").toInt(), 90);
    EXPECT_EQ(stored("Temperature/LFixedTempMin").toInt(), 0);

    config.setHighFixedTemp(0, 0);
    config.getFixedTempRange(true, max, min);
    EXPECT_EQ(max, 150);
    EXPECT_EQ(min, 0);
    EXPECT_EQ(stored("Temperature/HFixedTempMax").toInt(), 150);

    // Only the pair of two zeros means "never set".
    config.setLowFixedTemp(60, 0);
    config.getFixedTempRange(false, max, min);
    EXPECT_EQ(max, 60);
    EXPECT_EQ(min, 0);
    config.setLowFixedTemp(0, -20);
    config.getFixedTempRange(false, max, min);
    EXPECT_EQ(max, 0);
    EXPECT_EQ(min, -20);

    // Text that reads as 0 is no zero: the default is used and the stored text kept.
    store("Temperature/HFixedTempMax", "abc");
    store("Temperature/HFixedTempMin", "0");
    config.getFixedTempRange(true, max, min);
    EXPECT_EQ(max, 150);
    EXPECT_EQ(stored("Temperature/HFixedTempMax").toString(), "abc");
}

TEST_F(ConfigManagerTest, VersionFollowsTheProductNameCaseSensitively)
{
    const QList<QPair<QString, QString>> cases = {{"Orvik", "V1.0.8"},     {"orvik", "V1.3.1"},
                                                  {"ORVIK", "V1.3.1"},     {"Quell_IR", "V1.0.1"},
                                                  {"Harrow_IR", "V1.0.1"}, {"harrow_ir", "V1.3.1"},
                                                  {"", "V1.3.1"}};
    for (const auto& [product, version] : cases) {
        gProductName = product;
        EXPECT_EQ(ConfigManager::getVersion(), version) << product.toStdString();
    }
}

TEST_F(ConfigManagerTest, FileIsPlainQtIniBothWays)
{
    ConfigManager config;
    config.setScreenSize(1920, 1080);
    config.setSoftwareLocation(-8, 40);
    config.setEquipmentValue("SaveWinPos", true);
    config.setPathValue("VideoPath", QString::fromUtf8("/home/技术员/视频"));
    config.setTmpNameValue("LowktName", "SN123_L_kt.bin");
    config.setLanguage("1");

    EXPECT_EQ(stored("ScreenSize/Width").toString(), "1920");
    EXPECT_EQ(stored("SoftwareLocation/Left").toInt(), -8);
    EXPECT_EQ(stored("EquitMent/SaveWinPos").toBool(), true);
    EXPECT_EQ(stored("Path/VideoPath").toString(), QString::fromUtf8("/home/技术员/视频"));
    EXPECT_EQ(QSettings(dir.path() + "/Config/PathConfig.ini", QSettings::IniFormat)
                  .value("TmpName/LowktName")
                  .toString(),
              "SN123_L_kt.bin");
    EXPECT_FALSE(stored("TmpName/LowktName").isValid()) << "table names belong in PathConfig.ini";

    store("SoftwareSize/Width", 1270);
    store("SoftwareSize/Height", "685");
    store("EquitMent/MouseTemp", true);
    store("DCamera/FusionModel", "3");
    int width = 0, height = 0;
    config.getSoftwareSize(width, height);
    EXPECT_EQ(width, 1270);
    EXPECT_EQ(height, 685);
    EXPECT_TRUE(config.getEquipmentValue("MouseTemp"));
    EXPECT_EQ(config.getDCameraValue("FusionModel"), "3");
    EXPECT_EQ(ConfigManager().getEquipmentValue("SaveWinPos"), true);
    ConfigManager reopened;
    EXPECT_EQ(gLanguageIndex, 1);

    // The group is spelled "EquitMent" on file.
    QFile file(localPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("[EquitMent]"));
}

TEST_F(ConfigManagerTest, GarbageReadsAsZeroOrMissing)
{
    writeRaw("[Temperature]\nHFixedTempMax=hot\nHFixedTempMin=\x01\x02\n"
             "[Language]\nlanguage=klingon\n[ScreenSize]\nWidth=12abc\n[Url]\nPort=99999999999999\n"
             "\xff\xfe garbage line without equals\n");
    ConfigManager config;
    EXPECT_EQ(gLanguageIndex, 0);
    int max = -1, min = -1;
    config.getHighFixedTemp(max, min);
    EXPECT_EQ(max, 0);
    EXPECT_EQ(min, 0);
    config.getFixedTempRange(true, max, min);
    EXPECT_EQ(max, 150);
    int width = -1, height = -1;
    config.getScreenSize(width, height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(config.getUpdatePort(), "9000");
}

// Each value is read through what it may be; what it cannot be gives the default for the
// reader and stays in the file as it was (nobody chose the default).
TEST_F(ConfigManagerTest, ValuesOutsideTheirDomainGiveTheDefaultAndAreNotOverwritten)
{
    writeRaw("[Language]\nlanguage=99\n"
             "[Setting]\nRotateAngle=45\nTempUnit=ZZZ\nHighTempThreshold=abc\nFrequency=0\nemiss=7\n"
             "WarningSoundName=../../etc/passwd\nSoundIntervalSeconds=5\n"
             "[Temperature]\nHFixedTempMax=-2147483648\nHFixedTempMin=2147483647\nLFixedTempMax=20\nLFixedTempMin=60\n");
    ConfigManager config;
    EXPECT_EQ(gLanguageIndex, 0);
    const QStringList notes = config.takeStartNotes();
    EXPECT_TRUE(notes.join('\n').contains("Language/language")) << "for the log, once it is open";
    EXPECT_TRUE(notes.join('\n').contains(config.storage().config)) << "and where the settings are";
    EXPECT_EQ(config.takeStartNotes().size(), 1) << "handed out once";
    EXPECT_EQ(config.getRotation(), 0);
    EXPECT_EQ(config.getSettingOrDefault("TempUnit"), "C");
    EXPECT_EQ(config.getSettingOrDefault("HighTempThreshold"), "50.0");
    EXPECT_EQ(config.getSettingOrDefault("Frequency"), "10");
    EXPECT_EQ(config.getSettingOrDefault("emiss"), "1.0");
    EXPECT_EQ(config.getSettingOrDefault("WarningSoundName"), "01-Chime.wav");
    EXPECT_EQ(config.getSettingOrDefault("SoundIntervalSeconds"), "5") << "a valid value is read as it is";
    int max = 0, min = 0;
    config.getFixedTempRange(true, max, min);
    EXPECT_EQ(max, 150);
    EXPECT_EQ(min, 0);
    config.getFixedTempRange(false, max, min);
    EXPECT_EQ(max, 90) << "swapped bounds";
    EXPECT_EQ(min, 0);

    EXPECT_EQ(stored("Language/language").toString(), "99");
    EXPECT_EQ(stored("Setting/RotateAngle").toString(), "45");
    EXPECT_EQ(stored("Setting/TempUnit").toString(), "ZZZ");
    EXPECT_EQ(stored("Setting/HighTempThreshold").toString(), "abc");
    EXPECT_EQ(stored("Temperature/LFixedTempMax").toInt(), 20);

    for (const char* rotation : {"0", "90", "180", "270"}) {
        store("Setting/RotateAngle", rotation);
        EXPECT_EQ(config.getRotation(), QString(rotation).toInt());
    }
    for (const char* rotation : {"2147483647", "-90", "360", "90.5"}) {
        store("Setting/RotateAngle", rotation);
        EXPECT_EQ(config.getRotation(), 0) << rotation;
    }
    store("Setting/TempUnit", "F");
    EXPECT_EQ(config.getSettingOrDefault("TempUnit"), "F");
    store("Setting/HighTempThreshold", "72.5");
    EXPECT_EQ(config.getSettingOrDefault("HighTempThreshold"), "72.5");
    store("Setting/3DLevel", "4.0"); // a whole number to the eye, none to its reader
    EXPECT_EQ(config.getSettingOrDefault("3DLevel"), "4");

    // Values that read empty as text are present all the same: the default in memory, the
    // file as it was.
    writeRaw("[Setting]\nTempUnit=C, F\nFrequency=@Invalid()\n");
    ConfigManager listed;
    EXPECT_EQ(listed.getSettingOrDefault("TempUnit"), "C");
    EXPECT_EQ(listed.getSettingOrDefault("Frequency"), "10");
    EXPECT_EQ(stored("Setting/TempUnit").toStringList(), QStringList({"C", "F"}));
    EXPECT_FALSE(stored("Setting/Frequency").isValid());
    for (const QString& name : {QString("a") + QChar(0) + "b.wav", QString("."), QString()}) {
        store("Setting/WarningSoundName", name);
        EXPECT_EQ(listed.getSettingOrDefault("WarningSoundName"), "01-Chime.wav") << name.size();
    }
}

TEST_F(ConfigManagerTest, SettingsLiveWhereTheStorageSays)
{
    StorageFolders elsewhere = StorageFolders::resolve(dir.path());
    elsewhere.config = dir.path() + "/user/config";
    elsewhere.pictures = dir.path() + "/user/Pictures";
    ConfigManager config(elsewhere);
    config.setEquipmentValue("MouseTemp", true);
    EXPECT_TRUE(QFile::exists(dir.path() + "/user/config/LocalSetting.ini"));
    EXPECT_FALSE(QFile::exists(localPath()));
    EXPECT_EQ(config.getPathOrDefault("ImagePath"), dir.path() + "/user/Pictures");
    config.setTmpNameValue("LowktName", "x");
    EXPECT_TRUE(QFile::exists(dir.path() + "/user/config/PathConfig.ini"));
}

TEST_F(ConfigManagerTest, UnreadableFileBehavesAsEmptyAndNeverFails)
{
    // A folder where the file should be: nothing can be read or written.
    ASSERT_TRUE(QDir().mkpath(localPath()));
    ConfigManager config;
    EXPECT_EQ(config.getUpdatePort(), "9000");
    EXPECT_EQ(config.getUpdateHost(), "127.0.0.1");
    EXPECT_EQ(config.getSettingOrDefault("TempUnit"), "C");
    EXPECT_FALSE(config.getEquipmentValue("MouseTemp"));
    config.setEquipmentValue("MouseTemp", true); // lost, not reported
    EXPECT_FALSE(config.getEquipmentValue("MouseTemp"));
}

TEST_F(ConfigManagerTest, TwoThreadsWritingDifferentKeysLoseNothing)
{
    ConfigManager config;
    constexpr int kWrites = 60;
    auto writer = [&config](const QString& group) {
        for (int i = 0; i < kWrites; ++i) {
            if (group == "Setting")
                config.setSettingValue(QStringLiteral("s%1").arg(i), QString::number(i));
            else
                config.setPathValue(QStringLiteral("p%1").arg(i), QString::number(i));
        }
    };
    std::thread a(writer, QStringLiteral("Setting"));
    std::thread b(writer, QStringLiteral("Path"));
    a.join();
    b.join();
    for (int i = 0; i < kWrites; ++i) {
        EXPECT_EQ(config.getSettingValue(QStringLiteral("s%1").arg(i)), QString::number(i));
        EXPECT_EQ(config.getPathValue(QStringLiteral("p%1").arg(i)), QString::number(i));
    }
}

} // namespace
