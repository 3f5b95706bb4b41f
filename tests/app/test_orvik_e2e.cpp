// The whole window, as the program shows it, with a virtual camera and the real detection
// program: the live board with its hottest-point label, the device ID and the connection.
#include "app/orvik.h"
#include "tests/support/alertcatcher.h"
#include "tests/support/appdirenvironment.h"
#include "tools/videothumbnail.h"
#include "view/viewport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const auto* environment = AppDirEnvironment::install();

TEST(MainWindowEndToEnd, ShowsTheLiveBoardOfAVirtualCamera)
{
    QDir().mkpath(gAppDir + "/detecProcess");
    ASSERT_TRUE(QFile::copy(DETECT_PROGRAM, gAppDir + "/detecProcess/DetecApplication"));
    const QString registry = gAppDir + "/devices.txt";
    {
        QFile file(registry);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Vesk_R_M serial=E2E12345\n");
    }
    ::setenv("TCSIM_DEVICES", registry.toLocal8Bit().constData(), 1);

    QElapsedTimer clock;
    clock.start();
    Orvik window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const OrvikForm& ui = window.form();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ui.deviceId->text().isEmpty(); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ui.viewport->shownImage().isNull(); }, 5000));
    RecordProperty("first_frame_ms", int(clock.elapsed()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ui.connectHint->text() == QString::fromUtf8("设备已连接"); }, 2000));

    QDir().mkpath("screenshots");
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(window.winId());
    ASSERT_TRUE(shot.save("screenshots/main_window.png"));
    // The live board is coloured (palette 1 is red to white over black).
    const QImage image = shot.toImage();
    const QPoint centre = ui.viewport->mapTo(&window, ui.viewport->rect().center());
    const QColor board = image.pixelColor(centre);
    EXPECT_GT(board.red(), board.blue() + 30);

    // A recording of the window: the clock runs, the file plays, the thumbnail shows it.
    QTemporaryDir videos;
    window.setVideoPath(videos.path());
    ui.record->setFocus();
    QTest::mouseClick(ui.record, Qt::LeftButton);
    ASSERT_TRUE(window.isRecording());
    EXPECT_FALSE(ui.record->isEnabled()) << "blocked for a moment after the start";
    EXPECT_FALSE(ui.tempAlarm->hasFocus()) << "the blocked button's focus goes to no other button";
    EXPECT_TRUE(QTest::qWaitFor([&] { return ui.recordTime->text() == "00:00:02"; }, 5000));
    ASSERT_TRUE(ui.record->isEnabled());
    QTest::mouseClick(ui.record, Qt::LeftButton);
    EXPECT_FALSE(window.isRecording());
    EXPECT_EQ(ui.recordTime->text(), "00:00:00");
    ASSERT_TRUE(QFile::exists(window.lastRecording()));
    EXPECT_FALSE(videoThumbnail(window.lastRecording()).isNull());
    EXPECT_FALSE(ui.videoFile->pixmap(Qt::ReturnByValue).isNull());

    // The button is blocked for a moment after each start and stop.
    const auto waitForRecordButton = [&] { return QTest::qWaitFor([&] { return ui.record->isEnabled(); }, 3000); };

    // A folder that takes no file: told at once, nothing looks like a recording.
    ASSERT_TRUE(waitForRecordButton());
    window.setVideoPath("/proc/self");
    {
        const AlertCatcher refused;
        QTest::mouseClick(ui.record, Qt::LeftButton);
        EXPECT_EQ(refused.reason(), AlertBox::Reason::RecordingNotStarted);
    }
    EXPECT_FALSE(window.isRecording());
    EXPECT_EQ(ui.record->text(), QString::fromUtf8("开始录像"));

    // A recording stops even when its folder went away meanwhile.
    ASSERT_TRUE(waitForRecordButton());
    QTemporaryDir stick;
    const QString folder = stick.filePath("videos");
    ASSERT_TRUE(QDir().mkpath(folder));
    window.setVideoPath(folder);
    QTest::mouseClick(ui.record, Qt::LeftButton);
    ASSERT_TRUE(window.isRecording());
    ASSERT_TRUE(QDir().rename(folder, stick.filePath("moved")));
    ASSERT_TRUE(waitForRecordButton());
    {
        const AlertCatcher none;
        QTest::mouseClick(ui.record, Qt::LeftButton);
        EXPECT_FALSE(window.isRecording());
        EXPECT_FALSE(none.reason()) << "no folder alert on stopping";
    }

    // A recording whose file was deleted with its folder is reported lost.
    ASSERT_TRUE(waitForRecordButton());
    const QString doomed = stick.filePath("doomed");
    ASSERT_TRUE(QDir().mkpath(doomed));
    window.setVideoPath(doomed);
    QTest::mouseClick(ui.record, Qt::LeftButton);
    ASSERT_TRUE(window.isRecording());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !QDir(doomed).isEmpty(); }, 3000)) << "the file is begun";
    ASSERT_TRUE(QDir(doomed).removeRecursively());
    ASSERT_TRUE(waitForRecordButton());
    QTest::mouseClick(ui.record, Qt::LeftButton);
    EXPECT_FALSE(window.isRecording());
    bool told = false;
    for (AlertBox* alert : window.findChildren<AlertBox*>())
        told = told || (alert->isVisible() && alert->reason() == AlertBox::Reason::RecordingStopped);
    EXPECT_TRUE(told);
    ::unsetenv("TCSIM_DEVICES");
}

} // namespace
