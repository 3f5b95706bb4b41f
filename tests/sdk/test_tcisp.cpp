#include "libtcisp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr int W = 64, H = 48, N = W * H;
const isp_image_size_t kSize{W, H, 2};

// A 40 x 30 grid table whose nodes are linear in one direction, so the bilinear expansion is
// known exactly: value(column c, row r) = first + step * (alongColumns ? c : r).
std::vector<uint16_t> linearGrid(int first, int step, bool alongColumns)
{
    std::vector<uint16_t> table(1201);
    table[0] = (40 << 8) | 30;
    for (int r = 0; r < 30; ++r)
        for (int c = 0; c < 40; ++c)
            table[1 + r * 40 + c] = uint16_t(int16_t(first + step * (alongColumns ? c : r)));
    return table;
}

TEST(KtBt, FlattensAKnownShadingAndHousingDrift)
{
    std::vector<uint16_t> kt = linearGrid(3800, 15, true);  // gain 0.93..1.07 across
    std::vector<uint16_t> bt = linearGrid(-150, 10, false); // offset -150..140 down
    ktbt_param_t p{{4800, 256, 4096}, 4800 + 160, kt.data(), 2402, bt.data(), 2402};
    const double drift = 160.0; // cal1 / 256 per 1/16 K, 10 K warmer than at calibration

    std::vector<uint16_t> raw(N), corrected(N);
    const double scene = 9000.0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double gain = (3800 + 15 * (x * 39.0 / (W - 1))) / 4096.0;
            const double offset = -150 + 10 * (y * 29.0 / (H - 1));
            raw[y * W + x] = uint16_t(std::lround(scene / gain + offset + drift));
        }
    isp_handle_t h{};
    ASSERT_EQ(ktbt_init(&h, 0, &p, &kSize, raw.data(), corrected.data(), 0, 0), 0);
    EXPECT_EQ(h.input, raw.data());
    EXPECT_EQ(h.output, corrected.data());
    ASSERT_EQ(ktbt_process(&h, 0, 0), 0);
    for (uint16_t v : corrected)
        ASSERT_NEAR(v, scene, 1.5);

    // The sensor word is read live from the block: a refreshed word changes the result.
    p.vtemp = 4800;
    ASSERT_EQ(ktbt_process(&h, 0, 1), 0);
    EXPECT_NEAR(corrected[0], (raw[0] - (-150.0)) * 3800 / 4096.0, 1.0);
    EXPECT_EQ(ktbt_destory(&h), 0);
    EXPECT_LT(ktbt_process(&h, 0, 2), 0) << "destroyed handle";
    EXPECT_LT(ktbt_destory(&h), 0);
}

TEST(NucT, MonotonicAndHitsItsTableAtEvenCounts)
{
    std::vector<uint16_t> table(8192);
    for (int i = 0; i < 8192; ++i)
        table[i] = uint16_t(3000 + i + (i * i) / 20000); // convex, rising
    nuc_t_param_t p{table.data(), 16384};
    std::vector<uint16_t> counts(N), kelvin16(N);
    isp_handle_t h{};
    ASSERT_EQ(nuc_t_init(&h, 0, &p, &kSize, counts.data(), kelvin16.data(), 0, 0), 0);
    uint16_t previous = 0;
    for (int start = 0; start < 16384 + N; start += N) {
        for (int i = 0; i < N; ++i)
            counts[i] = uint16_t(std::min(start + i, 16383 + 7)); // values past 14 bits clamp
        ASSERT_EQ(nuc_t_process(&h, 0), 0);
        for (int i = 0; i < N; ++i) {
            const int c = std::min(int(counts[i]), 16383);
            if (c % 2 == 0) {
                ASSERT_EQ(kelvin16[i], table[c / 2]);
            } else if (c / 2 + 1 < 8192) {
                ASSERT_EQ(kelvin16[i], (table[c / 2] + table[c / 2 + 1] + 1) / 2);
            }
            ASSERT_GE(kelvin16[i], previous);
            previous = kelvin16[i];
        }
    }
    nuc_t_destory(&h);
}

