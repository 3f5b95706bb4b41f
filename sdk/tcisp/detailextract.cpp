// Detail extraction: the high-pass part of the image against its local box mean.
#include "ispmodule.h"

namespace tcisp {
namespace {

struct DetailState : IspState
{
    DetailState(int w, int h, const detail_extract_param_t& p)
        : IspState(Module::DetailExtract, w, h), radius(p.radius), gain(p.gain), image(pixels), mean(pixels),
          scratch(pixels), sums(w)
    {
    }
    int radius;
    float gain;
    std::vector<float> image, mean, scratch;
    std::vector<double> sums;
};

} // namespace
} // namespace tcisp

using namespace tcisp;

extern "C" {

int detail_extract_init(isp_handle_t* h, int, const detail_extract_param_t* param, const isp_image_size_t* size,
                        void* in, void* out, int, int)
{
    if (!h || !param || !in || !out || !validSize(size) || param->radius < 1 || param->radius > 15)
        return -1;
    return attach(h, new DetailState(size->width, size->height, *param), in, out);
}

int detail_extract_process(isp_handle_t* h, int)
{
    auto* s = stateOf<DetailState>(h, Module::DetailExtract);
    if (!s)
        return -1;
    const auto* in = static_cast<const uint16_t*>(h->input);
    auto* out = static_cast<int16_t*>(h->output);
    for (int i = 0; i < s->pixels; ++i)
        s->image[i] = float(in[i]);
    boxMean(s->image.data(), s->width, s->height, s->radius, s->scratch.data(), s->sums.data(), s->mean.data());
    for (int i = 0; i < s->pixels; ++i) {
        const float d = s->gain * (s->image[i] - s->mean[i]);
        out[i] = int16_t(d < -32768.0f ? -32768.0f : (d > 32767.0f ? 32767.0f : d));
    }
    return 0;
}

int detail_extract_destory(isp_handle_t* h)
{
    return destroy(h, Module::DetailExtract);
}

} // extern "C"
