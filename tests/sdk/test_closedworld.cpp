// The virtual Y16 cameras and our ISP form a closed world: with the tables read from the
// camera's flash, kt/bt, environment correction and NUC recover the scene's temperature.
#include "libtcisp.h"
#include "libtcparse.h"
#include "sdk/virtual/tcsim.h"
#include "tests/sdk/simfixture.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Layout
{
    uint32_t header, kt, bt, nuc;
};

Layout layoutOf(int kind, bool lowSet)
{
    if (kind == 2)
        return lowSet ? Layout{0x13D000, 0x137000, 0x138000, 0x139000} : Layout{0x144000, 0x13E000, 0x13F000, 0x140000};
    return lowSet ? Layout{0xD7000, 0xD1000, 0xD2000, 0xD3000} : Layout{0xDE000, 0xD8000, 0xD9000, 0xDA000};
}

// Big-endian flash words to host order.
std::vector<uint16_t> readWords(tccmd_handle_t* cmd, uint32_t address, uint32_t bytes)
{
    std::vector<uint8_t> raw(bytes);
    if (spi_read(cmd, address, bytes, raw.data()) != 0)
        return {};
    std::vector<uint16_t> words(bytes / 2);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = uint16_t(raw[2 * i] << 8 | raw[2 * i + 1]);
    return words;
}

// kt/bt -> environment -> NUC over one Y16 frame, as the frame pipeline chains them.
class TemperatureChain
{
public:
    TemperatureChain(tccmd_handle_t* cmd, int kind, bool lowSet, int width, int height)
        : size{uint16_t(width), uint16_t(height), 2}, f(width * height), a(width * height), b(width * height)
    {
        const Layout at = layoutOf(kind, lowSet);
        const std::vector<uint16_t> header = readWords(cmd, at.header, 48);
        kt = readWords(cmd, at.kt, 2402);
        bt = readWords(cmd, at.bt, 2402);
        nuc = readWords(cmd, at.nuc, 16384);
        ok = header.size() == 24 && kt.size() == 1201 && bt.size() == 1201 && nuc.size() == 8192;
        if (!ok)
            return;
        ktbtParam = {{header[0], header[1], header[2]}, 0, kt.data(), 2402, bt.data(), 2402};
        nucParam = {nuc.data(), 16384};
        envParam = {16384, 16384, 4800, 4800, nuc.data(), 8192};
        ok = ktbt_init(&ktbtH, 0, &ktbtParam, &size, f.data(), a.data(), 0, 0) == 0 &&
             env_correct_init(&envH, 0, &envParam, &size, a.data(), b.data(), 0, 0) == 0 &&
             nuc_t_init(&nucH, 0, &nucParam, &size, a.data(), b.data(), 0, 0) == 0;
    }
    ~TemperatureChain()
    {
        ktbt_destory(&ktbtH);
        env_correct_destory(&envH);
        nuc_t_destory(&nucH);
    }

    std::vector<float> celsius(const std::vector<uint16_t>& frame, uint16_t vtemp)
    {
        const int n = int(f.size());
        y16_to_y14(frame.data(), n, f.data());
        ktbtParam.vtemp = vtemp;
        ktbt_process(&ktbtH, 0, 0);
        env_correct_process(&envH, 0);
        std::copy(b.begin(), b.end(), a.begin());
        nuc_t_process(&nucH, 0);
        std::vector<float> out(n);
        for (int i = 0; i < n; ++i)
            out[i] = float(b[i] / 16.0 - 273.15);
        return out;
    }

    bool ok = false;
    env_correct_param_t envParam{};

private:
    isp_image_size_t size;
    std::vector<uint16_t> f, a, b, kt, bt, nuc;
    ktbt_param_t ktbtParam{};
    nuc_t_param_t nucParam{};
    isp_handle_t ktbtH{}, envH{}, nucH{};
};

struct Errors
{
    double median, p99;
};

Errors errorsOf(const std::vector<float>& measured, const std::vector<float>& truth)
{
    std::vector<double> e(measured.size());
    for (size_t i = 0; i < e.size(); ++i)
        e[i] = std::fabs(measured[i] - truth[i]);
    std::sort(e.begin(), e.end());
    return {e[e.size() / 2], e[size_t(e.size() * 0.99)]};
}

int argmax(const std::vector<float>& v)
{
    return int(std::max_element(v.begin(), v.end()) - v.begin());
}

int argmin(const std::vector<float>& v)
{
    return int(std::min_element(v.begin(), v.end()) - v.begin());
}

