#pragma once
// A K7-22 frame whose pixels carry chosen raw values, with calibration words for a band model
// S(T) = 1 / (exp(b / (T + f)) - 1). The camera's black-body calibration is taken as exact: raw
// r means the apparent temperature S^-1((r - o) / g). f = 0 states a single wavelength.
#include "K7Dll.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

// K7Dll's correction parameters back to their defaults.
inline void restoreK7Correction()
{
    UpdateFixParam(1.0f, 25.0f, 25.0f, 0.5f, 0, 0.0f);
}

class K7CalibrationFrame
{
public:
    static constexpr float kOffset = 1000.0f, kGain = 3.0e5f;

    K7CalibrationFrame(double b, double f)
        : b(b), f(f), words(size_t(K7_FRAME_WIDTH) * K7_FRAME_HEIGHT, 20000)
    {
        uint16_t* lines = words.data() + K7_FRAME_WIDTH * K7_IMAGE_HEIGHT;
        lines[0] = 0x4B37;
        lines[1] = f == 0.0 ? 1 : 2;
        const float calibration[2] = {kOffset, kGain};
        std::memcpy(lines + 8, calibration, sizeof calibration);
        lines[12] = uint16_t(300 * 16);
        lines[13] = uint16_t(std::lround(b));
        lines[14] = uint16_t(int16_t(std::lround(f * 16)));
    }
    double apparentKelvin(uint16_t raw) const { return b / std::log1p(kGain / (raw - kOffset)) - f; }

    const double b, f;
    std::vector<uint16_t> words;
};
