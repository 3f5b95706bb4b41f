// Snapshots, screen recording and the thumbnails beside their buttons.
#include "app/orvik.h"

#include "core/configmanager.h"
#include "core/log.h"
#include "tools/screengrab.h"
#include "tools/snapshotfiles.h"
#include "tools/videothumbnail.h"
#include "view/alertbox.h"
#include "view/verrangerslider.h"
#include "view/viewport.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>

#include <algorithm>
#include <limits>

namespace {

QString twoDigits(int n)
{
    return n < 10 ? QStringLiteral("0%1").arg(n) : QString::number(n);
}

// Newest first: the file names carry their time.
QStringList newestFirst(const QString& folder, const QString& pattern)
{
    QStringList names = QDir(folder).entryList({pattern}, QDir::Files | QDir::Readable, QDir::Name);
    std::reverse(names.begin(), names.end());
    return names;
}

} // namespace

QString Orvik::recordTimeText(int ticks, int frameRate)
{
    const int seconds = ticks / std::max(1, frameRate);
    return QStringLiteral("%1:%2:%3").arg(twoDigits(seconds / 3600), twoDigits(seconds % 3600 / 60), twoDigits(seconds % 60));
}

void Orvik::showAlert(AlertBox::Reason reason)
{
    AlertBox alert(this, reason);
    alert.exec();
}

// ---------------------------------------------------------------- snapshot

bool Orvik::folderReady(const QString& folder) const
{
    if (QDir(folder).exists())
        return true;
    // The program's own default folders are made again; a folder the user chose is not.
    const StorageFolders& storage = ConfigManager::getInstance()->storage();
    return (folder == storage.pictures || folder == storage.videos) && QDir().mkpath(folder);
}

void Orvik::on_snapImage_clicked()
{
    if (!connected)
        return;
    if (!folderReady(imagePath)) {
        showAlert(AlertBox::Reason::MissingFolder);
        return;
    }
    const QString path =
        imagePath + QLatin1Char('/') + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss-zzz")) +
        QStringLiteral(".jpg");
    const QPixmap picture = ui.viewport->grabImageArea();
    const FramePtr frame = ui.viewport->shownFrame();
    snapshot::Legend legend;
    legend.palette = palette;
    if (frame && frame->hasTemperatures()) {
        legend.low = ui.tempRange->temperatureAt(ui.tempRange->lowFraction());
        legend.high = ui.tempRange->temperatureAt(ui.tempRange->highFraction());
    } else {
        legend.low = legend.high = std::numeric_limits<float>::quiet_NaN();
    }
    legend.linear = ui.tempRange->windowNarrowed();
    legend.unitLetter = deviceManager->getTempUnit();
    legend.taken = QDateTime::currentDateTime();
    legend.cameraId = ui.deviceId->text();
    legend.emissivity = deviceManager->sensorCorrection().emissivity;
    bool saved = snapshot::savePicture(picture, rotation == 90 || rotation == 270, legend, path);
    if (saved && frame && frame->hasTemperatures() &&
        ConfigManager::getInstance()->getSettingOrDefault(QStringLiteral("SnapshotTemperatures")) == QLatin1String("1")) {
        const ViewGeometry& shown = ui.viewport->viewGeometry();
        saved = snapshot::saveTemperatures(*frame, shown.rotation, shown.mirrorH, shown.mirrorV, ui.deviceId->text(),
                                           snapshot::temperaturePath(path));
        if (!saved)
            QFile::remove(path); // a picture without its temperatures is not the snapshot asked for
    }
    if (saved && frame && golden.isOn() && !golden.lastDelta().empty()) {
        // The difference from the golden board beside the picture, as shown.
        Frame difference = *frame;
        const cv::Mat& delta = golden.lastDelta();
        difference.temperatures.assign(delta.ptr<float>(0), delta.ptr<float>(0) + delta.total());
        double low = 0, high = 0;
        cv::minMaxLoc(delta, &low, &high);
        difference.minTemp = float(low);
        difference.maxTemp = float(high);
        QString differencePath = snapshot::temperaturePath(path);
        differencePath.insert(differencePath.size() - 4, QStringLiteral("-dT"));
        const ViewGeometry& shown = ui.viewport->viewGeometry();
        saved = snapshot::saveTemperatures(difference, shown.rotation, shown.mirrorH, shown.mirrorV,
                                           ui.deviceId->text(), differencePath, "K (difference from the golden board)");
        if (!saved) { // the snapshot is the picture with its tables, or nothing
            QFile::remove(path);
            QFile::remove(snapshot::temperaturePath(path));
        }
    }
    if (!saved) {
        showAlert(AlertBox::Reason::SnapshotNotSaved);
        return;
    }
    ui.imageFile->setPixmap(picture);
}

// ---------------------------------------------------------------- recording

void Orvik::on_record_clicked()
{
    // A recording can be stopped after the camera or the folder went away, but not started
    // without them.
    if (recording) {
        blockRecordButton();
        if (!stopRecording())
            showRecordingStopped();
        return;
    }
    if (!connected)
        return;
    if (!folderReady(videoPath)) {
        showAlert(AlertBox::Reason::MissingFolder);
        return;
    }
    blockRecordButton();
    startRecording();
}

