#include "ispmodule.h"

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

void boxMean(const float* in, int width, int height, int radius, float* scratch, double* sums, float* out)
{
    // Horizontal running sums into scratch, then vertical ones into out.
    for (int y = 0; y < height; ++y) {
        const float* row = in + y * width;
        float* dst = scratch + y * width;
        double sum = 0.0;
        int count = 0;
        for (int x = 0; x <= radius && x < width; ++x, ++count)
            sum += row[x];
        for (int x = 0; x < width; ++x) {
            dst[x] = float(sum / count);
            const int add = x + radius + 1;
            const int drop = x - radius;
            if (add < width) {
                sum += row[add];
                ++count;
            }
            if (drop >= 0) {
                sum -= row[drop];
                --count;
            }
        }
    }
    for (int x = 0; x < width; ++x)
        sums[x] = 0.0;
    int count = 0;
    for (int y = 0; y <= radius && y < height; ++y, ++count)
        for (int x = 0; x < width; ++x)
            sums[x] += scratch[y * width + x];
    for (int y = 0; y < height; ++y) {
        float* dst = out + y * width;
        for (int x = 0; x < width; ++x)
            dst[x] = float(sums[x] / count);
        const int add = y + radius + 1;
        const int drop = y - radius;
        if (add < height) {
            for (int x = 0; x < width; ++x)
                sums[x] += scratch[add * width + x];
            ++count;
        }
        if (drop >= 0) {
            for (int x = 0; x < width; ++x)
                sums[x] -= scratch[drop * width + x];
            --count;
        }
    }
}

} // namespace tcisp
