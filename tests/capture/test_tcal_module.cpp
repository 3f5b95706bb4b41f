#include "capture/tcal_module.h"
#include "core/configmanager.h"
#include "tests/support/appdirenvironment.h"
#include "tests/support/virtualcamera.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <random>

namespace {

const auto* environment = AppDirEnvironment::install();

class TcalModuleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(gAppDir + "/TemTable").removeRecursively();
        QDir().mkpath(gAppDir + "/TemTable");
    }
    static QString cachePath(const char* key) { return ConfigManager::getInstance()->getTmpNameValue(key); }
    static QByteArray fileBytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void writeBytes(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    static constexpr int kCacheHeaderBytes = 84;
};

TEST_F(TcalModuleTest, BindsSixCacheFilesNamedBySerial)
{
    OpenVirtualCamera camera("Vesk_R_M serial=ABC123\n");
    ASSERT_TRUE(camera.ok());
    ASSERT_TRUE(TcalModule::bindTableFiles(camera.command()));
    const QString folder = gAppDir + "/TemTable/";
    EXPECT_EQ(cachePath("HighbtName"), folder + "ABC123High_bt.bin");
    EXPECT_EQ(cachePath("HighktName"), folder + "ABC123High_kt.bin");
    EXPECT_EQ(cachePath("HighnucName"), folder + "ABC123High_nuc_t.bin");
    EXPECT_EQ(cachePath("LowbtName"), folder + "ABC123Low_bt.bin");
    EXPECT_EQ(cachePath("LowktName"), folder + "ABC123low_kt.bin");
    EXPECT_EQ(cachePath("LownucName"), folder + "ABC123low_nuc_t.bin");
}

TEST_F(TcalModuleTest, WithoutASerialNumberNothingIsCachedAndNoOtherCamerasTablesAreUsed)
{
    {
        OpenVirtualCamera first("Lumo serial=FIRST1\n");
        ASSERT_TRUE(TcalModule::bindTableFiles(first.command()));
        TcalModule::load(first.command(), Uvc256, false);
    }
    tcuvc_handle_t* orphanUvc = tcuvc_create_handle();
    tccmd_handle_t* orphan = tccmd_create_handle(orphanUvc, 1); // nothing open behind it
    EXPECT_FALSE(TcalModule::bindTableFiles(orphan));
    EXPECT_TRUE(cachePath("LowktName").isEmpty()) << "FIRST1's tables are not another camera's";
    tccmd_delete_handle(orphan);
    tcuvc_delete_handle(orphanUvc);

    OpenVirtualCamera blank("Lumo serial=\n");
    ASSERT_TRUE(blank.ok());
    EXPECT_FALSE(TcalModule::bindTableFiles(blank.command()));
    EXPECT_TRUE(cachePath("HighnucName").isEmpty());
    const QStringList before = QDir(gAppDir + "/TemTable").entryList(QDir::Files);
    const CalibrationTables tables = TcalModule::load(blank.command(), Uvc256, false);
    EXPECT_TRUE(tables.ktValid() && tables.btValid() && tables.nucValid()) << "read from the flash";
    EXPECT_EQ(QDir(gAppDir + "/TemTable").entryList(QDir::Files), before) << "and not cached";
}

TEST_F(TcalModuleTest, SerialNumbersBecomeSafeFileNames)
{
    OpenVirtualCamera camera("Vesk_R_M serial=../../evil.x\n");
    ASSERT_TRUE(camera.ok());
    ASSERT_TRUE(TcalModule::bindTableFiles(camera.command()));
    EXPECT_EQ(cachePath("LowktName"), gAppDir + "/TemTable/%2E%2E%2F%2E%2E%2Fevil%2Ex" + "low_kt.bin");
    TcalModule::load(camera.command(), Uvc256, true);
    EXPECT_TRUE(QFile::exists(cachePath("LowktName")));
    EXPECT_FALSE(QFile::exists(gAppDir + "/TemTable/../../evil.xlow_kt.bin")) << "nothing outside its folder";
    EXPECT_EQ(TcalModule::cacheFileName("A-b_9", "HighbtName"), "A-b_9High_bt.bin") << "safe serials unchanged";
}

