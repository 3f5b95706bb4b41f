// The heat field's heights and colours: the grey window, the box smoothing and its borders.
#include "view/heatfieldimage.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

namespace {

// The block mean added up pixel by pixel, as the smoothing is defined.
std::vector<uint8_t> blockMeans(const std::vector<uint8_t>& values, int w, int h, int r)
{
    std::vector<uint8_t> out = values;
    for (int y = r; y < h - r; ++y)
        for (int x = r; x < w - r; ++x) {
            int sum = 0;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx)
                    sum += values[size_t(y + dy) * w + x + dx];
            out[size_t(y) * w + x] = uint8_t(sum / ((2 * r + 1) * (2 * r + 1)));
        }
    return out;
}

TEST(HeatFieldImage, RunningSumsGiveTheBlockMeansPixelForPixel)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<int> grey(0, 255);
    for (auto [w, h] : {std::pair{384, 288}, std::pair{256, 192}, std::pair{9, 7}}) {
        std::vector<uint8_t> frame(size_t(w) * h);
        for (uint8_t& g : frame)
            g = uint8_t(grey(random));
        for (int level : {1, 2, 4, 5, 6}) {
            HeatFieldImage image;
            image.setSize(w, h);
            image.setSmoothing(level);
            image.setFrame(frame.data());
            ASSERT_EQ(image.windowed(), frame) << "the full window keeps the grey levels";
            EXPECT_EQ(image.smoothed(), blockMeans(frame, w, h, level - 1)) << w << "x" << h << " level " << level;
        }
    }
}

TEST(HeatFieldImage, LevelFourLeavesAThreePixelBorderAndLevelOneNothingSmoothed)
{
    std::vector<uint8_t> frame(20 * 10, 0);
    frame[5 * 20 + 10] = 245; // one bright pixel
    HeatFieldImage image;
    image.setSize(20, 10);
    image.setSmoothing(4);
    image.setFrame(frame.data());
    EXPECT_EQ(image.smoothed()[5 * 20 + 10], 5) << "245 / 49";
    frame[0] = frame[2 * 20 + 19] = 200; // on the border
    image.setFrame(frame.data());
    EXPECT_EQ(image.smoothed()[0], 200);
    EXPECT_EQ(image.smoothed()[2 * 20 + 19], 200);
    image.setSmoothing(1);
    image.setFrame(frame.data());
    EXPECT_EQ(image.smoothed(), frame);
}

TEST(HeatFieldImage, WindowSpreadsItsPartOfTheGreyLevelsAndADegenerateOneKeepsTheHeights)
{
    std::vector<uint8_t> frame(256);
    std::iota(frame.begin(), frame.end(), 0);
    HeatFieldImage image;
    image.setSize(16, 16);
    image.setGrayWindow(0.25f, 0.75f);
    image.setFrame(frame.data());
    EXPECT_EQ(image.windowed()[64], 1) << "(64 - 63) * 255 / (191 - 63)";
    EXPECT_EQ(image.windowed()[63], 0);
    EXPECT_EQ(image.windowed()[191], 255);
    EXPECT_EQ(image.windowed()[250], 255);
    const std::vector<uint8_t> before = image.windowed();
    image.setGrayWindow(0.6f, 0.6f);
    std::vector<uint8_t> other(256, 17);
    image.setFrame(other.data());
    EXPECT_EQ(image.windowed(), before);
}

TEST(HeatFieldImage, ColoursComeFromThePaletteOfTheSmoothedValue)
{
    uint8_t palette[768];
    for (int i = 0; i < 256; ++i) {
        palette[3 * i] = uint8_t(i);
        palette[3 * i + 1] = uint8_t(255 - i);
        palette[3 * i + 2] = 7;
    }
    std::vector<uint8_t> frame = {0, 100, 200, 255};
    HeatFieldImage image;
    image.setSize(2, 2);
    image.setPalette(palette);
    image.setFrame(frame.data());
    EXPECT_EQ(image.rgb(), (std::vector<uint8_t>{0, 255, 7, 100, 155, 7, 200, 55, 7, 255, 0, 7}));
}

} // namespace
