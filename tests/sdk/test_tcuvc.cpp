#include "sdk/virtual/tcsim.h"
#include "tests/sdk/simfixture.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Counts frames delivered on the stream thread and keeps the newest one.
struct FrameCollector
{
    std::mutex mutex;
    std::condition_variable arrived;
    int frames = 0;
    Clock::time_point first, last;
    std::vector<uint8_t> newest;
    size_t bytes = 0;

    static void onFrame(void* frame, void* user)
    {
        auto* self = static_cast<FrameCollector*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        const auto now = Clock::now();
        if (self->frames++ == 0)
            self->first = now;
        self->last = now;
        self->newest.assign(static_cast<uint8_t*>(frame), static_cast<uint8_t*>(frame) + self->bytes);
        self->arrived.notify_all();
    }
    bool waitFor(int count, std::chrono::milliseconds limit = std::chrono::milliseconds(5000))
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, limit, [&] { return frames >= count; });
    }
    int count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return frames;
    }
};

class Uvc : public SimFixture
{
protected:
    bool start(FrameCollector& collector)
    {
        const tcuvc_stream_params_t p = streamParams();
        collector.bytes = p.frame_bytes;
        const tcuvc_callback_t callback{uvc, &FrameCollector::onFrame, &collector};
        return tcuvc_camera_stream_start(uvc, &p, &callback) >= 0;
    }
};

TEST_F(Uvc, ListsTheDevicesWithTheirIdsAndStreamEntries)
{
    plug("Vesk_R_M serial=AAA\nVesk_R_S serial=BBB pid=0x5830 vid=0x2222\nVeskL serial=CCC name=Other\nK7-22\n");
    ASSERT_TRUE(openFirst());
    EXPECT_EQ(tcuvc_camera_list(uvc, list), 3) << "the K7-22 is no UVC device";
    EXPECT_EQ(list[0].product_id, 0x5840u);
    EXPECT_EQ(list[0].vendor_id, 0x0BDAu);
    EXPECT_STREQ(list[0].name, "USB Camera");
    EXPECT_EQ(list[1].product_id, 0x5830u);
    EXPECT_EQ(list[1].vendor_id, 0x2222u);
    EXPECT_STREQ(list[2].name, "Other");

    const tcuvc_stream_params_t y16 = streamParams();
    EXPECT_EQ(y16.format, uint64_t(TCUVC_FORMAT_Y16));
    EXPECT_EQ(y16.width, 256u);
    EXPECT_EQ(y16.height, 192u);
    EXPECT_EQ(y16.fps, 25u);
    static_assert(sizeof(tcuvc_device_entry_t) == 16 && sizeof(tcuvc_stream_params_t) == 48);

    uint8_t info[TCUVC_INFO_BYTES];
    ASSERT_EQ(tcuvc_camera_info_get(uvc, &list[1], info), 1);
    uint32_t width = 0, height = 0;
    std::memcpy(&width, info + 8, 4);
    std::memcpy(&height, info + 12, 4);
    EXPECT_EQ(width, 160u);
    EXPECT_EQ(height, 240u) << "image half over temperature half";
    EXPECT_EQ(tcuvc_get_same_idx(uvc, &list[1], 1), 0);
    EXPECT_LT(tcuvc_get_same_idx(uvc, &list[1], 0), 0);

    uint8_t serial[64];
    ASSERT_EQ(get_device_info(cmd, 7, serial), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(serial), "AAA");
}

TEST_F(Uvc, SerialNumbersAreReportedAsStored)
{
    // A serial with a character that is neither letter nor digit, as some cameras report.
    plug("Lumo serial=AB-12_x\n");
    ASSERT_TRUE(openFirst());
    uint8_t serial[64];
    ASSERT_EQ(get_device_info(cmd, 7, serial), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(serial), "AB-12_x");
}

