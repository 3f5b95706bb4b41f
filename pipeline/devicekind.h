#pragma once

// How a camera is driven: the kind column of the device model table.
enum DeviceKind
{
    None = 0,
    DirectShowY16 = 1, // K7-22: 256 x 196 frames with parameter lines, temperatures from K7Dll
    Uvc384 = 2,        // 384 x 288 Y16 stream, temperatures from the NUC step (kelvin * 16)
    Uvc256 = 3,        // 256 x 192 Y16 stream, likewise
    Uvc160 = 4,        // YUYV stream of two halves, picture and temperatures (kelvin * 64), at the
                       // camera's own size (the table's rows; 160 x 120 for the first of them)
    DualLight = 5,     // infrared part 256 x 192 like Uvc256, plus a visible camera
};

struct FrameSize
{
    int width;
    int height;
};

// Size of the ISP image and of the 8-bit image for a kind; kind 4 cameras have their own
// sizes (the device model table), 160 x 120 is the smallest.
inline FrameSize ispImageSize(DeviceKind kind)
{
    if (kind == Uvc384)
        return {384, 288};
    if (kind == Uvc160)
        return {160, 120};
    return {256, 192};
}

// The frame size the device manager announces to the view.
inline FrameSize announcedFrameSize(DeviceKind kind)
{
    if (kind == DualLight)
        return {800, 600};
    return ispImageSize(kind);
}
