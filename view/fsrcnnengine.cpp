#include "view/fsrcnnengine.h"

#include <opencv2/dnn/all_layers.hpp>

#include <algorithm>

namespace {

// Low-resolution rows per strip: the strip's feature maps (some 650 KB for 16 maps of a
// 256-pixel-wide frame) stay in the cache between layers; a strip recomputes the few rows its
// neighbour needs as well (fewer rows cost more in recomputing than they gain in the cache).
constexpr int kStripRows = 32;
constexpr int kUpsampleKernel = 9;
constexpr int kPhaseTaps = 5;

// The machine's widest vectors where it has them, each loop built twice. The vector build
// multiplies and adds in one rounding, so its 8-bit result can differ from the other's by a
// grey level now and then: a picture, not a measurement.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
#define ORVIK_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define ORVIK_VECTOR_CLONES
#endif

// acc[x] += sum over k of w[k] src[x + k], for n pixels.
template <int K>
ORVIK_VECTOR_CLONES void addTaps(const float* __restrict src, const float* __restrict w, float* __restrict acc, int n)
{
    for (int x = 0; x < n; ++x) {
        float sum = acc[x];
        for (int k = 0; k < K; ++k)
            sum += w[k] * src[x + k];
        acc[x] = sum;
    }
}

ORVIK_VECTOR_CLONES void addTapsAnySize(const float* __restrict src, const float* __restrict w, int size,
                                        float* __restrict acc, int n)
{
    for (int k = 0; k < size; ++k)
        for (int x = 0; x < n; ++x)
            acc[x] += w[k] * src[x + k];
}

// A 1 x 1 convolution's sum over input maps, four at a time: one load and store of the sum for
// four products.
ORVIK_VECTOR_CLONES void addMaps(const float* const* rows, const float* __restrict w, int count,
                                 float* __restrict acc, int n)
{
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const float *__restrict a = rows[i], *__restrict b = rows[i + 1], *__restrict c = rows[i + 2],
                                *__restrict d = rows[i + 3];
        for (int x = 0; x < n; ++x)
            acc[x] += w[i] * a[x] + w[i + 1] * b[x] + w[i + 2] * c[x] + w[i + 3] * d[x];
    }
    for (; i < count; ++i)
        addTaps<1>(rows[i], w + i, acc, n);
}

void addRow(const float* src, const float* w, int size, float* acc, int n)
{
    switch (size) {
    case 1: return addTaps<1>(src, w, acc, n);
    case 3: return addTaps<3>(src, w, acc, n);
    case 5: return addTaps<5>(src, w, acc, n);
    default: return addTapsAnySize(src, w, size, acc, n);
    }
}

ORVIK_VECTOR_CLONES void prelu(float* __restrict values, float slope, int n)
{
    // Both parts formed for every pixel: no branch, so the loop vectorises.
    for (int x = 0; x < n; ++x)
        values[x] = std::max(values[x], 0.0f) + slope * std::min(values[x], 0.0f);
}

// Both column phases of one output row from one feature row: even[x] and odd[x] gather the
// five pixels from x on, each with its own taps.
ORVIK_VECTOR_CLONES void addPhaseTaps(const float* __restrict src, const float* __restrict evenTaps,
                                      const float* __restrict oddTaps, float* __restrict even,
                                      float* __restrict odd, int n)
{
    for (int x = 0; x < n; ++x) {
        float e = even[x], o = odd[x];
        for (int k = 0; k < kPhaseTaps; ++k) {
            e += evenTaps[k] * src[x + k];
            o += oddTaps[k] * src[x + k];
        }
        even[x] = e;
        odd[x] = o;
    }
}

ORVIK_VECTOR_CLONES void interleave(const float* __restrict even, const float* __restrict odd, float bias,
                                    float* __restrict out, int n)
{
    for (int x = 0; x < n; ++x) {
        out[2 * x] = even[x] + bias;
        out[2 * x + 1] = odd[x] + bias;
    }
}

bool fail(std::string* why, const std::string& reason)
{
    if (why)
        *why = reason;
    return false;
}

bool allEqual(const std::vector<size_t>& values, size_t expected)
{
    return !values.empty() && std::all_of(values.begin(), values.end(), [&](size_t v) { return v == expected; });
}