TEST_F(Uvc, Y16FramesFlowAfterThePreviewRequestAtTheCameraRate)
{
    plug("Vesk_R_M serial=RATE fps=50 preview_fail=1\n");
    ASSERT_TRUE(openFirst());
    FrameCollector frames;
    ASSERT_TRUE(start(frames));
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_EQ(frames.count(), 0) << "raw frames only after the Y16 preview request";
    EXPECT_LT(y16_preview_start(cmd, 0, 5), 0) << "the registry asks for one failure";
    EXPECT_GE(y16_preview_start(cmd, 0, 5), 0);

    ASSERT_TRUE(frames.waitFor(51, std::chrono::milliseconds(3000)));
    double seconds;
    int count;
    {
        std::lock_guard<std::mutex> lock(frames.mutex);
        seconds = std::chrono::duration<double>(frames.last - frames.first).count();
        count = frames.frames;
    }
    EXPECT_NEAR((count - 1) / seconds, 50.0, 5.0);

    // Closing joins the stream thread: nothing arrives afterwards.
    ASSERT_EQ(tcuvc_camera_stream_close(uvc, 0), 0);
    const int atClose = frames.count();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(frames.count(), atClose);
    EXPECT_LT(tcuvc_camera_stream_close(uvc, 0), 0) << "already closed";
}

TEST_F(Uvc, OpenCloseCyclesWithFreshHandles)
{
    plug("Vesk_R_M serial=CYCLE fps=200\n");
    for (int cycle = 0; cycle < 100; ++cycle) {
        ASSERT_TRUE(openFirst()) << cycle;
        FrameCollector frames;
        ASSERT_GE(y16_preview_start(cmd, 0, 5), 0);
        ASSERT_TRUE(start(frames));
        ASSERT_TRUE(frames.waitFor(1)) << cycle;
        ASSERT_EQ(tcuvc_camera_stream_close(uvc, 0), 0);
        ASSERT_EQ(tcuvc_camera_close(uvc), 0);
        tcuvc_camera_release(uvc);
        tccmd_delete_handle(cmd);
        tcuvc_delete_handle(uvc);
        cmd = nullptr;
        uvc = nullptr;
    }
}

TEST_F(Uvc, AttachmentFollowsTheOpenedDeviceNotItsTwin)
{
    plug("Vesk_R_M serial=FIRST\nVesk_R_M serial=SECOND\n");
    EXPECT_LT(tcuvc_camera_attached(nullptr), 0);
    ASSERT_TRUE(openFirst());
    EXPECT_EQ(tcuvc_camera_attached(uvc), 1);
    plug("Vesk_R_M serial=SECOND\n");
    EXPECT_EQ(tcuvc_camera_attached(uvc), 0) << "a twin of the same kind is still listed";
    EXPECT_EQ(tcuvc_camera_list(uvc, list), 1);
    plug("Vesk_R_M serial=FIRST\nVesk_R_M serial=SECOND\n");
    EXPECT_EQ(tcuvc_camera_attached(uvc), 1) << "plugged back in";
    ASSERT_EQ(tcuvc_camera_close(uvc), 0);
    EXPECT_LT(tcuvc_camera_attached(uvc), 0) << "nothing open";
}