class ClosedWorld : public SimFixture, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(ClosedWorld, TablesFromFlashRecoverTheBoardInBothRanges)
{
    const std::string camera = GetParam();
    plug(camera + " serial=CW1\n");
    ASSERT_TRUE(openFirst());
    const int kind = camera == "VeskL" ? 2 : 3;
    const int w = kind == 2 ? 384 : 256, h = kind == 2 ? 288 : 192;

    for (int gain : {1, 0}) {
        ASSERT_EQ(set_prop_tpd_params(cmd, 5, uint16_t(gain)), 0);
        TemperatureChain chain(cmd, kind, gain == 0, w, h);
        ASSERT_TRUE(chain.ok);
        for (int64_t index : {0, 1500}) { // at start and a minute in, the leak hotter
            uint16_t vtemp = 0;
            ASSERT_EQ(cur_vtemp_get(cmd, &vtemp), 0);
            const std::vector<uint16_t> frame = tcsim::renderFrame("CW1", index);
            ASSERT_EQ(cur_vtemp_get(cmd, &vtemp), 0);
            std::vector<float> truth;
            ASSERT_TRUE(tcsim::truth("CW1", index, truth));
            const std::vector<float> measured = chain.celsius(frame, vtemp);
            const Errors e = errorsOf(measured, truth);
            const double medianBar = gain == 1 ? 0.1 : 0.5, p99Bar = gain == 1 ? 0.5 : 2.0;
            EXPECT_LE(e.median, medianBar) << camera << " gain " << gain << " frame " << index;
            EXPECT_LE(e.p99, p99Bar) << camera << " gain " << gain << " frame " << index;
            for (auto [found, expected] : {std::pair{argmax(measured), argmax(truth)}, {argmin(measured), argmin(truth)}}) {
                EXPECT_LE(std::abs(found % w - expected % w), 1) << camera << " gain " << gain;
                EXPECT_LE(std::abs(found / w - expected / w), 1) << camera << " gain " << gain;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Y16Cameras, ClosedWorld, ::testing::Values("Vesk_R_M", "VeskL"));

class Camera : public SimFixture
{
};

TEST_F(Camera, FlashHoldsBothSetsBigEndianAtTheirAddresses)
{
    plug("Lumo serial=FLASH\nVeskL serial=FLASHL\n");
    ASSERT_TRUE(openFirst());
    // kt tables start with their grid shape, the header with the calibration housing word.
    for (uint32_t address : {0xD1000u, 0xD8000u}) {
        uint8_t bytes[2];
        ASSERT_EQ(spi_read(cmd, address, 2, bytes), 0);
        EXPECT_EQ(bytes[0], 40);
        EXPECT_EQ(bytes[1], 30);
    }
    const std::vector<uint16_t> header = readWords(cmd, 0xDE000, 48);
    ASSERT_EQ(header.size(), 24u);
    EXPECT_EQ(header[0], 4800);
    EXPECT_EQ(header[2], 4096);
    // NUC of the falling 256 x 192 sensor: temperature falls with the count.
    const std::vector<uint16_t> nuc = readWords(cmd, 0xDA000, 16384);
    ASSERT_EQ(nuc.size(), 8192u);
    EXPECT_GT(nuc[1000], nuc[7000]);
    uint8_t erased[4];
    ASSERT_EQ(spi_read(cmd, 0x10000, 4, erased), 0);
    EXPECT_EQ(erased[0], 0xFF);

    ASSERT_EQ(tcuvc_camera_close(uvc), 0);
    // Both list the same ids and name: the second is the second of its kind.
    ASSERT_EQ(tcuvc_get_same_idx(uvc, &list[1], 1), 1);
    ASSERT_EQ(tcuvc_camera_open_same(uvc, &list[1], 1), 0);
    const std::vector<uint16_t> nuc384 = readWords(cmd, 0x140000, 16384);
    ASSERT_EQ(nuc384.size(), 8192u);
    EXPECT_LT(nuc384[1000], nuc384[7000]) << "the 384 x 288 sensor rises";
}

TEST_F(Camera, EmissivityGainAndOffsetDriftActOnTheSignal)
{
    plug("Vesk_R_M serial=ACT drift=60 netd=0\n");
    ASSERT_TRUE(openFirst());
    TemperatureChain chain(cmd, 3, false, 256, 192);
    ASSERT_TRUE(chain.ok);
    uint16_t vtemp = 0;
    cur_vtemp_get(cmd, &vtemp);
    std::vector<float> truth;
    tcsim::truth("ACT", 0, truth);
    const int hot = argmax(truth);
    const double plain = chain.celsius(tcsim::renderFrame("ACT", 0), vtemp)[hot];
    EXPECT_NEAR(plain, truth[hot], 0.1);

    // Telling the camera the board emits less makes it report the hot part hotter.
    ASSERT_EQ(set_prop_tpd_params(cmd, 3, 96), 0);
    const double lowEmissivity = chain.celsius(tcsim::renderFrame("ACT", 0), vtemp)[hot];
    EXPECT_GT(lowEmissivity, plain + 5.0);
    ASSERT_EQ(set_prop_tpd_params(cmd, 3, 128), 0);

    // The raw counts of the same scene differ between the gains.
    ASSERT_EQ(set_prop_tpd_params(cmd, 5, 0), 0);
    const std::vector<uint16_t> lowGain = tcsim::renderFrame("ACT", 0);
    ASSERT_EQ(set_prop_tpd_params(cmd, 5, 1), 0);
    const std::vector<uint16_t> highGain = tcsim::renderFrame("ACT", 0);
    EXPECT_GT(std::abs(int(lowGain[hot]) - int(highGain[hot])), 400);

    // 60 K per minute of offset drift: 10 s later the reading is far off until the offset
    // is updated.
    const int64_t later = 250;
    tcsim::truth("ACT", later, truth);
    cur_vtemp_get(cmd, &vtemp);
    const double drifted = chain.celsius(tcsim::renderFrame("ACT", later), vtemp)[hot];
    EXPECT_GT(std::fabs(drifted - truth[hot]), 5.0);
    ASSERT_EQ(ooc_b_update(cmd, 0), 0);
    const double updated = chain.celsius(tcsim::renderFrame("ACT", later + 1), vtemp)[hot];
    EXPECT_NEAR(updated, truth[hot], 0.2);
}

// The camera's noise between two frames of a flat scene: the deviation asked for, and white,
// neighbours and pixels a generator's stride apart unrelated.
TEST_F(Camera, NoiseIsWhiteAtTheDeviationAskedFor)
{
    plug("Vesk_R_S serial=NOISE scene=uniform netd=0.5\n");
    const int n = 160 * 120;
    const std::vector<uint16_t> first = tcsim::renderFrame("NOISE", 1), second = tcsim::renderFrame("NOISE", 2);
    ASSERT_GE(first.size(), size_t(2 * n));
    std::vector<double> d(static_cast<size_t>(n)); // kelvin, from the temperature half's K * 64
    for (int i = 0; i < n; ++i)
        d[size_t(i)] = (double(second[size_t(n + i)]) - double(first[size_t(n + i)])) / 64.0;
    const auto covariance = [&](int lag) {
        double sum = 0;
        for (int i = 0; i + lag < n; ++i)
            sum += d[size_t(i)] * d[size_t(i + lag)];
        return sum / (n - lag);
    };
    const double variance = covariance(0);
    EXPECT_NEAR(std::sqrt(variance), 0.5 * std::sqrt(2.0), 0.03);
    for (int lag : {1, 7, 8, 9, 160})
        EXPECT_LT(std::fabs(covariance(lag) / variance), 0.04) << "lag " << lag;
}

// The in-frame camera's image half is its temperatures in grey, stretched between the frame's
// coldest and hottest pixel, in YUYV with neutral chroma.
TEST_F(Camera, InFrameGreyStretchesTheTemperaturesBetweenTheExtremes)
{
    plug("Vesk_R_S serial=GREY scene=hotspot\n");
    const int n = 160 * 120;
    const std::vector<uint16_t> frame = tcsim::renderFrame("GREY", 1);
    ASSERT_GE(frame.size(), size_t(2 * n));
    const auto* yuyv = reinterpret_cast<const uint8_t*>(frame.data());
    const auto [coldest, hottest] = std::minmax_element(frame.begin() + n, frame.begin() + 2 * n);
    const double span = double(*hottest) - double(*coldest); // K * 64
    ASSERT_GT(span, 64.0 * 5) << "a scene with contrast";
    for (int i = 0; i < n; ++i) {
        const double expected = (double(frame[size_t(n + i)]) - *coldest) / span * 255.0;
        ASSERT_NEAR(yuyv[2 * i], expected, 1.0) << "pixel " << i;
        ASSERT_EQ(yuyv[2 * i + 1], 128) << "pixel " << i;
    }
}

} // namespace
