#include "shadinggrid.h"

#include <vector>

namespace tcsdk {

bool expandGrid(const uint16_t* table, std::size_t words, bool isSigned, float scale, int width, int height,
                float* out)
{
    if (!table || !out || width < 2 || height < 2)
        return false;
    const int columns = table[0] >> 8;
    const int rows = table[0] & 0xFF;
    if (columns < 2 || rows < 2 || std::size_t(1 + columns * rows) > words)
        return false;
    auto node = [&](int c, int r) {
        const uint16_t v = table[1 + r * columns + c];
        return (isSigned ? float(int16_t(v)) : float(v)) * scale;
    };
    std::vector<int> x0(width);
    std::vector<float> fx(width);
    for (int x = 0; x < width; ++x) {
        const float gx = float(x) * float(columns - 1) / float(width - 1);
        x0[x] = gx >= float(columns - 1) ? columns - 2 : int(gx);
        fx[x] = gx - float(x0[x]);
    }
    for (int y = 0; y < height; ++y) {
        const float gy = float(y) * float(rows - 1) / float(height - 1);
        const int y0 = gy >= float(rows - 1) ? rows - 2 : int(gy);
        const float fy = gy - float(y0);
        for (int x = 0; x < width; ++x) {
            const float top = node(x0[x], y0) + (node(x0[x] + 1, y0) - node(x0[x], y0)) * fx[x];
            const float bottom = node(x0[x], y0 + 1) + (node(x0[x] + 1, y0 + 1) - node(x0[x], y0 + 1)) * fx[x];
            out[y * width + x] = top + (bottom - top) * fy;
        }
    }
    return true;
}

} // namespace tcsdk