TEST_F(Uvc, MisuseIsRefusedNeverFatal)
{
    plug("Vesk_R_M serial=MIS\n");
    tcuvc_handle_t* loose = tcuvc_create_handle();
    tcuvc_device_entry_t entries[TCUVC_MAX_DEVICES];
    EXPECT_LT(tcuvc_camera_list(loose, entries), 0) << "not initialised";
    EXPECT_LT(tcuvc_camera_list(nullptr, entries), 0);
    ASSERT_TRUE(openFirst());
    tcuvc_stream_params_t p = streamParams();
    const tcuvc_callback_t callback{uvc, [](void*, void*) {}, nullptr};
    p.width = 100;
    EXPECT_LT(tcuvc_camera_stream_start(uvc, &p, &callback), 0) << "wrong size";
    EXPECT_LT(tcuvc_camera_stream_start(uvc, nullptr, &callback), 0);
    ASSERT_EQ(tcuvc_camera_init(loose), 0);
    EXPECT_LT(tcuvc_camera_open_same(loose, &entry, 0), 0) << "open on another handle";
    EXPECT_LT(tcuvc_camera_open_same(uvc, &entry, 5), 0);

    uint8_t buffer[64];
    uint16_t value = 0;
    EXPECT_LT(get_device_info(cmd, 3, buffer), 0);
    EXPECT_LT(set_prop_tpd_params(cmd, 3, 0), 0) << "emissivity 0";
    EXPECT_LT(set_prop_tpd_params(cmd, 9, 1), 0);
    EXPECT_LT(spi_read(cmd, 0x14FFFF, 16, buffer), 0) << "past the end of the flash";
    EXPECT_LT(y16_preview_start(cmd, 1, 5), 0);

    tccmd_handle_t* orphan = tccmd_create_handle(loose, 1);
    EXPECT_LT(cur_vtemp_get(orphan, &value), 0) << "nothing open on its UVC handle";
    tcuvc_delete_handle(loose);
    EXPECT_LT(cur_vtemp_get(orphan, &value), 0) << "UVC handle deleted";
    EXPECT_LT(tcuvc_camera_init(loose), 0) << "deleted handle";
    tccmd_delete_handle(orphan);
    EXPECT_LT(get_device_info(orphan, 7, buffer), 0) << "deleted command handle";
}

TEST_F(Uvc, ShutterSettingsLastOnlyWhenSaved)
{
    plug("Vesk_R_M serial=SHUT\n");
    ASSERT_TRUE(openFirst());
    uint16_t value = 0;
    ASSERT_EQ(get_prop_auto_shutter_params(cmd, 2, &value), 0);
    EXPECT_EQ(value, 15);
    ASSERT_EQ(set_prop_auto_shutter_params(cmd, 2, 1), 0);
    ASSERT_EQ(tcuvc_camera_close(uvc), 0);
    ASSERT_EQ(tcuvc_camera_open_same(uvc, &entry, 0), 0);
    ASSERT_EQ(get_prop_auto_shutter_params(cmd, 2, &value), 0);
    EXPECT_EQ(value, 15) << "not saved: forgotten at close";
    ASSERT_EQ(set_prop_auto_shutter_params(cmd, 2, 1), 0);
    ASSERT_EQ(spi_config_save(cmd, 12), 0);
    ASSERT_EQ(tcuvc_camera_close(uvc), 0);
    ASSERT_EQ(tcuvc_camera_open_same(uvc, &entry, 0), 0);
    ASSERT_EQ(get_prop_auto_shutter_params(cmd, 2, &value), 0);
    EXPECT_EQ(value, 1);
}

TEST_F(Uvc, The160CameraDeliversAnImageHalfAndAKelvin64Half)
{
    plug("Vesk_R_S serial=HALF fps=100 netd=0\n");
    ASSERT_TRUE(openFirst());
    FrameCollector frames;
    ASSERT_TRUE(start(frames)) << "no preview request needed";
    ASSERT_TRUE(frames.waitFor(1));
    ASSERT_EQ(tcuvc_camera_stream_close(uvc, 0), 0);
    ASSERT_EQ(frames.newest.size(), 160u * 240 * 2);

    const int64_t index = tcsim::currentFrameIndex("HALF");
    std::vector<float> truth;
    ASSERT_TRUE(tcsim::truth("HALF", index, truth));
    // The newest frame is the one the camera rendered last.
    const auto* kelvin64 = reinterpret_cast<const uint16_t*>(frames.newest.data() + 160 * 120 * 2);
    const uint8_t* yuyv = frames.newest.data();
    int hottest = 0;
    for (int i = 0; i < 160 * 120; ++i) {
        ASSERT_NEAR(kelvin64[i] / 64.0 - 273.15, truth[i], 0.05) << i;
        if (truth[i] > truth[hottest])
            hottest = i;
        ASSERT_EQ(yuyv[2 * i + 1], 128) << "chroma of a grey image";
    }
    EXPECT_EQ(yuyv[2 * hottest], 255) << "the hottest pixel is the brightest";
}

} // namespace
