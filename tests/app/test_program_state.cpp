// The real program in a folder of its own (a copy of the executable and the detection program),
// on a virtual X display, with damaged or hostile stored state, unusual permissions and
// signals. Each case has its own folders and runtime directory; where the system allows it
// the program runs in a private PID namespace, so what it leaves running ends with it.
#include "tests/support/localhttpserver.h"
#include "tests/support/logfiles.h"
#include "tests/support/zipfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace {

#ifdef ORVIK_SANITIZED
constexpr int kSlowdown = 4;
#else
constexpr int kSlowdown = 1;
#endif

bool privatePidNamespaceWorks()
{
    static const bool works = [] {
        QProcess probe;
        probe.start("unshare", {"--pid", "--fork", "--kill-child", "--mount-proc", "true"});
        return probe.waitForFinished(5000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
    }();
    return works;
}

class ProgramState : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.isValid() && home.isValid() && runtime.isValid());
        ASSERT_TRUE(QFile::copy(ORVIK_PROGRAM, app.path() + "/orvik"));
        QDir().mkpath(app.path() + "/detecProcess");
        ASSERT_TRUE(QFile::copy(DETECT_PROGRAM, app.path() + "/detecProcess/DetecApplication"));
        ASSERT_TRUE(QFile::copy(DETECT_RULES, app.path() + "/detecProcess/detect_rules.txt"));
        writeFile(home.path() + "/devices.txt", "Vesk_R_M serial=STATE1 fps=25\n");
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        environment.insert("XDG_CONFIG_HOME", home.path() + "/config");
        environment.insert("XDG_STATE_HOME", home.path() + "/state");
        environment.insert("XDG_CACHE_HOME", home.path() + "/cache");
        environment.insert("HOME", home.path());
        environment.insert("TCSIM_DEVICES", home.path() + "/devices.txt");
        const QByteArray suppressions = qgetenv("LSAN_OPTIONS");
        if (!suppressions.isEmpty())
            environment.insert("LSAN_OPTIONS", suppressions);
    }
    void TearDown() override
    {
        // The program itself first: a program that changed its user no longer ends with the
        // namespace's launcher.
        const qint64 pid = programPid();
        if (pid > 1)
            ::kill(pid_t(pid), SIGKILL);
        for (QProcess* p : {&program, &stranger}) {
            p->kill();
            p->waitForFinished(5000);
        }
        QFile::setPermissions(app.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    static void writeFile(const QString& path, const QByteArray& text)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    enum class Namespace
    {
        Private,
        Shared, // where the program could reach other processes, if it tried
    };
    void start(const QStringList& asUser = {}, Namespace pids = Namespace::Private)
    {
        QStringList command;
        if (pids == Namespace::Private && privatePidNamespaceWorks())
            command << "unshare" << "--pid" << "--fork" << "--kill-child" << "--mount-proc";
        command << asUser << app.path() + "/orvik";
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(command.takeFirst(), command);
        ASSERT_TRUE(program.waitForStarted(5000));
    }
    // The program's own process id (inside the namespace it is unshare's child).
    qint64 programPid() const
    {
        qint64 pid = program.processId();
        for (int level = 0; level < 4; ++level) {
            QFile task(QString("/proc/%1/exe").arg(pid));
            if (QFile::symLinkTarget(task.fileName()).endsWith("/orvik"))
                return pid;
            QFile children(QString("/proc/%1/task/%1/children").arg(pid));
            if (!children.open(QIODevice::ReadOnly))
                return -1;
            pid = children.readAll().trimmed().split(' ').value(0).toLongLong();
        }
        return -1;
    }
    // Only ever our own program: a process id that cannot be found signals nothing (kill with
    // -1 would reach every process we may signal).
    void sendSignal(int number) const
    {
        const qint64 pid = programPid();
        ASSERT_GT(pid, 1) << "the program's process was not found";
        ::kill(pid_t(pid), number);
    }
    bool endsWithExitCode(int code, int ms = 10000)
    {
        return program.waitForFinished(ms * kSlowdown) && program.exitStatus() == QProcess::NormalExit &&
               program.exitCode() == code;
    }

    bool waitForLog(const QString& line, int ms = 10000, const QString& folder = QString())
    {
        const QString logs = folder.isEmpty() ? app.path() + "/log" : folder;
        return QTest::qWaitFor([&] { return logText(logs).contains(line); }, ms * kSlowdown);
    }
    QString settingsPath() const { return app.path() + "/Config/LocalSetting.ini"; }
    QVariant setting(const QString& key) const { return QSettings(settingsPath(), QSettings::IniFormat).value(key); }
    QString programWindow() const
    {
        QProcess search;
        search.start("xdotool", {"search", "--onlyvisible", "--class", "orvik"});
        search.waitForFinished(5000);
        return QString::fromLatin1(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).value(0);
    }
    QRect windowGeometry(const QString& window) const
    {
        QProcess query;
        query.start("xdotool", {"getwindowgeometry", "--shell", window});
        query.waitForFinished(5000);
        QMap<QString, int> values;
        for (const QString& line : QString::fromLatin1(query.readAllStandardOutput()).split('\n'))
            values[line.section('=', 0, 0)] = line.section('=', 1).toInt();
        return QRect(values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]);
    }

    QTemporaryDir app, home, runtime;
    QProcessEnvironment environment;
    QProcess program, stranger;
};

