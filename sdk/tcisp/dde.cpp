// Digital detail enhancement: a guided filter (the image guiding itself) splits the picture
// into an edge-preserving base and the detail; detail above the coring threshold is
// amplified and added back.
#include "ispmodule.h"
#include "vectorclones.h"

#include <cmath>

namespace tcisp {
namespace {

struct DdeState : IspState
{
    DdeState(int w, int h, const dde_param_t& p)
        : IspState(Module::Dde, w, h), param(p), box(w, h, 2 + p.radius_extra),
          ringRows(2 * (2 + p.radius_extra) + 1), a(size_t(ringRows) * w), b(size_t(ringRows) * w), first(size_t(w)),
          second(size_t(w))
    {
    }
    dde_param_t param;
    BoxFilter box;
    // The guided filter's coefficients of the last 2 radius + 1 rows, row y in slot y % ringRows:
    // all that a row's output reads, kept in the cache where whole images of them were not.
    int ringRows;
    std::vector<float> a, b;
    std::vector<float> first, second; // window sums of one row
};

} // namespace
} // namespace tcisp

using namespace tcisp;

extern "C" {

int dde_init(isp_handle_t* h, int, const dde_param_t* param, const isp_image_size_t* size, void* in, void* out,
             int, int)
{
    if (!h || !param || !in || !out || !validSize(size) || param->radius_extra < 0 || param->radius_extra > BoxFilter::kMaxRadius - 2 ||
        param->gain_den <= 0 || param->gain_num < 0 || param->mix_percent < 0 || param->mix_percent > 100 ||
        param->edge_threshold <= 0.0f)
        return -1;
    return attach(h, new DdeState(size->width, size->height, *param), in, out);
}

TC_VECTOR_CLONES int dde_process(isp_handle_t* h, int)
{
    auto* s = stateOf<DdeState>(h, Module::Dde);
    if (!s)
        return -1;
    const auto* in = static_cast<const uint16_t*>(h->input);
    auto* out = static_cast<uint16_t*>(h->output);
    const dde_param_t& p = s->param;
    const int n = s->pixels;

    uint64_t total = 0;
    for (int i = 0; i < n; ++i)
        total += in[i];
    const float mean = float(double(total) / n);
    // The image about its rounded mean: integer values whose local sums are exact in floats,
    // and whose squares are exact near the mean, where a flat area's small variance must not
    // drown in rounding (further out a square rounds, by far less than a count of the output).
    const float centre = std::round(mean);
    const auto centred = [centre](auto v) __attribute__((always_inline)) { return v - centre; };
    const auto squared = [centre](auto v) __attribute__((always_inline)) {
        const auto c = v - centre;
        return c * c;
    };
    const auto same = [](auto v) __attribute__((always_inline)) { return v; };
    const int w = s->width;
    const float* inverseColumns = s->box.inverseColumns();
    float* first = s->first.data();
    float* second = s->second.data();
    // The guided filter, the image its own guide: a = var / (var + eps) and b = mean (1 - a)
    // per window, then base = mean(a) I + mean(b) over the same windows.
    const float eps = p.edge_threshold * p.edge_threshold;
    const float gain = float(p.gain_num) / float(p.gain_den);
    const float mix = p.mix_percent / 100.0f;
    const float coring = p.coring, compress = p.base_compress, centredMean = mean - centre;
    const int radius = 2 + p.radius_extra, ringRows = s->ringRows;
    const auto ringRow = [w, ringRows](std::vector<float>& ring, int y) { return ring.data() + size_t(y % ringRows) * w; };
    // Row y's coefficients, then the output of the row whose windows it completes.
    for (int y = 0; y < s->height + radius; ++y) {
        if (y < s->height) {
            s->box.rowSums(in, y, centred, first);
            s->box.rowSums(in, y, squared, second);
            const float inverseRow = s->box.inverseRow(y);
            float* a = ringRow(s->a, y);
            float* b = ringRow(s->b, y);
            for (int x = 0; x < w; ++x) {
                const float inverse = inverseRow * inverseColumns[x];
                const float meanI = first[x] * inverse, meanII = second[x] * inverse;
                const float variance = std::max(0.0f, meanII - meanI * meanI);
                a[x] = variance / (variance + eps);
                b[x] = meanI * (1.0f - a[x]);
            }
        }
        const int done = y - radius;
        if (done < 0)
            continue;
        s->box.rowSumsAt([&](int row) -> const float* { return ringRow(s->a, row); }, done, same, first);
        s->box.rowSumsAt([&](int row) -> const float* { return ringRow(s->b, row); }, done, same, second);
        const float inverseRow = s->box.inverseRow(done);
        const uint16_t* row = in + size_t(done) * w;
        uint16_t* dst = out + size_t(done) * w;
        for (int x = 0; x < w; ++x) {
            const float inverse = inverseRow * inverseColumns[x];
            const float image = centred(float(row[x]));
            const float base = first[x] * inverse * image + second[x] * inverse;
            const float detail = image - base;
            const float magnitude = std::fabs(detail);
            // Both formed, one chosen: a select, not a branch, so the loop vectorises.
            const float boosted = std::copysign(coring + gain * (magnitude - coring), detail);
            const float enhanced = magnitude <= coring ? detail : boosted;
            const float compressed = base + compress * (centredMean - base);
            dst[x] = clamp14(mix * (compressed + enhanced) + (1.0f - mix) * image + centre);
        }
    }
    return 0;
}

int dde_destory(isp_handle_t* h)
{
    return destroy(h, Module::Dde);
}

} // extern "C"
