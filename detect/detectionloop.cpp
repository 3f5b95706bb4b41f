#include "detect/detectionloop.h"

#include "core/log.h"
#include "detect/hotplugmonitor.h"

#include <QFile>
#include <QSettings>

#include <cstdio>

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
    // Written aside and renamed, so a reader never sees half a file; written as the reader
    // reads it, so a name holding "," ";" or "\\" comes back as it was.
    const QString aside = resultPath + QStringLiteral(".new");
    QFile::remove(aside);
    {
        QSettings file(aside, QSettings::IniFormat);
        file.setValue(QStringLiteral("productName"), found.productName);
        file.setValue(QStringLiteral("cameraName"), found.cameraName);
        file.sync();
        if (file.status() != QSettings::NoError)
            return false;
    }
    return std::rename(QFile::encodeName(aside).constData(), QFile::encodeName(resultPath).constData()) == 0;
}
