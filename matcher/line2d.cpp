#include "matcher/line2d.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>

namespace line2d {
namespace {

#define LINE2D_ASSERT(expr, function)                                                                                  \
    do {                                                                                                               \
        if (!(expr))                                                                                                   \
            cv::error(cv::Error::StsAssert, #expr, function, __FILE__, __LINE__);                                      \
    } while (0)

constexpr int kOrientations = 8;
constexpr int kNeighbourVotes = 5; // of the 3 x 3 neighbourhood, for an orientation to count
constexpr int kLocalCells = 16;    // the window of the refinement, in cells of its level
constexpr int kLargestSide = 1 << 14; // of a template, in pixels

// Sobel gradients of a smoothed image; for colour, each pixel takes the channel whose gradient
// is strongest.
void gradients(const cv::Mat& smoothed, cv::Mat& magnitude, cv::Mat& angle)
{
    std::vector<cv::Mat> channels;
    cv::split(smoothed, channels);
    cv::Mat bestDx, bestDy;
    for (const cv::Mat& channel : channels) {
        cv::Mat dx, dy, m;
        cv::Sobel(channel, dx, CV_32F, 1, 0, 3, 1.0, 0.0, cv::BORDER_REPLICATE);
        cv::Sobel(channel, dy, CV_32F, 0, 1, 3, 1.0, 0.0, cv::BORDER_REPLICATE);
        m = dx.mul(dx) + dy.mul(dy);
        if (magnitude.empty()) {
            magnitude = m;
            bestDx = dx;
            bestDy = dy;
            continue;
        }
        const cv::Mat stronger = m > magnitude;
        m.copyTo(magnitude, stronger);
        dx.copyTo(bestDx, stronger);
        dy.copyTo(bestDy, stronger);
    }
    cv::phase(bestDx, bestDy, angle, true);
}

// Eight orientations from the angle (16 bins folded), kept where the gradient is strong and
// the neighbourhood agrees: one bit per pixel, or 0.
void hysteresis(const cv::Mat& magnitude, const cv::Mat& angle, float threshold, cv::Mat& labels, cv::Mat& quantized)
{
    cv::Mat bins;
    angle.convertTo(bins, CV_8U, 16.0 / 360.0);
    labels = bins & 7;
    quantized = cv::Mat::zeros(angle.size(), CV_8U);
    const float limit = threshold * threshold;
    for (int r = 1; r < angle.rows - 1; ++r) {
        const float* mag = magnitude.ptr<float>(r);
        uint8_t* out = quantized.ptr<uint8_t>(r);
        for (int c = 1; c < angle.cols - 1; ++c) {
            if (mag[c] <= limit)
                continue;
            int votes[kOrientations] = {};
            for (int dr = -1; dr <= 1; ++dr) {
                const uint8_t* row = labels.ptr<uint8_t>(r + dr);
                for (int dc = -1; dc <= 1; ++dc)
                    ++votes[row[c + dc]];
            }
            const int best = int(std::max_element(votes, votes + kOrientations) - votes);
            if (votes[best] >= kNeighbourVotes)
                out[c] = uint8_t(1u << best);
        }
    }
}

// Response of one orientation to a pixel's set of orientations: 4 for that orientation, 3 for
// a neighbouring one (among eight, circularly), else 0.
int response(int orientation, int present)
{
    if (present == orientation)
        return 4;
    const int distance = std::abs(present - orientation);
    return distance == 1 || distance == kOrientations - 1 ? 3 : 0;
}

template <class Accumulator> void accumulate(Accumulator* dst, const uint8_t* src, int count)
{
    for (int i = 0; i < count; ++i) // vectorised: a plain widening add
        dst[i] = Accumulator(dst[i] + src[i]);
}

int cellOffset(int T)
{
    return T / 2 + (T % 2 - 1);
}

const cv::Mat& memoryOf(const std::vector<cv::Mat>& memories, const Feature& f, int T)
{
    return memories[size_t(f.label * T * T + (f.y % T) * T + (f.x % T))];
}

template <class Accumulator>
void similarityAt(const std::vector<cv::Mat>& memories, const Template& templ, cv::Mat& dst, cv::Size size, int T)
{
    const int W = size.width / T, H = size.height / T;
    const int wf = (templ.width - 1) / T + 1, hf = (templ.height - 1) / T + 1;
    const int spanX = W - wf, spanY = H - hf;
    dst = cv::Mat::zeros(H, W, cv::DataType<Accumulator>::type);
    if (spanX < 0 || spanY < 0)
        return;
    const int positions = spanY * W + spanX + 1;
    auto* acc = dst.ptr<Accumulator>();
    for (const Feature& f : templ.features) {
        if (f.x < 0 || f.y < 0 || f.x >= templ.width || f.y >= templ.height)
            continue; // outside its box: no memory has a place for it
        const int index = (f.y / T) * W + (f.x / T);
        accumulate(acc, memoryOf(memories, f, T).ptr<uint8_t>() + index, positions);
    }
    // Cells where the template would run over the right edge wrapped into the next row.
    for (int r = 0; r <= spanY; ++r)
        std::fill(dst.ptr<Accumulator>(r) + spanX + 1, dst.ptr<Accumulator>(r) + W, Accumulator(0));
}

// Sums over a window of cells (at most 16 x 16) whose top-left cell is given; the window lies
// where the template fits.
template <class Accumulator>
void similarityLocalAt(const std::vector<cv::Mat>& memories, const Template& templ, cv::Mat& dst, cv::Size size, int T,
                       cv::Rect window)
{
    const int W = size.width / T;
    dst = cv::Mat::zeros(window.height, window.width, cv::DataType<Accumulator>::type);
    for (const Feature& f : templ.features) {
        if (f.x < 0 || f.y < 0 || f.x >= templ.width || f.y >= templ.height)
            continue;
        const uint8_t* memory = memoryOf(memories, f, T).ptr<uint8_t>();
        const int index = (window.y + f.y / T) * W + window.x + f.x / T;
        for (int r = 0; r < window.height; ++r)
            accumulate(dst.ptr<Accumulator>(r), memory + index + r * W, window.width);
    }
}

// The sums of a template: 8 bits for fewer than 64 features, 16 for fewer than 8192.
template <class Sum8, class Sum16> void bySumWidth(const Template& templ, bool local, Sum8 sum8, Sum16 sum16)
{
    if (templ.features.size() < 64) {
        sum8();
        return;
    }
    LINE2D_ASSERT(templ.features.size() < 8192, local ? "line2d::similarityLocal" : "line2d::similarity");
    sum16();
}

double overlap(const cv::Rect& a, const cv::Rect& b)
{
    const double common = (a & b).area();
    return common / (a.area() + b.area() - common);
}

} // namespace

// ---------------------------------------------------------------- orientations

ColorGradientPyramid::ColorGradientPyramid(const cv::Mat& source, const cv::Mat& m, float weak)
    : image(source), mask(m), weakThreshold(weak)
{
    update();
}

void ColorGradientPyramid::update()
{
    cv::Mat smoothed;
    cv::GaussianBlur(image, smoothed, cv::Size(7, 7), 0, 0, cv::BORDER_REPLICATE);
    cv::Mat angle;
    magnitudeImage.release();
    gradients(smoothed, magnitudeImage, angle);
    hysteresis(magnitudeImage, angle, weakThreshold, labelImage, quantized);
}

void ColorGradientPyramid::quantize(cv::Mat& orientations) const
{
    if (mask.empty()) {
        orientations = quantized.clone();
        return;
    }
    orientations = cv::Mat::zeros(quantized.size(), CV_8U);
    quantized.copyTo(orientations, mask);
}

void ColorGradientPyramid::pyrDown()
{
    const cv::Size half((image.cols + 1) / 2, (image.rows + 1) / 2);
    cv::Mat smaller;
    cv::pyrDown(image, smaller, half);
    image = smaller;
    if (!mask.empty()) {
        cv::Mat smallerMask;
        cv::resize(mask, smallerMask, half, 0, 0, cv::INTER_NEAREST);
        mask = smallerMask;
    }
    update();
}

// ---------------------------------------------------------------- responses

void spread(const cv::Mat& orientations, cv::Mat& spreadImage, int T)
{
    spreadImage.create(orientations.size(), CV_8U);
    spreadImage.setTo(0);
    for (int dr = 0; dr < T; ++dr)
        for (int dc = 0; dc < T; ++dc) {
            const cv::Rect from(dc, dr, orientations.cols - dc, orientations.rows - dr);
            if (from.width <= 0 || from.height <= 0)
                continue;
            cv::Mat target = spreadImage(cv::Rect(0, 0, from.width, from.height));
            cv::bitwise_or(target, orientations(from), target);
        }
}

void computeResponseMaps(const cv::Mat& src, std::vector<cv::Mat>& responseMaps)
{
    LINE2D_ASSERT(src.type() == CV_8U && src.isContinuous(), "line2d::computeResponseMaps");
    LINE2D_ASSERT((src.rows * src.cols) % 16 == 0, "line2d::computeResponseMaps");
    responseMaps.resize(kOrientations);
    const uint8_t* in = src.ptr<uint8_t>();
    const int n = src.rows * src.cols;
    for (int o = 0; o < kOrientations; ++o) {
        std::array<uint8_t, 16> low{}, high{};
        for (int v = 0; v < 16; ++v)
            for (int bit = 0; bit < 4; ++bit)
                if (v & (1 << bit)) {
                    low[size_t(v)] = uint8_t(std::max<int>(low[size_t(v)], response(o, bit)));
                    high[size_t(v)] = uint8_t(std::max<int>(high[size_t(v)], response(o, bit + 4)));
                }
        responseMaps[size_t(o)].create(src.size(), CV_8U);
        uint8_t* out = responseMaps[size_t(o)].ptr<uint8_t>();
        for (int i = 0; i < n; ++i)
            out[i] = std::max(low[in[i] & 15], high[in[i] >> 4]);
    }
}

void linearize(const cv::Mat& response_map, cv::Mat& linearized, int T)
{
    LINE2D_ASSERT(response_map.rows % T == 0, "line2d::linearize");
    LINE2D_ASSERT(response_map.cols % T == 0, "line2d::linearize");
    const int W = response_map.cols / T, H = response_map.rows / T;
    linearized.create(T * T, W * H, CV_8U);
    for (int dr = 0; dr < T; ++dr)
        for (int dc = 0; dc < T; ++dc) {
            uint8_t* memory = linearized.ptr<uint8_t>(dr * T + dc);
            for (int r = dr, row = 0; r < response_map.rows; r += T, ++row) {
                const uint8_t* in = response_map.ptr<uint8_t>(r);
                uint8_t* out = memory + row * W;
                for (int c = dc, col = 0; c < response_map.cols; c += T, ++col)
                    out[col] = in[c];
            }
        }
}

void similarity(const std::vector<cv::Mat>& memories, const Template& templ, cv::Mat& dst, cv::Size size, int T)
{
    bySumWidth(
        templ, false, [&] { similarityAt<uint8_t>(memories, templ, dst, size, T); },
        [&] { similarityAt<uint16_t>(memories, templ, dst, size, T); });
}

// ---------------------------------------------------------------- detector

Detector::Detector(int num_features, std::vector<int> T, float weak_thresh, float strong_thresh)
    : gradient(std::make_shared<ColorGradient>(ColorGradient{weak_thresh, size_t(num_features), strong_thresh})),
      T_at_level(std::move(T))
{
    LINE2D_ASSERT(!T_at_level.empty(), "line2d::Detector::Detector");
    for (int step : T_at_level)
        LINE2D_ASSERT(step > 0, "line2d::Detector::Detector");
}

std::vector<Match> Detector::match(const cv::Mat& source, float threshold, const std::vector<std::string>& class_ids,
                                   const cv::Mat& mask) const
{
    LINE2D_ASSERT(mask.empty() || mask.size() == source.size(), "line2d::Detector::match");
    // Per level: the linear memories of the eight orientations (T^2 rows each), one after
    // another, and the level's size.
    buffers.resize(T_at_level.size());
    std::vector<LinearMemories> memories(T_at_level.size());
    std::vector<cv::Size> sizes(T_at_level.size());
    // Every level must divide by its step: the picture is extended at the right and the bottom
    // (its edge pixels repeated, outside the mask), which moves nothing found in it.
    int multiple = 16;
    for (size_t level = 0; level < T_at_level.size(); ++level)
        multiple = std::max(multiple, T_at_level[level] << level);
    const int padRight = (multiple - source.cols % multiple) % multiple;
    const int padBottom = (multiple - source.rows % multiple) % multiple;
    cv::Mat padded = source, paddedMask = mask;
    if (padRight || padBottom) {
        cv::copyMakeBorder(source, padded, 0, padBottom, 0, padRight, cv::BORDER_REPLICATE);
        if (!mask.empty())
            cv::copyMakeBorder(mask, paddedMask, 0, padBottom, 0, padRight, cv::BORDER_CONSTANT, 0);
    }
    ColorGradientPyramid pyramid(padded, paddedMask, gradient->weak_threshold);
    for (size_t level = 0; level < T_at_level.size(); ++level) {
        if (level > 0)
            pyramid.pyrDown();
        const int T = T_at_level[level];
        LevelBuffers& b = buffers[level];
        pyramid.quantize(b.orientations);
        spread(b.orientations, b.spreadImage, T);
        computeResponseMaps(b.spreadImage, b.responses);
        b.linear.resize(b.responses.size());
        b.memories.clear();
        for (size_t o = 0; o < b.responses.size(); ++o) {
            linearize(b.responses[o], b.linear[o], T);
            for (int row = 0; row < b.linear[o].rows; ++row)
                b.memories.push_back(b.linear[o].row(row));
        }
        memories[level] = b.memories;
        sizes[level] = b.spreadImage.size();
    }

    std::vector<Match> matches;
    for (const auto& [id, pyramids] : class_templates)
        if (class_ids.empty() || std::find(class_ids.begin(), class_ids.end(), id) != class_ids.end())
            matchClass(memories, sizes, threshold, id, pyramids, matches);
    std::stable_sort(matches.begin(), matches.end());

    // The refinement can bring candidates of one template to the same place: keep the best.
    std::vector<Match> kept;
    for (const Match& m : matches) {
        const Template& t = class_templates.at(m.class_id)[size_t(m.template_id)][0];
        const cv::Rect box(m.x, m.y, t.width, t.height);
        const bool covered = std::any_of(kept.begin(), kept.end(), [&](const Match& k) {
            const Template& kt = class_templates.at(k.class_id)[size_t(k.template_id)][0];
            return k.class_id == m.class_id && k.template_id == m.template_id &&
                   overlap(box, cv::Rect(k.x, k.y, kt.width, kt.height)) > 0.5;
        });
        if (!covered)
            kept.push_back(m);
    }
    return kept;
}

void Detector::matchClass(const std::vector<LinearMemories>& memories, const std::vector<cv::Size>& sizes,
                          float threshold, const std::string& class_id, const std::vector<TemplatePyramid>& pyramids,
                          std::vector<Match>& matches) const
{
    const int lowest = int(T_at_level.size()) - 1;
    for (size_t id = 0; id < pyramids.size(); ++id) {
        const TemplatePyramid& tp = pyramids[id];
        const Template& coarse = tp[size_t(lowest)];
        for (const Template& t : tp)
            if (t.features.size() >= 8192)
                cv::error(cv::Error::StsAssert, "feature size too large", "line2d::Detector::matchClass", __FILE__,
                          __LINE__);
        if (coarse.features.empty())
            continue;
        const int T = T_at_level[size_t(lowest)];
        cv::Mat raw;
        similarity(memories[size_t(lowest)], coarse, raw, sizes[size_t(lowest)], T);
        cv::Mat score;
        raw.convertTo(score, CV_32F, 100.0 / (4.0 * double(coarse.features.size())));

        const int offset = cellOffset(T);
        for (int r = 0; r < score.rows; ++r) {
            const float* row = score.ptr<float>(r);
            for (int c = 0; c < score.cols; ++c) {
                if (row[c] <= threshold)
                    continue;
                int x = c * T + offset, y = r * T + offset;
                float best = row[c];
                bool inside = true;
                for (int level = lowest - 1; level >= 0 && inside; --level) {
                    const Template& templ = tp[size_t(level)];
                    const int t = T_at_level[size_t(level)];
                    const cv::Size size = sizes[size_t(level)];
                    // The cells where the template fits at this level; the window of the
                    // search stays inside them, so a template nearly as large as the image
                    // is refined too.
                    const int spanX = size.width / t - ((templ.width - 1) / t + 1);
                    const int spanY = size.height / t - ((templ.height - 1) / t + 1);
                    inside = spanX >= 0 && spanY >= 0 && !templ.features.empty();
                    if (!inside)
                        break;
                    x = x * 2 + 1;
                    y = y * 2 + 1;
                    cv::Rect window(0, 0, std::min(kLocalCells, spanX + 1), std::min(kLocalCells, spanY + 1));
                    window.x = std::clamp(x / t - window.width / 2, 0, spanX + 1 - window.width);
                    window.y = std::clamp(y / t - window.height / 2, 0, spanY + 1 - window.height);
                    cv::Mat local;
                    const LinearMemories& lm = memories[size_t(level)];
                    bySumWidth(
                        templ, true, [&] { similarityLocalAt<uint8_t>(lm, templ, local, size, t, window); },
                        [&] { similarityLocalAt<uint16_t>(lm, templ, local, size, t, window); });
                    double top = 0;
                    cv::Point at;
                    cv::minMaxLoc(local, nullptr, &top, nullptr, &at);
                    best = float(top * 100.0 / (4.0 * double(templ.features.size())));
                    const int o = cellOffset(t);
                    x = (window.x + at.x) * t + o;
                    y = (window.y + at.y) * t + o;
                }
                if (inside && best > threshold)
                    matches.push_back({x, y, best, class_id, int(id)});
            }
        }
    }
}

void Detector::readClass(const cv::FileNode& node)
{
    const std::string class_id_tmp = std::string(node["class_id"]);
    LINE2D_ASSERT(!class_id_tmp.empty(), "line2d::Detector::readClass");
    LINE2D_ASSERT(class_templates.find(class_id_tmp) == class_templates.end(), "line2d::Detector::readClass");
    std::vector<TemplatePyramid> pyramids;
    const cv::FileNode list = node["template_pyramids"];
    int expected_id = 0;
    for (cv::FileNodeIterator it = list.begin(); it != list.end(); ++it, ++expected_id) {
        const int template_id = int((*it)["template_id"]);
        LINE2D_ASSERT(template_id == expected_id, "line2d::Detector::readClass");
        TemplatePyramid tp;
        const cv::FileNode templates = (*it)["templates"];
        for (cv::FileNodeIterator t = templates.begin(); t != templates.end(); ++t) {
            Template templ;
            templ.width = int((*t)["width"]);
            templ.height = int((*t)["height"]);
            templ.tl_x = int((*t)["tl_x"]);
            templ.tl_y = int((*t)["tl_y"]);
            templ.pyramid_level = int((*t)["pyramid_level"]);
            // Whatever the file says, every feature lies inside its template's box, which is
            // what the sums rely on to stay inside their memories.
            LINE2D_ASSERT(templ.width > 0 && templ.width <= kLargestSide && templ.height > 0 &&
                              templ.height <= kLargestSide,
                          "line2d::Detector::readClass");
            LINE2D_ASSERT(templ.pyramid_level == int(tp.size()), "line2d::Detector::readClass");
            const cv::FileNode features = (*t)["features"];
            for (cv::FileNodeIterator f = features.begin(); f != features.end(); ++f) {
                LINE2D_ASSERT((*f).isSeq() && (*f).size() == 3, "line2d::Detector::readClass");
                cv::FileNodeIterator v = (*f).begin();
                Feature feature;
                feature.x = int(*v++);
                feature.y = int(*v++);
                feature.label = int(*v);
                LINE2D_ASSERT(feature.label >= 0 && feature.label < kOrientations, "line2d::Detector::readClass");
                LINE2D_ASSERT(feature.x >= 0 && feature.x < templ.width && feature.y >= 0 && feature.y < templ.height,
                              "line2d::Detector::readClass");
                templ.features.push_back(feature);
            }
            tp.push_back(std::move(templ));
        }
        LINE2D_ASSERT(int(tp.size()) == pyramidLevels(), "line2d::Detector::readClass");
        pyramids.push_back(std::move(tp));
    }
    class_templates[class_id_tmp] = std::move(pyramids);
}

const TemplatePyramid& Detector::getTemplates(const std::string& class_id, int template_id) const
{
    const auto i = class_templates.find(class_id);
    LINE2D_ASSERT(i != class_templates.end(), "line2d::Detector::getTemplates");
    LINE2D_ASSERT(template_id >= 0, "line2d::Detector::getTemplates");
    LINE2D_ASSERT(i->second.size() > size_t(template_id), "line2d::Detector::getTemplates");
    return i->second[size_t(template_id)];
}

int Detector::numTemplates(const std::string& class_id) const
{
    const auto i = class_templates.find(class_id);
    return i == class_templates.end() ? 0 : int(i->second.size());
}

} // namespace line2d
