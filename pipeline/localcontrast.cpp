#include "pipeline/localcontrast.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLevels = 256;
constexpr int kSmallRadius = 3;         // windows of 7 x 7 blocks of 2 x 2: the base's noise falls 14-fold
constexpr float kEdgeVariance = 36.0f;  // (6 grey levels)^2: below it a window counts as flat
constexpr float kNoiseGain = 2.0f;      // grey levels the noise's deviation may take at most

// Pixels in the window around position i of a line of the given length: the window shrinks at
// the ends.
int windowSpan(int i, int length, int radius)
{
    return std::min(i + radius, length - 1) - std::max(i - radius, 0) + 1;
}

} // namespace

// For each of length positions, the two neighbours among count samples at position
// (i * scale + offset), clamped to the samples, and the weight of the second.
void LocalContrast::interpolation(std::vector<Lerp>& table, int length, float scale, float offset, int count)
{
    table.resize(size_t(length));
    for (int i = 0; i < length; ++i) {
        const float f = std::clamp(i * scale + offset, 0.0f, float(count - 1));
        const int first = std::min(int(f), count - 1);
        table[size_t(i)] = {first, std::min(first + 1, count - 1), f - first};
    }
}

LocalContrast::LocalContrast(float clipLimit, int tilesX, int tilesY)
    : clipLimit(clipLimit), tilesX(std::max(tilesX, 1)), tilesY(std::max(tilesY, 1))
{
}

void LocalContrast::apply(uint8_t* image, int width, int height)
{
    if (width < tilesX || height < tilesY)
        return;
    splitBase(image, width, height);
    buildTileMaps(width, height, std::min(clipLimit, kNoiseGain / detailNoise(image, width, height)));
    // Each pixel's mapping is interpolated between the centres of the four tiles around it.
    const float tileWidth = float(width) / tilesX, tileHeight = float(height) / tilesY;
    interpolation(columns, width, 1.0f / tileWidth, 0.5f / tileWidth - 0.5f, tilesX);
    interpolation(rows, height, 1.0f / tileHeight, 0.5f / tileHeight - 0.5f, tilesY);
    const size_t stride = kLevels + 1, rowStride = size_t(tilesX) * stride;
    for (int y = 0; y < height; ++y) {
        const Lerp& r = rows[size_t(y)];
        const float* upper = maps.data() + r.first * rowStride;
        const float* lower = maps.data() + r.second * rowStride;
        uint8_t* row = image + size_t(y) * width;
        const float* baseRow = base.data() + size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            const Lerp& c = columns[size_t(x)];
            const float b = std::min(std::max(baseRow[x], 0.0f), float(kLevels) - 0.001f);
            const int bin = int(b);
            const float f = b - bin;
            const auto at = [&](const float* tileRow, int tile) {
                const float* edges = tileRow + size_t(tile) * stride + bin;
                return edges[0] + f * (edges[1] - edges[0]);
            };
            const float top = at(upper, c.first) + c.weight * (at(upper, c.second) - at(upper, c.first));
            const float bottom = at(lower, c.first) + c.weight * (at(lower, c.second) - at(lower, c.first));
            const float level = top + r.weight * (bottom - top) + (float(row[x]) - baseRow[x]);
            row[x] = uint8_t(std::min(std::max(level + 0.5f, 0.0f), 255.0f));
        }
    }
}

// Mean over the (2 radius + 1)^2 window around each pixel of the half-size picture, the window
// shrunk at the borders: window sums along each row from its running sum, then running sums
// down the columns.
void LocalContrast::boxMean(const float* in, float* out)
{
    const int w = smallWidth, h = smallHeight, r = kSmallRadius;
    float* const running = prefix.data();
    for (int y = 0; y < h; ++y) {
        const float* row = in + size_t(y) * w;
        float* dst = rowSums.data() + size_t(y) * w;
        running[0] = 0.0f;
        for (int x = 0; x < w; ++x)
            running[x + 1] = running[x] + row[x];
        for (int x = 0; x < w; ++x)
            dst[x] = running[std::min(x + r + 1, w)] - running[std::max(x - r, 0)];
    }
    float* const sums = columnSums.data();
    std::fill(sums, sums + w, 0.0f);
    for (int y = 0; y < std::min(r, h); ++y)
        for (int x = 0; x < w; ++x)
            sums[x] += rowSums[size_t(y) * w + x];
    for (int y = 0; y < h; ++y) {
        if (y + r < h) {
            const float* add = rowSums.data() + size_t(y + r) * w;
            for (int x = 0; x < w; ++x)
                sums[x] += add[x];
        }
        if (y - r - 1 >= 0) {
            const float* drop = rowSums.data() + size_t(y - r - 1) * w;
            for (int x = 0; x < w; ++x)
                sums[x] -= drop[x];
        }
        float* dst = out + size_t(y) * w;
        const float rowShare = 1.0f / float(windowSpan(y, h, r));
        for (int x = 0; x < w; ++x)
            dst[x] = sums[x] * rowShare * columnShare[size_t(x)];
    }
}

