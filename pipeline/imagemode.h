#pragma once

#include "pipeline/frame.h"

#include <atomic>
#include <cstdint>

// The picture filters of the image modes: 0 universal (none), 1 enhance (sharpen, then an
// edge-preserving smooth), 2 high contrast (contrast-limited adaptive equalisation). Both
// work in place on the 8-bit picture of the frame's size. The mode may be set on one thread
// while frames are filtered on another.
class ImageMode
{
public:
    void set(int mode);
    bool enhance() const { return enhanceOn; }
    bool highContrast() const { return highContrastOn; }

    // On the picture of a frame being filled.
    void apply(Frame& frame) const;

    static void enhanceImage(uint8_t* image, int width, int height);
    static void highContrastImage(uint8_t* image, int width, int height);

private:
    std::atomic<bool> enhanceOn{false};
    std::atomic<bool> highContrastOn{false};
};