TEST_F(TcalModuleTest, FlashTablesAreSwappedCachedAndReused)
{
    OpenVirtualCamera camera("Vesk_R_M serial=CACHE1\n");
    ASSERT_TRUE(TcalModule::bindTableFiles(camera.command()));
    CalibrationTables tables = TcalModule::load(camera.command(), Uvc256, false);
    ASSERT_TRUE(tables.ktValid() && tables.btValid() && tables.nucValid() && tables.headerValid);

    // The flash holds big-endian words: 0x12 0x34 is the value 0x1234.
    uint8_t flash[2];
    ASSERT_EQ(spi_read(camera.command(), 0xDA000 + 2 * 100, 2, flash), 0);
    EXPECT_EQ(tables.nuc[100], uint16_t(flash[0] << 8 | flash[1]));
    ASSERT_EQ(spi_read(camera.command(), 0xDE000, 2, flash), 0);
    EXPECT_EQ(tables.header[0], uint16_t(flash[0] << 8 | flash[1]));

    // The cache holds its header and then the little-endian table.
    const QByteArray cached = fileBytes(cachePath("HighnucName"));
    ASSERT_EQ(cached.size(), kCacheHeaderBytes + 16384);
    EXPECT_EQ(cached.left(4), "OVCT");
    EXPECT_EQ(uint8_t(cached[kCacheHeaderBytes + 200]), tables.nuc[100] & 0xFF);
    EXPECT_EQ(uint8_t(cached[kCacheHeaderBytes + 201]), tables.nuc[100] >> 8);
    EXPECT_EQ(fileBytes(cachePath("HighktName")).size(), kCacheHeaderBytes + 2402);
    EXPECT_FALSE(QFile::exists(cachePath("LowktName"))) << "only the set in use";

    // A sound cache of this camera wins over the flash, even when the flash changed.
    std::vector<uint16_t> edited = tables.nuc;
    for (uint16_t& word : edited)
        ++word;
    ASSERT_TRUE(TableCache::write(cachePath("HighnucName"), {"CACHE1", TableCache::Table::Nuc, false}, edited));
    CalibrationTables again;
    ASSERT_TRUE(TcalModule::loadNuc(camera.command(), Uvc256, TableSet::High, again));
    EXPECT_EQ(again.nuc, edited);
}

// Caches of the right size whose content is not a sound table of this camera: every one is
// read from the flash again and rewritten, so the temperatures come from the real tables.
TEST_F(TcalModuleTest, CachesThatAreNotSoundTablesOfThisCameraAreReplaced)
{
    OpenVirtualCamera camera("Vesk_R_M serial=SOUND1\n");
    ASSERT_TRUE(TcalModule::bindTableFiles(camera.command()));
    const CalibrationTables reference = TcalModule::load(camera.command(), Uvc256, false);
    ASSERT_TRUE(reference.ktValid() && reference.nucValid());
    std::mt19937 random(7);
    auto randomBytes = [&](int n) {
        QByteArray bytes(n, 0);
        for (char& b : bytes)
            b = char(random());
        return bytes;
    };
    const QByteArray soundKt = fileBytes(cachePath("HighktName"));
    const QByteArray soundNuc = fileBytes(cachePath("HighnucName"));
    QByteArray otherCamera = soundNuc;
    otherCamera.replace(12, 6, "OTHER1");
    const std::vector<QPair<QByteArray, QByteArray>> damages = {
        {randomBytes(soundKt.size()), randomBytes(soundNuc.size())},     // random bytes
        {QByteArray(soundKt.size(), 0), QByteArray(soundNuc.size(), 0)}, // zeros
        {randomBytes(2402), randomBytes(16384)},                         // the old format's size
        {soundKt, otherCamera},                                          // another camera's table
    };
    for (const auto& [kt, nuc] : damages) {
        writeBytes(cachePath("HighktName"), kt);
        writeBytes(cachePath("HighnucName"), nuc);
        const CalibrationTables repaired = TcalModule::load(camera.command(), Uvc256, false);
        EXPECT_EQ(repaired.kt, reference.kt);
        EXPECT_EQ(repaired.nuc, reference.nuc);
        EXPECT_EQ(fileBytes(cachePath("HighktName")), soundKt) << "rewritten";
        EXPECT_EQ(fileBytes(cachePath("HighnucName")), soundNuc);
    }
    // Zeros behind a correct header and checksum: well-formed, but no table of a camera.
    const std::vector<uint16_t> flat(8192, 0);
    ASSERT_TRUE(TableCache::write(cachePath("HighnucName"), {"SOUND1", TableCache::Table::Nuc, false}, flat));
    EXPECT_EQ(TcalModule::load(camera.command(), Uvc256, false).nuc, reference.nuc);
}