TEST(EnvCorrect, IdentityAtUnitEmissivityAndKnownCorrectionOtherwise)
{
    std::vector<uint16_t> table(8192);
    for (int i = 0; i < 8192; ++i)
        table[i] = uint16_t(4000 + i); // count c has temperature 4000 + c / 2 (K*16)
    env_correct_param_t p{16384, 16384, 4800, 4800, table.data(), 8192};
    std::vector<uint16_t> in(N, 3000), out(N);
    in[5] = 7;
    isp_handle_t h{};
    ASSERT_EQ(env_correct_init(&h, 0, &p, &kSize, in.data(), out.data(), 0, 0), 0);
    ASSERT_EQ(env_correct_process(&h, 0), 0);
    EXPECT_EQ(out, in);

    // Emissivity 0.5 against a reflected temperature at count 1000: (3000 - 0.5 * 1000) / 0.5.
    p.emissivity = 8192;
    p.reflected = 4500;
    ASSERT_EQ(env_correct_process(&h, 0), 0);
    EXPECT_NEAR(out[0], 5000, 1);
    // Transmittance 0.8 with ambient at count 2000: (3000 - 0.2 * 2000) / 0.8.
    p.emissivity = 16384;
    p.transmittance = int32_t(0.8 * 16384);
    p.ambient = 5000;
    ASSERT_EQ(env_correct_process(&h, 0), 0);
    EXPECT_NEAR(out[0], 3250, 1);

    // A falling table (counts fall as temperature rises) inverts the same way.
    for (int i = 0; i < 8192; ++i)
        table[i] = uint16_t(12192 - i); // count c: 12192 - c / 2
    p.transmittance = 16384;
    p.emissivity = 8192;
    p.reflected = 12192 - 500; // count 1000
    ASSERT_EQ(env_correct_process(&h, 0), 0);
    EXPECT_NEAR(out[0], 5000, 1);
    env_correct_destory(&h);
}

// The AGC as the program configures it, on frames of a bench (counts with white noise of the
// given deviation) and, optionally, a square hot part on it.
class Agc : public ::testing::Test
{
protected:
    Agc() { EXPECT_EQ(agc_init(&handle, 1, &param, &kSize, in.data(), out.data(), 0, 0), 0); }
    ~Agc() override { agc_destory(&handle); }
    void frame(float noise, int hotCounts = 0, int hotSide = 0)
    {
        std::normal_distribution<float> bench(6000.0f, noise);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const bool hot = std::abs(x - W / 2) * 2 < hotSide && std::abs(y - H / 2) * 2 < hotSide;
                in[y * W + x] = uint16_t(std::lround(bench(random)) + (hot ? hotCounts : 0));
            }
        ASSERT_EQ(agc_process(&handle, 0), 0);
    }
    double level(int x, int y) const { return out[y * W + x] / 64.0; }
    // Display levels of the bench far from the hot part: mean and deviation.
    std::pair<double, double> bench() const
    {
        double sum = 0, squares = 0;
        int count = 0;
        for (int y = 0; y < H / 4; ++y)
            for (int x = 0; x < W; ++x, ++count) {
                sum += level(x, y);
                squares += level(x, y) * level(x, y);
            }
        const double mean = sum / count;
        return {mean, std::sqrt(std::max(0.0, squares / count - mean * mean))};
    }

    agc_param_t param{2.5e-5f, 3.0e-5f, 1.0e-4f, 1.0e-4f, 150, 0.8f, 0.25f, 5};
    std::mt19937 random{7};
    std::vector<uint16_t> in = std::vector<uint16_t>(N), out = std::vector<uint16_t>(N);
    isp_handle_t handle{};
};

// However few counts the scene spans, its noise takes about a grey level: a flat bench is shown
// calm around mid-grey, and a hot part stands out by what its counts are worth against the noise.
TEST_F(Agc, NoCountTakesMoreGreyLevelsThanTheNoiseAllows)
{
    struct Case
    {
        float noise;
        int hotCounts;
        double hotAboveBench; // at least, in display levels
    } cases[] = {{1.5f, 0, 0}, {6.0f, 0, 0}, {1.0f, 60, 50}, {3.0f, 3000, 200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "noise " << c.noise << ", part +" << c.hotCounts);
        for (int i = 0; i < 20; ++i)
            frame(c.noise, c.hotCounts, 8);
        const auto [mean, deviation] = bench();
        EXPECT_LE(deviation, 1.6) << "the bench's noise in grey levels";
        if (c.hotCounts == 0)
            EXPECT_NEAR(mean, 127.5, 2.0) << "a flat scene sits at mid-grey";
        else
            EXPECT_GE(level(W / 2, H / 2) - mean, c.hotAboveBench);
    }
}

TEST_F(Agc, AWideSceneFillsTheGreyRangeInOrder)
{
    frame(3.0f, 3000, 24);
    std::vector<int> order(N);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return in[a] < in[b]; });
    for (int k = 1; k < N; ++k)
        ASSERT_GE(out[order[k]], out[order[k - 1]]) << "input " << in[order[k]];
    EXPECT_LE(out[order.front()], 64);
    EXPECT_GE(out[order.back()], 16383 - 64);
}

// A static scene's mapping stays put from frame to frame; one that changes is followed within
// a dozen frames (half a second at 25 frames a second), and a part that appears is at once
// brighter than the bench.
TEST_F(Agc, TheMappingIsDampedButFollowsTheScene)
{
    for (int i = 0; i < 30; ++i)
        frame(2.0f);
    const double calm = bench().first;
    frame(2.0f);
    EXPECT_NEAR(bench().first, calm, 0.3) << "no pumping";
    frame(2.0f, 3000, 8);
    EXPECT_GT(level(W / 2, H / 2), calm + 10) << "the new part shows at once";
    std::vector<double> bench;
    for (int i = 0; i < 40; ++i) {
        frame(2.0f, 3000, 8);
        bench.push_back(this->bench().first);
    }
    const double settled = bench.back(), start = calm;
    EXPECT_LT(std::fabs(bench[11] - settled), 0.05 * std::fabs(start - settled)) << "settled in 12 frames";
    EXPECT_GT(std::fabs(bench[0] - settled), 0.5 * std::fabs(start - settled)) << "but not in one";
}

