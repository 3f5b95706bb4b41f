// Automatic gain control: 14-bit counts to display levels. Mode 1 mixes a plateau histogram
// equalisation (bins clipped at the plateau so large flat areas do not take the whole grey
// range) with a linear stretch between the histogram tails; mode 0 is the linear stretch.
#include "ispmodule.h"

#include <cmath>

namespace tcisp {
namespace {

constexpr int kLevels = 16384;

struct AgcState : IspState
{
    AgcState(int w, int h, int m, const agc_param_t& p)
        : IspState(Module::Agc, w, h), mode(m), param(p), histogram(kLevels), cumulative(kLevels), map(kLevels)
    {
    }
    int mode;
    agc_param_t param;
    std::vector<uint32_t> histogram;
    std::vector<double> cumulative;
    std::vector<uint16_t> map;
    bool primed = false;
    double low = 0.0, high = 0.0; // smoothed linear range
};

// First level at which the running count exceeds the given number of pixels.
int levelAt(const std::vector<uint32_t>& histogram, double pixels)
{
    double sum = 0.0;
    for (int v = 0; v < kLevels; ++v) {
        sum += histogram[v];
        if (sum > pixels)
            return v;
    }
    return kLevels - 1;
}

int lastLevelBelow(const std::vector<uint32_t>& histogram, double pixels)
{
    double sum = 0.0;
    for (int v = kLevels - 1; v >= 0; --v) {
        sum += histogram[v];
        if (sum > pixels)
            return v;
    }
    return 0;
}

} // namespace
} // namespace tcisp

using namespace tcisp;

extern "C" {

int agc_init(isp_handle_t* h, int mode, const agc_param_t* param, const isp_image_size_t* size, void* in,
             void* out, int, int)
{
    if (!h || !param || !in || !out || !validSize(size) || (mode != 0 && mode != 1) || param->plateau < 1 ||
        param->max_gain < 1 || !(param->smoothing > 0.0f && param->smoothing <= 1.0f) ||
        param->equalise_weight < 0.0f || param->equalise_weight > 1.0f)
        return -1;
    return attach(h, new AgcState(size->width, size->height, mode, *param), in, out);
}

int agc_process(isp_handle_t* h, int)
{
    auto* s = stateOf<AgcState>(h, Module::Agc);
    if (!s)
        return -1;
    const auto* in = static_cast<const uint16_t*>(h->input);
    auto* out = static_cast<uint16_t*>(h->output);
    const agc_param_t& p = s->param;
    const double n = s->pixels;

    std::fill(s->histogram.begin(), s->histogram.end(), 0u);
    for (int i = 0; i < s->pixels; ++i)
        ++s->histogram[in[i] > 16383 ? 16383 : in[i]];

    // Linear range between the tails, smoothed over frames, never narrower than the gain limit.
    double low = levelAt(s->histogram, p.low_cut * n);
    double high = lastLevelBelow(s->histogram, p.high_cut * n);
    if (!s->primed) {
        s->low = low;
        s->high = high;
        s->primed = true;
    } else {
        s->low += p.smoothing * (low - s->low);
        s->high += p.smoothing * (high - s->high);
    }
    const double minimumSpan = 255.0 / p.max_gain;
    low = s->low;
    high = s->high;
    if (high - low < minimumSpan) {
        const double centre = 0.5 * (low + high);
        low = centre - minimumSpan / 2;
        high = centre + minimumSpan / 2;
    }

    // Plateau equalisation between its own tails.
    const int eqLow = levelAt(s->histogram, p.hist_low_cut * n);
    const int eqHigh = std::max(eqLow, lastLevelBelow(s->histogram, p.hist_high_cut * n));
    double sum = 0.0;
    for (int v = 0; v < kLevels; ++v) {
        if (v > eqLow && v <= eqHigh)
            sum += std::min<uint32_t>(s->histogram[v], uint32_t(p.plateau));
        s->cumulative[v] = sum;
    }
    // A narrow histogram would be stretched into noise: limit the equalised span too.
    const double eqSpan = sum > 0.0 ? std::min(1.0, (eqHigh - eqLow) * p.max_gain / 255.0) : 0.0;
    const double eqBase = 0.5 * (1.0 - eqSpan);
    const double weight = s->mode == 1 ? p.equalise_weight : 0.0;

    for (int v = 0; v < kLevels; ++v) {
        const double linear = std::clamp((v - low) / (high - low), 0.0, 1.0);
        const double equalised = sum > 0.0 ? eqBase + eqSpan * s->cumulative[v] / sum : linear;
        s->map[v] = clamp14(float((weight * equalised + (1.0 - weight) * linear) * 16383.0));
    }
    for (int i = 0; i < s->pixels; ++i)
        out[i] = s->map[in[i] > 16383 ? 16383 : in[i]];
    return 0;
}

int agc_destory(isp_handle_t* h)
{
    return destroy(h, Module::Agc);
}

} // extern "C"
