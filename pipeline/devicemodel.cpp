#include "pipeline/devicemodel.h"

const std::array<DeviceModel, kDeviceModelCount>& deviceModelTable()
{
    static const std::array<DeviceModel, kDeviceModelCount> table = {{
        {0, None, QString(), QStringLiteral("Veltrace")},
        {1, DirectShowY16, QStringLiteral("K7-22"), QStringLiteral("Veltrace")},
        {2, Uvc256, QStringLiteral("Lumo"), QStringLiteral("Veltrace")},
        {3, Uvc256, QStringLiteral("LumoQ"), QStringLiteral("Veltrace")},
        {4, Uvc160, QStringLiteral("LumoS"), QStringLiteral("Veltrace"), 160, 120},
        {5, Uvc256, QStringLiteral("LumoM"), QStringLiteral("Veltrace")},
        {6, Uvc256, QStringLiteral("VeskM"), QStringLiteral("Veltrace")},
        {7, Uvc384, QStringLiteral("VeskL"), QStringLiteral("Veltrace")},
        {8, DualLight, QStringLiteral("Bifold"), QStringLiteral("Veltrace")},
        {9, DualLight, QStringLiteral("BifoldF"), QStringLiteral("Veltrace")},
        {10, DirectShowY16, QStringLiteral("K7-22"), QStringLiteral("Orvik")},
        {11, Uvc256, QStringLiteral("Lumo"), QStringLiteral("Orvik")},
        {12, Uvc256, QStringLiteral("LumoB"), QStringLiteral("Orvik")},
        {13, Uvc256, QStringLiteral("LumoBX"), QStringLiteral("Orvik")},
        {14, Uvc160, QStringLiteral("Vesk_R_S"), QStringLiteral("Orvik"), 160, 120},
        {15, Uvc256, QStringLiteral("Vesk_R_M"), QStringLiteral("Orvik")},
        {16, Uvc256, QStringLiteral("Vesk_R_MX"), QStringLiteral("Orvik")},
        {17, Uvc256, QStringLiteral("Menderly_1X"), QStringLiteral("Menderly")},
        {18, Uvc256, QStringLiteral("Wrenlow_1X"), QStringLiteral("Wrenlow")},
        {19, Uvc256, QStringLiteral("Quell_IR"), QStringLiteral("Quell_IR")},
        {20, Uvc256, QStringLiteral("HarrowX_IR"), QStringLiteral("Harrow_IR")},
        // Low-cost cameras with the temperatures in the frame, known by their USB ids and size.
        {21, Uvc160, QStringLiteral("Vesk_T160"), QStringLiteral("Orvik"), 160, 120, 0x0BDA, 0x5830},
        {22, Uvc160, QStringLiteral("Vesk_T256"), QStringLiteral("Orvik"), 256, 192, 0x0BDA, 0x5830},
        {23, Uvc160, QStringLiteral("Vesk_T384"), QStringLiteral("Orvik"), 384, 288, 0x0BDA, 0x5830},
    }};
    return table;
}

int findDeviceModel(const QString& cameraName, const QString& productName)
{
    for (const DeviceModel& row : deviceModelTable())
        if (row.cameraName == cameraName && row.productName == productName)
            return row.id;
    return -1;
}

int findInFrameModel(uint16_t vendorId, uint16_t productId, int width, int height)
{
    for (const DeviceModel& row : deviceModelTable())
        if (row.kind == Uvc160 && row.vendorId == vendorId && row.productId == productId && vendorId != 0 &&
            ((width == 0 && height == 0) || (row.width == width && row.height == height)))
            return row.id;
    return -1;
}

bool isInFrameSize(int width, int height)
{
    for (const DeviceModel& row : deviceModelTable())
        if (row.kind == Uvc160 && row.width == width && row.height == height)
            return true;
    return false;
}

FrameSize modelFrameSize(int row)
{
    if (row <= 0 || row >= kDeviceModelCount)
        return announcedFrameSize(None);
    const DeviceModel& model = deviceModelTable()[size_t(row)];
    if (model.kind == Uvc160)
        return {model.width, model.height};
    return announcedFrameSize(model.kind);
}
