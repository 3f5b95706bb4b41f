#pragma once

#include "devicekind.h"

#include <QString>

#include <array>

// One row of the table of supported cameras. A connected camera is known by its row index.
struct DeviceModel
{
    int id;
    DeviceKind kind;
    QString cameraName;
    QString productName;
};

constexpr int kDeviceModelCount = 21;

// The 21 rows in their fixed order; row 0 stands for "no camera".
const std::array<DeviceModel, kDeviceModelCount>& deviceModelTable();

// First row whose camera and product names both match, or -1.
int findDeviceModel(const QString& cameraName, const QString& productName);
