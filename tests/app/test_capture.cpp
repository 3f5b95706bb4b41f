// Snapshots through the real window: the files they leave, their names and sizes, the alerts
// when a folder is missing or cannot be written; the recording clock and the thumbnails.
#include "core/configmanager.h"
#include "tests/support/alertcatcher.h"
#include "tests/support/csvrows.h"
#include "tests/support/livewindow.h"
#include "tests/support/testframes.h"
#include "tools/snapshotfiles.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <optional>

namespace {

const auto* environment = AppDirEnvironment::install();

class Capture : public LiveWindow
{
protected:
    void SetUp() override
    {
        QFile::remove(gAppDir + "/Config/LocalSetting.ini");
        gLanguageIndex = 0;
        LiveWindow::SetUp();
        open();
        window->GetCameraSize(256, 192, 15);
        window->setConnectState(true);
        auto frame = flatFrame(256, 192, 25.0f);
        setHottest(*frame, 200, 30, 70.0f);
        window->presentFrame(frame);
        window->setImagePath(folder.path());
        window->setVideoPath(folder.path());
    }
    QStringList files(const QString& pattern) const { return QDir(folder.path()).entryList({pattern}, QDir::Files, QDir::Name); }
    // Clicks the snapshot button and closes the alert it may raise; the alert's reason, if any.
    std::optional<AlertBox::Reason> snapshot()
    {
        const AlertCatcher alert;
        QTest::mouseClick(window->form().snapImage, Qt::LeftButton);
        return alert.reason();
    }
    QTemporaryDir folder;
};

TEST_F(Capture, SnapshotsInOneSecondGetTheirOwnNamesAndKeepTheTemperaturesShown)
{
    EXPECT_FALSE(snapshot());
    EXPECT_FALSE(snapshot());
    const QStringList pictures = files("*.jpg");
    ASSERT_EQ(pictures.size(), 2) << "milliseconds in the name";
    EXPECT_EQ(QImage(folder.filePath(pictures[0])).size(), QSize(640 + snapshot::kLegendWidth, 480));
    EXPECT_FALSE(window->form().imageFile->pixmap(Qt::ReturnByValue).isNull()) << "the thumbnail";
    const auto table = csvRows(folder.filePath(QString(pictures[0]).replace(".jpg", ".csv")));
    ASSERT_EQ(table.size(), 192u);
    ASSERT_EQ(table[0].size(), 256);
    EXPECT_EQ(table[30][200], "70.00") << "the hottest pixel where the view has it";
}

TEST_F(Capture, AnUprightViewGivesAnUprightPictureAndTable)
{
    window->showRotateParam(90, false, false);
    EXPECT_FALSE(snapshot());
    const QStringList pictures = files("*.jpg");
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_EQ(QImage(folder.filePath(pictures[0])).size(), QSize(480 + snapshot::kLegendWidth, 640));
    const auto table = csvRows(folder.filePath(QString(pictures[0]).replace(".jpg", ".csv")));
    ASSERT_EQ(table.size(), 256u);
    ASSERT_EQ(table[0].size(), 192);
    // Turned clockwise: frame pixel (200, 30) is shown at (191 - 30, 200).
    EXPECT_EQ(table[200][161], "70.00");
}

TEST_F(Capture, TheTemperatureTableCanBeSwitchedOff)
{
    ConfigManager::getInstance()->setSettingValue("SnapshotTemperatures", "0");
    EXPECT_FALSE(snapshot());
    EXPECT_EQ(files("*.jpg").size(), 1);
    EXPECT_TRUE(files("*.csv").isEmpty());
}

TEST_F(Capture, TheProgramsOwnFolderIsMadeAgainWhenItWasDeleted)
{
    const QString own = ConfigManager::getInstance()->storage().pictures;
    window->setImagePath(own);
    QDir(own).removeRecursively();
    EXPECT_FALSE(snapshot()) << "no alert";
    EXPECT_EQ(QDir(own).entryList({"*.jpg"}, QDir::Files).size(), 1);
}

TEST_F(Capture, AMissingOrUnwritableFolderIsToldAndLeavesNothing)
{
    const qint64 thumbnail = window->form().imageFile->pixmap(Qt::ReturnByValue).cacheKey();
    window->setImagePath(folder.filePath("gone"));
    EXPECT_EQ(snapshot(), AlertBox::Reason::MissingFolder);
    EXPECT_EQ(window->form().imageFile->pixmap(Qt::ReturnByValue).cacheKey(), thumbnail);
    // A folder no one can create files in.
    window->setImagePath("/proc/self");
    EXPECT_EQ(snapshot(), AlertBox::Reason::SnapshotNotSaved);
    EXPECT_EQ(window->form().imageFile->pixmap(Qt::ReturnByValue).cacheKey(), thumbnail);
    EXPECT_TRUE(files("*").isEmpty());
}

TEST_F(Capture, RecordingWithoutACameraOrFolderDoesNotStart)
{
    window->setVideoPath(folder.filePath("gone"));
    const AlertCatcher alert;
    QTest::mouseClick(window->form().record, Qt::LeftButton);
    EXPECT_EQ(alert.reason(), AlertBox::Reason::MissingFolder);
    EXPECT_FALSE(window->isRecording());
    EXPECT_TRUE(window->form().record->isEnabled());
    window->setVideoPath(folder.path());
    window->setConnectState(false);
    QTest::mouseClick(window->form().record, Qt::LeftButton);
    EXPECT_FALSE(window->isRecording());
}

TEST(RecordClock, CountsTicksInHoursMinutesAndSeconds)
{
    EXPECT_EQ(Orvik::recordTimeText(9, 10), "00:00:00");
    EXPECT_EQ(Orvik::recordTimeText(10, 10), "00:00:01");
    EXPECT_EQ(Orvik::recordTimeText(36000, 10), "01:00:00");
    EXPECT_EQ(Orvik::recordTimeText(10 * 3600 * 10 + 610, 10), "10:01:01");
    EXPECT_EQ(Orvik::recordTimeText(100 * 3600 * 10, 10), "100:00:00");
}

TEST_F(Capture, ThumbnailsComeFromTheNewestReadableFile)
{
    QPixmap shown(10, 10);
    shown.fill(Qt::green);
    window->form().videoFile->setPixmap(shown);
    window->setVideoPath(folder.path()); // no video here
    EXPECT_EQ(window->form().videoFile->pixmap(Qt::ReturnByValue).cacheKey(), shown.cacheKey());

    QImage older(30, 20, QImage::Format_RGB32), newer(30, 20, QImage::Format_RGB32);
    older.fill(Qt::blue);
    newer.fill(Qt::red);
    ASSERT_TRUE(older.save(folder.filePath("2026-01-01-10-00-00-000.jpg")));
    ASSERT_TRUE(newer.save(folder.filePath("2026-01-02-10-00-00-000.jpg")));
    QFile damaged(folder.filePath("2026-01-03-10-00-00-000.jpg"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("not a picture");
    damaged.close();
    window->setImagePath(folder.path());
    const QImage thumbnail = window->form().imageFile->pixmap(Qt::ReturnByValue).toImage();
    ASSERT_FALSE(thumbnail.isNull());
    EXPECT_GT(thumbnail.pixelColor(5, 5).red(), 200) << "the newest picture that can be read";
}

} // namespace
