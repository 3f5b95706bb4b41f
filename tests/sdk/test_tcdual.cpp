// The fusion library: its record, the alignment against the virtual camera's two views, the
// temperature map and the fusion modes.
#include "libtcdual.h"
#include "sdk/common/dualrecord.h"
#include "sdk/virtual/dualview.h"
#include "sdk/virtual/registry.h"
#include "sdk/virtual/scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <array>
#include <cmath>
#include <random>
#include <set>
#include <vector>

namespace {

constexpr int VW = 800, VH = 600, IW = 256, IH = 192, VN = VW * VH, IN = IW * IH;
const float kIdentity[6] = {1, 0, 0, 0, 1, 0};

class Fusion : public ::testing::Test
{
protected:
    void SetUp() override
    {
        record = tcsdk::encodeDualRecord(tcsim::dualGeometry());
        ASSERT_EQ(tcdual_align_fusion_set_tot_disparity(tcsim::kDualTotalDisparity), 0);
        ASSERT_EQ(tcdual_align_fusion_init(VH, VW, IH, IW, VH, VW, record.data(), kIdentity), 0);
        ASSERT_EQ(tcdual_align_fusion_set_disparity(tcsim::kDualBenchDisparity), 0);
        ASSERT_EQ(tcdual_align_fusion_set_mode(TCDUAL_MODE_BLEND), 0);
        std::array<uint8_t, 768> grey;
        for (int i = 0; i < 768; ++i)
            grey[size_t(i)] = uint8_t(i / 3);
        ASSERT_EQ(tcdual_align_fusion_add_color("grey", grey.data()), 0);
        ASSERT_EQ(tcdual_align_fusion_set_color("grey"), 0);
    }
    void TearDown() override { tcdual_align_fusion_destroy(); }

    void process(const std::vector<uint8_t>& visible, const std::vector<uint8_t>& ir8, const std::vector<uint16_t>& kelvin)
    {
        ASSERT_EQ(tcdual_align_fusion_process(visible.data(), ir8.data(), kelvin.data(), fused.data(), aligned.data()), 0);
    }

