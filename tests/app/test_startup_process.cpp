// The real program started in a temporary application folder (a copy of the executable), as
// a user would start it: what it leaves on disk and what a second copy does.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <private/qzipwriter_p.h>

#include <gtest/gtest.h>

namespace {

class Program : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid() && runtime.isValid());
        ASSERT_TRUE(QFile::copy(ORVIK_PROGRAM, dir.path() + "/orvik"));
        QDir().mkpath(dir.path() + "/detecProcess");
        QDir().mkpath(dir.path() + "/updataProcess");
    }
    void TearDown() override
    {
        for (QProcess* p : {&first, &second}) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
    void start(QProcess& process)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("TCSIM_DEVICES", dir.path() + "/none.txt");
        process.setProcessEnvironment(env);
        process.start(dir.path() + "/orvik", QStringList());
        ASSERT_TRUE(process.waitForStarted(5000));
    }
    QString logText() const
    {
        QString text;
        for (const QString& name : QDir(dir.path() + "/log").entryList({"*.log"}, QDir::Files)) {
            QFile file(dir.path() + "/log/" + name);
            file.open(QIODevice::ReadOnly);
            text += QString::fromUtf8(file.readAll());
        }
        return text;
    }
    bool waitForLog(const QString& line, int ms = 10000)
    {
        return QTest::qWaitFor([&] { return logText().contains(line); }, ms);
    }
    QVariant setting(const QString& key) const
    {
        return QSettings(dir.path() + "/Config/LocalSetting.ini", QSettings::IniFormat).value(key);
    }

    QTemporaryDir dir, runtime;
    QProcess first, second;
};

TEST_F(Program, FirstStartPreparesItsFilesAndASecondCopyGivesWay)
{
    start(first);
    ASSERT_TRUE(waitForLog("InitBasics"));
    EXPECT_TRUE(setting("EquitMent/DriverInstallate").toBool()) << "no driver packages: nothing to offer";
    EXPECT_EQ(setting("Url/Port").toString(), "9000");
    EXPECT_EQ(setting("Version/version").toString(), "V1.0.8");
    QFile result(dir.path() + "/detecProcess/NameConfig.ini");
    EXPECT_TRUE(result.exists());
    EXPECT_EQ(result.size(), 0) << "emptied before the detection program starts";
    QFile path(dir.path() + "/updataProcess/ProcessPath.ini");
    ASSERT_TRUE(path.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(path.readAll()), dir.path());

    start(second);
    // The second copy shows its prompt and writes no log line; the first goes on.
    EXPECT_FALSE(second.waitForFinished(1500));
    EXPECT_EQ(logText().count("==============================="), 1);
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(Program, AWaitingUpdateIsHandedToTheUpdaterWithoutAWindow)
{
    const QString base = dir.path() + "/updataProcess/updataFile";
    QDir().mkpath(base + "/Zipfile");
    {
        QZipWriter zip(base + "/Zipfile/TavlonVeltrace.zip");
        zip.addFile("Orvik_new/orvik", "new program");
    }
    QFile updater(dir.path() + "/updataProcess/updata");
    ASSERT_TRUE(updater.open(QIODevice::WriteOnly));
    updater.write("#!/bin/sh\ntouch \"$(dirname \"$0\")/updater-ran\"\n");
    updater.close();
    updater.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    start(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(dir.path() + "/updataProcess/updater-ran"); }, 10000));
    EXPECT_TRUE(QFile::exists(base + "/TavlonVeltrace/orvik"));
    QTest::qWait(500);
    EXPECT_FALSE(logText().contains("InitBasics")) << "no main window";
    EXPECT_FALSE(QFile::exists(dir.path() + "/detecProcess/NameConfig.ini")) << "no detection program";
    EXPECT_EQ(first.state(), QProcess::Running) << "it waits until ended from outside";
}

} // namespace
