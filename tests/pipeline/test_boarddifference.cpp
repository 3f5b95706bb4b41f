// The golden-board comparison judged against the virtual scene's truth: the board under test
// placed with a shift and a turn, with a part made hotter, colder or taken away.
#include "pipeline/boarddifference.h"
#include "sdk/virtual/registry.h"
#include "sdk/virtual/scene.h"
#include "tests/support/pipelinecamera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kWidth = 256, kHeight = 192;

cv::Mat picture(std::vector<float>& celsius, int x0, int width)
{
    return cv::Mat(kHeight, kWidth, CV_32F, celsius.data())(cv::Rect(x0, 0, width, kHeight)).clone();
}

struct Case
{
    const char* name;
    const char* placement; // registry options
    int part;              // the part with the fault, -1: none
    double rise;           // K; 0 with missing
    bool missing;
    bool fromFile;         // the reference taken from a frame of the good board alone
};

class GoldenBoard : public ::testing::TestWithParam<Case>
{
};

TEST_P(GoldenBoard, FlagsWhatDiffersAndOnlyThat)
{
    const Case& c = GetParam();
    std::string options = std::string("scene=golden netd=0.05 ") + c.placement;
    if (c.part >= 0)
        options += " faultpart=" + std::to_string(c.part) + " faultrise=" + std::to_string(c.rise) +
                   (c.missing ? " faultmissing=1" : "");
    BoardDifference difference;
    int testX0 = kWidth / 2, testWidth = kWidth / 2;
    if (c.fromFile) {
        // The known-good board alone, then the board under test alone in its place.
        PipelineCamera good("Vesk_R_M", Uvc256, "GOLDREF", "scene=golden single=1 netd=0.05");
        ASSERT_TRUE(good.ok());
        std::vector<float> t = good.temperatures(30);
        ASSERT_FALSE(t.empty());
        difference.setReference(picture(t, 0, kWidth));
        options += " single=1";
        testX0 = 0;
        testWidth = kWidth;
    }
    PipelineCamera camera("Vesk_R_M", Uvc256, std::string("GOLD") + c.name, options);
    ASSERT_TRUE(camera.ok());
    std::vector<float> t = camera.temperatures(30);
    ASSERT_FALSE(t.empty());
    if (!c.fromFile)
        difference.setReference(picture(t, 0, kWidth / 2));
    const BoardDifference::Result result = difference.compare(picture(t, testX0, testWidth), 3.0f);
    ASSERT_TRUE(result.aligned) << "agreement " << result.agreement;

    if (c.part < 0) {
        EXPECT_TRUE(result.areas.empty()) << result.areas.size() << " areas, the first " << result.areas[0].delta << " K";
        return;
    }
    tcsim::DeviceSpec spec = tcsim::parseRegistry("Vesk_R_M " + options + "\n").at(0);
    double x = 0, y = 0;
    tcsim::goldenPartCentre(spec, kWidth, kHeight, c.part, x, y);
    ASSERT_FALSE(result.areas.empty());
    const BoardDifference::Area& largest = result.areas.front();
    EXPECT_NEAR(largest.x + 0.5 + testX0, x, 2.0);
    EXPECT_NEAR(largest.y + 0.5, y, 2.0);
    if (c.missing)
        EXPECT_LT(largest.delta, -3.0f) << "a missing warm part is a colder place";
    else
        EXPECT_NEAR(largest.delta, c.rise, 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    Truth, GoldenBoard,
    ::testing::Values(Case{"Same", "shiftx=3 turn=2", -1, 0, false, false},
                      Case{"Hotter", "shiftx=3 turn=2", 1, 5.0, false, false},
                      Case{"Colder", "shiftx=3 turn=2", 0, -3.5, false, false},
                      Case{"Missing", "shiftx=-2 shifty=4 turn=-3", 2, 0, true, false},
                      Case{"FarShift", "shiftx=20 shifty=-12 turn=4", 1, 5.0, false, false},
                      Case{"FileSame", "shiftx=3 turn=2", -1, 0, false, true},
                      Case{"FileHotter", "shiftx=3 turn=2", 1, 5.0, false, true}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// Pictures of two different boards have no sound alignment, and the comparison says so.
TEST(GoldenBoardAlignment, UnrelatedBoardsAreNotCompared)
{
    // One camera open at a time, as the virtual registry holds one line here.
    const auto frameOf = [](const char* serial, const char* options) {
        PipelineCamera camera("Vesk_R_M", Uvc256, serial, options);
        return camera.ok() ? camera.temperatures(30) : std::vector<float>();
    };
    std::vector<float> a = frameOf("UNREL1", "scene=board layout=11 netd=0.05");
    std::vector<float> b = frameOf("UNREL2", "scene=board layout=29 netd=0.05");
    ASSERT_FALSE(a.empty() || b.empty());
    BoardDifference difference;
    difference.setReference(picture(a, 0, kWidth));
    const BoardDifference::Result result = difference.compare(picture(b, 0, kWidth), 3.0f);
    EXPECT_FALSE(result.aligned);
    EXPECT_TRUE(result.areas.empty());
}

} // namespace
