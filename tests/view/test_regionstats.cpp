#include "view/regionstats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int W = 96, H = 72;

// The plain rule the masks must reproduce: every frame pixel tested against the polygon.
RegionMaximum referenceMaximum(const std::vector<float>& t, const QPolygon& polygon)
{
    RegionMaximum best{-274.0f, QPoint(0, 0)};
    for (int x = 0; x < W; ++x)
        for (int y = 0; y < H; ++y)
            if (polygon.containsPoint(QPoint(x, y), Qt::WindingFill) && t[y * W + x] > best.value)
                best = {t[y * W + x], QPoint(x, y)};
    return best;
}

float referenceAverage(const std::vector<float>& t, const QPolygon& polygon)
{
    double sum = 0;
    int count = 0;
    for (int x = 0; x < W; ++x)
        for (int y = 0; y < H; ++y)
            if (polygon.containsPoint(QPoint(x, y), Qt::WindingFill)) {
                sum += t[y * W + x];
                ++count;
            }
    return float(sum / count);
}

TEST(RegionStats, MasksGiveExactlyTheWindingFillResultsOnRandomPolygons)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> x(-10, W + 10), y(-10, H + 10), vertices(3, 9);
    std::uniform_real_distribution<float> value(20.0f, 30.0f);
    std::vector<float> t(W * H);
    for (int trial = 0; trial < 200; ++trial) {
        for (float& v : t)
            v = std::round(value(random) * 4) / 4; // ties happen
        QPolygon polygon;
        for (int k = vertices(random); k > 0; --k)
            polygon << QPoint(x(random), y(random));
        const PolygonMask mask(polygon, W, H);
        const RegionMaximum expected = referenceMaximum(t, polygon);
        const RegionMaximum got = polygonMaximum(t.data(), W, H, mask);
        ASSERT_EQ(got.value, expected.value) << trial;
        ASSERT_EQ(got.pixel, expected.pixel) << trial;
        if (!mask.isEmpty()) {
            ASSERT_EQ(polygonAverage(t.data(), W, H, mask), referenceAverage(t, polygon)) << trial;
        }
    }
}

TEST(RegionStats, RectanglesAndDegenerateRegions)
{
    std::vector<float> t(W * H, 25.0f);
    EXPECT_EQ(rectangleMaximum(t.data(), W, H, QRect(10, 12, 5, 5)).pixel, QPoint(10, 12))
        << "a flat rectangle reports its top-left pixel";
    t[20 * W + 30] = 40.0f;
    t[25 * W + 30] = 40.0f; // same column, lower: the first in column order wins
    t[15 * W + 35] = 40.0f; // later column
    const RegionMaximum m = rectangleMaximum(t.data(), W, H, QRect(0, 0, W, H));
    EXPECT_EQ(m.pixel, QPoint(30, 20));
    EXPECT_NEAR(rectangleAverage(t.data(), W, H, QRect(30, 20, 1, 6)), (40 * 2 + 25 * 4) / 6.0, 1e-5);

    const PolygonMask outside(QPolygon({QPoint(200, 200), QPoint(210, 200), QPoint(205, 210)}), W, H);
    EXPECT_TRUE(outside.isEmpty());
    EXPECT_TRUE(std::isnan(polygonAverage(t.data(), W, H, outside)));
    EXPECT_EQ(polygonMaximum(t.data(), W, H, outside).value, -274.0f);
    EXPECT_EQ(polygonMaximum(t.data(), W, H, outside).pixel, QPoint(0, 0));

    // A mask taken for another frame size is never applied to this one.
    const PolygonMask larger(QPolygon({QPoint(300, 200), QPoint(380, 200), QPoint(380, 280)}), 384, 288);
    ASSERT_FALSE(larger.isEmpty());
    EXPECT_TRUE(std::isnan(polygonAverage(t.data(), W, H, larger)));
    EXPECT_EQ(polygonMaximum(t.data(), W, H, larger).value, -274.0f);
}

} // namespace
