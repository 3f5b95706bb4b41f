#pragma once

#include <QDateTime>
#include <QString>

// The detection program's result file as the device manager sees it: parsed again only when
// the file changed (the program replaces it whenever the camera changes, and the manager
// empties it), and ignored when it is larger than any report can be.
class DetectionReport
{
public:
    static constexpr qint64 kLargestReport = 4096;

    struct Camera
    {
        QString productName;
        QString cameraName;
    };

    explicit DetectionReport(const QString& path) : path(path) {}

    // The camera the file reports now (empty names when none).
    const Camera& current();

private:
    QString path;
    Camera camera;
    qint64 size = -1;
    QDateTime modified, changed;
};
