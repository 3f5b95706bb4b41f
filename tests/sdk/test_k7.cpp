#include "K7Dll.h"
#include "sdk/virtual/registry.h"
#include "sdk/virtual/tcsim.h"
#include "videoinput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class K7 : public ::testing::Test
{
protected:
    void TearDown() override
    {
        if (device)
            vi_close(device);
        tcsim::clearRegistryText();
    }
    bool open(const char* registry)
    {
        tcsim::setRegistryText(registry);
        vi_device_info_t info[4] = {};
        if (vi_list_devices(info, 4) != 1)
            return false;
        listed = info[0];
        device = vi_open(info[0].path);
        return device != nullptr;
    }
    vi_device_info_t listed{};
    vi_device_t* device = nullptr;
};

TEST_F(K7, TemperaturesFromTheParameterLinesMatchTheScene)
{
    ASSERT_TRUE(open("K7-22 serial=K7TRUTH\n"));
    ASSERT_EQ(DataInit(256, 192), 0);
    for (int64_t index : {0, 3000}) {
        const std::vector<uint16_t> frame = tcsim::renderFrame("K7TRUTH", index);
        ASSERT_EQ(frame.size(), 256u * 196);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(frame.data()) + 98880, 7), "K7TRUTH");
        EXPECT_EQ(frame[49156], *std::max_element(frame.begin(), frame.begin() + 49152));
        EXPECT_EQ(frame[49159], *std::min_element(frame.begin(), frame.begin() + 49152));

        ASSERT_EQ(UpdateParam(0, frame.data(), "K7-22", "K7-22"), 0);
        std::vector<float> t(49152);
        float maxT, minT, mean, housing;
        int maxX, maxY, minX, minY;
        ASSERT_EQ(GetTmpData(0, frame.data(), &maxT, &maxX, &maxY, &minT, &minX, &minY, &mean, &housing, t.data()), 0);
        std::vector<float> truth;
        ASSERT_TRUE(tcsim::truth("K7TRUTH", index, truth));
        std::vector<double> e(t.size());
        for (size_t i = 0; i < e.size(); ++i)
            e[i] = std::fabs(t[i] - truth[i]);
        std::sort(e.begin(), e.end());
        EXPECT_LE(e[e.size() / 2], 0.1);
        EXPECT_LE(e[size_t(e.size() * 0.99)], 0.5);
        const int hottest = int(std::max_element(truth.begin(), truth.end()) - truth.begin());
        EXPECT_LE(std::abs(maxX - hottest % 256), 1);
        EXPECT_LE(std::abs(maxY - hottest / 256), 1);
        EXPECT_FLOAT_EQ(maxT, *std::max_element(t.begin(), t.end()));
        EXPECT_NEAR(housing, 25.0, 6.5);
    }
}

// Calibration words no camera sends (a gain of 1e-35, a denormal one) are refused: the last
// sound calibration stays in use and no reading becomes infinite.
TEST_F(K7, ImplausibleCalibrationWordsAreRefusedAndTheLastSoundOnesKept)
{
    ASSERT_TRUE(open("K7-22 serial=K7GAIN\n"));
    ASSERT_EQ(DataInit(256, 192), 0);
    const std::vector<uint16_t> frame = tcsim::renderFrame("K7GAIN", 0);
    ASSERT_EQ(UpdateParam(0, frame.data(), "K7-22", "K7-22"), 0);
    std::vector<uint16_t> tiny = frame, denormal = frame;
    FILE* lines = std::fopen(ORVIK_TEST_DATA "/k7/k7-tiny-gain-parameter-lines.bin", "rb");
    ASSERT_NE(lines, nullptr);
    ASSERT_EQ(std::fread(tiny.data() + 49152, 2, 1024, lines), 1024u);
    std::fclose(lines);
    const uint32_t denormalBits = 0x00000100; // 3.6e-43
    std::memcpy(denormal.data() + 49152 + 10, &denormalBits, 4);
    for (const std::vector<uint16_t>* hostile : {&tiny, &denormal}) {
        EXPECT_NE(UpdateParam(0, hostile->data(), "K7-22", "K7-22"), 0);
        std::vector<float> t(49152);
        float maxT, minT, mean, housing;
        int maxX, maxY, minX, minY;
        ASSERT_EQ(GetTmpData(0, hostile->data(), &maxT, &maxX, &maxY, &minT, &minX, &minY, &mean, &housing, t.data()), 0);
        EXPECT_TRUE(std::all_of(t.begin(), t.end(), [](float v) { return std::isfinite(v); }));
        EXPECT_LT(maxT, 200.0f) << "read with the sound calibration";
    }
}

