#pragma once

#include "devicekind.h"

#include <cstdint>

// The picture filters of the image modes: 0 universal (none), 1 enhance (sharpen, then an
// edge-preserving smooth), 2 high contrast (contrast-limited adaptive equalisation). Both
// work in place on the 8-bit picture of the kind's size.
class ImageMode
{
public:
    void set(int mode);
    bool enhance() const { return enhanceOn; }
    bool highContrast() const { return highContrastOn; }

    void apply(DeviceKind kind, uint8_t* image) const;

    static void enhanceImage(uint8_t* image, int width, int height);
    static void highContrastImage(uint8_t* image, int width, int height);

private:
    bool enhanceOn = false;
    bool highContrastOn = false;
};
