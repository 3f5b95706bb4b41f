#include "tcdenoise.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
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

    void rebuildTables()
    {
        temporalWeight.resize(kLevels);
        rangeWeight.resize(kLevels);
        for (int d = 0; d < kLevels; ++d) {
            const float t = d / gammaF;
            temporalWeight[d] = sigma * std::exp(-t * t);
            const float r = d / gammaR;
            rangeWeight[d] = std::exp(-0.5f * r * r);
        }
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                spatialWeight[dy + 1][dx + 1] = std::exp(-float(dx * dx + dy * dy) / (2.0f * sigmaS * sigmaS));
    }
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

int denoise(uint16_t* image, uint16_t* scratch)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!instance || !image || !scratch)
        return -1;
    Denoiser& d = *instance;
    const int w = d.width, h = d.height, n = w * h;

    // Temporal: lean on the previous result where the pixel has not changed much.
    if (d.hasPrevious) {
        for (int i = 0; i < n; ++i) {
            const int now = image[i];
            const int before = d.previous[i];
            const float k = d.temporalWeight[difference(now, before)];
            scratch[i] = uint16_t(float(now) + k * float(before - now) + 0.5f);
        }
    } else {
        std::memcpy(scratch, image, size_t(n) * 2);
    }

    // Spatial: 3 x 3 bilateral from scratch back into the image.
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int centre = scratch[y * w + x];
            float sum = 0.0f, weights = 0.0f;
            for (int dy = -1; dy <= 1; ++dy) {
                const int yy = y + dy;
                if (yy < 0 || yy >= h)
                    continue;
                for (int dx = -1; dx <= 1; ++dx) {
                    const int xx = x + dx;
                    if (xx < 0 || xx >= w)
                        continue;
                    const int v = scratch[yy * w + xx];
                    const float weight = d.spatialWeight[dy + 1][dx + 1] * d.rangeWeight[difference(v, centre)];
                    sum += weight * float(v);
                    weights += weight;
                }
            }
            image[y * w + x] = uint16_t(sum / weights + 0.5f);
        }
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
