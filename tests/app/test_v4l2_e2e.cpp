// A "real" camera for the whole program: the fake V4L2 camera, an in-frame temperature camera
// of 256 x 192, put in place of the kernel's by the LD_PRELOAD shim (for the program, and for
// the detection program it starts) or through the SDK's system-call seam (for the window in
// this process). What the program shows must be what the camera sent: words / 64 - 273.15.
#include "app/orvik.h"
#include "sdk/v4l2fake/fakev4l2.h"
#include "sdk/v4l2fake/systemcallsseam.h"
#include "tests/support/appdirenvironment.h"
#include "tests/support/logfiles.h"
#include "view/viewport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

const auto* environment = AppDirEnvironment::install();

#ifdef ORVIK_SANITIZED
constexpr int kSlowdown = 4;
#else
constexpr int kSlowdown = 1;
#endif

const char* const kCamera = "video0 width=256 height=192 fps=25 serial=V4L2E2E";

double celsius(uint16_t word)
{
    return word / 64.0 - 273.15;
}

// The environment that gives a program the fake camera.
void addFakeCamera(QProcessEnvironment& environment, const QString& sysfs)
{
    environment.insert("LD_PRELOAD", V4L2_PRELOAD);
    environment.insert("ORVIK_SYSFS_ROOT", sysfs);
    environment.insert("ORVIK_FAKE_V4L2", kCamera);
    environment.remove("TCSIM_DEVICES");
#ifdef ORVIK_SANITIZED
    environment.insert("ASAN_OPTIONS", "verify_asan_link_order=0");
#endif
}

// The real program, from a folder of its own, shows the fake camera's frames.
TEST(RealCameraEndToEnd, TheProgramShowsTheFakeCamerasFrames)
{
    QTemporaryDir app, home, runtime, sysfs;
    ASSERT_TRUE(app.isValid() && home.isValid() && runtime.isValid() && sysfs.isValid());
    ASSERT_TRUE(QFile::copy(ORVIK_PROGRAM, app.path() + "/orvik"));
    QDir().mkpath(app.path() + "/detecProcess");
    ASSERT_TRUE(QFile::copy(DETECT_PROGRAM, app.path() + "/detecProcess/DetecApplication"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtime.path());
    environment.insert("XDG_CONFIG_HOME", home.path() + "/config");
    environment.insert("XDG_STATE_HOME", home.path() + "/state");
    environment.insert("XDG_CACHE_HOME", home.path() + "/cache");
    environment.insert("HOME", home.path());
    addFakeCamera(environment, sysfs.path());
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(app.path() + "/orvik", QStringList());
    ASSERT_TRUE(program.waitForStarted(5000));

    const QString logs = app.path() + "/log";
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return logText(logs).contains("device check success"); }, 10000 * kSlowdown))
        << logText(logs).toStdString();
    EXPECT_TRUE(logText(logs).contains("检测到160")) << "announced as an in-frame camera";
    EXPECT_FALSE(logText(logs).contains("camera refused"));
    QString window;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QProcess search;
            search.start("xdotool", {"search", "--onlyvisible", "--class", "orvik"});
            search.waitForFinished(5000);
            window =
                QString::fromLatin1(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).value(0);
            return !window.isEmpty();
        },
        10000));
    // The camera's hot spot, coloured by the first palette, is the brightest thing in the
    // picture (between the palette buttons and the colour bar) and lies where the camera puts
    // it: right of the picture's middle, in its upper half. Grab until the picture is there.
    QImage image;
    QPoint brightest;
    int best = -1, reddish = 0;
    auto look = [&] {
        image = QGuiApplication::primaryScreen()->grabWindow(window.toULongLong()).toImage();
        best = -1;
        reddish = 0;
        for (int y = image.height() / 10; y < image.height(); ++y)
            for (int x = image.width() * 14 / 100; x < image.width() * 65 / 100; ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > c.blue() + 60)
                    ++reddish;
                if (c.red() + c.green() > best && c.red() > 200 && c.green() > 150) {
                    best = c.red() + c.green();
                    brightest = QPoint(x, y);
                }
            }
        return reddish > 50000 && best > 400;
    };
    EXPECT_TRUE(QTest::qWaitFor(look, 10000 * kSlowdown));
    EXPECT_GT(reddish, 50000) << "a picture in the palette's reds";
    EXPECT_GT(best, 400) << "a near-white hot spot";
    EXPECT_GT(brightest.x(), image.width() * 4 / 10);
    EXPECT_LT(brightest.y(), image.height() / 2);

    ::kill(pid_t(program.processId()), SIGTERM);
    EXPECT_TRUE(program.waitForFinished(10000 * kSlowdown));
    EXPECT_EQ(program.exitCode(), 0);
}

