// NUC with temperature: corrected counts to kelvin * 16 through the calibration table.
#include "ispmodule.h"

namespace tcisp {
namespace {

struct NucState : IspState
{
    NucState(int w, int h, nuc_t_param_t* p) : IspState(Module::NucT, w, h), param(p) {}
    nuc_t_param_t* param;
};

} // namespace
} // namespace tcisp

using namespace tcisp;

extern "C" {

int nuc_t_init(isp_handle_t* h, int, nuc_t_param_t* param, const isp_image_size_t* size, void* in, void* out,
               int, int)
{
    if (!h || !param || !param->table || param->bytes < TCISP_NUC_TABLE_BYTES || !in || !out ||
        !validSize(size))
        return -1;
    return attach(h, new NucState(size->width, size->height, param), in, out);
}

int nuc_t_process(isp_handle_t* h, int)
{
    auto* s = stateOf<NucState>(h, Module::NucT);
    if (!s)
        return -1;
    const uint16_t* table = s->param->table;
    const auto* in = static_cast<const uint16_t*>(h->input);
    auto* out = static_cast<uint16_t*>(h->output);
    for (int i = 0; i < s->pixels; ++i) {
        const unsigned count = in[i] > 16383 ? 16383u : in[i];
        const unsigned entry = count >> 1;
        if ((count & 1u) && entry + 1 < TCISP_NUC_ENTRIES)
            out[i] = uint16_t((unsigned(table[entry]) + table[entry + 1] + 1) >> 1);
        else
            out[i] = table[entry];
    }
    return 0;
}

int nuc_t_destory(isp_handle_t* h)
{
    return destroy(h, Module::NucT);
}

} // extern "C"
