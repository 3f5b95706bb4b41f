#pragma once
// Low and high resolution grey frames of a virtual scene, for judging super resolution: the
// truth is rendered at twice the camera's resolution, the camera sees each pixel as the mean
// of a 2 x 2 block plus its temporal noise, and both are put on grey levels by the same
// linear stretch, taken from the camera's frame.
#include "sdk/virtual/scene.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace superres {

struct FramePair
{
    cv::Mat low;  // w x h, 8 bits
    cv::Mat high; // 2w x 2h, 8 bits, the truth on the same grey scale
};

inline FramePair makeFramePair(const std::string& cameraLine, int width, int height, double netd, unsigned seed)
{
    const tcsim::DeviceSpec spec = tcsim::parseRegistry(cameraLine).at(0);
    const tcsim::Scene scene(spec, 2 * width, 2 * height);
    std::vector<float> truth(size_t(4) * width * height);
    scene.render(0.0, truth.data());

    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0.0f, float(netd));
    std::vector<float> seen(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float* row = &truth[size_t(2 * y) * 2 * width + 2 * x];
            seen[size_t(y) * width + x] = (row[0] + row[1] + row[2 * width] + row[2 * width + 1]) / 4 + noise(rng);
        }
    std::vector<float> sorted(seen);
    std::sort(sorted.begin(), sorted.end());
    const float low = sorted[sorted.size() / 200], high = sorted[sorted.size() - 1 - sorted.size() / 200];
    const float gain = high > low ? 255.0f / (high - low) : 1.0f;
    auto grey = [&](const std::vector<float>& field, int w, int h) {
        cv::Mat image(h, w, CV_8UC1);
        for (size_t i = 0; i < field.size(); ++i)
            image.data[i] = uchar(std::clamp(std::lround((field[i] - low) * gain), 0L, 255L));
        return image;
    };
    return {grey(seen, width, height), grey(truth, 2 * width, 2 * height)};
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