TEST(Dde, KeepsTheMeanAndAmplifiesSmallDetail)
{
    dde_param_t p{0.0f, 96.0f, 48.0f, 0, 10, 30, 100};
    std::vector<uint16_t> in(N), out(N);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            in[y * W + x] = uint16_t(6000 + 40 * x + (x > W / 2 ? 3000 : 0)); // ramp with an edge
    in[20 * W + 10] += 150; // a small hot detail
    isp_handle_t h{};
    ASSERT_EQ(dde_init(&h, 0, &p, &kSize, in.data(), out.data(), 0, 0), 0);
    ASSERT_EQ(dde_process(&h, 0), 0);
    const double meanIn = std::accumulate(in.begin(), in.end(), 0.0) / N;
    const double meanOut = std::accumulate(out.begin(), out.end(), 0.0) / N;
    EXPECT_NEAR(meanOut, meanIn, 0.002 * meanIn);
    const int bumpIn = in[20 * W + 10] - (in[20 * W + 9] + in[20 * W + 11]) / 2;
    const int bumpOut = out[20 * W + 10] - (out[20 * W + 9] + out[20 * W + 11]) / 2;
    EXPECT_GT(bumpOut, bumpIn * 3 / 2);
    // The big edge stays where it was: no overshoot that reverses its direction.
    EXPECT_GT(out[5 * W + W / 2 + 1], out[5 * W + W / 2]);
    dde_destory(&h);
}

TEST(DetailExtract, FlatIsZeroAndAnEdgeIsNot)
{
    detail_extract_param_t p{3, 1.0f};
    std::vector<uint16_t> in(N, 7000);
    std::vector<int16_t> detail(N, 99);
    isp_handle_t h{};
    ASSERT_EQ(detail_extract_init(&h, 0, &p, &kSize, in.data(), detail.data(), 0, 0), 0);
    ASSERT_EQ(detail_extract_process(&h, 0), 0);
    EXPECT_TRUE(std::all_of(detail.begin(), detail.end(), [](int16_t d) { return d == 0; }));
    for (int y = 0; y < H; ++y)
        for (int x = W / 2; x < W; ++x)
            in[y * W + x] = 8000;
    ASSERT_EQ(detail_extract_process(&h, 0), 0);
    EXPECT_LT(detail[10 * W + W / 2 - 1], 0);
    EXPECT_GT(detail[10 * W + W / 2], 0);
    EXPECT_EQ(detail[10 * W + 2], 0);
    detail_extract_destory(&h);
}

TEST(IspHandles, MisuseFailsCleanly)
{
    std::vector<uint16_t> a(N), b(N);
    agc_param_t agc{2.5e-5f, 3.0e-5f, 1.0e-4f, 1.0e-4f, 150, 0.8f, 0.25f, 5};
    isp_handle_t h{};
    EXPECT_LT(agc_process(&h, 0), 0) << "never initialised";
    EXPECT_LT(agc_process(nullptr, 0), 0);
    const isp_image_size_t odd{W, H, 1};
    EXPECT_LT(agc_init(&h, 1, &agc, &odd, a.data(), b.data(), 0, 0), 0);
    EXPECT_LT(agc_init(&h, 1, &agc, &kSize, nullptr, b.data(), 0, 0), 0);
    EXPECT_LT(agc_init(&h, 7, &agc, &kSize, a.data(), b.data(), 0, 0), 0);
    ASSERT_EQ(agc_init(&h, 1, &agc, &kSize, a.data(), b.data(), 0, 0), 0);
    EXPECT_LT(dde_process(&h, 0), 0) << "an AGC handle is not a DDE handle";
    EXPECT_LT(dde_destory(&h), 0);
    EXPECT_EQ(agc_destory(&h), 0);
    EXPECT_LT(agc_process(&h, 0), 0);
    ktbt_param_t noTables{{4800, 0, 4096}, 4800, nullptr, 2402, nullptr, 2402};
    EXPECT_LT(ktbt_init(&h, 0, &noTables, &kSize, a.data(), b.data(), 0, 0), 0);
    std::vector<uint16_t> badGrid(1201, 0); // header describes no grid
    ktbt_param_t broken{{4800, 0, 4096}, 4800, badGrid.data(), 2402, badGrid.data(), 2402};
    EXPECT_LT(ktbt_init(&h, 0, &broken, &kSize, a.data(), b.data(), 0, 0), 0);
}

} // namespace
