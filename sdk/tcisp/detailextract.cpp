// Detail extraction: the high-pass part of the image against its local box mean.
#include "ispmodule.h"
#include "vectorclones.h"

namespace tcisp {
namespace {

struct DetailState : IspState
{
    DetailState(int w, int h, const detail_extract_param_t& p)
        : IspState(Module::DetailExtract, w, h), gain(p.gain), box(w, h, p.radius), sums(size_t(w))
    {
    }
    float gain;
    BoxFilter box;
    std::vector<float> sums; // of one row
};

} // namespace
} // namespace tcisp

using namespace tcisp;

extern "C" {

int detail_extract_init(isp_handle_t* h, int, const detail_extract_param_t* param, const isp_image_size_t* size,
                        void* in, void* out, int, int)
{
    if (!h || !param || !in || !out || !validSize(size) || param->radius < 1 || param->radius > BoxFilter::kMaxRadius)
        return -1;
    return attach(h, new DetailState(size->width, size->height, *param), in, out);
}

TC_VECTOR_CLONES int detail_extract_process(isp_handle_t* h, int)
{
    auto* s = stateOf<DetailState>(h, Module::DetailExtract);
    if (!s)
        return -1;
    const auto* in = static_cast<const uint16_t*>(h->input);
    auto* out = static_cast<int16_t*>(h->output);
    const int w = s->width;
    float* sums = s->sums.data();
    const float* inverseColumns = s->box.inverseColumns();
    for (int y = 0; y < s->height; ++y) {
        s->box.rowSums(in, y, [](auto v) __attribute__((always_inline)) { return v; }, sums);
        const float inverseRow = s->box.inverseRow(y);
        const uint16_t* row = in + size_t(y) * w;
        int16_t* dst = out + size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const float d = s->gain * (float(row[x]) - sums[x] * (inverseRow * inverseColumns[x]));
            dst[x] = int16_t(d < -32768.0f ? -32768.0f : (d > 32767.0f ? 32767.0f : d));
        }
    }
    return 0;
}

int detail_extract_destory(isp_handle_t* h)
{
    return destroy(h, Module::DetailExtract);
}

} // extern "C"