// Installed read-only, or owned by another user: the program keeps its data in the user's
// folders, says so in its log, and the camera connects as usual.
TEST_F(ProgramState, AReadOnlyProgramFolderStillConnectsAndSaysWhereItsDataWent)
{
    QStringList prefix;
    if (geteuid() == 0) {
        // The superuser writes anywhere: run as nobody, with the program folder left to root.
        QFile::setPermissions(app.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                              QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        for (const QString& dir : {home.path(), runtime.path()})
            ASSERT_EQ(QProcess::execute("chown", {"-R", "65534:65534", dir}), 0);
        QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther);
        prefix << "setpriv" << "--reuid=65534" << "--regid=65534" << "--clear-groups";
        environment.insert("QT_QPA_PLATFORM", "offscreen"); // the X authority is root's
    } else {
        QFile::setPermissions(app.path(), QFile::ReadOwner | QFile::ExeOwner);
    }
    start(prefix);
    const QString logs = home.path() + "/state/orvik/log";
    ASSERT_TRUE(waitForLog("program folder not writable", 10000, logs));
    EXPECT_TRUE(waitForLog("device check success", 3000, logs)) << "connected within 3 s";
    EXPECT_TRUE(QFile::exists(home.path() + "/config/orvik/LocalSetting.ini"));
    EXPECT_TRUE(QFile::exists(home.path() + "/state/orvik/detecProcess/NameConfig.ini"));
    EXPECT_FALSE(QDir(home.path() + "/cache/orvik/TemTable").entryList(QDir::Files).isEmpty())
        << "calibration tables cached in the user's cache";
    EXPECT_FALSE(QDir(app.path() + "/Config").exists());
    sendSignal(SIGTERM);
    EXPECT_TRUE(endsWithExitCode(0));
}