// The window shows the temperatures the camera sent: its snapshot table of the temperatures
// shown equals words / 64 - 273.15.
TEST(RealCameraEndToEnd, TheTemperaturesShownAreTheCamerasWords)
{
    QTemporaryDir sysfs, pictures;
    ASSERT_TRUE(sysfs.isValid() && pictures.isValid());
    const tcfake::FakeCamera camera = tcfake::FakeCamera::parse(kCamera);
    tcfake::FakeV4l2 fake(sysfs.path().toStdString());
    tcfake::SystemCallsSeam seam(fake);
    fake.plug(camera);
    // The detection program finds the same camera through the shim.
    QProcessEnvironment children = QProcessEnvironment::systemEnvironment();
    addFakeCamera(children, sysfs.path());
    for (const char* name : {"LD_PRELOAD", "ORVIK_SYSFS_ROOT", "ORVIK_FAKE_V4L2", "ASAN_OPTIONS"})
        if (children.contains(name))
            seam.setEnvironment(name, children.value(name).toLocal8Bit().constData());
    seam.setEnvironment("TCSIM_DEVICES", nullptr);
    QDir().mkpath(gAppDir + "/detecProcess");
    ASSERT_TRUE(QFile::copy(DETECT_PROGRAM, gAppDir + "/detecProcess/DetecApplication"));
    {
        Orvik window;
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        const OrvikForm& ui = window.form();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !ui.deviceId->text().isEmpty(); }, 10000 * kSlowdown));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !ui.viewport->shownImage().isNull(); }, 5000));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return ui.connectHint->text() == QString::fromUtf8("设备已连接"); }, 5000));
        ASSERT_TRUE(ui.viewport->shownFrame());
        EXPECT_EQ(ui.viewport->shownFrame()->width, 256);
        EXPECT_EQ(ui.viewport->shownFrame()->height, 192);

        window.setImagePath(pictures.path());
        QTest::mouseClick(ui.snapImage, Qt::LeftButton);
        const QStringList tables = QDir(pictures.path()).entryList({"*.csv"}, QDir::Files);
        ASSERT_EQ(tables.size(), 1);
        QFile table(pictures.path() + "/" + tables[0]);
        ASSERT_TRUE(table.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = table.readAll().split('\n');
        ASSERT_GE(lines.size(), 193);
        EXPECT_TRUE(lines[0].contains("256 x 192")) << lines[0].toStdString();
        int hotX = 0, hotY = 0;
        const uint16_t hottest = tcfake::hottestWord(camera, &hotX, &hotY);
        const QByteArray header = lines[0];
        const double maximum = header.mid(header.indexOf("max ") + 4).split(',').value(0).toDouble();
        EXPECT_NEAR(maximum, celsius(hottest), 0.01) << header.toStdString();
        for (const QPoint& p :
             {QPoint(hotX, hotY), QPoint(0, 0), QPoint(255, 191), QPoint(100, 60), QPoint(17, 150)}) {
            const QList<QByteArray> row = lines[1 + p.y()].split(',');
            ASSERT_EQ(row.size(), 256);
            EXPECT_NEAR(row[p.x()].toDouble(), celsius(tcfake::temperatureWord(camera, p.x(), p.y())), 0.01)
                << "at " << p.x() << "," << p.y();
        }
    }
}

} // namespace