TEST_F(TcalModuleTest, ATruncatedOrForeignCacheFileIsReadFromFlashAndRepaired)
{
    OpenVirtualCamera camera("Vesk_R_M serial=REPAIR\n");
    ASSERT_TRUE(TcalModule::bindTableFiles(camera.command()));
    const CalibrationTables reference = TcalModule::load(camera.command(), Uvc256, true);
    for (const QByteArray& damage : {QByteArray(100, 'x'), QByteArray(), QByteArray(20000, 'y')}) {
        for (const char* key : {"LowktName", "LownucName"}) {
            QFile file(cachePath(key));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(damage);
        }
        const CalibrationTables repaired = TcalModule::load(camera.command(), Uvc256, true);
        EXPECT_EQ(repaired.kt, reference.kt);
        EXPECT_EQ(repaired.nuc, reference.nuc);
        EXPECT_EQ(fileBytes(cachePath("LowktName")).size(), kCacheHeaderBytes + 2402);
        EXPECT_EQ(fileBytes(cachePath("LownucName")).size(), kCacheHeaderBytes + 16384);
    }
    EXPECT_TRUE(QDir(gAppDir + "/TemTable").entryList({"*.tmp", "*~"}, QDir::Files).isEmpty())
        << "no temporary files left behind";
}

TEST_F(TcalModuleTest, The384CameraReadsItsOwnAddresses)
{
    EXPECT_EQ(TcalModule::flashAddresses(Uvc384, TableSet::High).nuc, 0x140000u);
    EXPECT_EQ(TcalModule::flashAddresses(Uvc256, TableSet::High).nuc, 0xDA000u);
    EXPECT_EQ(TcalModule::flashAddresses(DualLight, TableSet::Low).kt, 0xD1000u);
    OpenVirtualCamera camera("VeskL serial=BIG384\n");
    ASSERT_TRUE(TcalModule::bindTableFiles(camera.command()));
    const CalibrationTables tables = TcalModule::load(camera.command(), Uvc384, false);
    ASSERT_TRUE(tables.nucValid());
    EXPECT_LT(tables.nuc[1000], tables.nuc[7000]) << "the 384 sensor's table rises";
    EXPECT_EQ(tables.kt[0], (40 << 8) | 30) << "a grid header, not erased flash";
}

TEST_F(TcalModuleTest, FailedFlashReadsAreNotCached)
{
    OpenVirtualCamera camera("Vesk_R_M serial=NOFLASH\n");
    ASSERT_TRUE(TcalModule::bindTableFiles(camera.command()));
    tcuvc_handle_t* uvc = tcuvc_create_handle();
    tccmd_handle_t* dead = tccmd_create_handle(uvc, 1); // every flash read fails
    CalibrationTables tables;
    EXPECT_FALSE(TcalModule::loadKtBt(dead, Uvc256, TableSet::High, tables));
    EXPECT_FALSE(TcalModule::loadNuc(dead, Uvc256, TableSet::High, tables));
    EXPECT_FALSE(tables.ktValid() || tables.btValid() || tables.nucValid() || tables.headerValid);
    EXPECT_FALSE(QFile::exists(cachePath("HighktName")));
    EXPECT_FALSE(QFile::exists(cachePath("HighnucName")));
    tccmd_delete_handle(dead);
    tcuvc_delete_handle(uvc);
    // The next opening reads the flash again.
    EXPECT_TRUE(TcalModule::load(camera.command(), Uvc256, false).nucValid());
    EXPECT_TRUE(QFile::exists(cachePath("HighnucName")));
}

} // namespace