TEST_F(K7, CorrectionParametersChangeTheReadingAndRoundTrip)
{
    ASSERT_TRUE(open("K7-22 serial=K7FIX netd=0\n"));
    ASSERT_EQ(DataInit(256, 192), 0);
    const std::vector<uint16_t> frame = tcsim::renderFrame("K7FIX", 0);
    ASSERT_EQ(UpdateParam(0, frame.data(), "K7-22", "K7-22"), 0);
    std::vector<float> t(49152);
    float maxT, minT, a, b;
    int x1, y1, x2, y2;
    ASSERT_EQ(UpdateFixParam(1.0f, 25.0f, 25.0f, 0.5f, 0, 0.0f), 0);
    ASSERT_EQ(GetTmpData(0, frame.data(), &maxT, &x1, &y1, &minT, &x2, &y2, &a, &b, t.data()), 0);
    const float blackBody = maxT;
    ASSERT_EQ(UpdateFixParam(0.8f, 25.0f, 25.0f, 0.5f, 0, 1.5f), 0);
    ASSERT_EQ(GetTmpData(0, frame.data(), &maxT, &x1, &y1, &minT, &x2, &y2, &a, &b, t.data()), 0);
    EXPECT_GT(maxT, blackBody + 5.0f);
    float e, r, air, hum, fix;
    uint16_t distance;
    ASSERT_EQ(GetFixParam(&e, &r, &air, &hum, &distance, &fix), 0);
    EXPECT_FLOAT_EQ(e, 0.8f);
    EXPECT_FLOAT_EQ(fix, 1.5f);
    UpdateFixParam(1.0f, 25.0f, 25.0f, 0.5f, 0, 0.0f);

    EXPECT_LT(UpdateFixParam(0.0f, 25.0f, 25.0f, 0.5f, 0, 0.0f), 0);
    EXPECT_LT(GetTmpData(0, nullptr, &maxT, &x1, &y1, &minT, &x2, &y2, &a, &b, t.data()), 0);
    std::vector<uint16_t> foreign(256 * 196, 0);
    EXPECT_LT(UpdateParam(0, foreign.data(), "K7-22", "K7-22"), 0) << "no parameter lines";
    ASSERT_EQ(DataInit(256, 192), 0);
    EXPECT_LT(GetTmpData(0, frame.data(), &maxT, &x1, &y1, &minT, &x2, &y2, &a, &b, t.data()), 0)
        << "no calibration read yet";
    EXPECT_LT(DataInit(320, 240), 0);
}

struct Samples
{
    std::mutex mutex;
    std::condition_variable arrived;
    int count = 0;
    int length = 0;
};

TEST_F(K7, ListedAsZ8RStreamsWholeSamplesAndTakesItsCommands)
{
    ASSERT_TRUE(open("K7-22 serial=K7CMD z8r=1 fps=50\n"));
    EXPECT_STREQ(listed.description, "Z8R");
    int width = 0, height = 0;
    ASSERT_EQ(vi_get_format(device, &width, &height), 0);
    EXPECT_EQ(width, 256);
    EXPECT_EQ(height, 196);
    EXPECT_EQ(vi_open(listed.path), nullptr) << "one owner at a time";

    for (int command : {0x8020, 0x8004, 0x8000})
        ASSERT_EQ(vi_set_camera_control(device, VI_CAMERA_CONTROL_ZOOM, command, VI_FLAGS_MANUAL), 0);
    EXPECT_LT(vi_set_camera_control(device, VI_CAMERA_CONTROL_ZOOM, 0x1234, VI_FLAGS_MANUAL), 0);
    EXPECT_LT(vi_set_camera_control(device, 7, 0x8000, VI_FLAGS_MANUAL), 0);
    EXPECT_EQ(tcsim::cameraCommands("K7CMD"), (std::vector<int>{0x8020, 0x8004, 0x8000}));

    Samples samples;
    ASSERT_EQ(vi_set_callback(device, [](const uint8_t*, int length, void* user) {
        auto* s = static_cast<Samples*>(user);
        std::lock_guard<std::mutex> lock(s->mutex);
        ++s->count;
        s->length = length;
        s->arrived.notify_all();
    }, &samples), 0);
    ASSERT_EQ(vi_run(device), 0);
    {
        std::unique_lock<std::mutex> lock(samples.mutex);
        ASSERT_TRUE(samples.arrived.wait_for(lock, std::chrono::seconds(5), [&] { return samples.count >= 3; }));
        EXPECT_EQ(samples.length, 256 * 196 * 2);
    }
    ASSERT_EQ(vi_stop(device), 0);
    vi_close(device);
    device = nullptr;
    EXPECT_LT(vi_run(device), 0);
}

} // namespace
