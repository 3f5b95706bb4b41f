#include "libtctemp.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

TEST(GetRectTemp, ExtremesMeanAndFirstHitTies)
{
    const tctemp_size_t size{4, 3};
    // Two equal maxima (row 0 col 3, row 2 col 0) and two equal minima (row 1 col 1, row 2 col 3).
    const std::vector<uint16_t> t = {5, 6, 7, 9, 4, 1, 8, 3, 9, 2, 5, 1};
    tctemp_info_t info{};
    ASSERT_EQ(get_rect_temp(t.data(), size, {0, 0, 3, 2}, &info), 0);
    EXPECT_EQ(info.max, 9);
    EXPECT_EQ(info.max_x, 3);
    EXPECT_EQ(info.max_y, 0);
    EXPECT_EQ(info.min, 1);
    EXPECT_EQ(info.min_x, 1);
    EXPECT_EQ(info.min_y, 1);
    EXPECT_EQ(info.average, 5); // 60 / 12

    // A sub-rectangle sees only its own pixels, positions in frame coordinates.
    ASSERT_EQ(get_rect_temp(t.data(), size, {2, 1, 3, 2}, &info), 0);
    EXPECT_EQ(info.max, 8);
    EXPECT_EQ(info.max_x, 2);
    EXPECT_EQ(info.max_y, 1);
    EXPECT_EQ(info.min, 1);
    EXPECT_EQ(info.min_x, 3);
    EXPECT_EQ(info.min_y, 2);

    ASSERT_EQ(get_rect_temp(t.data(), size, {1, 1, 1, 1}, &info), 0);
    EXPECT_EQ(info.max, 1);
    EXPECT_EQ(info.min, 1);
}

TEST(GetRectTemp, RectanglesOutsideTheImageAreRefused)
{
    const std::vector<uint16_t> t(12, 1);
    tctemp_info_t info{};
    const tctemp_size_t size{4, 3};
    EXPECT_LT(get_rect_temp(t.data(), size, {0, 0, 4, 2}, &info), 0);
    EXPECT_LT(get_rect_temp(t.data(), size, {0, 0, 3, 3}, &info), 0);
    EXPECT_LT(get_rect_temp(t.data(), size, {-1, 0, 3, 2}, &info), 0);
    EXPECT_LT(get_rect_temp(t.data(), size, {2, 0, 1, 2}, &info), 0);
    EXPECT_LT(get_rect_temp(nullptr, size, {0, 0, 1, 1}, &info), 0);
    EXPECT_LT(get_rect_temp(t.data(), size, {0, 0, 1, 1}, nullptr), 0);
}

// The model, written out independently of the table generator.
double modelTau(bool lowTable, double h, double t, double d)
{
    const double x = lowTable ? 1.9 : 1.6, a1 = lowTable ? 0.006569 : 0.0071, b1 = lowTable ? -0.002276 : -0.0025,
                 a2 = lowTable ? 0.01262 : 0.0138, b2 = lowTable ? -0.00667 : -0.0072;
    const double w = h * std::exp(1.5587 + 0.06939 * t - 0.00027816 * t * t + 0.00000068455 * t * t * t);
    const double tau = x * std::exp(-std::sqrt(d) * (a1 + b1 * std::sqrt(w))) +
                       (1 - x) * std::exp(-std::sqrt(d) * (a2 + b2 * std::sqrt(w)));
    return std::min(1.0, std::max(0.0, tau));
}

QByteArray table(const char* name)
{
    QFile file(QStringLiteral(":/dat/%1.DAT").arg(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(ReadTau, FollowsTheTwoBandModel)
{
    for (bool low : {true, false}) {
        const QByteArray data = table(low ? "tau_L" : "tau_H");
        ASSERT_EQ(data.size(), TCTEMP_TAU_TABLE_BYTES);
        const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
        struct Case
        {
            float h, t, d;
        };
        for (const Case c : {Case{0.5f, 25.0f, 0.25f}, Case{0.9f, 35.0f, 10.0f}, Case{0.1f, -5.0f, 2.0f},
                             Case{0.65f, 22.5f, 5.5f}, Case{1.0f, 90.0f, 64.0f}, Case{0.0f, 0.0f, 0.0f}}) {
            uint16_t tau = 0;
            ASSERT_EQ(read_tau(bytes, c.h, c.t, c.d, &tau), 0);
            EXPECT_NEAR(tau / 16384.0, modelTau(low, c.h, c.t, c.d), 2e-3)
                << (low ? "L " : "H ") << c.h << " " << c.t << " " << c.d;
        }
    }
}

TEST(ReadTau, MoreWaterAndDistanceTransmitLessAndInputsAreClamped)
{
    const QByteArray data = table("tau_L");
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
    uint16_t dry = 0, wet = 0, near = 0, far = 0, beyond = 0, edge = 0;
    read_tau(bytes, 0.2f, 30.0f, 9.0f, &dry);
    read_tau(bytes, 0.9f, 30.0f, 9.0f, &wet);
    read_tau(bytes, 0.5f, 30.0f, 1.0f, &near);
    read_tau(bytes, 0.5f, 30.0f, 30.0f, &far);
    EXPECT_GT(dry, wet);
    EXPECT_GT(near, far);
    read_tau(bytes, 0.5f, 30.0f, 1000.0f, &beyond);
    read_tau(bytes, 0.5f, 30.0f, 64.0f, &edge);
    EXPECT_EQ(beyond, edge);
    EXPECT_LT(read_tau(nullptr, 0.5f, 25.0f, 1.0f, &dry), 0);
    const uint8_t garbage[TCTEMP_TAU_TABLE_BYTES] = {};
    EXPECT_LT(read_tau(garbage, 0.5f, 25.0f, 1.0f, &dry), 0);
}

} // namespace
