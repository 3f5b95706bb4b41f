#include "appdirenvironment.h"
#include "archive.h"
#include "startup.h"
#include "zipfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>


#include <gtest/gtest.h>

namespace {

const auto* environment = AppDirEnvironment::install();

class Startup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* folder : {"/Driver", "/updataProcess"})
            QDir(gAppDir + folder).removeRecursively();
        QFile::remove(gAppDir + "/Driver.zip");
    }
};

TEST_F(Startup, ProcessPathHoldsTheApplicationFolderWhenItsFolderExists)
{
    startup::writeProcessPath(); // no folder: nothing, no failure
    EXPECT_FALSE(QFile::exists(gAppDir + "/updataProcess/ProcessPath.ini"));
    QDir().mkpath(gAppDir + "/updataProcess");
    startup::writeProcessPath();
    startup::writeProcessPath();
    QFile file(gAppDir + "/updataProcess/ProcessPath.ini");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), gAppDir) << "replaced, no line end";
}

TEST_F(Startup, DriverArchiveIsUnpackedOnlyWithoutTheFolderAndDeletedOnlyAfterSuccess)
{
    writeZip(gAppDir + "/Driver.zip", {{"Driver/VeskDriver/InstallDriver", "#!/bin/sh\n"}});
    QDir().mkpath(gAppDir + "/Driver");
    startup::prepareDriverPackages();
    EXPECT_TRUE(QFile::exists(gAppDir + "/Driver.zip")) << "folder present: archive untouched";
    EXPECT_FALSE(QFile::exists(gAppDir + "/Driver/VeskDriver/InstallDriver"));

    QDir(gAppDir + "/Driver").removeRecursively();
    startup::prepareDriverPackages();
    EXPECT_TRUE(QFile::exists(gAppDir + "/Driver/VeskDriver/InstallDriver"));
    EXPECT_FALSE(QFile::exists(gAppDir + "/Driver.zip"));
    EXPECT_TRUE(startup::driverPackagesPresent());

    QDir(gAppDir + "/Driver").removeRecursively();
    {
        QFile damaged(gAppDir + "/Driver.zip");
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write("PK\x03\x04 this is not a zip archive");
    }
    startup::prepareDriverPackages();
    EXPECT_TRUE(QFile::exists(gAppDir + "/Driver.zip")) << "a damaged archive is kept";
}

TEST(Archive, EntriesLeavingTheTargetAreRefused)
{
    QTemporaryDir dir;
    const QString zip = dir.path() + "/evil.zip";
    writeZip(zip, {{"good/file.txt", "ok"}, {"../escaped.txt", "no"}, {"/tmp/absolute.txt", "no"},
                   {"good/../../up.txt", "no"}});
    const QString target = dir.path() + "/target";
    EXPECT_FALSE(extractArchive(zip, target));
    EXPECT_TRUE(QFile::exists(target + "/good/file.txt"));
    EXPECT_FALSE(QFile::exists(dir.path() + "/escaped.txt"));
    EXPECT_FALSE(QFile::exists(dir.path() + "/up.txt"));
    EXPECT_FALSE(QFile::exists("/tmp/absolute.txt") && QFile("/tmp/absolute.txt").size() == 2);
    EXPECT_FALSE(extractArchive(dir.path() + "/missing.zip", target));
}

TEST_F(Startup, UpdateHandOff)
{
    const QString base = gAppDir + "/updataProcess/updataFile";
    QDir().mkpath(base + "/TavlonVeltrace/old");
    EXPECT_FALSE(startup::handOverWaitingUpdate()) << "no package waiting";
    EXPECT_FALSE(QDir(base + "/TavlonVeltrace").exists()) << "a leftover update is removed at every start";

    writeZip(base + "/Zipfile/TavlonVeltrace.zip", {{"Orvik_1.0.9/orvik", "new"}});
    EXPECT_FALSE(startup::handOverWaitingUpdate()) << "no updater: the normal start goes on";
    EXPECT_TRUE(QFile::exists(base + "/TavlonVeltrace/orvik"));
    EXPECT_TRUE(QFileInfo(base + "/TavlonVeltrace/orvik").isExecutable()) << "the program stays a program";
    EXPECT_TRUE(QDir(base + "/Zipfile").exists());
    EXPECT_FALSE(QFile::exists(base + "/Zipfile/TavlonVeltrace.zip"));

    writeZip(base + "/Zipfile/TavlonVeltrace.zip", {{"Orvik_1.0.9/orvik", "new"}});
    QFile updater(gAppDir + "/updataProcess/updata");
    ASSERT_TRUE(updater.open(QIODevice::WriteOnly));
    updater.write("#!/bin/sh\nexit 0\n");
    updater.close();
    updater.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(startup::handOverWaitingUpdate()) << "the updater takes over";
}

} // namespace
