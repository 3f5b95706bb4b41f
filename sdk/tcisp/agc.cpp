// Automatic gain control: 14-bit counts to display levels by plateau histogram equalisation
// mixed with a linear stretch (mode 1; mode 0 is the linear stretch alone), as thermal cameras
// do it:
// - the range runs between tails of a pixel or two, so a small hot part stays inside it;
// - no count may take more display levels than the noise allows: the band a flat surface's
//   noise fills (five standard deviations, measured on the frame) gets at most max_gain
//   levels. What a bin loses to that limit goes to the others, evenly; a scene too narrow to
//   fill the grey range is shown at that gain around mid-grey instead of stretched into noise;
// - the mapping follows the scene with a per-frame weight, so a static scene does not pump.
#include "ispmodule.h"
#include "vectorclones.h"

#include <cmath>

namespace tcisp {
namespace {

constexpr int kLevels = 16384;
constexpr float kGrey = 255.0f;              // display levels of the 8-bit picture
constexpr float kOutputPerLevel = 16383.0f / 255.0f;
constexpr float kNoiseBand = 5.0f;           // standard deviations: the band nearly all of a flat surface's pixels fill

struct AgcState : IspState
{
    AgcState(int w, int h, int m, const agc_param_t& p)
        : IspState(Module::Agc, w, h), mode(m), param(p), histogram(kLevels), slope(kLevels), map(kLevels),
          target(kLevels), lut(kLevels), noiseScratch(kNoiseBins)
    {
    }
    int mode;
    agc_param_t param;
    std::vector<uint32_t> histogram;
    std::vector<float> slope; // display levels per count, in the range
    std::vector<float> map;   // display level of every count, damped over frames
    std::vector<float> target; // ... as this frame alone would have it
    std::vector<uint16_t> lut;
    std::vector<uint32_t> noiseScratch;
    bool primed = false;
};

// First level at which the running count exceeds the given number of pixels.
// Whole counts exceed a number of pixels when they exceed its whole part.
int levelAt(const std::vector<uint32_t>& histogram, double pixels)
{
    if (pixels < 0.0)
        return 0;
    const auto limit = uint64_t(pixels);
    uint64_t sum = 0;
    for (int v = 0; v < kLevels; ++v) {
        sum += histogram[v];
        if (sum > limit)
            return v;
    }
    return kLevels - 1;
}

int lastLevelBelow(const std::vector<uint32_t>& histogram, double pixels)
{
    if (pixels < 0.0)
        return kLevels - 1;
    const auto limit = uint64_t(pixels);
    uint64_t sum = 0;
    for (int v = kLevels - 1; v >= 0; --v) {
        sum += histogram[v];
        if (sum > limit)
            return v;
    }
    return 0;
}

// The damped map moves towards the target by the rate; the table reads it in output levels.
TC_VECTOR_CLONES void dampTowards(const float* target, float rate, float* map, uint16_t* lut)
{
    for (int v = 0; v < kLevels; ++v) {
        map[v] += rate * (target[v] - map[v]);
        lut[v] = clamp14(map[v] * kOutputPerLevel);
    }
}

TC_VECTOR_CLONES void lookUp(const uint16_t* in, int pixels, const uint16_t* lut, uint16_t* out)
{
    for (int i = 0; i < pixels; ++i)
        out[i] = lut[in[i] > 16383 ? 16383 : in[i]];
}

// Caps every slope at the limit and hands what was cut to the bins below it, evenly, until
// nothing is left over or every bin is at the limit.
void limitSlopes(float* slope, int bins, float limit)
{
    for (int round = 0; round < 32; ++round) {
        double excess = 0.0;
        int below = 0;
        for (int i = 0; i < bins; ++i) {
            if (slope[i] > limit) {
                excess += slope[i] - limit;
                slope[i] = limit;
            } else if (slope[i] < limit) {
                ++below;
            }
        }
        if (excess < 1e-4 || below == 0)
            return;
        const float share = float(excess / below);
        for (int i = 0; i < bins; ++i)
            if (slope[i] < limit)
                slope[i] += share;
    }
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

    const int low = levelAt(s->histogram, p.low_cut * n);
    const int high = std::max(low, lastLevelBelow(s->histogram, p.high_cut * n));
    const int bins = high - low + 1;
    // The equalised share leaves out its own, wider tails: isolated hot or dead pixels do not
    // take grey levels from the scene.
    const int eqLow = std::max(low, levelAt(s->histogram, p.hist_low_cut * n));
    const int eqHigh = std::min(high, std::max(eqLow, lastLevelBelow(s->histogram, p.hist_high_cut * n)));
    double clipped = 0.0;
    for (int v = eqLow; v <= eqHigh; ++v)
        clipped += std::min<uint32_t>(s->histogram[v], uint32_t(p.plateau));
    const float weight = s->mode == 1 && clipped > 0.0 ? p.equalise_weight : 0.0f;
    float* slope = s->slope.data() + low;
    for (int v = low; v <= high; ++v) {
        const float equalised =
            v >= eqLow && v <= eqHigh ? float(std::min<uint32_t>(s->histogram[v], uint32_t(p.plateau)) / clipped)
                                      : 0.0f;
        slope[v - low] = kGrey * (weight * equalised + (1.0f - weight) / bins);
    }
    const float noise = noiseSigma(in, s->width, s->height, s->noiseScratch.data());
    limitSlopes(slope, bins, float(p.max_gain) / (kNoiseBand * noise));

    float total = 0.0f;
    for (int i = 0; i < bins; ++i)
        total += slope[i];
    const float base = total < kGrey ? 0.5f * (kGrey - total) : 0.0f;
    const float rate = s->primed ? p.smoothing : 1.0f;
    s->primed = true;
    float* target = s->target.data();
    std::fill(target, target + low, base);
    float level = base;
    for (int v = low; v <= high; ++v) {
        target[v] = level + 0.5f * slope[v - low];
        level += slope[v - low];
    }
    std::fill(target + high + 1, target + kLevels, level);
    dampTowards(target, rate, s->map.data(), s->lut.data());
    lookUp(in, s->pixels, s->lut.data(), out);
    return 0;
}

int agc_destory(isp_handle_t* h)
{
    return destroy(h, Module::Agc);
}

} // extern "C"
