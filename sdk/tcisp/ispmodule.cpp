#include "ispmodule.h"

#include <cassert>
#include <cmath>
#include <cstdlib>

namespace tcisp {

bool validSize(const isp_image_size_t* size)
{
    return size && size->width >= 2 && size->height >= 2 && size->width <= 4096 && size->height <= 4096 &&
           size->bytes_per_pixel == 2;
}

int attach(isp_handle_t* h, IspState* state, void* in, void* out)
{
    delete static_cast<IspState*>(h->state);
    h->state = state;
    h->input = in;
    h->output = out;
    return 0;
}

int destroy(isp_handle_t* h, Module m)
{
    if (!h || !h->state || static_cast<IspState*>(h->state)->module != m)
        return -1;
    delete static_cast<IspState*>(h->state);
    h->state = nullptr;
    h->input = nullptr;
    h->output = nullptr;
    return 0;
}

float noiseSigma(const uint16_t* image, int width, int height, uint32_t* scratch)
{
    constexpr int lag = 3;
    std::fill(scratch, scratch + kNoiseBins, 0u);
    uint32_t samples = 0;
    for (int y = 0; y < height; y += 2) {
        const uint16_t* row = image + size_t(y) * width;
        for (int x = lag; x < width - lag; ++x) {
            const int d = std::abs(2 * int(row[x]) - int(row[x - lag]) - int(row[x + lag]));
            ++scratch[std::min(d, kNoiseBins - 1)];
            ++samples;
        }
    }
    // The median, read between whole counts: integer magnitude m stands for [m - 1/2, m + 1/2).
    uint32_t below = 0;
    int bin = 0;
    while (bin < kNoiseBins - 1 && below + scratch[bin] <= samples / 2)
        below += scratch[bin++];
    const float span = bin == 0 ? 0.5f : 1.0f, start = bin == 0 ? 0.0f : bin - 0.5f;
    const float median = start + span * (0.5f * samples - below) / std::max(scratch[bin], 1u);
    // For white noise of deviation s a second difference has deviation s * sqrt(6), and the
    // median of its magnitude is 0.6745 of that.
    return std::max(0.5f, median / (0.6745f * std::sqrt(6.0f)));
}

BoxFilter::BoxFilter(int width, int height, int radius)
    : w(width), h(height), r(radius), padded(size_t(width + 2 * radius), 0.0f), inverseRows(size_t(height)),
      inverseColumnList(size_t(width))
{
    assert(radius >= 0 && radius <= kMaxRadius); // the modules' init refuses wider windows
    const auto inverseLengths = [radius](std::vector<float>& out, int length) {
        for (int i = 0; i < length; ++i)
            out[size_t(i)] = 1.0f / float(std::min(length - 1, i + radius) - std::max(0, i - radius) + 1);
    };
    inverseLengths(inverseRows, height);
    inverseLengths(inverseColumnList, width);
}

} // namespace tcisp
