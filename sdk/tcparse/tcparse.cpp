#include "libtcparse.h"
#include "vectorclones.h"

#include <algorithm>
#include <cstring>

namespace {

inline uint8_t displayLevel(uint16_t v)
{
    return uint8_t(std::min<uint16_t>(v, 16383) >> 6);
}

inline uint8_t clampByte(int v)
{
    return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

} // namespace

extern "C" {

TC_VECTOR_CLONES int y16_to_y14(const uint16_t* in, int count, uint16_t* out)
{
    if (!in || !out || count < 0)
        return -1;
    for (int i = 0; i < count; ++i)
        out[i] = uint16_t(in[i] >> 2);
    return 0;
}

TC_VECTOR_CLONES int y14_to_rgb(const uint16_t* in, int count, uint8_t* rgb)
{
    if (!in || !rgb || count < 0)
        return -1;
    for (int i = 0; i < count; ++i) {
        const uint8_t g = displayLevel(in[i]);
        rgb[3 * i] = g;
        rgb[3 * i + 1] = g;
        rgb[3 * i + 2] = g;
    }
    return 0;
}

TC_VECTOR_CLONES int y14_to_y8(const uint16_t* in, int count, uint8_t* out)
{
    if (!in || !out || count < 0)
        return -1;
    for (int i = 0; i < count; ++i)
        out[i] = displayLevel(in[i]);
    return 0;
}

int yuv422_to_rgb(const uint8_t* in, int count, uint8_t* rgb)
{
    if (!in || !rgb || count < 0 || count % 2)
        return -1;
    // Full-range BT.601 in 16.16 fixed point.
    for (int i = 0; i < count; i += 2) {
        const uint8_t* p = in + 2 * i;
        const int u = p[1] - 128;
        const int v = p[3] - 128;
        const int r = (91881 * v) >> 16;
        const int g = (-22554 * u - 46802 * v) >> 16;
        const int b = (116130 * u) >> 16;
        for (int k = 0; k < 2; ++k) {
            const int y = p[2 * k];
            uint8_t* o = rgb + 3 * (i + k);
            o[0] = clampByte(y + r);
            o[1] = clampByte(y + g);
            o[2] = clampByte(y + b);
        }
    }
    return 0;
}

int rgb_to_bgr(const uint8_t* in, int count, uint8_t* out)
{
    if (!in || !out || count < 0)
        return -1;
    for (int i = 0; i < count; ++i) {
        const uint8_t r = in[3 * i];
        const uint8_t g = in[3 * i + 1];
        const uint8_t b = in[3 * i + 2];
        out[3 * i] = b;
        out[3 * i + 1] = g;
        out[3 * i + 2] = r;
    }
    return 0;
}

int raw_data_cut(const uint8_t* frame, int imageBytes, int temperatureBytes, uint8_t* image,
                 uint8_t* temperatures)
{
    if (!frame || !image || !temperatures || imageBytes < 0 || temperatureBytes < 0)
        return -1;
    std::memcpy(image, frame, size_t(imageBytes));
    std::memcpy(temperatures, frame + imageBytes, size_t(temperatureBytes));
    return 0;
}

} // extern "C"
