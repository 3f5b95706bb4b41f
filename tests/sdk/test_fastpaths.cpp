// The ISP modules and the denoiser run fast paths (separable box sums, tables formed once,
// loops without bounds checks). Each is held here against the computation it stands for,
// written out plainly, on frames of every ISP camera's size: the denoiser and the NUC to the
// last bit, the box-filter modules within a count of the 14-bit output (a grey level is 64).
#include "libtcisp.h"
#include "tcdenoise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

struct Case
{
    const char* name;
    int width, height;
    double span;  // counts from the coolest to the hottest part of the scene
    double noise; // counts, standard deviation
};

using Image = std::vector<uint16_t>;

// A scene of the camera's size: a slope, a few warm parts, noise, and one dead and one
// saturated pixel.
Image scene(const Case& c, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, c.noise);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    struct Part
    {
        double x, y, r, heat;
    };
    std::vector<Part> parts(6);
    for (Part& p : parts)
        p = {unit(random) * c.width, unit(random) * c.height, 3 + 20 * unit(random), unit(random) * c.span};
    Image image(size_t(c.width) * c.height);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            double v = 6000 + 0.1 * c.span * x / c.width;
            for (const Part& p : parts)
                v += std::hypot(x - p.x, y - p.y) < p.r ? p.heat : 0.0;
            image[size_t(y) * c.width + x] = uint16_t(std::clamp(std::lround(v + noise(random)), 0L, 16383L));
        }
    image[5] = 0;
    image[image.size() / 2] = 16383;
    return image;
}

// The mean over the window cut at the borders, in double.
std::vector<double> windowMean(const std::vector<double>& in, int w, int h, int r)
{
    std::vector<double> out(in.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double sum = 0.0;
            int count = 0;
            for (int yy = std::max(0, y - r); yy <= std::min(h - 1, y + r); ++yy)
                for (int xx = std::max(0, x - r); xx <= std::min(w - 1, x + r); ++xx, ++count)
                    sum += in[size_t(yy) * w + xx];
            out[size_t(y) * w + x] = sum / count;
        }
    return out;
}

// The guided filter with the image as its own guide, detail cored and amplified.
Image enhancedDetail(const Image& in, int w, int h, const dde_param_t& p)
{
    const std::vector<double> image(in.begin(), in.end());
    std::vector<double> square(image.size());
    for (size_t i = 0; i < image.size(); ++i)
        square[i] = image[i] * image[i];
    const int r = 2 + p.radius_extra;
    const std::vector<double> meanI = windowMean(image, w, h, r), meanII = windowMean(square, w, h, r);
    std::vector<double> a(image.size()), b(image.size());
    const double eps = double(p.edge_threshold) * p.edge_threshold;
    for (size_t i = 0; i < image.size(); ++i) {
        const double variance = std::max(0.0, meanII[i] - meanI[i] * meanI[i]);
        a[i] = variance / (variance + eps);
        b[i] = meanI[i] * (1.0 - a[i]);
    }
    const std::vector<double> meanA = windowMean(a, w, h, r), meanB = windowMean(b, w, h, r);
    double mean = 0.0;
    for (double v : image)
        mean += v / double(image.size());
    const double gain = double(p.gain_num) / p.gain_den, mix = p.mix_percent / 100.0;
    Image out(in.size());
    for (size_t i = 0; i < image.size(); ++i) {
        const double base = meanA[i] * image[i] + meanB[i], detail = image[i] - base;
        const double enhanced =
            std::fabs(detail) <= p.coring ? detail : std::copysign(p.coring + gain * (std::fabs(detail) - p.coring), detail);
        const double v = mix * (base + p.base_compress * (mean - base) + enhanced) + (1.0 - mix) * image[i];
        out[i] = uint16_t(std::clamp(std::lround(v), 0L, 16383L));
    }
    return out;
}

// The denoiser's two filters written as they are stated, one pixel at a time.
struct PlainDenoiser
{
    int w, h;
    Image previous;
    void run(Image& image)
    {
        const float sigma = 0.5f, sigmaS = 7.0f, gammaR = 500.0f, gammaF = 100.0f;
        const auto difference = [](int a, int b) { return std::min(std::abs(a - b), 16383); };
        Image blended = image;
        if (!previous.empty())
            for (size_t i = 0; i < image.size(); ++i) {
                const float t = difference(image[i], previous[i]) / gammaF;
                const float k = sigma * std::exp(-t * t);
                blended[i] = uint16_t(float(image[i]) + k * float(previous[i] - image[i]) + 0.5f);
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int centre = blended[size_t(y) * w + x];
                float sum = 0.0f, weights = 0.0f;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        if (y + dy < 0 || y + dy >= h || x + dx < 0 || x + dx >= w)
                            continue;
                        const int v = blended[size_t(y + dy) * w + x + dx];
                        const float r = difference(v, centre) / gammaR;
                        const float weight = std::exp(-float(dx * dx + dy * dy) / (2.0f * sigmaS * sigmaS)) *
                                             std::exp(-0.5f * r * r);
                        sum += weight * float(v);
                        weights += weight;
                    }
                image[size_t(y) * w + x] = uint16_t(sum / weights + 0.5f);
            }
        previous = image;
    }
};

