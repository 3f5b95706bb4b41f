#pragma once
// Frames as the device manager hands them on, made up for tests of what consumes them.
#include "pipeline/frame.h"

#include <algorithm>
#include <memory>

// A flat scene at celsius with a grey picture; extremes at (0, 0) until setHottest.
inline std::shared_ptr<Frame> flatFrame(int width, int height, float celsius, uint8_t grey = 128,
                                        DeviceKind kind = Uvc256)
{
    auto frame = std::make_shared<Frame>();
    frame->resize(width, height);
    frame->kind = kind;
    std::fill(frame->temperatures.begin(), frame->temperatures.end(), celsius);
    std::fill(frame->image.begin(), frame->image.end(), grey);
    frame->maxTemp = frame->minTemp = celsius;
    return frame;
}

inline void setHottest(Frame& frame, int x, int y, float celsius)
{
    frame.temperatures[size_t(y) * frame.width + x] = celsius;
    frame.maxX = x;
    frame.maxY = y;
    frame.maxTemp = celsius;
}
