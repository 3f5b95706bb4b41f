#include "view/heatfieldimage.h"

#include <algorithm>
#include <cstring>

void HeatFieldImage::setSize(int width, int height)
{
    w = std::max(0, width);
    h = std::max(0, height);
    const size_t n = size_t(w) * size_t(h);
    windowedValues.assign(n, 0);
    smoothedValues.assign(n, 0);
    rgbValues.assign(n * 3, 0);
    sums.assign(size_t(w + 1) * size_t(h + 1), 0);
}

void HeatFieldImage::setPalette(const uint8_t* table)
{
    if (table)
        std::memcpy(palette, table, sizeof palette);
}

void HeatFieldImage::setFrame(const uint8_t* gray)
{
    const int lo = int(grayLow * 255), hi = int(grayHigh * 255);
    const size_t n = windowedValues.size();
    if (hi > lo) {
        uint8_t levels[256];
        for (int g = 0; g < 256; ++g)
            levels[g] = uint8_t(std::clamp((g - lo) * 255 / (hi - lo), 0, 255));
        for (size_t i = 0; i < n; ++i)
            windowedValues[i] = levels[gray[i]];
    }
    smooth();
    for (size_t i = 0; i < n; ++i)
        std::memcpy(&rgbValues[3 * i], palette + 3 * smoothedValues[i], 3);
}

void HeatFieldImage::smooth()
{
    smoothedValues = windowedValues;
    const int r = radius;
    if (r <= 0 || r >= w - r || r >= h - r)
        return;
    // Running sums over the whole picture: each block's sum is four look-ups, whatever its
    // size, and the integer mean is the same as adding the block up.
    const size_t stride = size_t(w) + 1;
    for (int y = 0; y < h; ++y) {
        uint32_t row = 0;
        for (int x = 0; x < w; ++x) {
            row += windowedValues[size_t(y) * w + x];
            sums[(y + 1) * stride + x + 1] = sums[y * stride + x + 1] + row;
        }
    }
    const uint32_t area = uint32_t((2 * r + 1) * (2 * r + 1));
    for (int y = r; y < h - r; ++y) {
        const uint32_t* top = &sums[size_t(y - r) * stride];
        const uint32_t* bottom = &sums[size_t(y + r + 1) * stride];
        for (int x = r; x < w - r; ++x) {
            const uint32_t sum = bottom[x + r + 1] - bottom[x - r] - top[x + r + 1] + top[x - r];
            smoothedValues[size_t(y) * w + x] = uint8_t(sum / area);
        }
    }
}