int largestDifference(const Image& a, const Image& b)
{
    int most = 0;
    for (size_t i = 0; i < a.size(); ++i)
        most = std::max(most, std::abs(int(a[i]) - int(b[i])));
    return most;
}

class FastPaths : public ::testing::TestWithParam<Case>
{
};

TEST_P(FastPaths, MatchTheComputationTheyStandFor)
{
    const Case c = GetParam();
    const int w = c.width, h = c.height;
    const isp_image_size_t size{uint16_t(w), uint16_t(h), 2};

    // The denoiser over three frames, so that the temporal filter has a history.
    ASSERT_EQ(tcdenoise::init(h, w, 0.5f), 0);
    PlainDenoiser plain{w, h, {}};
    Image scratch(size_t(w) * h);
    for (unsigned frame = 0; frame < 3; ++frame) {
        Image fast = scene(c, 10 + frame), reference = fast;
        ASSERT_EQ(tcdenoise::denoise(fast.data(), scratch.data()), 0);
        plain.run(reference);
        ASSERT_EQ(fast, reference) << "denoiser, frame " << frame;
    }
    tcdenoise::release();

    const Image input = scene(c, 20);
    // The NUC table: odd counts halfway between their two entries.
    Image table(TCISP_NUC_ENTRIES);
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = uint16_t(3000 + i * 7 / 5 + (i % 3));
    nuc_t_param_t nucParam{table.data(), TCISP_NUC_TABLE_BYTES};
    Image kelvin(input.size());
    isp_handle_t nuc{};
    ASSERT_EQ(nuc_t_init(&nuc, 0, &nucParam, &size, const_cast<uint16_t*>(input.data()), kelvin.data(), 0, 0), 0);
    for (int pass = 0; pass < 2; ++pass) { // the second with the table rewritten in place
        ASSERT_EQ(nuc_t_process(&nuc, 0), 0);
        for (size_t i = 0; i < input.size(); ++i) {
            const unsigned entry = input[i] >> 1;
            const unsigned expected = (input[i] & 1u) && entry + 1 < table.size()
                                          ? (unsigned(table[entry]) + table[entry + 1] + 1) >> 1
                                          : table[entry];
            ASSERT_EQ(kelvin[i], expected) << "NUC, pass " << pass << ", pixel " << i;
        }
        std::reverse(table.begin(), table.end());
    }
    nuc_t_destory(&nuc);

    // Detail extraction: the count less its window's mean.
    std::vector<int16_t> detail(input.size());
    const detail_extract_param_t detailParam{3, 1.0f};
    isp_handle_t extract{};
    ASSERT_EQ(detail_extract_init(&extract, 0, &detailParam, &size, const_cast<uint16_t*>(input.data()),
                                  detail.data(), 0, 0), 0);
    ASSERT_EQ(detail_extract_process(&extract, 0), 0);
    detail_extract_destory(&extract);
    const std::vector<double> mean = windowMean(std::vector<double>(input.begin(), input.end()), w, h, 3);
    for (size_t i = 0; i < input.size(); ++i)
        ASSERT_LE(std::fabs(detail[i] - (input[i] - mean[i])), 1.0) << "detail, pixel " << i;

    // Detail enhancement with the program's parameters, with a wider window and a blend, and
    // with the widest window there is.
    for (const dde_param_t& p : {dde_param_t{0.0f, 96.0f, 48.0f, 0, 10, 30, 100},
                                 dde_param_t{0.3f, 40.0f, 8.0f, 3, 4, 7, 60},
                                 dde_param_t{0.0f, 96.0f, 48.0f, 13, 10, 30, 100}}) {
        Image enhanced(input.size());
        isp_handle_t dde{};
        ASSERT_EQ(dde_init(&dde, 0, &p, &size, const_cast<uint16_t*>(input.data()), enhanced.data(), 0, 0), 0);
        ASSERT_EQ(dde_process(&dde, 0), 0);
        dde_destory(&dde);
        EXPECT_LE(largestDifference(enhanced, enhancedDetail(input, w, h, p)), 1) << "DDE, radius " << 2 + p.radius_extra;
    }
}

INSTANTIATE_TEST_SUITE_P(Cameras, FastPaths,
                         ::testing::Values(Case{"kind2_board", 384, 288, 3000, 6}, Case{"kind3_board", 256, 192, 3000, 6},
                                           Case{"kind3_flat_bench", 256, 192, 40, 2},
                                           Case{"kind3_extremes", 256, 192, 16000, 40},
                                           // columns past the last whole vector of eight
                                           Case{"odd_size", 253, 187, 3000, 6},
                                           // no whole vector, fewer rows than the widest window
                                           Case{"narrow_short", 5, 20, 3000, 6}),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace
