#include "device/detectionreport.h"

#include "core/log.h"

#include <QFileInfo>
#include <QSettings>

const DetectionReport::Camera& DetectionReport::current()
{
    const QFileInfo file(path);
    const qint64 nowSize = file.exists() ? file.size() : -1;
    const QDateTime nowModified = file.lastModified(), nowChanged = file.metadataChangeTime();
    if (nowSize == size && nowModified == modified && nowChanged == changed)
        return camera;
    size = nowSize;
    modified = nowModified;
    changed = nowChanged;
    camera = Camera();
    if (size > kLargestReport) {
        LOG_INFO(LOG_FUNCTION) << "detection result of" << size << "bytes ignored";
        return camera;
    }
    if (size > 0) {
        QSettings report(path, QSettings::IniFormat);
        camera.productName = report.value(QStringLiteral("productName")).toString();
        camera.cameraName = report.value(QStringLiteral("cameraName")).toString();
    }
    return camera;
}