void Orvik::blockRecordButton()
{
    // A disabled button hands its focus on, and the next one (the alarm) would take a space.
    if (ui.record->hasFocus())
        setFocus();
    ui.record->setEnabled(false);
    recordButtonTimer->start(1500);
}

void Orvik::followWindowWhileRecording()
{
    if (!recorder)
        return;
    const QRect region = recordingRegion();
    if (!region.isEmpty())
        recorder->moveRegion(region.x(), region.y(), region.width(), region.height());
}

QString Orvik::newVideoPath() const
{
    // A second recording within the same second, or after the clock was set back, never
    // overwrites an earlier one.
    const QString stem = videoPath + QLatin1Char('/') + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
    QString path = stem + QStringLiteral(".mp4");
    for (int n = 1; QFile::exists(path); ++n)
        path = stem + QStringLiteral("-%1.mp4").arg(n);
    return path;
}

QRect Orvik::recordingRegion() const
{
    // In the desktop's own pixels (the window system's, not Qt's scaled ones), and only the
    // part on the desktop: the grabber refuses a region beyond it.
    QRect region = windowHandle() && windowHandle()->handle() ? windowHandle()->handle()->geometry() : geometry();
    QRect desktop;
    for (const QScreen* screen : QGuiApplication::screens())
        desktop |= screen->handle() ? screen->handle()->geometry() : screen->geometry();
    return region & desktop;
}

void Orvik::startRecording()
{
    lastVideoPath = newVideoPath();
    const QRect region = recordingRegion();
    recorder = std::make_unique<ScreenGrab>();
    recorder->startRecord(lastVideoPath.toUtf8().toStdString(), region.width(), region.height());
    recorder->setRegion(region.x(), region.y(), region.width(), region.height());
    if (!recorder->open()) {
        // Told, not shown as a recording that records nothing.
        LOG_ERROR(LOG_ORVIK) << "grab screen error";
        recorder.reset();
        QFile::remove(lastVideoPath);
        showAlert(AlertBox::Reason::RecordingNotStarted);
        return;
    }
    recording = true;
    recordTimer->start(1000 / std::max(1, recorder->frameRate()));
    ui.record->setText(tr("停止录像"));
    ui.recordHint->setStyleSheet(QStringLiteral("border-image: url(:/image/common/TitleBar/disconnect.png);"));
    ui.record->setStyleSheet(
        QStringLiteral("QPushButton#record{background-color: rgb(150, 30, 30); border-color: rgb(255, 80, 80); color: white;}"));
}

bool Orvik::stopRecording()
{
    recordTimer->stop();
    bool whole = true;
    if (recorder) {
        whole = recorder->stopRecord();
        recorder.reset();
    }
    recordTicks = 0;
    recording = false;
    ui.record->setText(tr("开始录像"));
    ui.recordTime->setText(QStringLiteral("00:00:00"));
    ui.recordHint->setStyleSheet(QString());
    ui.record->setStyleSheet(QString());
    const QImage thumbnail = videoThumbnail(lastVideoPath);
    if (!thumbnail.isNull())
        ui.videoFile->setPixmap(QPixmap::fromImage(thumbnail));
    if (!whole)
        LOG_INFO(LOG_ORVIK) << "the end of" << lastVideoPath << "could not be written";
    // A file removed while it was being written (its folder deleted) is lost: say so.
    if (!QFile::exists(lastVideoPath)) {
        LOG_INFO(LOG_ORVIK) << "the recording" << lastVideoPath << "is gone";
        return false;
    }
    return whole;
}

void Orvik::recordFile()
{
    if (!recorder)
        return;
    recorder->grabFrame();
    if (recorder->writeFailed()) {
        // The part written so far stays playable; the user learns why the recording ended.
        LOG_ERROR(LOG_ORVIK) << "recording stopped: cannot write" << lastVideoPath;
        blockRecordButton();
        stopRecording();
        showRecordingStopped();
        return;
    }
    ++recordTicks;
    const int rate = std::max(1, recorder->frameRate());
    if (recordTicks % rate == 0)
        ui.recordTime->setText(recordTimeText(recordTicks, rate));
}

void Orvik::showRecordingStopped()
{
    // Not modal: it comes from a timer tick, not from the user.
    auto* alert = new AlertBox(this, AlertBox::Reason::RecordingStopped);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->show();
}

void Orvik::SetVideoButtonEable()
{
    ui.record->setEnabled(true);
    recordButtonTimer->stop();
}

// ---------------------------------------------------------------- thumbnails

void Orvik::showNewestVideo()
{
    for (const QString& name : newestFirst(videoPath, QStringLiteral("*.mp4"))) {
        const QImage thumbnail = videoThumbnail(videoPath + QLatin1Char('/') + name);
        if (!thumbnail.isNull()) {
            ui.videoFile->setPixmap(QPixmap::fromImage(thumbnail));
            return;
        }
    }
}

void Orvik::showNewestSnapshot()
{
    for (const QString& name : newestFirst(imagePath, QStringLiteral("*.jpg"))) {
        const QPixmap picture(imagePath + QLatin1Char('/') + name);
        if (!picture.isNull()) {
            ui.imageFile->setPixmap(picture);
            return;
        }
    }
}