// Each damaged value falls back to its default; the program starts and shows the camera,
// the window fits the screen, and nothing that was stored is overwritten by a default.
TEST_F(ProgramState, DamagedSettingsStartAndKeepTheValidOnes)
{
    writeFile(settingsPath(), "[ScreenSize]\nWidth=1920\nHeight=1080\n"
                              "[SoftwareSize]\nWidth=50000\nHeight=50000\n"
                              "[SoftwareLocation]\nLeft=2147483600\nTop=2147483600\n"
                              "[Language]\nlanguage=99\n"
                              "[Setting]\nRotateAngle=45\nTempUnit=ZZZ\nHighTempThreshold=abc\n"
                              "WarningSoundName=02-Bell.wav\n"
                              "[Temperature]\nHFixedTempMax=-2147483648\nHFixedTempMin=2147483647\n"
                              "[EquitMent]\nMouseTemp=true\n");
    start();
    ASSERT_TRUE(waitForLog("device check success"));
    QString window;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(window = programWindow()).isEmpty(); }, 5000 * kSlowdown));
    const QRect placed = windowGeometry(window);
    EXPECT_TRUE(QRect(0, 0, 1920, 1080).contains(placed)) << placed.x() << "," << placed.y() << " "
                                                           << placed.width() << "x" << placed.height();
    QTest::qWait(1500 * kSlowdown); // frames flow; the window system holds the window
    ASSERT_EQ(program.state(), QProcess::Running);
    EXPECT_TRUE(waitForLog("Setting/RotateAngle"));
    // Stored as they were: the defaults were used, not written.
    EXPECT_EQ(setting("Language/language").toString(), "99");
    EXPECT_EQ(setting("Setting/RotateAngle").toString(), "45") << "until the shutdown saves what is shown";
    EXPECT_EQ(setting("Setting/TempUnit").toString(), "ZZZ");
    EXPECT_EQ(setting("Setting/HighTempThreshold").toString(), "abc");
    EXPECT_EQ(setting("Setting/WarningSoundName").toString(), "02-Bell.wav");
    EXPECT_TRUE(setting("EquitMent/MouseTemp").toBool());
    sendSignal(SIGTERM);
    EXPECT_TRUE(endsWithExitCode(0));
}

// A logout or a service manager: the program leaves as its close button leaves.
TEST_F(ProgramState, TerminationSavesAMovedWindowAndLeavesNothingBehind)
{
    start();
    ASSERT_TRUE(waitForLog("device check success"));
    QString window;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(window = programWindow()).isEmpty(); }, 5000 * kSlowdown));
    ASSERT_EQ(QProcess::execute("xdotool", {"windowmove", window, "123", "77"}), 0);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return windowGeometry(window).topLeft() == QPoint(123, 77); }, 5000 * kSlowdown));
    ASSERT_TRUE(QFile::exists(runtime.path() + "/Orvik.lock"));
    sendSignal(SIGTERM);
    ASSERT_TRUE(endsWithExitCode(0));
    EXPECT_EQ(setting("SoftwareLocation/Left").toInt(), 123);
    EXPECT_EQ(setting("SoftwareLocation/Top").toInt(), 77);
    EXPECT_FALSE(QFile::exists(runtime.path() + "/Orvik.lock"));
    EXPECT_EQ(QFile(app.path() + "/detecProcess/NameConfig.ini").size(), 0) << "no stale camera report";
    EXPECT_TRUE(logText(app.path() + "/log").contains("~Orvik"));
}

// A copy killed outright leaves its lock file; the next start must not be refused by it.
TEST_F(ProgramState, ARestartAfterAKillStarts)
{
    start();
    ASSERT_TRUE(waitForLog("InitBasics"));
    sendSignal(SIGKILL);
    ASSERT_TRUE(program.waitForFinished(5000 * kSlowdown));
    ASSERT_TRUE(QFile::exists(runtime.path() + "/Orvik.lock")) << "the killed copy left it";
    start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return logText(app.path() + "/log").count("InitBasics") == 2; },
                                10000 * kSlowdown));
    sendSignal(SIGTERM);
    EXPECT_TRUE(endsWithExitCode(0));
}

