// NUC with temperature: corrected counts to kelvin * 16 through the calibration table.
#include "ispmodule.h"

namespace tcisp {
namespace {

struct NucState : IspState
{
    NucState(int w, int h, nuc_t_param_t* p)
        : IspState(Module::NucT, w, h), param(p), source(TCISP_NUC_ENTRIES), kelvin(16384)
    {
    }
    nuc_t_param_t* param;
    // The table as last seen and every count's value read from it: one load per pixel. The
    // caller may rewrite its table in place, so it is compared before each frame.
    std::vector<uint16_t> source, kelvin;
    bool expanded = false;

    void expandIfChanged()
    {
        const uint16_t* table = param->table;
        if (expanded && std::equal(source.begin(), source.end(), table))
            return;
        std::copy(table, table + TCISP_NUC_ENTRIES, source.begin());
        // Odd counts lie halfway between two entries.
        for (unsigned count = 0; count < 16384; ++count) {
            const unsigned entry = count >> 1;
            kelvin[count] = (count & 1u) && entry + 1 < TCISP_NUC_ENTRIES
                                ? uint16_t((unsigned(table[entry]) + table[entry + 1] + 1) >> 1)
                                : table[entry];
        }
        expanded = true;
    }
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
    s->expandIfChanged();
    const uint16_t* kelvin = s->kelvin.data();
    const auto* in = static_cast<const uint16_t*>(h->input);
    auto* out = static_cast<uint16_t*>(h->output);
    for (int i = 0; i < s->pixels; ++i)
        out[i] = kelvin[in[i] > 16383 ? 16383 : in[i]];
    return 0;
}

int nuc_t_destory(isp_handle_t* h)
{
    return destroy(h, Module::NucT);
}

} // extern "C"
