// Environment correction: takes the reflected and the atmosphere's radiance out of the
// counts, which are affine in radiance, and scales by emissivity and transmittance.
#include "ispmodule.h"

namespace tcisp {
namespace {

struct EnvState : IspState
{
    EnvState(int w, int h, env_correct_param_t* p) : IspState(Module::EnvCorrect, w, h), param(p) {}
    env_correct_param_t* param;
};

// Count (fractional) whose table temperature is kelvin16, by bisection on the monotonic
// table, rising or falling.
double countOf(const uint16_t* table, int entries, double kelvin16)
{
    const bool rising = table[entries - 1] >= table[0];
    auto before = [&](int i) { return rising ? table[i] <= kelvin16 : table[i] >= kelvin16; };
    if (!before(0))
        return 0.0;
    if (before(entries - 1))
        return 2.0 * (entries - 1);
    int lo = 0, hi = entries - 1; // before(lo) holds, before(hi) does not
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        (before(mid) ? lo : hi) = mid;
    }
    const double span = double(table[hi]) - double(table[lo]);
    const double fraction = span == 0.0 ? 0.0 : (kelvin16 - table[lo]) / span;
    return 2.0 * (lo + fraction);
}

} // namespace
} // namespace tcisp

using namespace tcisp;

extern "C" {

int env_correct_init(isp_handle_t* h, int, env_correct_param_t* param, const isp_image_size_t* size, void* in,
                     void* out, int, int)
{
    if (!h || !param || !param->nuc_table || param->nuc_count < 2 || !in || !out || !validSize(size))
        return -1;
    return attach(h, new EnvState(size->width, size->height, param), in, out);
}

int env_correct_process(isp_handle_t* h, int)
{
    auto* s = stateOf<EnvState>(h, Module::EnvCorrect);
    if (!s)
        return -1;
    const env_correct_param_t& p = *s->param;
    const auto* in = static_cast<const uint16_t*>(h->input);
    auto* out = static_cast<uint16_t*>(h->output);
    if (p.emissivity <= 0 || p.transmittance <= 0)
        return -2;
    if (p.emissivity == 16384 && p.transmittance == 16384) {
        if (out != in)
            std::copy(in, in + s->pixels, out);
        return 0;
    }
    const double e = p.emissivity / 16384.0;
    const double t = p.transmittance / 16384.0;
    const double reflected = countOf(p.nuc_table, p.nuc_count, p.reflected);
    const double ambient = countOf(p.nuc_table, p.nuc_count, p.ambient);
    const float scale = float(1.0 / (e * t));
    const float shift = float((1.0 - e) * t * reflected + (1.0 - t) * ambient);
    for (int i = 0; i < s->pixels; ++i)
        out[i] = clamp14((float(in[i]) - shift) * scale);
    return 0;
}

int env_correct_destory(isp_handle_t* h)
{
    return destroy(h, Module::EnvCorrect);
}

} // extern "C"
