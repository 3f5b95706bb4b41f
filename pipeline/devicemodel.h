#pragma once

#include "pipeline/devicekind.h"

#include <QString>

#include <array>
#include <cstdint>

// One row of the table of supported cameras. A connected camera is known by its row index.
// The cameras that deliver their temperatures in the frame (kind 4) have a picture size of
// their own; those found by their USB ids alone (real cameras without a detection rule) also
// name the ids.
struct DeviceModel
{
    int id;
    DeviceKind kind;
    QString cameraName;
    QString productName;
    int width = 0, height = 0; // kind 4: the picture (the stream is twice as high)
    uint16_t vendorId = 0, productId = 0;
};

constexpr int kDeviceModelCount = 24;

// The rows in their fixed order; row 0 stands for "no camera".
const std::array<DeviceModel, kDeviceModelCount>& deviceModelTable();

// First row whose camera and product names both match, or -1.
int findDeviceModel(const QString& cameraName, const QString& productName);

// The in-frame camera with these USB ids and picture size (0 x 0: the first with these ids),
// or -1.
int findInFrameModel(uint16_t vendorId, uint16_t productId, int width, int height);
// Whether some in-frame camera of the table has pictures of this size.
bool isInFrameSize(int width, int height);

// The size of a row's frames as the view shows them.
FrameSize modelFrameSize(int row);
