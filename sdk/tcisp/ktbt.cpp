// kt/bt correction: removes the gain and offset shading of the sensor and the offset drift
// that follows its housing temperature.
#include "ispmodule.h"
#include "vectorclones.h"
#include "shadinggrid.h"

namespace tcisp {
namespace {

struct KtBtState : IspState
{
    KtBtState(int w, int h, ktbt_param_t* p) : IspState(Module::KtBt, w, h), param(p), gain(pixels), offset(pixels) {}
    ktbt_param_t* param;
    std::vector<float> gain;   // kt / unit
    std::vector<float> offset; // bt
};

} // namespace
} // namespace tcisp

using namespace tcisp;

extern "C" {

int ktbt_init(isp_handle_t* h, int, ktbt_param_t* param, const isp_image_size_t* size, void* in, void* out, int,
              int)
{
    if (!h || !param || !in || !out || !validSize(size) || !param->kt || !param->bt || param->cal[2] == 0 ||
        param->kt_bytes < TCISP_KTBT_TABLE_BYTES || param->bt_bytes < TCISP_KTBT_TABLE_BYTES)
        return -1;
    auto* state = new KtBtState(size->width, size->height, param);
    const float unit = 1.0f / float(param->cal[2]);
    if (!tcsdk::expandGrid(param->kt, param->kt_bytes / 2, false, unit, size->width, size->height,
                           state->gain.data()) ||
        !tcsdk::expandGrid(param->bt, param->bt_bytes / 2, true, 1.0f, size->width, size->height,
                           state->offset.data())) {
        delete state;
        return -2;
    }
    return attach(h, state, in, out);
}

TC_VECTOR_CLONES int ktbt_process(isp_handle_t* h, int, int)
{
    auto* s = stateOf<KtBtState>(h, Module::KtBt);
    if (!s)
        return -1;
    const ktbt_param_t& p = *s->param;
    const float drift = float(int16_t(p.cal[1])) * (float(p.vtemp) - float(p.cal[0])) / 256.0f;
    const auto* in = static_cast<const uint16_t*>(h->input);
    auto* out = static_cast<uint16_t*>(h->output);
    const float* gain = s->gain.data();
    const float* offset = s->offset.data();
    for (int i = 0; i < s->pixels; ++i)
        out[i] = clamp14((float(in[i]) - offset[i] - drift) * gain[i]);
    return 0;
}

int ktbt_destory(isp_handle_t* h)
{
    return destroy(h, Module::KtBt);
}

} // extern "C"
