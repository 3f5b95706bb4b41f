#include "tcdenoise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int W = 96, H = 72;

class Denoiser : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(tcdenoise::init(H, W, 0.5f), 0);
        ASSERT_EQ(tcdenoise::setParams("sigma", 0.5f), 0);
        ASSERT_EQ(tcdenoise::setParams("sigma_s", 7.0f), 0);
        ASSERT_EQ(tcdenoise::setParams("gamma_r", 500.0f), 0);
        ASSERT_EQ(tcdenoise::setParams("gamma_f", 100.0f), 0);
    }
    void TearDown() override { tcdenoise::release(); }

    static double noiseOf(const std::vector<uint16_t>& image, double level)
    {
        double sum = 0;
        for (uint16_t v : image)
            sum += (v - level) * (v - level);
        return std::sqrt(sum / image.size());
    }

    std::vector<uint16_t> scratch = std::vector<uint16_t>(W * H);
    std::mt19937 random{11};
};

TEST_F(Denoiser, HalvesTheNoiseOfAFlatFrame)
{
    std::normal_distribution<float> noise(0.0f, 8.0f);
    std::vector<uint16_t> frame(W * H);
    for (uint16_t& v : frame)
        v = uint16_t(std::lround(8000 + noise(random)));
    const double before = noiseOf(frame, 8000);
    ASSERT_EQ(tcdenoise::denoise(frame.data(), scratch.data()), 0);
    EXPECT_LT(noiseOf(frame, 8000), before / 2);

    // Over frames the temporal part reduces it further.
    double last = 0;
    for (int k = 0; k < 10; ++k) {
        for (uint16_t& v : frame)
            v = uint16_t(std::lround(8000 + noise(random)));
        ASSERT_EQ(tcdenoise::denoise(frame.data(), scratch.data()), 0);
        last = noiseOf(frame, 8000);
    }
    EXPECT_LT(last, before / 3);
}

TEST_F(Denoiser, KeepsAnEdgeWhereItIsEvenWhenItMoves)
{
    std::normal_distribution<float> noise(0.0f, 6.0f);
    for (int edge : {40, 44}) { // the second frame moves the edge by four pixels
        std::vector<uint16_t> frame(W * H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                frame[y * W + x] = uint16_t(std::lround((x < edge ? 6000 : 9000) + noise(random)));
        ASSERT_EQ(tcdenoise::denoise(frame.data(), scratch.data()), 0);
        for (int y = 1; y < H - 1; ++y) {
            int crossing = -1;
            for (int x = 1; x < W; ++x)
                if (frame[y * W + x - 1] < 7500 && frame[y * W + x] >= 7500) {
                    crossing = x;
                    break;
                }
            ASSERT_NEAR(crossing, edge, 1) << "row " << y;
        }
    }
}

TEST_F(Denoiser, RefusesBadCalls)
{
    std::vector<uint16_t> frame(W * H, 1);
    EXPECT_LT(tcdenoise::setParams("unknown", 1.0f), 0);
    EXPECT_LT(tcdenoise::setParams("gamma_r", -1.0f), 0);
    EXPECT_LT(tcdenoise::setParams(nullptr, 1.0f), 0);
    EXPECT_LT(tcdenoise::denoise(nullptr, scratch.data()), 0);
    EXPECT_LT(tcdenoise::init(0, W, 0.5f), 0);
    tcdenoise::release();
    EXPECT_LT(tcdenoise::denoise(frame.data(), scratch.data()), 0) << "released";
}

} // namespace
