#pragma once

#include <QString>
#include <QVector>

// Rules that name a real USB camera: vendor and product id, a text the device's product
// string must contain ("*" for any), and the product line and camera name to report.
struct UsbRule
{
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString productContains;
    QString productName;
    QString cameraName;
};

// One rule per line: "<vid hex> <pid hex> <product text|*> <productName> <cameraName>";
// "#" starts a comment. Malformed lines are logged and skipped.
QVector<UsbRule> parseUsbRules(const QString& text);
QVector<UsbRule> loadUsbRules(const QString& path);
