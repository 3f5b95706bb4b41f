#include "app/startup.h"
#include "tests/support/appdirenvironment.h"
#include "tests/support/zipfiles.h"
#include "tools/archive.h"

#include <QBuffer>
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

TEST(Archive, AnEntryWhoseContentIsDamagedIsRefused)
{
    QTemporaryDir dir;
    QByteArray bytes = zipBytes({{"orvik", noiseBytes(3000)}});
    bytes[30 + 5 + 5] = char(bytes[30 + 5 + 5] ^ 0x5a); // inside the entry's data
    QFile file(dir.path() + "/damaged.zip");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    EXPECT_FALSE(extractArchive(file.fileName(), dir.path() + "/target"));
    EXPECT_FALSE(QFile::exists(dir.path() + "/target/orvik"));
}

// Archives made to harm the reader: entries that claim gigabytes, a compressed size past the
// end, a local header past the end, a stream that inflates beyond its stated size. The check
// before a download is kept and the unpacking at start-up refuse each alike, quickly, with
// nothing written.
TEST(Archive, HostileArchivesAreRefusedByTheCheckAndTheUnpackingAlike)
{
    QTemporaryDir dir;
    const auto fromFile = [](const char* name) {
        QFile file(QStringLiteral(ORVIK_TEST_DATA "/archives/") + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QByteArray pastEnd = zipBytes({{"orvik", "new"}});
    const int directory = pastEnd.indexOf("PK\x01\x02");
    pastEnd[directory + 42] = char(0x7f); // the entry's local header offset
    QByteArray longer = zipBytes({{"orvik", QByteArray(4000, 'a')}});
    longer[longer.indexOf("PK\x01\x02") + 24] = char(0x10); // stated size 4000 -> 3856
    const struct
    {
        const char* name;
        QByteArray bytes;
    } cases[] = {{"an entry claiming 2 GB", fromFile("archive-huge-entry.zip")},
                 {"a compressed size past the end", fromFile("archive-huge-compressed-size.zip")},
                 {"a local header past the end", pastEnd},
                 {"a stream longer than stated", longer}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.isEmpty());
        QBuffer buffer;
        buffer.setData(c.bytes);
        buffer.open(QIODevice::ReadOnly);
        QString why;
        EXPECT_FALSE(archiveIntact(&buffer, &why));
        EXPECT_FALSE(why.isEmpty());
        QFile file(dir.path() + "/package.zip");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        const QString target = dir.path() + "/target";
        EXPECT_FALSE(extractArchive(file.fileName(), target));
        EXPECT_TRUE(QDir(target).isEmpty(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) << "nothing written";
        QDir(target).removeRecursively();
    }
}

TEST_F(Startup, UpdateHandOff)
{
    const QString base = gAppDir + "/updataProcess/updataFile";
    QDir().mkpath(base + "/TavlonVeltrace/old");
    EXPECT_FALSE(startup::handOverWaitingUpdate()) << "no package waiting";
    EXPECT_FALSE(QDir(base + "/TavlonVeltrace").exists()) << "a leftover update is removed at every start";

    QDir().mkpath(base + "/Orvik_1.0.8/left-over-of-a-refused-package");
    writeZip(base + "/Zipfile/TavlonVeltrace.zip", {{"Orvik_1.0.9/orvik", "new"}});
    EXPECT_FALSE(startup::handOverWaitingUpdate()) << "no updater: the normal start goes on";
    EXPECT_FALSE(QFileInfo::exists(base + "/TavlonVeltrace/left-over-of-a-refused-package"))
        << "only the waiting package is handed over";
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
    EXPECT_FALSE(startup::updateFailed());

    // A damaged package leaves nothing behind, and the start says the update failed.
    QByteArray damaged = zipBytes({{"Orvik_1.1.0/orvik", noiseBytes(3000)}});
    damaged[30 + 17 + 5] = char(damaged[30 + 17 + 5] ^ 0x5a);
    QFile package(base + "/Zipfile/TavlonVeltrace.zip");
    ASSERT_TRUE(package.open(QIODevice::WriteOnly));
    package.write(damaged);
    package.close();
    EXPECT_FALSE(startup::handOverWaitingUpdate());
    EXPECT_TRUE(startup::updateFailed());
    EXPECT_EQ(QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"Zipfile"});

    // A package that claims 2 GB: refused and removed, the start goes on, and on the next.
    ASSERT_TRUE(QFile::copy(ORVIK_TEST_DATA "/archives/archive-huge-entry.zip", base + "/Zipfile/TavlonVeltrace.zip"));
    EXPECT_FALSE(startup::handOverWaitingUpdate());
    EXPECT_TRUE(startup::updateFailed());
    EXPECT_FALSE(QFile::exists(base + "/Zipfile/TavlonVeltrace.zip"));
    EXPECT_FALSE(startup::handOverWaitingUpdate());
}

} // namespace
