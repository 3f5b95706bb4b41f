#include "core/storagefolders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace {

// XDG variables pointed at a folder of the test's own, restored afterwards.
class StorageFoldersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : kVariables)
            saved.push_back(qgetenv(name));
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
        qputenv("XDG_STATE_HOME", (home.path() + "/state").toLocal8Bit());
        qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toLocal8Bit());
        qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
    }
    void TearDown() override
    {
        for (size_t i = 0; i < saved.size(); ++i) {
            if (saved[i].isNull())
                qunsetenv(kVariables[i]);
            else
                qputenv(kVariables[i], saved[i]);
        }
    }
    static constexpr const char* kVariables[] = {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME",
                                                 "XDG_DATA_HOME"};
    std::vector<QByteArray> saved;
    QTemporaryDir home, program;
};

TEST_F(StorageFoldersTest, AWritableProgramFolderKeepsEverythingBesideTheProgram)
{
    const StorageFolders folders = StorageFolders::resolve(program.path());
    EXPECT_TRUE(folders.besideProgram);
    EXPECT_EQ(folders.config, program.path() + "/Config");
    EXPECT_EQ(folders.logs, program.path() + "/log");
    EXPECT_EQ(folders.detection, program.path() + "/detecProcess");
    EXPECT_EQ(folders.calibration, program.path() + "/TemTable");
    EXPECT_EQ(folders.linkRecord, program.path() + "/calib_uart_result.bin");
    EXPECT_EQ(folders.pictures, program.path() + "/Picture");
    EXPECT_EQ(folders.videos, program.path() + "/Video");
    EXPECT_EQ(folders.registration, program.path() + "/PCB");
    EXPECT_FALSE(folders.installed);
}

TEST_F(StorageFoldersTest, AnUnwritableProgramFolderSendsEverythingToTheUsersFolders)
{
    const StorageFolders folders =
        StorageFolders::resolve(program.path(), [&](const QString& folder) { return folder != program.path(); });
    EXPECT_FALSE(folders.besideProgram);
    EXPECT_EQ(folders.config, home.path() + "/config/orvik");
    EXPECT_EQ(folders.logs, home.path() + "/state/orvik/log");
    EXPECT_EQ(folders.detection, home.path() + "/state/orvik/detecProcess");
    EXPECT_EQ(folders.calibration, home.path() + "/cache/orvik/TemTable");
    EXPECT_EQ(folders.linkRecord, home.path() + "/cache/orvik/calib_uart_result.bin") << "a copy of what the camera keeps";
    EXPECT_EQ(folders.registration, home.path() + "/data/orvik/PCB");
    EXPECT_TRUE(folders.describe().contains(folders.config));
    EXPECT_TRUE(folders.describe().contains("not writable"));
}

// An installed copy belongs to the package manager: even a superuser's run, who could write
// there, leaves its folder alone.
TEST_F(StorageFoldersTest, AnInstalledCopyKeepsNothingBesideItselfThoughItsFolderCanBeWritten)
{
    QFile marker(program.path() + "/" + StorageFolders::kInstalledMarker);
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    const auto writable = [](const QString&) { return true; };
    const StorageFolders folders = StorageFolders::resolve(program.path(), writable);
    EXPECT_TRUE(folders.installed);
    EXPECT_FALSE(folders.besideProgram);
    EXPECT_EQ(folders.config, home.path() + "/config/orvik");
    EXPECT_EQ(folders.logs, home.path() + "/state/orvik/log");
    EXPECT_EQ(folders.registration, home.path() + "/data/orvik/PCB");
    EXPECT_TRUE(folders.describe().contains("installed copy"));
    EXPECT_TRUE(folders.describe().contains(folders.registration));
    // Without the marker the same folder keeps the data.
    ASSERT_TRUE(marker.remove());
    EXPECT_TRUE(StorageFolders::resolve(program.path(), writable).besideProgram);
}

TEST_F(StorageFoldersTest, AnExistingDataFolderThatCannotBeWrittenCountsToo)
{
    ASSERT_TRUE(QDir().mkpath(program.path() + "/Config"));
    const QString config = program.path() + "/Config";
    EXPECT_FALSE(StorageFolders::resolve(program.path(), [&](const QString& f) { return f != config; }).besideProgram);
    // A missing data folder is created later, beside the writable program folder.
    EXPECT_TRUE(StorageFolders::resolve(program.path(), [&](const QString& f) { return f != program.path() + "/log"; })
                    .besideProgram);
}

TEST_F(StorageFoldersTest, RelativeXdgValuesAreIgnored)
{
    qputenv("XDG_CONFIG_HOME", "relative/config");
    const StorageFolders folders = StorageFolders::resolve(program.path(), [](const QString&) { return false; });
    EXPECT_EQ(folders.config, QDir::homePath() + "/.config/orvik");
}

TEST_F(StorageFoldersTest, WritingIsTriedNotGuessed)
{
    EXPECT_TRUE(StorageFolders::canWrite(program.path()));
    EXPECT_TRUE(QDir(program.path()).entryList(QDir::Files | QDir::Hidden).isEmpty()) << "the probe is removed";
    EXPECT_FALSE(StorageFolders::canWrite(program.path() + "/missing"));
    QFile plain(program.path() + "/file");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    EXPECT_FALSE(StorageFolders::canWrite(plain.fileName())) << "not a folder";
    if (geteuid() != 0) { // the superuser writes through permission bits
        QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_FALSE(StorageFolders::canWrite(program.path()));
        QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

} // namespace
