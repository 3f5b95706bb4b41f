#pragma once
// Shared plumbing of the ISP modules: each module's private state derives from IspState, so
// a handle can be checked before use and freed by its module's destroy.
#include "libtcisp.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tcisp {

enum class Module : uint32_t
{
    DetailExtract = 0x44455431,
    Agc = 0x41474331,
    Dde = 0x44444531,
    KtBt = 0x4B544231,
    EnvCorrect = 0x454E5631,
    NucT = 0x4E554331,
};

struct IspState
{
    explicit IspState(Module m, int w, int h) : module(m), width(w), height(h), pixels(w * h) {}
    virtual ~IspState() = default;
    Module module;
    int width;
    int height;
    int pixels;
};

// The module's state, or null when the handle is not an initialised handle of that module.
template <class State> State* stateOf(isp_handle_t* h, Module m)
{
    if (!h || !h->state || !h->input || !h->output)
        return nullptr;
    auto* base = static_cast<IspState*>(h->state);
    return base->module == m ? static_cast<State*>(base) : nullptr;
}

bool validSize(const isp_image_size_t* size);

// Installs state in the handle together with the buffers; frees any state it held before.
int attach(isp_handle_t* h, IspState* state, void* in, void* out);
int destroy(isp_handle_t* h, Module m);

// Mean over a (2 radius + 1)^2 window, the window shrunk at the borders. scratch holds
// width * height floats, sums width doubles.
void boxMean(const float* in, int width, int height, int radius, float* scratch, double* sums, float* out);

// Standard deviation (counts) of the temporal and fixed-pattern noise of a picture, from the
// median of second differences along every other row at a lag of three pixels: edges and hot
// parts are too few to move a median, smooth gradients cancel, and a denoiser's smoothing of
// neighbours does not hide the noise. Never below half a count. scratch holds kNoiseBins words.
constexpr int kNoiseBins = 4096;
float noiseSigma(const uint16_t* image, int width, int height, uint32_t* scratch);

inline uint16_t clamp14(float v)
{
    return v <= 0.0f ? 0 : (v >= 16383.0f ? 16383 : uint16_t(v + 0.5f));
}

} // namespace tcisp
