#pragma once

#include <cstdint>

// Raw temperature words to degrees Celsius. The fractional kelvin the camera measured is
// kept: a shift would quantise every reading to a whole kelvin.
inline float celsiusFromKelvin16(uint16_t raw)
{
    return float(raw / 16.0 - 273.15);
}

inline float celsiusFromKelvin64(uint16_t raw)
{
    return float(raw / 64.0 - 273.15);
}
