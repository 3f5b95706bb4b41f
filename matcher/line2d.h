#pragma once
// A shape-based template matcher after the published LINE-2D method: gradient orientations
// quantised to eight directions, spread over T x T cells, turned into response maps by table
// lookups and rearranged into linear memories, so that a template is scored everywhere with
// additions only. Two or more pyramid levels: candidates from the coarsest level are refined
// down to full resolution.
//
// Precondition failures are OpenCV errors (cv::Exception, code -215) naming the condition and
// the function, as cv::Exception carries them.
#include <opencv2/core.hpp>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace line2d {

struct Feature
{
    int x = 0, y = 0; // relative to the template's top-left
    int label = 0;    // orientation 0..7
    float theta = 0;  // not stored in files, not used by matching
};

struct Template
{
    int width = 0, height = 0, tl_x = 0, tl_y = 0, pyramid_level = 0;
    std::vector<Feature> features;
};

// One template per pyramid level, finest first.
using TemplatePyramid = std::vector<Template>;

struct Match
{
    int x = 0, y = 0;      // the template's top-left in the source image
    float similarity = 0;  // percent
    std::string class_id;
    int template_id = 0;
    // Best first; among equal scores the lower template id.
    bool operator<(const Match& other) const
    {
        return similarity != other.similarity ? similarity > other.similarity : template_id < other.template_id;
    }
};

// The modality: gradient orientations of a grey or colour image.
struct ColorGradient
{
    float weak_threshold = 30.0f;
    size_t num_features = 200;
    float strong_threshold = 30.0f;
};

// Orientations of one image: each pixel one bit of eight (the quantised direction of a strong
// enough, locally consistent gradient) or 0. Level by level, halving the image in between.
class ColorGradientPyramid
{
public:
    ColorGradientPyramid(const cv::Mat& source, const cv::Mat& mask, float weakThreshold);
    void quantize(cv::Mat& orientations) const;
    void pyrDown();
    // Gradient magnitude (squared) of the current level, for training.
    const cv::Mat& magnitude() const { return magnitudeImage; }

private:
    void update();

    cv::Mat image, mask, magnitudeImage, labelImage, quantized;
    float weakThreshold;
};

class Detector
{
public:
    Detector(int num_features, std::vector<int> T, float weak_thresh, float strong_thresh);

    // Matches of the classes (all when empty) scoring strictly above threshold (percent), best
    // first; overlapping matches of one template are reduced to the best. A mask, when given,
    // has the source's size; any size of source is taken (extended to what the steps divide).
    // Not to be called on one detector from two threads at once.
    std::vector<Match> match(const cv::Mat& source, float threshold, const std::vector<std::string>& class_ids = {},
                             const cv::Mat& mask = cv::Mat()) const;

    // Reads one class from a file node (class_id, template_pyramids); a class is read once.
    void readClass(const cv::FileNode& node);
    const TemplatePyramid& getTemplates(const std::string& class_id, int template_id) const;
    int numTemplates(const std::string& class_id) const;
    int pyramidLevels() const { return int(T_at_level.size()); }
    const std::vector<int>& spreadSteps() const { return T_at_level; }
    const ColorGradient& modality() const { return *gradient; }

private:
    using LinearMemories = std::vector<cv::Mat>; // 8 orientations x T^2 offsets, each a row
    void matchClass(const std::vector<LinearMemories>& memories, const std::vector<cv::Size>& sizes, float threshold,
                    const std::string& class_id, const std::vector<TemplatePyramid>& pyramids,
                    std::vector<Match>& matches) const;

    std::shared_ptr<ColorGradient> gradient;
    std::vector<int> T_at_level;
    std::map<std::string, std::vector<TemplatePyramid>> class_templates;

    // Per level, kept between calls so that matching images of one size allocates no response
    // maps or linear memories again. One match at a time per detector.
    struct LevelBuffers
    {
        cv::Mat orientations, spreadImage;
        std::vector<cv::Mat> responses, linear;
        LinearMemories memories;
    };
    mutable std::vector<LevelBuffers> buffers;
};

// The building blocks, exposed for tests and the training tool.
void spread(const cv::Mat& orientations, cv::Mat& spreadImage, int T);
void computeResponseMaps(const cv::Mat& spreadImage, std::vector<cv::Mat>& responseMaps);
void linearize(const cv::Mat& responseMap, cv::Mat& linearized, int T);
// Raw sums (4 per fully matching feature) of a template at every cell of a level: CV_8U for
// fewer than 64 features, CV_16U otherwise; (rows / T) x (cols / T), 0 where the template does
// not fit.
void similarity(const std::vector<cv::Mat>& linearMemories, const Template& templ, cv::Mat& dst, cv::Size size, int T);

} // namespace line2d