bool floats(const cv::Mat& blob, size_t count)
{
    return blob.type() == CV_32F && blob.isContinuous() && blob.total() == count;
}

} // namespace

void FsrcnnEngine::Maps::shape(int c, int r, int w)
{
    rows = r;
    columns = w;
    values.resize(size_t(c) * r * w);
}

bool FsrcnnEngine::build(cv::dnn::Net& net, std::string* why)
{
    layers.clear();
    reach = 0;
    std::vector<Convolution> found;
    const std::vector<cv::String> names = net.getLayerNames();
    int channels = 1;
    if (names.empty())
        return fail(why, "the network has no layers");
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        const cv::Ptr<cv::dnn::Layer> layer = net.getLayer(names[i]);
        const auto conv = layer.dynamicCast<cv::dnn::BaseConvolutionLayer>();
        if (!conv || layer->type != "Convolution")
            return fail(why, "layer " + names[i] + " (" + layer->type + ") is not a convolution");
        const cv::Mat& w = conv->blobs.empty() ? cv::Mat() : conv->blobs[0];
        const int size = w.dims == 4 ? w.size[2] : 0;
        if (w.dims != 4 || w.size[1] != channels || size != w.size[3] || size % 2 == 0 ||
            !floats(w, w.total()) || conv->blobs.size() < 2 || !floats(conv->blobs[1], size_t(w.size[0])) ||
            !allEqual(conv->strides, 1) || !allEqual(conv->dilations, 1) ||
            (conv->padMode != "SAME" &&
             !(allEqual(conv->pads_begin, size_t(size / 2)) && allEqual(conv->pads_end, size_t(size / 2)))))
            return fail(why, "convolution " + names[i] + " is not a same-size convolution of the maps before it");
        const cv::Ptr<cv::dnn::Layer> next = net.getLayer(names[++i]);
        if (next->type != "PReLU" || next->blobs.empty() || !floats(next->blobs[0], size_t(w.size[0])))
            return fail(why, "convolution " + names[i - 1] + " is not followed by a PReLU");
        Convolution c;
        c.inputs = channels;
        c.outputs = w.size[0];
        c.size = size;
        c.weights.assign(w.ptr<float>(), w.ptr<float>() + w.total());
        c.bias.assign(conv->blobs[1].ptr<float>(), conv->blobs[1].ptr<float>() + c.outputs);
        c.slope.assign(next->blobs[0].ptr<float>(), next->blobs[0].ptr<float>() + c.outputs);
        reach += size / 2;
        channels = c.outputs;
        found.push_back(std::move(c));
    }
    const auto last = net.getLayer(names.back()).dynamicCast<cv::dnn::BaseConvolutionLayer>();
    const cv::Mat& w = !last || last->blobs.empty() ? cv::Mat() : last->blobs[0];
    // Stride 2 with the output exactly twice the input (one more column and row than "SAME" would
    // leave): three pixels of padding before, the alignment the phases below assume.
    if (found.empty() || !last || last->type != "Deconvolution" || w.dims != 4 || w.size[0] != channels ||
        w.size[1] != 1 || w.size[2] != kUpsampleKernel || w.size[3] != kUpsampleKernel || !floats(w, w.total()) ||
        last->blobs.size() < 2 || !floats(last->blobs[1], 1) || last->numOutput != 1 || !allEqual(last->strides, 2) ||
        !allEqual(last->dilations, 1) || !allEqual(last->adjust_pads, 1) || last->padMode != "SAME")
        return fail(why, "the network is not convolutions with PReLU ending in a 9 x 9 transposed convolution of "
                         "stride 2 to one channel");
    // Output row 2i + p reads input row i + t - 2 through kernel row p + 3 - 2 (t - 2)
    // (stride 2, three rows of padding before); likewise the columns.
    phaseTaps.assign(size_t(4) * channels * kPhaseTaps * kPhaseTaps, 0.0f);
    for (int phase = 0; phase < 4; ++phase)
        for (int c = 0; c < channels; ++c)
            for (int t = 0; t < kPhaseTaps; ++t)
                for (int u = 0; u < kPhaseTaps; ++u) {
                    const int ky = phase / 2 + 7 - 2 * t, kx = phase % 2 + 7 - 2 * u;
                    if (ky < 0 || ky >= kUpsampleKernel || kx < 0 || kx >= kUpsampleKernel)
                        continue;
                    phaseTaps[((size_t(phase) * channels + c) * kPhaseTaps + t) * kPhaseTaps + u] =
                        w.ptr<float>(c, 0)[ky * kUpsampleKernel + kx];
                }
    upsampleBias = last->blobs[1].ptr<float>()[0];
    features = channels;
    reach += kPhaseTaps / 2;
    layers = std::move(found);
    return true;
}

