// The shape matcher: its preconditions and errors, the template file, and finding a trained
// board again (shifted, turned, noisy, another contrast) but not an unrelated one.
#include "matcher/line2dtrain.h"
#include "tests/support/boardimages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// The OpenCV error a call raises: its code, condition text and function.
struct Raised
{
    int code = 0;
    std::string condition, function;
};

Raised raised(const std::function<void()>& call)
{
    try {
        call();
    } catch (const cv::Exception& e) {
        return {e.code, e.err, e.func};
    }
    return {};
}

line2d::Template templateOf(size_t features, int level = 0)
{
    line2d::Template t;
    t.pyramid_level = level;
    t.width = t.height = 16;
    for (size_t i = 0; i < features; ++i)
        t.features.push_back({int(i % 16), int(i / 16 % 16), int(i % 8), 0});
    return t;
}

std::string yamlOf(const std::string& class_id, const std::vector<line2d::TemplatePyramid>& pyramids)
{
    cv::FileStorage file(".yaml", cv::FileStorage::WRITE | cv::FileStorage::MEMORY);
    line2d::writeClass(file, class_id, pyramids);
    return file.releaseAndGetString();
}

void readInto(line2d::Detector& detector, const std::string& yaml)
{
    cv::FileStorage file(yaml, cv::FileStorage::READ | cv::FileStorage::MEMORY);
    detector.readClass(file.root());
}

TEST(Line2d, PreconditionsRaiseTheirOpenCvErrors)
{
    std::vector<cv::Mat> maps;
    const Raised odd = raised([&] { line2d::computeResponseMaps(cv::Mat::zeros(5, 5, CV_8U), maps); });
    EXPECT_EQ(odd.code, -215);
    EXPECT_EQ(odd.condition, "(src.rows * src.cols) % 16 == 0");
    EXPECT_EQ(odd.function, "line2d::computeResponseMaps");
    cv::Mat linear;
    EXPECT_EQ(raised([&] { line2d::linearize(cv::Mat::zeros(6, 8, CV_8U), linear, 4); }).condition,
              "response_map.rows % T == 0");

    // 63 features sum in 8 bits, 64 in 16, 8192 not at all.
    // Every response 4: a template's sum is 4 per feature wherever it fits, 0 where it does not.
    std::vector<cv::Mat> memories(8 * 4, cv::Mat(1, 16 * 16, CV_8U, cv::Scalar(4)));
    cv::Mat sums;
    line2d::similarity(memories, templateOf(63), sums, cv::Size(32, 32), 2);
    EXPECT_EQ(sums.type(), CV_8U);
    EXPECT_EQ(sums.at<uint8_t>(0, 0), 252);
    EXPECT_EQ(sums.at<uint8_t>(8, 8), 252) << "the last place the 16-pixel template fits";
    EXPECT_EQ(sums.at<uint8_t>(0, 9), 0) << "it would run over the right edge";
    line2d::similarity(memories, templateOf(64), sums, cv::Size(32, 32), 2);
    EXPECT_EQ(sums.type(), CV_16U);
    EXPECT_EQ(sums.at<uint16_t>(8, 0), 256);
    const Raised large = raised([&] { line2d::similarity(memories, templateOf(8192), sums, cv::Size(32, 32), 2); });
    EXPECT_EQ(large.condition, "templ.features.size() < 8192");
    EXPECT_EQ(large.function, "line2d::similarity");

    line2d::Detector detector(200, {2, 4}, 30, 30);
    readInto(detector, yamlOf("huge", {{templateOf(8192), templateOf(10, 1)}}));
    const cv::Mat image = boardImage({128, 96}, 1);
    EXPECT_EQ(raised([&] { detector.match(image, 50); }).condition, "feature size too large");
    const Raised mask = raised([&] { detector.match(image, 50, {}, cv::Mat::ones(10, 10, CV_8U)); });
    EXPECT_EQ(mask.condition, "mask.empty() || mask.size() == source.size()");
    EXPECT_EQ(mask.function, "line2d::Detector::match");
}

TEST(Line2d, ClassFilesAreReadOnceInOrderAndLookedUpSafely)
{
    line2d::Detector detector(200, {2, 4}, 30, 30);
    const line2d::TemplatePyramid pyramid{templateOf(20), templateOf(10, 1)};
    const std::string yaml = yamlOf("board", {pyramid, pyramid});
    readInto(detector, yaml);
    EXPECT_EQ(detector.numTemplates("board"), 2);
    EXPECT_EQ(detector.getTemplates("board", 1)[0].features.size(), 20u);
    EXPECT_EQ(detector.getTemplates("board", 1)[1].features[3].label, 3);

    EXPECT_EQ(raised([&] { readInto(detector, yaml); }).condition,
              "class_templates.find(class_id_tmp) == class_templates.end()");
    EXPECT_EQ(raised([&] { detector.getTemplates("nothing", 0); }).condition, "i != class_templates.end()");
    const Raised range = raised([&] { detector.getTemplates("board", 2); });
    EXPECT_EQ(range.condition, "i->second.size() > size_t(template_id)");
    EXPECT_EQ(range.function, "line2d::Detector::getTemplates");

    std::string swapped = yamlOf("swapped", {pyramid, pyramid});
    swapped.replace(swapped.find("template_id: 0"), 14, "template_id: 1");
    EXPECT_EQ(raised([&] { readInto(detector, swapped); }).condition, "template_id == expected_id");

    // A feature outside its box would have the sums read past their memories.
    line2d::TemplatePyramid outside = pyramid;
    outside[0].features.push_back({16, 3, 2, 0});
    EXPECT_EQ(raised([&] { readInto(detector, yamlOf("outside", {outside})); }).function, "line2d::Detector::readClass");
    EXPECT_EQ(detector.numTemplates("outside"), 0);
}

