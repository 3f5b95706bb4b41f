// Digital detail enhancement: a guided filter (the image guiding itself) splits the picture
// into an edge-preserving base and the detail; detail above the coring threshold is
// amplified and added back.
#include "ispmodule.h"

#include <cmath>

namespace tcisp {
namespace {

struct DdeState : IspState
{
    DdeState(int w, int h, const dde_param_t& p)
        : IspState(Module::Dde, w, h), param(p), radius(2 + p.radius_extra), image(pixels), square(pixels),
          meanI(pixels), meanII(pixels), a(pixels), b(pixels), scratch(pixels), sums(w)
    {
    }
    dde_param_t param;
    int radius;
    std::vector<float> image, square, meanI, meanII, a, b, scratch;
    std::vector<double> sums;
};

} // namespace
} // namespace tcisp

using namespace tcisp;

extern "C" {

int dde_init(isp_handle_t* h, int, const dde_param_t* param, const isp_image_size_t* size, void* in, void* out,
             int, int)
{
    if (!h || !param || !in || !out || !validSize(size) || param->radius_extra < 0 || param->radius_extra > 13 ||
        param->gain_den <= 0 || param->gain_num < 0 || param->mix_percent < 0 || param->mix_percent > 100 ||
        param->edge_threshold <= 0.0f)
        return -1;
    return attach(h, new DdeState(size->width, size->height, *param), in, out);
}

int dde_process(isp_handle_t* h, int)
{
    auto* s = stateOf<DdeState>(h, Module::Dde);
    if (!s)
        return -1;
    const auto* in = static_cast<const uint16_t*>(h->input);
    auto* out = static_cast<uint16_t*>(h->output);
    const dde_param_t& p = s->param;
    const int n = s->pixels;

    double total = 0.0;
    for (int i = 0; i < n; ++i) {
        s->image[i] = float(in[i]);
        s->square[i] = s->image[i] * s->image[i];
        total += s->image[i];
    }
    const float mean = float(total / n);
    boxMean(s->image.data(), s->width, s->height, s->radius, s->scratch.data(), s->sums.data(), s->meanI.data());
    boxMean(s->square.data(), s->width, s->height, s->radius, s->scratch.data(), s->sums.data(), s->meanII.data());
    const float eps = p.edge_threshold * p.edge_threshold;
    for (int i = 0; i < n; ++i) {
        const float variance = std::max(0.0f, s->meanII[i] - s->meanI[i] * s->meanI[i]);
        s->a[i] = variance / (variance + eps);
        s->b[i] = s->meanI[i] * (1.0f - s->a[i]);
    }
    // meanII and meanI are free again: reuse them for the averaged coefficients.
    boxMean(s->a.data(), s->width, s->height, s->radius, s->scratch.data(), s->sums.data(), s->meanII.data());
    boxMean(s->b.data(), s->width, s->height, s->radius, s->scratch.data(), s->sums.data(), s->meanI.data());

    const float gain = float(p.gain_num) / float(p.gain_den);
    const float mix = p.mix_percent / 100.0f;
    for (int i = 0; i < n; ++i) {
        const float base = s->meanII[i] * s->image[i] + s->meanI[i];
        const float detail = s->image[i] - base;
        const float magnitude = std::fabs(detail);
        const float enhanced =
            magnitude <= p.coring ? detail : std::copysign(p.coring + gain * (magnitude - p.coring), detail);
        const float compressed = base + p.base_compress * (mean - base);
        out[i] = clamp14(mix * (compressed + enhanced) + (1.0f - mix) * s->image[i]);
    }
    return 0;
}

int dde_destory(isp_handle_t* h)
{
    return destroy(h, Module::Dde);
}

} // extern "C"
