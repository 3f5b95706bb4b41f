#pragma once
// Shared plumbing of the ISP modules: each module's private state derives from IspState, so
// a handle can be checked before use and freed by its module's destroy.
#include "libtcisp.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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

// Box filtering for the modules' local means over a (2 radius + 1)^2 window cut at the
// borders, one row at a time, so that a module finishes a row while its inputs are in cache.
// The sums are direct and separable: every window pixel is added, so integer-valued floats
// sum exactly and nothing drifts along the image. Eight columns are summed at once in one
// vector held in registers (adding term by term into the output stored and loaded it again
// for every term); the terms are added in the same order as one column alone would be.
class BoxFilter
{
public:
    using Lanes = float __attribute__((vector_size(32)));
    static constexpr int kLanes = 8;
    static constexpr int kMaxRadius = 15;

    BoxFilter(int width, int height, int radius);
    // Window sums around the pixels of row y of value(float(in[i])), in a width x height image.
    // value takes and returns a float or Lanes and must be always inlined, as these are: a
    // vector passed by value is passed differently by the baseline and the AVX2 build, so no
    // function taking or returning one may be called out of line from a module's clone.
    template <class T, class Value>
    __attribute__((always_inline)) void rowSums(const T* in, int y, Value value, float* out)
    {
        rowSumsAt([in, this](int row) { return in + size_t(row) * w; }, y, value, out);
    }
    // The same, the image's rows where rowAt(row) says: rows kept in a ring of 2 radius + 1.
    template <class RowAt, class Value>
    __attribute__((always_inline)) void rowSumsAt(RowAt rowAt, int y, Value value, float* out)
    {
        float* column = padded.data() + r; // the zeros either side stand for what lies off the image
        const int first = std::max(0, y - r), last = std::min(h - 1, y + r);
        decltype(rowAt(0)) rows[2 * kMaxRadius + 1];
        const int count = last - first + 1;
        for (int k = 0; k < count; ++k)
            rows[k] = rowAt(first + k);
        int x = 0;
        for (; x + kLanes <= w; x += kLanes) {
            Lanes sum = value(load(rows[0] + x));
            for (int k = 1; k < count; ++k)
                sum += value(load(rows[k] + x));
            std::memcpy(column + x, &sum, sizeof sum);
        }
        for (; x < w; ++x) {
            float sum = value(float(rows[0][x]));
            for (int k = 1; k < count; ++k)
                sum += value(float(rows[k][x]));
            column[x] = sum;
        }
        const float* window = padded.data();
        for (x = 0; x + kLanes <= w; x += kLanes) {
            Lanes sum = load(window + x);
            for (int k = 1; k <= 2 * r; ++k)
                sum += load(window + x + k);
            std::memcpy(out + x, &sum, sizeof sum);
        }
        for (; x < w; ++x) {
            float sum = window[x];
            for (int k = 1; k <= 2 * r; ++k)
                sum += window[x + k];
            out[x] = sum;
        }
    }
    // 1 / the number of window pixels inside the image: inverseRow(y) * inverseColumns()[x].
    float inverseRow(int y) const { return inverseRows[size_t(y)]; }
    const float* inverseColumns() const { return inverseColumnList.data(); }

private:
    __attribute__((always_inline)) static Lanes load(const float* p)
    {
        Lanes v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    __attribute__((always_inline)) static Lanes load(const uint16_t* p)
    {
        using Words = uint16_t __attribute__((vector_size(16)));
        Words v;
        std::memcpy(&v, p, sizeof v);
        return __builtin_convertvector(v, Lanes);
    }

    int w, h, r;
    std::vector<float> padded; // one row of column sums, radius zeros either side
    std::vector<float> inverseRows, inverseColumnList;
};

// Standard deviation (counts) of the temporal and fixed-pattern noise of a picture, from the
// median of second differences along every other row at a lag of three pixels: edges and hot
// parts are too few to move a median, smooth gradients cancel, and a denoiser's smoothing of
// neighbours does not hide the noise. Never below half a count. scratch holds kNoiseBins words.
constexpr int kNoiseBins = 4096;
float noiseSigma(const uint16_t* image, int width, int height, uint32_t* scratch);

// Rounded into 0..16383; written without branches so that the loops using it vectorise.
inline uint16_t clamp14(float v)
{
    return uint16_t(std::min(std::max(v, 0.0f), 16383.0f) + 0.5f);
}

} // namespace tcisp
