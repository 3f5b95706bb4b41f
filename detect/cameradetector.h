#pragma once

#include "usbrules.h"

#include <QString>

// Finds the attached camera: the virtual registry first, then real USB devices (sysfs)
// named by the rules.
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

    // Empty names when no camera is attached.
    Found detect() const;

private:
    Found fromUsb() const;

    QVector<UsbRule> rules;
    QString usbRoot;
};
