#pragma once

#include "pipeline/frame.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

// Frames of the K7-22 camera: 256 x 196 little-endian words, the image in rows 0..191 and
// parameter lines below with the frame's raw extremes and the serial number. Temperatures
// come from K7Dll, the picture is a linear stretch between the raw extremes.
class K7Frame
{
public:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 196;
    static constexpr int kImageHeight = 192;
    static constexpr int kImageWords = kWidth * kImageHeight; // 49,152
    static constexpr int kBytes = kWidth * kHeight * 2;
    static constexpr int kMaxWord = 49156;
    static constexpr int kMinWord = 49159;
    static constexpr int kSerialByte = 98880;

    // The negotiated format must be exactly 256 x 196.
    static bool acceptsFormat(int width, int height) { return width == kWidth && height == kHeight; }

    // The 16 serial bytes of the parameter lines, up to the first NUL.
    static QByteArray serial(const uint8_t* frame);

    // Lets K7Dll re-read the camera's calibration from this frame.
    static bool refreshParameters(const uint8_t* frame, const char* deviceName);

    // Temperatures, extremes and picture of a whole frame (kBytes) into out, 256 x 192. The
    // picture is stretched between the raw extremes into picture, which keeps the previous
    // frame's when they are equal.
    static bool decode(const uint8_t* frame, Frame& out, std::vector<uint8_t>& picture);
};