void FsrcnnEngine::convolve(const Convolution& layer, Maps& in, Maps& out)
{
    const int k = layer.size;
    out.shape(layer.outputs, in.rows - k + 1, in.columns - k + 1);
    const int n = out.columns;
    for (int o = 0; o < layer.outputs; ++o) {
        for (int y = 0; y < out.rows; ++y) {
            float* acc = out.row(o, y);
            std::fill(acc, acc + n, layer.bias[o]);
            if (k == 1) {
                inputRows.resize(size_t(layer.inputs));
                for (int i = 0; i < layer.inputs; ++i)
                    inputRows[i] = in.row(i, y);
                addMaps(inputRows.data(), &layer.weights[size_t(o) * layer.inputs], layer.inputs, acc, n);
                prelu(acc, layer.slope[o], n);
                continue;
            }
            for (int i = 0; i < layer.inputs; ++i)
                for (int ky = 0; ky < k; ++ky)
                    addRow(in.row(i, y + ky), &layer.weights[((size_t(o) * layer.inputs + i) * k + ky) * k], k, acc, n);
            prelu(acc, layer.slope[o], n);
        }
    }
}

void FsrcnnEngine::upsample(Maps& maps, int first, cv::Mat& enlarged)
{
    const int rows = maps.rows - (kPhaseTaps - 1), n = maps.columns - (kPhaseTaps - 1);
    accumulators.resize(size_t(2) * n);
    float* even = accumulators.data();
    float* odd = even + n;
    const size_t phaseStride = size_t(features) * kPhaseTaps * kPhaseTaps;
    for (int y = 0; y < rows; ++y)
        for (int rowPhase = 0; rowPhase < 2; ++rowPhase) {
            std::fill(even, even + 2 * n, 0.0f);
            const float* evenTaps = &phaseTaps[2 * rowPhase * phaseStride];
            const float* oddTaps = evenTaps + phaseStride;
            for (int c = 0; c < features; ++c)
                for (int t = 0; t < kPhaseTaps; ++t) {
                    // The even row phase has no taps in its last row.
                    if (rowPhase == 0 && t == kPhaseTaps - 1)
                        continue;
                    const size_t at = (size_t(c) * kPhaseTaps + t) * kPhaseTaps;
                    addPhaseTaps(maps.row(c, y + t), evenTaps + at, oddTaps + at, even, odd, n);
                }
            interleave(even, odd, upsampleBias, enlarged.ptr<float>(2 * (first + y) + rowPhase), n);
        }
}

void FsrcnnEngine::run(const cv::Mat& padded, cv::Mat& output)
{
    CV_Assert(ready() && padded.type() == CV_8UC1 && padded.rows > 2 * reach && padded.cols > 2 * reach);
    const int height = padded.rows - 2 * reach, width = padded.cols - 2 * reach;
    enlargedFloat.create(2 * height, 2 * width, CV_32F);
    for (int first = 0; first < height; first += kStripRows) {
        const int rows = std::min(kStripRows, height - first);
        strip.shape(1, rows + 2 * reach, padded.cols);
        for (int y = 0; y < strip.rows; ++y) {
            const uint8_t* src = padded.ptr<uint8_t>(first + y);
            float* dst = strip.row(0, y);
            for (int x = 0; x < padded.cols; ++x)
                dst[x] = src[x] * (1.0f / 255.0f);
        }
        for (const Convolution& layer : layers) {
            convolve(layer, strip, other);
            std::swap(strip, other);
        }
        upsample(strip, first, enlargedFloat);
    }
    enlargedFloat.convertTo(output, CV_8U, 255.0);
}