// Calibration caches whose content is no table of this camera: zeros of a table's size, and
// a file that looks like a cache of ours but holds garbage.
TEST_F(ProgramState, DamagedCalibrationCachesAreReadFromTheCameraAgain)
{
    writeFile(app.path() + "/TemTable/STATE1High_kt.bin", QByteArray(2402, '\0'));
    writeFile(app.path() + "/TemTable/STATE1High_bt.bin", "OVCT" + QByteArray(84 + 2402 - 4, '\x5a'));
    writeFile(app.path() + "/TemTable/STATE1High_nuc_t.bin", QByteArray(84 + 16384, '\0'));
    start();
    ASSERT_TRUE(waitForLog("device check success"));
    EXPECT_TRUE(waitForLog("read from the camera again"));
    for (const char* name : {"STATE1High_kt.bin", "STATE1High_bt.bin", "STATE1High_nuc_t.bin"}) {
        QFile cache(app.path() + "/TemTable/" + name);
        ASSERT_TRUE(cache.open(QIODevice::ReadOnly));
        EXPECT_EQ(cache.read(4), "OVCT") << name << " rewritten from the camera";
    }
    sendSignal(SIGTERM);
    EXPECT_TRUE(endsWithExitCode(0));
}

// Another copy of the detection program (someone else's) is none of the program's business.
TEST_F(ProgramState, AnotherCopyOfTheDetectionProgramSurvivesOurStartAndExit)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::copy(DETECT_PROGRAM, elsewhere.path() + "/DetecApplication"));
    QProcessEnvironment strangers = environment;
    strangers.insert("ORVIK_OWNER_PID", QString::number(QCoreApplication::applicationPid()));
    stranger.setProcessEnvironment(strangers);
    stranger.start(elsewhere.path() + "/DetecApplication", QStringList());
    ASSERT_TRUE(stranger.waitForStarted(5000));
    start({}, Namespace::Shared); // inside a namespace of its own it could not reach the stranger

    ASSERT_TRUE(waitForLog("device check success"));
    sendSignal(SIGTERM);
    EXPECT_TRUE(endsWithExitCode(0));
    EXPECT_EQ(stranger.state(), QProcess::Running);
}

// The whole update cycle with a server on 127.0.0.1: the program downloads the package and
// says so; the next start unpacks it and hands over; the updater ends the waiting program,
// installs the new version and starts it.
TEST_F(ProgramState, AnUpdateIsDownloadedAndInstalledAtTheNextStart)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    const QByteArray newVersion = "#!/bin/sh\necho \"version 1.0.9 started\" >> \"$(dirname \"$0\")/version.log\"\n";
    server.answers["/business/web/product/upgrade?softwareId=7311"] = {
        200, "{\"content\":{\"fullUrl\":\"" + server.url("/package.zip").toUtf8() + "\",\"version\":70000}}"};
    server.answers["/package.zip"] = {200, zipBytes({{"Orvik_1.0.9/orvik", newVersion}})};
    writeFile(settingsPath(), "[Url]\nHost=127.0.0.1\nPort=" + server.portText().toUtf8() + "\n");
    QDir().mkpath(app.path() + "/updataProcess");
    ASSERT_TRUE(QFile::copy(UPDATER_PROGRAM, app.path() + "/updataProcess/updata"));

    start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return logText(app.path() + "/log").contains("update package ready"); },
                                10000 * kSlowdown));
    sendSignal(SIGTERM);
    ASSERT_TRUE(endsWithExitCode(0));
    ASSERT_TRUE(QFile::exists(app.path() + "/updataProcess/updataFile/Zipfile/TavlonVeltrace.zip"));

    // The updater ends this copy by its id: it must see the same ids as the program.
    start({}, Namespace::Shared);
    EXPECT_TRUE(program.waitForFinished(20000 * kSlowdown)) << "the waiting copy was ended by the updater";
    EXPECT_TRUE(QTest::qWaitFor([&] { return logText(app.path()).contains("version 1.0.9 started"); },
                                10000 * kSlowdown));
    const QString updaterLog = logText(app.path() + "/updataProcess");
    RecordProperty("updater_log", updaterLog.toStdString());
    EXPECT_TRUE(updaterLog.contains("update installed")) << updaterLog.toStdString();
    QFile installed(app.path() + "/orvik");
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    EXPECT_EQ(installed.readAll(), newVersion);
}

} // namespace
