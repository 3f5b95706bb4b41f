#pragma once

#include <algorithm>
#include <cstdint>

// A span of temperatures (degC) spread linearly over the palette: at or below the low end its
// first entry, at or above the high end its last. A degenerate span splits at its value.
struct TemperatureSpan
{
    float low = 0.0f, high = 0.0f;

    uint8_t index(float celsius) const
    {
        if (high <= low)
            return celsius > low ? 255 : 0;
        return uint8_t(std::clamp((celsius - low) * (255.0f / (high - low)), 0.0f, 255.0f));
    }
};
