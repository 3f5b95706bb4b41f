#include "frameresult.h"

#include "libtctemp.h"
#include "temperature.h"
#include "uvcpipeline.h"

#include <algorithm>

void FrameResult::allocate(int temperatures_, int imageBytes_)
{
    temperatures.assign(size_t(std::max(temperatures_, 0)), 0.0f);
    image.assign(size_t(std::max(imageBytes_, 0)), 0);
    temperatureCount = temperatures_;
    imageBytes = imageBytes_;
}

void FrameResult::release()
{
    temperatures = {};
    image = {};
    temperatureCount = imageBytes = 0;
    maxTemp = minTemp = 0.0f;
    maxX = maxY = minX = minY = 0;
}

bool extractUvcFrame(const UvcPipeline& pipeline, FrameResult& result)
{
    const uint16_t* raw = pipeline.temperatureData();
    const uint8_t* picture = pipeline.image();
    const int w = pipeline.width(), h = pipeline.height(), n = w * h;
    if (!raw || !picture || int(result.temperatures.size()) < n || int(result.image.size()) < n)
        return false;
    tctemp_info_t info{};
    if (get_rect_temp(raw, {uint16_t(w), uint16_t(h)}, {0, 0, w - 1, h - 1}, &info) != 0)
        return false;
    const bool kelvin64 = pipeline.kind() == Uvc160;
    const auto toCelsius = kelvin64 ? celsiusFromKelvin64 : celsiusFromKelvin16;
    result.maxTemp = toCelsius(info.max);
    result.minTemp = toCelsius(info.min);
    result.maxX = info.max_x;
    result.maxY = info.max_y;
    result.minX = info.min_x;
    result.minY = info.min_y;
    float* celsius = result.temperatures.data();
    for (int i = 0; i < n; ++i)
        celsius[i] = toCelsius(raw[i]);
    std::copy(picture, picture + n, result.image.begin());
    return true;
}
