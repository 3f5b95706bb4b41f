#include "tcdenoise.h"
#include "vectorclones.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace tcdenoise {
namespace {

constexpr int kLevels = 16384;

struct Denoiser
{
    int width = 0, height = 0;
    float sigma = 0.5f, sigmaS = 7.0f, gammaR = 500.0f, gammaF = 100.0f;
    std::vector<uint16_t> previous;
    bool hasPrevious = false;
    std::vector<float> temporalWeight; // by |difference|
    std::vector<float> rangeWeight;    // by |difference|
    float spatialWeight[3][3];
    // Spatial times range weight by |difference|, for the neighbours at the sides (edge) and at
    // the corners (corner) and for the centre: the products the filter forms, formed once.
    std::vector<float> edgeWeight, cornerWeight;
    float centreWeight = 1.0f;

    void rebuildTables()
    {
        temporalWeight.resize(kLevels);
        rangeWeight.resize(kLevels);
        edgeWeight.resize(kLevels);
        cornerWeight.resize(kLevels);
        for (int d = 0; d < kLevels; ++d) {
            const float t = d / gammaF;
            temporalWeight[d] = sigma * std::exp(-t * t);
            const float r = d / gammaR;
            rangeWeight[d] = std::exp(-0.5f * r * r);
        }
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                spatialWeight[dy + 1][dx + 1] = std::exp(-float(dx * dx + dy * dy) / (2.0f * sigmaS * sigmaS));
        for (int d = 0; d < kLevels; ++d) {
            edgeWeight[d] = spatialWeight[0][1] * rangeWeight[d];
            cornerWeight[d] = spatialWeight[0][0] * rangeWeight[d];
        }
        centreWeight = spatialWeight[1][1] * rangeWeight[0];
    }

    // The weights between a row and the one below it: a weight depends only on the two pixels'
    // difference, so each pair's is looked up once and used by both pixels.
    struct RowPairs
    {
        std::vector<float> below, belowRight, belowLeft; // from pixel x to x, x + 1, x - 1 below
    };
    RowPairs above, below;
    std::vector<float> right; // from pixel x to x + 1 in the same row

    void temporal(const uint16_t* image, uint16_t* out) const;
    // One pixel of the 3 x 3 bilateral filter, the window cut at the borders.
    uint16_t bilateralAtBorder(const uint16_t* in, int x, int y) const;
    std::vector<int> indices;
    void lookUp(const float* table, const uint16_t* a, const uint16_t* b, int n, float* out);
    void pairWeights(const uint16_t* in, int y, RowPairs& pairs);
    void rightWeights(const uint16_t* row);
    // A row of pixels whose windows lie inside the image, with the pair weights of the rows
    // above (from row y - 1) and below (from row y) and of the row itself.
    void bilateralInside(const uint16_t* in, int y, uint16_t* out) const;
};

std::mutex mutex;
std::unique_ptr<Denoiser> instance;

inline int difference(int a, int b)
{
    const int d = a > b ? a - b : b - a;
    return d < kLevels ? d : kLevels - 1;
}

} // namespace

int init(int height, int width, float sigma)
{
    if (height < 1 || width < 1 || height > 4096 || width > 4096 || !(sigma >= 0.0f && sigma <= 1.0f))
        return -1;
    std::lock_guard<std::mutex> lock(mutex);
    auto d = std::make_unique<Denoiser>();
    d->width = width;
    d->height = height;
    d->sigma = sigma;
    d->previous.assign(size_t(width) * height, 0);
    d->rebuildTables();
    instance = std::move(d);
    return 0;
}

int setParams(const char* name, float value)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!instance || !name)
        return -1;
    Denoiser& d = *instance;
    if (std::strcmp(name, "sigma") == 0 && value >= 0.0f && value <= 1.0f)
        d.sigma = value;
    else if (std::strcmp(name, "sigma_s") == 0 && value > 0.0f)
        d.sigmaS = value;
    else if (std::strcmp(name, "gamma_r") == 0 && value > 0.0f)
        d.gammaR = value;
    else if (std::strcmp(name, "gamma_f") == 0 && value > 0.0f)
        d.gammaF = value;
    else
        return -2;
    d.rebuildTables();
    return 0;
}

TC_VECTOR_CLONES void Denoiser::temporal(const uint16_t* image, uint16_t* out) const
{
    // Lean on the previous result where the pixel has not changed much.
    const int n = width * height;
    const float* weight = temporalWeight.data();
    const uint16_t* before = previous.data();
    for (int i = 0; i < n; ++i) {
        const int now = image[i], then = before[i];
        const float k = weight[difference(now, then)];
        out[i] = uint16_t(float(now) + k * float(then - now) + 0.5f);
    }
}

