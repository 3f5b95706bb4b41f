#include "libtcparse.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(TcParse, Y16ToY14DropsTheTwoLowBitsInPlace)
{
    std::vector<uint16_t> words = {0, 3, 4, 0xFFFF, 40000};
    ASSERT_EQ(y16_to_y14(words.data(), int(words.size()), words.data()), 0);
    EXPECT_EQ(words, (std::vector<uint16_t>{0, 0, 1, 16383, 10000}));
}

TEST(TcParse, FourteenBitLevelsBecomeEightBitGrey)
{
    const std::vector<uint16_t> levels = {0, 63, 64, 8192, 16383, 20000};
    std::vector<uint8_t> rgb(levels.size() * 3), grey(levels.size());
    ASSERT_EQ(y14_to_rgb(levels.data(), int(levels.size()), rgb.data()), 0);
    ASSERT_EQ(y14_to_y8(levels.data(), int(levels.size()), grey.data()), 0);
    const std::vector<uint8_t> expected = {0, 0, 1, 128, 255, 255};
    EXPECT_EQ(grey, expected);
    for (size_t i = 0; i < levels.size(); ++i) {
        EXPECT_EQ(rgb[3 * i], expected[i]);
        EXPECT_EQ(rgb[3 * i + 1], expected[i]);
        EXPECT_EQ(rgb[3 * i + 2], expected[i]);
    }
}

TEST(TcParse, YuvToRgbFullRange)
{
    // Grey pixels keep their luma; pure chroma moves red and blue the documented way.
    const std::vector<uint8_t> yuyv = {200, 128, 50, 128, 100, 128, 100, 255};
    std::vector<uint8_t> rgb(12);
    ASSERT_EQ(yuv422_to_rgb(yuyv.data(), 4, rgb.data()), 0);
    EXPECT_EQ(std::vector<uint8_t>(rgb.begin(), rgb.begin() + 6), (std::vector<uint8_t>{200, 200, 200, 50, 50, 50}));
    EXPECT_EQ(rgb[6], 255);             // V = 255: R = 100 + 1.402 * 127 clamps
    EXPECT_NEAR(rgb[7], 100 - 91, 1);   // G = 100 - 0.714 * 127
    EXPECT_EQ(rgb[8], 100);
    EXPECT_LT(yuv422_to_rgb(yuyv.data(), 3, rgb.data()), 0) << "odd pixel count";
}

TEST(TcParse, RgbToBgrSwapsInPlace)
{
    std::vector<uint8_t> pixels = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(rgb_to_bgr(pixels.data(), 2, pixels.data()), 0);
    EXPECT_EQ(pixels, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
}

TEST(TcParse, RawDataCutSplitsTheHalves)
{
    std::vector<uint8_t> frame(8);
    for (int i = 0; i < 8; ++i)
        frame[i] = uint8_t(i);
    std::vector<uint8_t> image(4), temperatures(4);
    ASSERT_EQ(raw_data_cut(frame.data(), 4, 4, image.data(), temperatures.data()), 0);
    EXPECT_EQ(image, (std::vector<uint8_t>{0, 1, 2, 3}));
    EXPECT_EQ(temperatures, (std::vector<uint8_t>{4, 5, 6, 7}));
}

TEST(TcParse, BadArgumentsFailWithoutTouchingMemory)
{
    uint16_t word = 0;
    uint8_t byte = 0;
    EXPECT_LT(y16_to_y14(nullptr, 1, &word), 0);
    EXPECT_LT(y16_to_y14(&word, -1, &word), 0);
    EXPECT_LT(y14_to_rgb(&word, 1, nullptr), 0);
    EXPECT_LT(y14_to_y8(nullptr, 1, &byte), 0);
    EXPECT_LT(rgb_to_bgr(nullptr, 1, &byte), 0);
    EXPECT_LT(raw_data_cut(&byte, -1, 0, &byte, &byte), 0);
}

} // namespace
