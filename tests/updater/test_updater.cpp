// The updater: files swapped in whole or not at all, links left out, and the program itself
// ending the waiting program and starting the new version.
#include "updater/updateinstaller.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void write(const QString& path, const QByteArray& text, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class Installer : public ::testing::Test
{
protected:
    QString installed(const QString& name) const { return root.filePath("install/" + name); }
    QString update(const QString& name) const { return root.filePath("update/" + name); }
    bool install()
    {
        UpdateInstaller installer(root.filePath("update"), root.filePath("install"), root.filePath("work"),
                                  [this](const QString& line) { lines << line; });
        return installer.install();
    }
    QTemporaryDir root;
    QStringList lines;
};

TEST_F(Installer, EveryFileOfTheUpdateTakesItsPlace)
{
    write(installed("orvik"), "v1");
    write(installed("kept.txt"), "mine");
    write(update("orvik"), "v2", true);
    write(update("detecProcess/DetecApplication"), "new detector");
    ASSERT_TRUE(install());
    EXPECT_EQ(read(installed("orvik")), "v2");
    EXPECT_TRUE(QFileInfo(installed("orvik")).isExecutable()) << "permissions travel with the file";
    EXPECT_EQ(read(installed("detecProcess/DetecApplication")), "new detector");
    EXPECT_EQ(read(installed("kept.txt")), "mine");
    EXPECT_FALSE(QDir(root.filePath("work/staging")).exists());
    EXPECT_FALSE(QDir(root.filePath("work/backup")).exists());
}

TEST_F(Installer, AFailureHalfWayPutsBackWhatWasAlreadySwapped)
{
    write(installed("orvik"), "v1");
    write(installed("plugins"), "a file where the update wants a folder");
    write(update("orvik"), "v2");
    write(update("plugins/extra"), "cannot go anywhere");
    EXPECT_FALSE(install());
    EXPECT_EQ(read(installed("orvik")), "v1") << "swapped first, then put back";
    EXPECT_EQ(read(installed("plugins")), "a file where the update wants a folder");
    EXPECT_TRUE(lines.join('\n').contains("rolled back"));
}

TEST_F(Installer, ARollbackAlsoTakesAwayTheFilesTheUpdateAdded)
{
    write(installed("orvik"), "v1");
    write(installed("plugins"), "a file where the update wants a folder");
    write(update("added.txt"), "new");
    write(update("orvik"), "v2");
    write(update("plugins/extra"), "cannot go anywhere");
    EXPECT_FALSE(install());
    EXPECT_FALSE(QFileInfo::exists(installed("added.txt")));
    EXPECT_EQ(read(installed("orvik")), "v1");
}

// What a crash in the middle of a swap leaves: the journal, the old file aside and a new one
// in place. The next run puts the old one back before anything else.
TEST_F(Installer, AnInterruptedRunIsPutBackByTheNextOne)
{
    write(installed("orvik"), "v2, half of an update");
    write(installed("added.txt"), "new");
    write(root.filePath("work/backup/orvik"), "v1");
    write(root.filePath("work/journal"), "replaced orvik\nadded added.txt\n");
    UpdateInstaller installer(root.filePath("update"), root.filePath("install"), root.filePath("work"),
                              [this](const QString& line) { lines << line; });
    EXPECT_TRUE(installer.recover());
    EXPECT_EQ(read(installed("orvik")), "v1");
    EXPECT_FALSE(QFileInfo::exists(installed("added.txt")));
    EXPECT_FALSE(QDir(root.filePath("work")).exists());
}

TEST_F(Installer, LinksAreLeftOut)
{
    write(update("orvik"), "v2");
    write(root.filePath("secret"), "outside");
    ASSERT_TRUE(QFile::link(root.filePath("secret"), update("leak")));
    ASSERT_TRUE(install());
    EXPECT_FALSE(QFileInfo::exists(installed("leak")));
    EXPECT_TRUE(lines.join('\n').contains("link left out"));
}

// The updater program in an installation of its own: it ends the waiting program, installs,
// and starts the version now in place, which here only says which one it is.
class UpdaterProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(own);
        ASSERT_TRUE(QFile::copy(UPDATER_PROGRAM, own + "/updata"));
        write(own + "/ProcessPath.ini", install.toUtf8());
        write(install + "/orvik", "#!/bin/sh\necho old $ORVIK_UPDATE_RESULT > \"$(dirname \"$0\")/ran\"\n", true);
        write(own + "/updataFile/TavlonVeltrace/orvik", "#!/bin/sh\necho new > \"$(dirname \"$0\")/ran\"\n", true);
        waiting.start("sleep", {"60"});
        ASSERT_TRUE(waiting.waitForStarted());
    }
    void TearDown() override
    {
        waiting.kill();
        waiting.waitForFinished();
    }
    int runUpdater()
    {
        QProcess updater;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ORVIK_WAITING_PID", QString::number(waiting.processId()));
        updater.setProcessEnvironment(environment);
        updater.start(own + "/updata", QStringList());
        return updater.waitForFinished(20000) ? updater.exitCode() : -1;
    }
    bool ran(const QByteArray& version)
    {
        return QTest::qWaitFor([&] { return read(install + "/ran") == version + "\n"; }, 5000);
    }
    QTemporaryDir root;
    const QString install = root.path();
    const QString own = install + "/updataProcess";
    QProcess waiting;
};

TEST_F(UpdaterProgram, EndsTheWaitingProgramInstallsAndStartsTheNewVersion)
{
    EXPECT_EQ(runUpdater(), 0);
    EXPECT_TRUE(waiting.waitForFinished(1000)) << "the waiting program was ended";
    EXPECT_TRUE(ran("new"));
    EXPECT_FALSE(QDir(own + "/updataFile/TavlonVeltrace").exists());
    const QByteArray log = read(own + "/updata.log");
    for (const char* step : {"asking the waiting program", "update installed", "started "})
        EXPECT_TRUE(log.contains(step)) << step << "\n" << log.constData();
}

TEST_F(UpdaterProgram, AStaleProcessPathStillUpdatesTheInstallationItLivesIn)
{
    write(own + "/ProcessPath.ini", "/nonexistent/elsewhere");
    EXPECT_EQ(runUpdater(), 0);
    EXPECT_TRUE(waiting.waitForFinished(1000)) << "the waiting program is ended on every path";
    EXPECT_TRUE(ran("new"));
}

TEST_F(UpdaterProgram, AnUpdateThatCannotBeCompletedLeavesTheOldVersionRunning)
{
    write(install + "/plugins", "a file where the update wants a folder");
    write(own + "/updataFile/TavlonVeltrace/plugins/extra", "cannot go anywhere");
    EXPECT_EQ(runUpdater(), 1);
    EXPECT_TRUE(ran("old failed")) << "the old version, told that the update failed";
    EXPECT_TRUE(read(own + "/updata.log").contains("rolled back"));
}

} // namespace