uint16_t Denoiser::bilateralAtBorder(const uint16_t* in, int x, int y) const
{
    const int centre = in[y * width + x];
    float sum = 0.0f, weights = 0.0f;
    for (int dy = -1; dy <= 1; ++dy) {
        const int yy = y + dy;
        if (yy < 0 || yy >= height)
            continue;
        for (int dx = -1; dx <= 1; ++dx) {
            const int xx = x + dx;
            if (xx < 0 || xx >= width)
                continue;
            const int v = in[yy * width + xx];
            const float weight = spatialWeight[dy + 1][dx + 1] * rangeWeight[difference(v, centre)];
            sum += weight * float(v);
            weights += weight;
        }
    }
    return uint16_t(sum / weights + 0.5f);
}

void Denoiser::pairWeights(const uint16_t* in, int y, RowPairs& pairs)
{
    const uint16_t* row = in + y * width;
    const uint16_t* next = row + width;
    const int n = width;
    pairs.below.resize(size_t(n));
    pairs.belowRight.resize(size_t(n));
    pairs.belowLeft.resize(size_t(n));
    lookUp(edgeWeight.data(), row, next, n, pairs.below.data());
    lookUp(cornerWeight.data(), row, next + 1, n - 1, pairs.belowRight.data());
    lookUp(cornerWeight.data(), row + 1, next, n - 1, pairs.belowLeft.data() + 1);
}

void Denoiser::rightWeights(const uint16_t* row)
{
    right.resize(size_t(width));
    lookUp(edgeWeight.data(), row, row + 1, width - 1, right.data());
}

TC_VECTOR_CLONES void Denoiser::lookUp(const float* __restrict table, const uint16_t* a, const uint16_t* b, int n,
                                        float* __restrict out)
{
    // The differences first, as 32-bit indices: formed together with the look-ups, the
    // compiler narrows them to 16 bits, and gathers need 32.
    indices.resize(size_t(n));
    int* __restrict index = indices.data();
    for (int x = 0; x < n; ++x)
        index[x] = difference(a[x], b[x]);
    for (int x = 0; x < n; ++x)
        out[x] = table[index[x]];
}

TC_VECTOR_CLONES void Denoiser::bilateralInside(const uint16_t* in, int y, uint16_t* out) const
{
    // The border loop's sums, term by term in its order: the same result to the last bit.
    const uint16_t* top = in + (y - 1) * width;
    const uint16_t* row = in + y * width;
    const uint16_t* bottom = in + (y + 1) * width;
    const float *upLeft = above.belowRight.data(), *up = above.below.data(), *upRight = above.belowLeft.data();
    const float *downLeft = below.belowLeft.data(), *down = below.below.data(), *downRight = below.belowRight.data();
    const float* side = right.data();
    for (int x = 1; x < width - 1; ++x) {
        float sum = 0.0f, weights = 0.0f;
        const auto add = [&](float weight, int v) {
            sum += weight * float(v);
            weights += weight;
        };
        add(upLeft[x - 1], top[x - 1]);
        add(up[x], top[x]);
        add(upRight[x + 1], top[x + 1]);
        add(side[x - 1], row[x - 1]);
        sum += centreWeight * float(row[x]);
        weights += centreWeight;
        add(side[x], row[x + 1]);
        add(downLeft[x], bottom[x - 1]);
        add(down[x], bottom[x]);
        add(downRight[x], bottom[x + 1]);
        out[x] = uint16_t(sum / weights + 0.5f);
    }
}

int denoise(uint16_t* image, uint16_t* scratch)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!instance || !image || !scratch)
        return -1;
    Denoiser& d = *instance;
    const int w = d.width, h = d.height, n = w * h;
    if (d.hasPrevious)
        d.temporal(image, scratch);
    else
        std::memcpy(scratch, image, size_t(n) * 2);

    // Spatial: 3 x 3 bilateral from scratch back into the image.
    for (int y = 0; y < h; ++y) {
        uint16_t* out = image + y * w;
        if (y == 0 || y == h - 1 || w < 3) {
            for (int x = 0; x < w; ++x)
                out[x] = d.bilateralAtBorder(scratch, x, y);
            continue;
        }
        if (y == 1)
            d.pairWeights(scratch, 0, d.below);
        std::swap(d.above, d.below);
        d.pairWeights(scratch, y, d.below);
        d.rightWeights(scratch + y * w);
        out[0] = d.bilateralAtBorder(scratch, 0, y);
        d.bilateralInside(scratch, y, out);
        out[w - 1] = d.bilateralAtBorder(scratch, w - 1, y);
    }
    std::memcpy(d.previous.data(), image, size_t(n) * 2);
    d.hasPrevious = true;
    return 0;
}

void release()
{
    std::lock_guard<std::mutex> lock(mutex);
    instance.reset();
}

} // namespace tcdenoise
