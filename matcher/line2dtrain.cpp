#include "matcher/line2dtrain.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace line2d {
namespace {

struct Candidate
{
    Feature feature;
    float score;
};

// Strong features spread over the shape: the strongest first, then each at least distance
// from those taken, the distance shrinking until enough are taken.
std::vector<Feature> scattered(std::vector<Candidate> candidates, size_t wanted)
{
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    if (candidates.size() <= wanted) {
        std::vector<Feature> all;
        for (const Candidate& c : candidates)
            all.push_back(c.feature);
        return all;
    }
    float distance = float(candidates.size()) / float(wanted) + 1.0f;
    std::vector<Feature> taken;
    while (taken.size() < wanted) {
        taken.clear();
        const float limit = distance * distance;
        for (const Candidate& c : candidates) {
            const bool farEnough = std::all_of(taken.begin(), taken.end(), [&](const Feature& f) {
                const float dx = float(f.x - c.feature.x), dy = float(f.y - c.feature.y);
                return dx * dx + dy * dy >= limit;
            });
            if (farEnough)
                taken.push_back(c.feature);
            if (taken.size() == wanted)
                break;
        }
        distance -= 1.0f;
    }
    return taken;
}

} // namespace

TemplatePyramid train(const Detector& detector, const cv::Mat& image, const cv::Mat& mask)
{
    const ColorGradient& modality = detector.modality();
    ColorGradientPyramid pyramid(image, mask, modality.weak_threshold);
    TemplatePyramid levels(size_t(detector.pyramidLevels()));
    const float strong = modality.strong_threshold * modality.strong_threshold;
    for (int level = 0; level < detector.pyramidLevels(); ++level) {
        if (level > 0)
            pyramid.pyrDown();
        cv::Mat orientations;
        pyramid.quantize(orientations);
        std::vector<Candidate> candidates;
        // Away from the border, where the smoothing and the spreading see outside the image.
        const int margin = 3 * detector.spreadSteps()[size_t(level)];
        for (int r = margin; r < orientations.rows - margin; ++r)
            for (int c = margin; c < orientations.cols - margin; ++c) {
                const uint8_t bit = orientations.at<uint8_t>(r, c);
                const float magnitude = pyramid.magnitude().at<float>(r, c);
                if (bit == 0 || magnitude <= strong)
                    continue;
                Feature f;
                f.x = c;
                f.y = r;
                f.label = int(std::log2(double(bit)));
                candidates.push_back({f, magnitude});
            }
        levels[size_t(level)].pyramid_level = level;
        levels[size_t(level)].features = scattered(std::move(candidates), modality.num_features);
    }

    // One box for all levels, in full-resolution pixels, so that a position found at one level
    // doubles into the next.
    int minX = std::numeric_limits<int>::max(), minY = minX, maxX = std::numeric_limits<int>::min(), maxY = maxX;
    for (const Template& t : levels)
        for (const Feature& f : t.features) {
            const int scale = 1 << t.pyramid_level;
            minX = std::min(minX, f.x * scale);
            minY = std::min(minY, f.y * scale);
            maxX = std::max(maxX, f.x * scale);
            maxY = std::max(maxY, f.y * scale);
        }
    if (minX > maxX)
        return levels; // no feature anywhere
    minX -= minX % 2; // even, so that halving it is exact
    minY -= minY % 2;
    for (Template& t : levels) {
        const int level = t.pyramid_level;
        t.tl_x = minX >> level;
        t.tl_y = minY >> level;
        t.width = ((maxX - minX) >> level) + 1; // the extreme features inside the box
        t.height = ((maxY - minY) >> level) + 1;
        for (Feature& f : t.features) {
            f.x -= t.tl_x;
            f.y -= t.tl_y;
        }
    }
    return levels;
}

void writeClass(cv::FileStorage& file, const std::string& class_id, const std::vector<TemplatePyramid>& pyramids)
{
    file << "class_id" << class_id;
    file << "template_pyramids" << "[";
    for (size_t id = 0; id < pyramids.size(); ++id) {
        file << "{" << "template_id" << int(id) << "templates" << "[";
        for (const Template& t : pyramids[id]) {
            file << "{" << "width" << t.width << "height" << t.height << "tl_x" << t.tl_x << "tl_y" << t.tl_y
                 << "pyramid_level" << t.pyramid_level << "features" << "[";
            for (const Feature& f : t.features)
                file << "[:" << f.x << f.y << f.label << "]";
            file << "]" << "}";
        }
        file << "]" << "}";
    }
    file << "]";
}

} // namespace line2d
