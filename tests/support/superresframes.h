#pragma once
// Low and high resolution grey frames of a virtual scene, for judging super resolution: the
// truth is rendered at twice the camera's resolution, the camera sees each pixel as the mean
// of a 2 x 2 block, both are put on grey levels by one mapping of a family taken from the
// camera's frame, and the camera's temporal noise adds to its grey levels.
#include "sdk/virtual/scene.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace superres {

// Families of grey mappings a camera's or an image mode's gain control may produce, as the
// training script draws them.
struct GreyMapping
{
    const char* name;
    bool equalise; // histogram equalisation instead of a stretch between the 0.5 % percentiles
    double gamma;
    bool invert;
};

inline const GreyMapping kMappingFamilies[] = {
    {"linear", false, 1.0, false},   {"equalised", true, 1.0, false}, {"gamma 0.5", false, 0.5, false},
    {"gamma 2", false, 2.0, false},  {"inverted", false, 1.0, true},
};

struct FramePair
{
    cv::Mat low;  // w x h, 8 bits
    cv::Mat high; // 2w x 2h, 8 bits, the truth on the same grey scale
};

// Temperature to grey level (0..255, unrounded) by one mapping taken from the camera's frame.
// Equalisation ranks levels of kEqualiseStep degrees, about a camera's count.
class GreyScale
{
public:
    static constexpr double kEqualiseStep = 0.05;

    GreyScale(std::vector<float> seen, const GreyMapping& mapping) : mapping(mapping)
    {
        std::sort(seen.begin(), seen.end());
        if (mapping.equalise) { // each level at the middle of its own rank, linear between levels
            for (size_t i = 0; i < seen.size();) {
                const double level = std::round(seen[i] / kEqualiseStep);
                size_t j = i;
                while (j < seen.size() && std::round(seen[j] / kEqualiseStep) == level)
                    ++j;
                levels.push_back(level);
                ranks.push_back((double(i) + double(j)) / 2.0 / double(seen.size()));
                i = j;
            }
            return;
        }
        auto percentile = [&](double p) { // as numpy's, linear between neighbours
            const double at = p / 100.0 * double(seen.size() - 1);
            const size_t k = size_t(at);
            return seen[k] + (at - double(k)) * (seen[std::min(k + 1, seen.size() - 1)] - seen[k]);
        };
        low = percentile(0.5);
        double high = percentile(99.5);
        if (high - low < 0.5) { // a flat bench with one hot part: its extremes
            low = seen.front();
            high = seen.back();
        }
        span = std::max(high - low, 1e-3);
    }

    double operator()(float t) const
    {
        double u;
        if (mapping.equalise) {
            const double level = t / kEqualiseStep;
            const size_t k = size_t(std::upper_bound(levels.begin(), levels.end(), level) - levels.begin());
            if (k == 0)
                u = ranks.front();
            else if (k == levels.size())
                u = ranks.back();
            else
                u = ranks[k - 1] + (ranks[k] - ranks[k - 1]) * (level - levels[k - 1]) / (levels[k] - levels[k - 1]);
        } else {
            u = (t - low) / span;
        }
        const double g = 255.0 * std::pow(std::clamp(u, 0.0, 1.0), mapping.gamma);
        return mapping.invert ? 255.0 - g : g;
    }

private:
    GreyMapping mapping;
    std::vector<double> levels, ranks;
    double low = 0, span = 1;
};

inline FramePair makeFramePair(const std::string& cameraLine, int width, int height, const GreyMapping& mapping,
                               double noiseGreyLevels, unsigned seed)
{
    const tcsim::DeviceSpec spec = tcsim::parseRegistry(cameraLine).at(0);
    const tcsim::Scene scene(spec, 2 * width, 2 * height);
    std::vector<float> truth(size_t(4) * width * height);
    scene.render(0.0, truth.data());

    std::vector<float> seen(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float* row = &truth[size_t(2 * y) * 2 * width + 2 * x];
            seen[size_t(y) * width + x] = (row[0] + row[1] + row[2 * width] + row[2 * width + 1]) / 4;
        }
    const GreyScale grey(seen, mapping);
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, noiseGreyLevels);
    FramePair pair{cv::Mat(height, width, CV_8UC1), cv::Mat(2 * height, 2 * width, CV_8UC1)};
    for (size_t i = 0; i < seen.size(); ++i)
        pair.low.data[i] = uchar(std::clamp(std::lround(grey(seen[i]) + noise(rng)), 0L, 255L));
    for (size_t i = 0; i < truth.size(); ++i)
        pair.high.data[i] = uchar(std::lround(grey(truth[i])));
    return pair;
}

inline double psnr(const cv::Mat& a, const cv::Mat& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.total(); ++i) {
        const double d = double(a.data[i]) - double(b.data[i]);
        sum += d * d;
    }
    const double mse = sum / double(a.total());
    return mse > 0 ? 10.0 * std::log10(255.0 * 255.0 / mse) : 99.0;
}

} // namespace superres
