#include "detectionloop.h"

#include "hotplugmonitor.h"
#include "log.h"

#include <QSaveFile>

DetectionLoop::DetectionLoop(CameraDetector& detector, QString resultPath, int intervalMs, QObject* parent)
    : QObject(parent), detector(detector), resultPath(std::move(resultPath))
{
    timer.setInterval(intervalMs);
    connect(&timer, &QTimer::timeout, this, &DetectionLoop::detectNow);
}

void DetectionLoop::start()
{
    detectNow();
    timer.start();
}

void DetectionLoop::watch(HotplugMonitor* monitor)
{
    connect(monitor, &HotplugMonitor::deviceChanged, this, &DetectionLoop::detectNow);
}

void DetectionLoop::detectNow()
{
    const CameraDetector::Found found = detector.detect();
    if (written && *written == found)
        return;
    if (writeResult(found)) {
        written = found;
        LOG_INFO(LOG_OTHER) << "camera" << found.productName << found.cameraName;
        emit reported(found.productName, found.cameraName);
    }
}

bool DetectionLoop::writeResult(const CameraDetector::Found& found) const
{
    // Written aside and renamed, so a reader never sees half a file.
    QSaveFile file(resultPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(
        QStringLiteral("productName=%1\ncameraName=%2\n").arg(found.productName, found.cameraName).toUtf8());
    return file.commit();
}