class TrainedBoard : public ::testing::Test
{
protected:
    static constexpr double kAngles[] = {0.0, -5.0, -2.5, 2.5, 5.0};

    void SetUp() override
    {
        // The template: the board of a scene, cut out, and turned by each angle.
        const cv::Mat scene = boardImage({384, 288}, 7, kBoard);
        crop = scene(kCrop).clone();
        std::vector<line2d::TemplatePyramid> pyramids;
        for (double angle : kAngles)
            pyramids.push_back(line2d::train(detector, turned(crop, angle, {crop.cols / 2.f, crop.rows / 2.f})));
        readInto(detector, yamlOf("board", pyramids));
    }
    static cv::Mat turned(const cv::Mat& image, double angle, cv::Point2f centre)
    {
        cv::Mat out;
        cv::warpAffine(image, out, cv::getRotationMatrix2D(centre, angle, 1.0), image.size(), cv::INTER_LINEAR,
                       cv::BORDER_REPLICATE);
        return out;
    }

    const cv::Rect kBoard{60, 50, 240, 180}, kCrop{40, 30, 280, 220};
    line2d::Detector detector{200, {2, 4}, 30, 30};
    cv::Mat crop;
};

TEST_F(TrainedBoard, FoundShiftedTurnedNoisyAndInAnotherContrastAtItsPlace)
{
    const cv::Point shift(13, -7);
    for (size_t id = 0; id < std::size(kAngles); ++id) {
        // The same board moved on the bench and turned about its crop's centre.
        const cv::Mat moved = boardImage({384, 288}, 7, kBoard + shift);
        const cv::Point origin = kCrop.tl() + shift;
        cv::Mat image = turned(moved, kAngles[id], {origin.x + crop.cols / 2.f, origin.y + crop.rows / 2.f});
        image.convertTo(image, CV_8U, 0.7, 25);
        cv::Mat noise(image.size(), CV_8S);
        cv::theRNG().state = 1234 + id;
        cv::randn(noise, 0, 6);
        cv::add(image, noise, image, cv::noArray(), CV_8U);

        const std::vector<line2d::Match> matches = detector.match(image, 75, {"board"});
        ASSERT_FALSE(matches.empty()) << kAngles[id] << " degrees";
        const line2d::Match& best = matches.front();
        EXPECT_EQ(best.template_id, int(id)) << "the template of that angle";
        const line2d::Template& t = detector.getTemplates("board", best.template_id)[0];
        EXPECT_NEAR(best.x, origin.x + t.tl_x, 2) << kAngles[id] << " degrees";
        EXPECT_NEAR(best.y, origin.y + t.tl_y, 2) << kAngles[id] << " degrees";
        EXPECT_GT(best.similarity, 90.0f);
        for (size_t i = 1; i < matches.size(); ++i)
            EXPECT_FALSE(matches[i] < matches[i - 1]) << "best first, then by template id";
    }
}

TEST_F(TrainedBoard, APictureOfAnySizeIsSearched)
{
    // 382 x 285: no step divides it; it is extended, and the board stays where it is.
    const cv::Mat odd = boardImage({384, 288}, 7, kBoard)(cv::Rect(0, 0, 382, 285)).clone();
    const std::vector<line2d::Match> matches = detector.match(odd, 75, {"board"});
    ASSERT_FALSE(matches.empty());
    EXPECT_NEAR(matches.front().x, kCrop.x + detector.getTemplates("board", 0)[0].tl_x, 2);
}

TEST_F(TrainedBoard, AnUnrelatedBoardAndTheExactThresholdAreNotMatches)
{
    for (unsigned seed : {8u, 9u, 10u, 11u})
        EXPECT_TRUE(detector.match(boardImage({384, 288}, seed, kBoard), 75, {"board"}).empty()) << "board " << seed;

    // The training scene itself scores its template's best; exactly that is not above it.
    const cv::Mat scene = boardImage({384, 288}, 7, kBoard);
    const std::vector<line2d::Match> matches = detector.match(scene, 50, {"board"});
    ASSERT_FALSE(matches.empty());
    const float best = matches.front().similarity;
    EXPECT_TRUE(detector.match(scene, best, {"board"}).empty());
    EXPECT_FALSE(detector.match(scene, std::nextafter(best, 0.0f), {"board"}).empty());
}

} // namespace
