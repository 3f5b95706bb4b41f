#pragma once

#include "detect/usbrules.h"
#include "libtcuvc.h"

#include <QString>

// Finds the attached camera: the virtual registry first, then real USB devices (sysfs)
// named by the rules, then the cameras with the temperatures in the frame that the device
// model table knows by their USB ids and picture size.
class CameraDetector
{
public:
    struct Found
    {
        QString productName;
        QString cameraName;
        bool operator==(const Found& o) const { return productName == o.productName && cameraName == o.cameraName; }
    };

    CameraDetector(QVector<UsbRule> rules, QString usbRoot = QStringLiteral("/sys/bus/usb/devices"));
    ~CameraDetector();
    CameraDetector(const CameraDetector&) = delete;
    CameraDetector& operator=(const CameraDetector&) = delete;

    // Empty names when no camera is attached.
    Found detect();

private:
    Found fromUsb() const;
    Found fromInFrameCameras();

    QVector<UsbRule> rules;
    QString usbRoot;
    tcuvc_handle_t* uvc = nullptr;
};
