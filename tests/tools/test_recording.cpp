// Screen recording on a real (virtual) X display: what the file holds, what a kill or a full
// disk leaves behind, and the thumbnail read back from it.
#include "tests/tools/videoreader.h"
#include "tools/screengrab.h"
#include "tools/videothumbnail.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <csignal>
#include <tuple>

namespace {

// Records ticks frames at 10 per second, as the main window's timer does.
void record(ScreenGrab& grab, int ticks)
{
    QElapsedTimer clock;
    clock.start();
    for (int tick = 1; tick <= ticks; ++tick) {
        grab.grabFrame();
        const qint64 wait = tick * 100 - clock.elapsed();
        if (wait > 0)
            QTest::qSleep(int(wait));
    }
}

TEST(ScreenRecording, AWindowOf1366x768RecordsA1360x768Mpeg4FileFrameForTick)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("window.mp4");
    {
        ScreenGrab grab;
        grab.startRecord(path.toStdString(), 1366, 768);
        grab.setRegion(0, 0, 1366, 768);
        ASSERT_TRUE(grab.open());
        EXPECT_EQ(grab.frameRate(), 10);
        record(grab, 25);
        grab.stopRecord();
    }
    const VideoFacts facts = readVideo(path);
    ASSERT_TRUE(facts.opened);
    EXPECT_EQ(facts.codecId, AV_CODEC_ID_MPEG4);
    EXPECT_EQ(facts.pixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(facts.width, 1360);
    EXPECT_EQ(facts.height, 768);
    EXPECT_NEAR(facts.decodedFrames, 25, 1) << "every frame reaches the file, also those the encoder held last";

    const QImage thumbnail = videoThumbnail(path);
    ASSERT_FALSE(thumbnail.isNull());
    EXPECT_EQ(thumbnail.size(), QSize(80, 48)) << "48 high, 1360/768*48 = 85 rounded down to 80";
}

// The window moved while recording: the file goes on with what is at the new place.
TEST(ScreenRecording, AMovedRegionIsFollowed)
{
    QWidget red, blue;
    for (auto [panel, colour, x] : {std::tuple{&red, Qt::red, 0}, std::tuple{&blue, Qt::blue, 700}}) {
        panel->setWindowFlags(Qt::FramelessWindowHint);
        panel->setStyleSheet(QStringLiteral("background-color: %1;").arg(QColor(colour).name()));
        panel->setGeometry(x, 0, 320, 240);
        panel->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    }
    QTest::qWait(200);
    QTemporaryDir dir;
    const QString path = dir.filePath("moved.mp4");
    {
        ScreenGrab grab;
        grab.startRecord(path.toStdString(), 320, 240);
        grab.setRegion(0, 0, 320, 240);
        ASSERT_TRUE(grab.open());
        record(grab, 10);
        ASSERT_TRUE(grab.moveRegion(700, 0, 320, 240));
        record(grab, 10);
        grab.stopRecord();
    }
    const VideoFacts facts = readVideo(path);
    ASSERT_TRUE(facts.opened);
    EXPECT_NEAR(facts.decodedFrames, 20, 1);
    const QColor first = facts.firstFrame.pixelColor(160, 120), last = facts.lastFrame.pixelColor(160, 120);
    EXPECT_GT(first.red(), 200) << "red where the window was";
    EXPECT_GT(last.blue(), 200) << "blue where it went";
}

TEST(ScreenRecording, AFileThatCannotBeCreatedOrNamedLeavesNoWriter)
{
    QTemporaryDir dir;
    ScreenGrab missingFolder;
    missingFolder.startRecord(dir.filePath("no/such/folder.mp4").toStdString(), 640, 480);
    missingFolder.setRegion(0, 0, 640, 480);
    EXPECT_FALSE(missingFolder.open()) << "no writer: nothing to record into";

    // A name longer than the writer takes is refused, not cut into another file's name.
    const std::string longName = dir.filePath(QString(1100, 'a') + ".mp4").toStdString();
    ScreenGrab tooLong;
    tooLong.startRecord(longName, 640, 480);
    tooLong.setRegion(0, 0, 640, 480);
    EXPECT_FALSE(tooLong.open());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

class RecordingProbe : public ::testing::Test
{
protected:
    // Starts the probe and waits until it records.
    bool start(const QStringList& arguments)
    {
        probe.start(RECORD_PROBE, arguments);
        return probe.waitForReadyRead(10000) && probe.readAll().contains("recording");
    }
    void TearDown() override
    {
        if (probe.state() != QProcess::NotRunning) {
            probe.kill();
            probe.waitForFinished(5000);
        }
    }
    QTemporaryDir dir;
    QProcess probe;
};

TEST_F(RecordingProbe, AKillMidRecordingLeavesTheFinishedSecondsPlayable)
{
    const QString path = dir.filePath("killed.mp4");
    ASSERT_TRUE(start({path, "60"}));
    QTest::qWait(3500);
    ::kill(pid_t(probe.processId()), SIGKILL);
    ASSERT_TRUE(probe.waitForFinished(5000));
    const VideoFacts facts = readVideo(path);
    ASSERT_TRUE(facts.opened) << "a cut-off file still opens";
    // A fragment closes at every key frame (every 12 frames): at least two whole seconds.
    EXPECT_GE(facts.decodedFrames, 20);
    EXPECT_FALSE(videoThumbnail(path).isNull());
}

TEST_F(RecordingProbe, AFullDiskEndsTheRecordingAndKeepsWhatWasWritten)
{
    const QString path = dir.filePath("full.mp4");
    ASSERT_TRUE(start({path, "60", "20000"}));
    ASSERT_TRUE(probe.waitForFinished(60000));
    EXPECT_EQ(probe.exitCode(), 3) << "the write failure ends the recording";
    const VideoFacts facts = readVideo(path);
    ASSERT_TRUE(facts.opened);
    EXPECT_GT(facts.decodedFrames, 0);
}

TEST(VideoThumbnail, ADamagedOrMissingFileGivesNone)
{
    QTemporaryDir dir;
    EXPECT_TRUE(videoThumbnail(dir.filePath("missing.mp4")).isNull());
    QFile damaged(dir.filePath("damaged.mp4"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    QByteArray bytes("\0\0\0\x18" "ftypisom", 12);
    bytes += QByteArray(5000, '\x5a');
    damaged.write(bytes);
    damaged.close();
    EXPECT_TRUE(videoThumbnail(damaged.fileName()).isNull());
}

} // namespace
