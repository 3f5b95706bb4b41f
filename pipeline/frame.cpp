#include "pipeline/frame.h"

#include "libtctemp.h"
#include "pipeline/temperature.h"
#include "pipeline/uvcpipeline.h"

#include <algorithm>
#include <cmath>
#include <cstring>

void Frame::resize(int w, int h)
{
    width = std::max(w, 0);
    height = std::max(h, 0);
    temperatures.resize(size_t(pixels()));
    image.resize(size_t(pixels()));
    rgb.clear(); // set again by the one camera that has it
}

void Frame::dropTemperatures()
{
    temperatures.clear();
    maxTemp = minTemp = 0.0f;
    maxX = maxY = minX = minY = 0;
}

bool Frame::temperaturesFinite() const
{
    // An exponent of all ones is an infinity or not a number: one integer test a pixel, which
    // the compiler vectorises.
    uint32_t special = 0;
    for (const float v : temperatures) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        special |= uint32_t((bits & 0x7f800000u) == 0x7f800000u);
    }
    return special == 0 && std::isfinite(maxTemp) && std::isfinite(minTemp);
}

bool fillTemperatures(const uint16_t* raw, DeviceKind kind, Frame& frame, const std::vector<float>* corrected)
{
    const int w = frame.width, h = frame.height;
    tctemp_info_t info{};
    if (!raw || w <= 0 || h <= 0 || w > 65535 || h > 65535 ||
        get_rect_temp(raw, {uint16_t(w), uint16_t(h)}, {0, 0, w - 1, h - 1}, &info) != 0)
        return false;
    frame.temperatures.resize(size_t(frame.pixels()));
    float* celsius = frame.temperatures.data();
    const int n = frame.pixels();
    // The correction is monotonic: the hottest raw word stays the hottest pixel.
    if (corrected && corrected->size() == 65536) {
        const float* table = corrected->data();
        frame.maxTemp = table[info.max];
        frame.minTemp = table[info.min];
        for (int i = 0; i < n; ++i)
            celsius[i] = table[raw[i]];
    } else {
        const auto toCelsius = kind == Uvc160 ? celsiusFromKelvin64 : celsiusFromKelvin16;
        frame.maxTemp = toCelsius(info.max);
        frame.minTemp = toCelsius(info.min);
        for (int i = 0; i < n; ++i)
            celsius[i] = toCelsius(raw[i]);
    }
    frame.maxX = info.max_x;
    frame.maxY = info.max_y;
    frame.minX = info.min_x;
    frame.minY = info.min_y;
    return frame.temperaturesFinite();
}

bool extractUvcFrame(const UvcPipeline& pipeline, Frame& frame)
{
    const uint16_t* raw = pipeline.temperatureData();
    const uint8_t* picture = pipeline.image();
    const int w = pipeline.width(), h = pipeline.height();
    if (!raw || !picture || w <= 0 || h <= 0)
        return false;
    frame.resize(w, h);
    frame.kind = pipeline.kind();
    frame.highRange = pipeline.lastFrameHighRange();
    if (!fillTemperatures(raw, frame.kind, frame, pipeline.temperatureCorrection().get()))
        return false;
    std::copy(picture, picture + frame.pixels(), frame.image.begin());
    return true;
}
