#pragma once

#include "detect/cameradetector.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

class HotplugMonitor;

// Writes the camera the detector finds into the result file whenever it changes: on a timer
// (the scan that finds every camera, events or not) and at once when a device comes or goes.
class DetectionLoop : public QObject
{
    Q_OBJECT

public:
    DetectionLoop(CameraDetector& detector, QString resultPath, int intervalMs, QObject* parent = nullptr);
    // Detects now, then on the timer.
    void start();
    // Detects at every event of the monitor.
    void watch(HotplugMonitor* monitor);
    void detectNow();

signals:
    // The result file names another camera (empty names: none).
    void reported(const QString& productName, const QString& cameraName);

private:
    bool writeResult(const CameraDetector::Found& found) const;

    CameraDetector& detector;
    const QString resultPath;
    QTimer timer;
    std::optional<CameraDetector::Found> written;
};