void LocalContrast::splitBase(const uint8_t* image, int width, int height)
{
    // A self-guided filter: in each window the base is the best linear fit a * I + b of the
    // picture to itself, a near 1 where the window's variance is well above the edge variance
    // (edges kept) and near 0 where it is below (the window's mean: noise gone). a and b are
    // smooth, so they are found on the picture's 2 x 2 block means and interpolated back.
    smallWidth = (width + 1) / 2;
    smallHeight = (height + 1) / 2;
    const size_t small = size_t(smallWidth) * smallHeight;
    for (std::vector<float>* v : {&mean, &meanSquare, &slope, &offset, &rowSums})
        v->resize(small);
    prefix.resize(size_t(smallWidth) + 1);
    columnSums.resize(size_t(smallWidth));
    columnShare.resize(size_t(smallWidth));
    for (int x = 0; x < smallWidth; ++x)
        columnShare[size_t(x)] = 1.0f / float(windowSpan(x, smallWidth, kSmallRadius));
    for (int y = 0; y < smallHeight; ++y) {
        const uint8_t* top = image + size_t(2 * y) * width;
        const uint8_t* bottom = image + size_t(std::min(2 * y + 1, height - 1)) * width;
        for (int x = 0; x < smallWidth; ++x) {
            const int x1 = std::min(2 * x + 1, width - 1);
            const float a = top[2 * x], b = top[x1], c = bottom[2 * x], d = bottom[x1];
            slope[size_t(y) * smallWidth + x] = 0.25f * (a + b + c + d);
            offset[size_t(y) * smallWidth + x] = 0.25f * (a * a + b * b + c * c + d * d);
        }
    }
    boxMean(slope.data(), mean.data());
    boxMean(offset.data(), meanSquare.data());
    for (size_t i = 0; i < small; ++i) {
        const float variance = std::max(0.0f, meanSquare[i] - mean[i] * mean[i]);
        slope[i] = variance / (variance + kEdgeVariance);
        offset[i] = mean[i] - slope[i] * mean[i];
    }
    boxMean(slope.data(), meanSquare.data()); // the window means of a
    boxMean(offset.data(), mean.data());      // and of b
    // Small pixel j covers picture pixels 2j and 2j + 1: its centre is at 2j + 1/2.
    interpolation(smallColumns, width, 0.5f, -0.25f, smallWidth);
    interpolation(smallRows, height, 0.5f, -0.25f, smallHeight);
    base.resize(size_t(width) * height);
    lineA.resize(size_t(smallWidth));
    lineB.resize(size_t(smallWidth));
    for (int y = 0; y < height; ++y) {
        const Lerp& r = smallRows[size_t(y)];
        const float* a0 = meanSquare.data() + size_t(r.first) * smallWidth;
        const float* a1 = meanSquare.data() + size_t(r.second) * smallWidth;
        const float* b0 = mean.data() + size_t(r.first) * smallWidth;
        const float* b1 = mean.data() + size_t(r.second) * smallWidth;
        for (int x = 0; x < smallWidth; ++x) {
            lineA[size_t(x)] = a0[x] + r.weight * (a1[x] - a0[x]);
            lineB[size_t(x)] = b0[x] + r.weight * (b1[x] - b0[x]);
        }
        const uint8_t* row = image + size_t(y) * width;
        float* dst = base.data() + size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            const Lerp& c = smallColumns[size_t(x)];
            const float a = lineA[size_t(c.first)] + c.weight * (lineA[size_t(c.second)] - lineA[size_t(c.first)]);
            const float b = lineB[size_t(c.first)] + c.weight * (lineB[size_t(c.second)] - lineB[size_t(c.first)]);
            dst[x] = a * float(row[x]) + b;
        }
    }
}

float LocalContrast::detailNoise(const uint8_t* image, int width, int height) const
{
    // The median magnitude of the detail in sixteenths of a level: edges are too few to move
    // it. Half a level at least: the picture's own rounding.
    constexpr int bins = 256;
    uint32_t histogram[bins] = {};
    size_t n = 0;
    for (int y = 0; y < height; y += 2, n += size_t(width)) // every other row is plenty
        for (size_t i = size_t(y) * width; i < size_t(y + 1) * width; ++i)
            ++histogram[std::min(int(std::fabs(float(image[i]) - base[i]) * 16.0f), bins - 1)];
    size_t sum = 0;
    int median = 0;
    while (median < bins - 1 && (sum += histogram[median]) <= n / 2)
        ++median;
    return std::max(0.5f, (median + 0.5f) / 16.0f / 0.6745f);
}

void LocalContrast::buildTileMaps(int width, int height, float limit)
{
    maps.assign(size_t(tilesX) * tilesY * (kLevels + 1), 0.0f);
    float histogram[kLevels];
    for (int ty = 0; ty < tilesY; ++ty) {
        const int y0 = ty * height / tilesY, y1 = (ty + 1) * height / tilesY;
        for (int tx = 0; tx < tilesX; ++tx) {
            const int x0 = tx * width / tilesX, x1 = (tx + 1) * width / tilesX;
            std::fill(histogram, histogram + kLevels, 0.0f);
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    histogram[std::min(std::max(int(base[size_t(y) * width + x]), 0), kLevels - 1)] += 1.0f;
            // Clipped at the limit (as a multiple of an even histogram); the rest spread evenly.
            const float area = float((x1 - x0) * (y1 - y0));
            const float clip = std::max(1.0f, limit * area / kLevels);
            float excess = 0.0f;
            for (float& count : histogram) {
                excess += std::max(0.0f, count - clip);
                count = std::min(count, clip);
            }
            float* edges = maps.data() + (size_t(ty) * tilesX + tx) * (kLevels + 1);
            const float scale = float(kLevels - 1) / area;
            for (int level = 0; level < kLevels; ++level)
                edges[level + 1] = edges[level] + (histogram[level] + excess / kLevels) * scale;
        }
    }
}