    std::array<uint8_t, tcsdk::kDualRecordBytes> record{};
    std::vector<uint8_t> fused = std::vector<uint8_t>(size_t(VN) * 4);
    std::vector<uint16_t> aligned = std::vector<uint16_t>(VN);
};

struct Box
{
    int left = VW, top = VH, right = -1, bottom = -1;
    void add(int x, int y)
    {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
};

// Temperatures (kelvin * 16) of the dual-light camera's scene as its infrared module sees it.
std::vector<uint16_t> sceneKelvin(const tcsim::DeviceSpec& spec)
{
    const tcsim::Scene scene(spec, IW, IH);
    std::vector<uint16_t> kelvin(IN);
    for (int i = 0; i < IN; ++i)
        kelvin[size_t(i)] = uint16_t(std::lround((scene.base()[size_t(i)] + 273.15) * 16.0));
    return kelvin;
}

TEST(DualRecord, OnlyAWholeSoundRecordIsTakenWithTheGeometryItCarries)
{
    const tcsdk::DualGeometry truth = tcsim::dualGeometry();
    auto bytes = tcsdk::encodeDualRecord(truth);
    tcsdk::DualGeometry read;
    ASSERT_TRUE(tcsdk::decodeDualRecord(bytes.data(), read));
    EXPECT_TRUE(std::equal(std::begin(truth.affine), std::end(truth.affine), std::begin(read.affine)));
    EXPECT_EQ(read.parallax[0], truth.parallax[0]);

    for (size_t at : {size_t(0), size_t(30), size_t(187), size_t(190)}) {
        auto damaged = bytes;
        damaged[at] ^= 0x10;
        tcsdk::DualGeometry kept = read;
        kept.parallax[1] = 42;
        EXPECT_FALSE(tcsdk::decodeDualRecord(damaged.data(), kept)) << "byte " << at;
        EXPECT_EQ(kept.parallax[1], 42) << "a rejected record changes nothing";
    }
    std::array<uint8_t, 192> blank;
    blank.fill(0xFF);
    EXPECT_FALSE(tcsdk::decodeDualRecord(blank.data(), read));
    // Sound checksums over what is no record of this camera: sizes 0 x -1, a reserved byte set.
    std::array<uint8_t, 192> badSizes{}, reserved = bytes;
    FILE* file = std::fopen(ORVIK_TEST_DATA "/dual/dual-record-bad-sizes.bin", "rb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fread(badSizes.data(), 1, 192, file), 192u);
    std::fclose(file);
    reserved[100] = 1;
    const uint32_t crc = tcsdk::crc32(reserved.data(), 188);
    std::memcpy(reserved.data() + 188, &crc, 4);
    EXPECT_FALSE(tcsdk::decodeDualRecord(badSizes.data(), read));
    EXPECT_FALSE(tcsdk::decodeDualRecord(reserved.data(), read));
    EXPECT_EQ(tcdual_align_fusion_init(VH, VW, IH, IW, VH, VW, blank.data(), kIdentity), TCDUAL_NOMINAL_ALIGNMENT);
    EXPECT_EQ(tcdual_align_fusion_init(VH, VW, IH, IW, VH, VW + 1, bytes.data(), kIdentity), -1)
        << "the fused image has the visible image's size";
    tcdual_align_fusion_destroy();
}

TEST_F(Fusion, TheBoardsOutlineInTheAlignedTemperaturesLiesOnThePhotographsOutline)
{
    tcsim::DeviceSpec spec = tcsim::parseRegistry("Bifold serial=OUTLINE\n").front();
    const std::vector<uint8_t> photo = tcsim::renderPhoto(spec);
    process(photo, std::vector<uint8_t>(IN, 0), sceneKelvin(spec));

    // The board is warmer than the bench by more than 2 K everywhere; the bench is grey.
    Box thermal, visible;
    const uint16_t threshold = uint16_t(std::lround((spec.ambient + 1.5 + 273.15) * 16));
    for (int y = 0; y < VH; ++y)
        for (int x = 0; x < VW; ++x) {
            const size_t i = size_t(y) * VW + x;
            if (aligned[i] > threshold)
                thermal.add(x, y);
            const uint8_t* p = photo.data() + 3 * i;
            if (!(p[0] == 72 && p[1] == 74 && p[2] == 80))
                visible.add(x, y);
        }
    ASSERT_GT(visible.right - visible.left, 600) << "the board fills most of the picture";
    EXPECT_NEAR(thermal.left, visible.left, 2);
    EXPECT_NEAR(thermal.right, visible.right, 2);
    EXPECT_NEAR(thermal.top, visible.top, 2);
    EXPECT_NEAR(thermal.bottom, visible.bottom, 2);

    // The nominal alignment (no record) misses it by the camera's offset and parallax.
    ASSERT_EQ(tcdual_align_fusion_init(VH, VW, IH, IW, VH, VW, nullptr, kIdentity), TCDUAL_NOMINAL_ALIGNMENT);
    process(photo, std::vector<uint8_t>(IN, 0), sceneKelvin(spec));
    Box nominal;
    for (int y = 0; y < VH; ++y)
        for (int x = 0; x < VW; ++x)
            if (aligned[size_t(y) * VW + x] > threshold)
                nominal.add(x, y);
    EXPECT_GT(std::abs(nominal.left - visible.left), 10);
}

TEST_F(Fusion, AlignedTemperaturesAreMeasuredOnesAndFollowDisparityAndManualMoves)
{
    std::mt19937 random(7);
    std::vector<uint16_t> kelvin(IN);
    for (uint16_t& k : kelvin)
        k = uint16_t(4000 + random() % 12000);
    const std::vector<uint8_t> visible(size_t(VN) * 3, 90), ir(IN, 10);
    process(visible, ir, kelvin);
    const std::set<uint16_t> measured(kelvin.begin(), kelvin.end());
    for (uint16_t a : aligned)
        ASSERT_TRUE(measured.count(a)) << "no temperature invented between pixels";
    const std::vector<uint16_t> before = aligned;

    // 30 of 300 units of disparity: a tenth of the 60-pixel parallax, to the right.
    ASSERT_EQ(tcdual_align_fusion_set_disparity(tcsim::kDualBenchDisparity + 30), 0);
    process(visible, ir, kelvin);
    for (int y = 100; y < 500; y += 37)
        for (int x = 100; x < 700; x += 41)
            ASSERT_EQ(aligned[size_t(y) * VW + x + 6], before[size_t(y) * VW + x]) << x << "," << y;

    // Five steps down by hand, then the coefficients that hold them.
    ASSERT_EQ(tcdual_align_fusion_set_disparity(tcsim::kDualBenchDisparity), 0);
    ASSERT_EQ(tcdual_align_fusion_manual_init(visible.data(), ir.data(), fused.data()), 0);
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(tcdual_align_fusion_manual_translate(0.0f, 1.0f, fused.data()), 0);
    const float* coefficients = tcdual_align_fusion_manual_finish();
    EXPECT_FLOAT_EQ(coefficients[5], 5.0f);
    EXPECT_FLOAT_EQ(coefficients[2], 0.0f);
    process(visible, ir, kelvin);
    for (int y = 100; y < 500; y += 37)
        for (int x = 100; x < 700; x += 41)
            ASSERT_EQ(aligned[size_t(y + 5) * VW + x], before[size_t(y) * VW + x]) << x << "," << y;
}

TEST_F(Fusion, ModesMixColourAndDetailAsStated)
{
    // Infrared level 200 everywhere (grey map: colour 200); a visible picture with a pattern.
    std::vector<uint8_t> visible(size_t(VN) * 3);
    for (int i = 0; i < VN; ++i)
        visible[size_t(3 * i)] = visible[size_t(3 * i + 1)] = visible[size_t(3 * i + 2)] = ((i / VW / 8 + i % VW / 8) % 2) ? 160 : 40;
    const std::vector<uint8_t> ir(IN, 200);
    const std::vector<uint16_t> kelvin(IN, 4800);
    auto channel = [&](int i) { return int(fused[size_t(4 * i)]); };

    process(visible, ir, kelvin);
    EXPECT_NEAR(channel(0), (200 + visible[0]) / 2, 1) << "blend: half and half";
    EXPECT_EQ(fused[3], 255);

    ASSERT_EQ(tcdual_align_fusion_set_mode(TCDUAL_MODE_MEAN), 0);
    ASSERT_EQ(tcdual_align_fusion_set_MEAN_weight(100), 0);
    process(visible, ir, kelvin);
    EXPECT_EQ(channel(VN / 2), 200) << "weight 100: infrared only";
    ASSERT_EQ(tcdual_align_fusion_set_MEAN_weight(0), 0);
    process(visible, ir, kelvin);
    EXPECT_EQ(channel(VN / 2), visible[size_t(3 * (VN / 2))]) << "weight 0: visible only";
    EXPECT_LT(tcdual_align_fusion_set_MEAN_weight(101), 0);

    ASSERT_EQ(tcdual_align_fusion_set_mode(TCDUAL_MODE_DETAIL), 0);
    ASSERT_EQ(tcdual_align_fusion_set_LPY_detail(0), 0);
    process(visible, ir, kelvin);
    EXPECT_EQ(channel(VN / 2), 200) << "no detail: the infrared colour";
    ASSERT_EQ(tcdual_align_fusion_set_LPY_detail(6), 0);
    process(visible, ir, kelvin);
    int darker = 0, brighter = 0;
    for (int i = VW * 100; i < VW * 101; ++i) {
        darker += visible[size_t(3 * i)] == 40 && channel(i) < 200;
        brighter += visible[size_t(3 * i)] == 160 && channel(i) > 200;
    }
    EXPECT_GT(darker, 300) << "the pattern's dark squares darken the infrared colour";
    EXPECT_GT(brighter, 300);

    EXPECT_LT(tcdual_align_fusion_set_mode(4), 0);
    EXPECT_LT(tcdual_align_fusion_set_color("no such map"), 0);
}

} // namespace
