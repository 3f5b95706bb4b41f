// The SDK's V4L2 back-end against the fake V4L2 camera put in place of the kernel: real USB
// cameras listed after the virtual ones, their streams, their failures.
#include "libtccmd.h"
#include "libtcuvc.h"
#include "sdk/v4l2fake/countingsystemcalls.h"
#include "sdk/v4l2fake/fakev4l2.h"
#include "sdk/v4l2fake/systemcallsseam.h"
#include "sdk/virtual/registry.h"

#include <QTemporaryDir>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Frames
{
    std::mutex mutex;
    std::condition_variable arrived;
    int count = 0;
    bool afterClose = false;
    bool closed = false;
    size_t bytes = 0;
    std::vector<uint8_t> newest;

    static void onFrame(void* frame, void* user)
    {
        auto* self = static_cast<Frames*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        ++self->count;
        self->afterClose = self->afterClose || self->closed;
        self->newest.assign(static_cast<uint8_t*>(frame), static_cast<uint8_t*>(frame) + self->bytes);
        self->arrived.notify_all();
    }
    bool waitFor(int frames)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(5), [&] { return count >= frames; });
    }
};

class V4l2Backend : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sysfs.isValid());
        uvc = tcuvc_create_handle();
        ASSERT_EQ(tcuvc_camera_init(uvc), 0);
        cmd = tccmd_create_handle(uvc, 1);
    }
    void TearDown() override
    {
        tccmd_delete_handle(cmd);
        tcuvc_delete_handle(uvc);
        tcsim::clearRegistryText();
        EXPECT_EQ(fake.openDescriptors(), 0) << "every node closed";
        EXPECT_EQ(fake.mappedBuffers(), 0) << "every buffer unmapped";
    }
    int list()
    {
        std::memset(entries, 0, sizeof entries);
        return tcuvc_camera_list(uvc, entries);
    }
    // The stream of the listed device at position that has the given size.
    tcuvc_stream_params_t params(int position, uint32_t width, uint32_t height)
    {
        uint8_t info[TCUVC_INFO_BYTES] = {};
        const int count = tcuvc_camera_info_get(uvc, &entries[position], info);
        tcuvc_stream_params_t p{};
        p.device = entries[position];
        for (int i = 0; i < count; ++i) {
            const uint8_t* entry = info + i * TCUVC_STREAM_ENTRY_BYTES;
            uint32_t w = 0, h = 0, fps = 0;
            std::memcpy(&w, entry + 8, 4);
            std::memcpy(&h, entry + 12, 4);
            std::memcpy(&fps, entry + 20, 4);
            if (w == width && h == height) {
                std::memcpy(&p.format, entry, 8);
                p.width = w;
                p.height = h;
                p.frame_bytes = w * h * 2;
                p.fps = fps;
                p.timeout_ms = 1000;
            }
        }
        return p;
    }
    int start(const tcuvc_stream_params_t& p, Frames& frames)
    {
        frames.bytes = p.frame_bytes;
        const tcuvc_callback_t callback{uvc, &Frames::onFrame, &frames};
        return tcuvc_camera_stream_start(uvc, &p, &callback);
    }

    QTemporaryDir sysfs;
    tcfake::FakeV4l2 fake{sysfs.path().toStdString()};
    tcfake::CountingSystemCalls calls{fake};
    const tcfake::SystemCallsSeam seam{calls};
    tcuvc_handle_t* uvc = nullptr;
    tccmd_handle_t* cmd = nullptr;
    tcuvc_device_entry_t entries[TCUVC_MAX_DEVICES];
};

TEST_F(V4l2Backend, ListsTheCaptureNodesOfUsbCamerasAfterTheVirtualCameras)
{
    tcsim::setRegistryText("Vesk_R_M serial=VIRT1\n");
    fake.plug(tcfake::FakeCamera::parse("video2 vid=0bda pid=5830 product=USB_Camera"));
    fake.plug(tcfake::FakeCamera::parse("video0 vid=046d pid=0825 product=Webcam_C270"));
    ASSERT_EQ(list(), 3) << "two capture nodes; their metadata nodes are left out";
    EXPECT_EQ(entries[0].product_id, 0x5840u) << "the virtual camera first";
    EXPECT_EQ(entries[1].vendor_id, 0x046Du) << "then the nodes in number order";
    EXPECT_EQ(entries[1].product_id, 0x0825u);
    EXPECT_STREQ(entries[1].name, "Webcam C270");
    EXPECT_EQ(entries[2].vendor_id, 0x0BDAu);
    EXPECT_EQ(entries[2].product_id, 0x5830u);
    EXPECT_STREQ(entries[2].name, "USB Camera");
    char node[64] = {};
    ASSERT_EQ(tcuvc_camera_node(uvc, &entries[2], 0, node, sizeof node), 0);
    EXPECT_STREQ(node, "/dev/video2");
    EXPECT_EQ(tcuvc_camera_node(uvc, &entries[0], 0, node, sizeof node), TCUVC_ERROR_NOT_SUPPORTED);

    fake.unplug("video0");
    ASSERT_EQ(list(), 2);
    EXPECT_EQ(entries[1].product_id, 0x5830u);
}

TEST_F(V4l2Backend, NodesAreAskedWhatTheyAreOncePerPlug)
{
    const tcfake::FakeCamera camera = tcfake::FakeCamera::parse("video0");
    fake.plug(camera);
    ASSERT_EQ(list(), 1);
    const int opens = calls.opens;
    ASSERT_EQ(list(), 1);
    EXPECT_EQ(calls.opens, opens) << "known nodes are not opened again, which could wake the camera";
    fake.unplug("video0");
    fake.plug(camera);
    ASSERT_EQ(list(), 1);
    EXPECT_EQ(calls.opens, opens + 2) << "plugged in again: its capture and metadata nodes are asked anew";
}

TEST_F(V4l2Backend, TellsEveryFormatAndSizeWithItsHighestRateInTheEntryLayout)
{
    fake.plug(tcfake::FakeCamera::parse("video0 width=256 height=192 fps=25"));
    ASSERT_EQ(list(), 1);
    uint8_t info[TCUVC_INFO_BYTES];
    std::memset(info, 0xAB, sizeof info);
    ASSERT_EQ(tcuvc_camera_info_get(uvc, &entries[0], info), 2);
    struct Entry
    {
        uint64_t format;
        uint32_t width, height, fps;
    };
    auto entryAt = [&](int i) {
        Entry e{};
        const uint8_t* at = info + i * TCUVC_STREAM_ENTRY_BYTES;
        std::memcpy(&e.format, at, 8);
        std::memcpy(&e.width, at + 8, 4);
        std::memcpy(&e.height, at + 12, 4);
        std::memcpy(&e.fps, at + 20, 4);
        return e;
    };
    EXPECT_EQ(entryAt(0).format, uint64_t(TCUVC_FORMAT_YUYV));
    EXPECT_EQ(entryAt(0).width, 256u);
    EXPECT_EQ(entryAt(0).height, 384u);
    EXPECT_EQ(entryAt(0).fps, 25u);
    EXPECT_EQ(entryAt(1).height, 192u);
    EXPECT_EQ(info[16], 0) << "the rest of an entry is zero";
    EXPECT_EQ(info[2 * TCUVC_STREAM_ENTRY_BYTES], 0) << "and so is the buffer after the entries";

    fake.plug(tcfake::FakeCamera::parse("video4 layout=y16 width=384 height=288 pid=5840"));
    ASSERT_EQ(list(), 2);
    ASSERT_EQ(tcuvc_camera_info_get(uvc, &entries[1], info), 2);
    EXPECT_EQ(entryAt(0).format, uint64_t(TCUVC_FORMAT_Y16));
    EXPECT_EQ(entryAt(0).width, 384u);
    EXPECT_EQ(entryAt(0).height, 288u);
}

TEST_F(V4l2Backend, StreamsInFrameTemperaturesOnItsOwnThreadAndStopsCleanly)
{
    const tcfake::FakeCamera camera = tcfake::FakeCamera::parse("video0 width=256 height=192 fps=50");
    fake.plug(camera);
    ASSERT_EQ(list(), 1);
    ASSERT_EQ(tcuvc_camera_open_same(uvc, &entries[0], 0), 0);
    EXPECT_EQ(tcuvc_camera_attached(uvc), 1);
    Frames frames;
    const tcuvc_stream_params_t p = params(0, 256, 384);
    ASSERT_EQ(p.format, uint64_t(TCUVC_FORMAT_YUYV));
    ASSERT_EQ(start(p, frames), 0);
    ASSERT_TRUE(frames.waitFor(3));
    {
        std::lock_guard<std::mutex> lock(frames.mutex);
        const auto* words = reinterpret_cast<const uint16_t*>(frames.newest.data());
        int hotX = 0, hotY = 0;
        const uint16_t hottest = tcfake::hottestWord(camera, &hotX, &hotY);
        EXPECT_EQ(words[(192 + hotY) * 256 + hotX], hottest);
        EXPECT_EQ(words[(192 + 5) * 256 + 7], tcfake::temperatureWord(camera, 7, 5));
    }
    EXPECT_EQ(tcuvc_camera_stream_start(uvc, &p, nullptr), -1);
    const auto before = Clock::now();
    ASSERT_EQ(tcuvc_camera_stream_close(uvc, 0), 0);
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(5)) << "the stream thread is not left hanging";
    {
        std::lock_guard<std::mutex> lock(frames.mutex);
        frames.closed = true;
    }
    EXPECT_EQ(fake.mappedBuffers(), 0);
    // Streams again on the same open device, then closes with its stream running.
    Frames again;
    ASSERT_EQ(start(p, again), 0);
    ASSERT_TRUE(again.waitFor(1));
    ASSERT_EQ(tcuvc_camera_close(uvc), 0);
    EXPECT_EQ(tcuvc_camera_attached(uvc), -1) << "nothing open";
    std::lock_guard<std::mutex> lock(frames.mutex);
    EXPECT_FALSE(frames.afterClose) << "no frame after stream_close returned";
}

// A frame function that tries to end its own stream: each attempt is refused and changes
// nothing, until a close from another thread, made while the function keeps trying.
struct SelfClosing
{
    tcuvc_handle_t* uvc = nullptr;
    std::mutex mutex;
    std::condition_variable tried;
    int attempts = 0;
    std::vector<int> results;

    static void onFrame(void*, void* user)
    {
        auto* self = static_cast<SelfClosing*>(user);
        const int streamClose = tcuvc_camera_stream_close(self->uvc, 0);
        const int close = tcuvc_camera_close(self->uvc);
        tcuvc_delete_handle(self->uvc);
        const int attached = tcuvc_camera_attached(self->uvc);
        std::lock_guard<std::mutex> lock(self->mutex);
        ++self->attempts;
        for (int result : {streamClose, close, attached})
            self->results.push_back(result);
        self->tried.notify_all();
    }
};

TEST_F(V4l2Backend, TheFrameFunctionCannotCloseItsOwnStreamButAnotherThreadCan)
{
    fake.plug(tcfake::FakeCamera::parse("video0 width=160 height=120 fps=200"));
    ASSERT_EQ(list(), 1);
    ASSERT_EQ(tcuvc_camera_open_same(uvc, &entries[0], 0), 0);
    SelfClosing self;
    self.uvc = uvc;
    const tcuvc_stream_params_t p = params(0, 160, 240);
    const tcuvc_callback_t callback{uvc, &SelfClosing::onFrame, &self};
    ASSERT_EQ(tcuvc_camera_stream_start(uvc, &p, &callback), 0);
    {
        std::unique_lock<std::mutex> lock(self.mutex);
        ASSERT_TRUE(self.tried.wait_for(lock, std::chrono::seconds(5), [&] { return self.attempts >= 3; }));
    }
    EXPECT_EQ(tcuvc_camera_attached(uvc), 1) << "the handle and its camera survive the attempts";
    ASSERT_EQ(tcuvc_camera_stream_close(uvc, 0), 0) << "joins a thread that is trying to stop itself";
    ASSERT_EQ(tcuvc_camera_close(uvc), 0);
    std::lock_guard<std::mutex> lock(self.mutex);
    for (size_t i = 0; i < self.results.size(); i += 3) {
        // Once the other thread has begun to stop the stream, the handle no longer streams.
        if (i < 9)
            EXPECT_EQ(self.results[i], TCUVC_ERROR_BUSY) << "stream_close from the frame function";
        else
            EXPECT_TRUE(self.results[i] == TCUVC_ERROR_BUSY || self.results[i] == -2) << self.results[i];
        EXPECT_EQ(self.results[i + 1], TCUVC_ERROR_BUSY) << "close from the frame function";
        EXPECT_EQ(self.results[i + 2], 1) << "still open and streaming after delete_handle";
    }
}

TEST_F(V4l2Backend, RefusesAStreamTheDeviceDoesNotOffer)
{
    fake.plug(tcfake::FakeCamera::parse("video0 width=160 height=120"));
    ASSERT_EQ(list(), 1);
    ASSERT_EQ(tcuvc_camera_open_same(uvc, &entries[0], 0), 0);
    EXPECT_EQ(tcuvc_camera_open_same(uvc, &entries[0], 0), -3) << "one device per handle";
    tcuvc_stream_params_t p = params(0, 160, 240);
    Frames frames;
    tcuvc_stream_params_t wrong = p;
    wrong.width = 320;
    wrong.frame_bytes = 320 * 240 * 2;
    EXPECT_EQ(start(wrong, frames), TCUVC_ERROR_INVALID);
    wrong = p;
    wrong.format = TCUVC_FORMAT_Y16;
    EXPECT_EQ(start(wrong, frames), TCUVC_ERROR_INVALID);
    wrong = p;
    wrong.frame_bytes = 7;
    EXPECT_EQ(start(wrong, frames), TCUVC_ERROR_INVALID);
    EXPECT_EQ(tcuvc_camera_stream_close(uvc, 0), -2) << "nothing streams";
    ASSERT_EQ(start(p, frames), 0) << "a refused stream leaves the device usable";
    EXPECT_TRUE(frames.waitFor(1));
    EXPECT_EQ(tcuvc_camera_open_same(uvc, &entries[0], 1), -2) << "no second such device";
}

TEST_F(V4l2Backend, ADeviceThatVanishesMidStreamEndsItsStreamAndIsNoLongerAttached)
{
    fake.plug(tcfake::FakeCamera::parse("video0 width=160 height=120 fps=100 vanish=5"));
    ASSERT_EQ(list(), 1);
    ASSERT_EQ(tcuvc_camera_open_same(uvc, &entries[0], 0), 0);
    Frames frames;
    ASSERT_EQ(start(params(0, 160, 240), frames), 0);
    ASSERT_TRUE(frames.waitFor(5));
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (tcuvc_camera_attached(uvc) != 0 && Clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_EQ(tcuvc_camera_attached(uvc), 0);
    {
        std::lock_guard<std::mutex> lock(frames.mutex);
        EXPECT_EQ(frames.count, 5);
    }
    EXPECT_EQ(list(), 0);

    // The same camera plugged in again is another device: the open one stays gone.
    fake.plug(tcfake::FakeCamera::parse("video0 width=160 height=120 fps=100"));
    ASSERT_EQ(list(), 1);
    EXPECT_EQ(tcuvc_camera_attached(uvc), 0);
    EXPECT_EQ(tcuvc_camera_stream_close(uvc, 0), 0);
    EXPECT_EQ(tcuvc_camera_close(uvc), 0);
    ASSERT_EQ(tcuvc_camera_open_same(uvc, &entries[0], 0), 0);
    EXPECT_EQ(tcuvc_camera_attached(uvc), 1);
}

TEST_F(V4l2Backend, AStreamThatFailsForGoodMakesTheDeviceUnusableInsteadOfFallingSilent)
{
    // A poll that fails, and a queue whose every buffer the driver refuses back.
    for (const char* failure : {"pollfail=4", "qbuffail=4"}) {
        SCOPED_TRACE(failure);
        fake.plug(tcfake::FakeCamera::parse(std::string("video0 width=160 height=120 fps=200 ") + failure));
        ASSERT_EQ(list(), 1);
        ASSERT_EQ(tcuvc_camera_open_same(uvc, &entries[0], 0), 0);
        Frames frames;
        const tcuvc_stream_params_t p = params(0, 160, 240);
        ASSERT_EQ(start(p, frames), 0);
        ASSERT_TRUE(frames.waitFor(4));
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (tcuvc_camera_attached(uvc) != 0 && Clock::now() < deadline)
            std::this_thread::yield();
        EXPECT_EQ(tcuvc_camera_attached(uvc), 0) << "the stream has ended: the device says so";
        EXPECT_EQ(list(), 1) << "still plugged in";
        EXPECT_EQ(tcuvc_camera_stream_close(uvc, 0), 0);
        EXPECT_EQ(start(p, frames), TCUVC_ERROR_IO) << "no new stream on a failed device";
        EXPECT_EQ(tcuvc_camera_close(uvc), 0);
        fake.unplug("video0");
    }
}

TEST_F(V4l2Backend, ANodeThatRefusesTheUserIsListedAndItsOpenSaysSo)
{
    fake.plug(tcfake::FakeCamera::parse("video6 access=denied"));
    ASSERT_EQ(list(), 1) << "the capture node, told apart from its metadata node by sysfs";
    uint8_t info[TCUVC_INFO_BYTES] = {};
    EXPECT_EQ(tcuvc_camera_info_get(uvc, &entries[0], info), TCUVC_ERROR_ACCESS);
    EXPECT_EQ(tcuvc_camera_open_same(uvc, &entries[0], 0), TCUVC_ERROR_ACCESS);
    char node[16] = {};
    ASSERT_EQ(tcuvc_camera_node(uvc, &entries[0], 0, node, sizeof node), 0);
    EXPECT_STREQ(node, "/dev/video6");
    EXPECT_EQ(tcuvc_camera_attached(uvc), -1);
}

TEST_F(V4l2Backend, CommandsThatNeedTheVendorsExtensionUnitAreNotSupportedAtOnce)
{
    fake.plug(tcfake::FakeCamera::parse("video0 serial=SN-77"));
    ASSERT_EQ(list(), 1);
    uint8_t buffer[64] = {};
    EXPECT_EQ(get_device_info(cmd, 7, buffer), -1) << "nothing open yet";
    ASSERT_EQ(tcuvc_camera_open_same(uvc, &entries[0], 0), 0);
    ASSERT_EQ(get_device_info(cmd, 7, buffer), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "SN-77");
    ASSERT_EQ(get_device_info(cmd, 1, buffer), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "USB Camera");

    const int ioctlsBefore = calls.ioctls;
    uint16_t value = 0;
    uint8_t flash[16] = {};
    EXPECT_EQ(get_device_info(cmd, 3, buffer), TCUVC_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(set_prop_tpd_params(cmd, 5, 1), TCUVC_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(get_prop_tpd_params(cmd, 5, &value), TCUVC_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(set_prop_auto_shutter_params(cmd, 0, 1), TCUVC_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(get_prop_auto_shutter_params(cmd, 2, &value), TCUVC_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(spi_config_save(cmd, 12), TCUVC_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(spi_read(cmd, 0, sizeof flash, flash), TCUVC_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(ooc_b_update(cmd, 0), TCUVC_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(y16_preview_start(cmd, 0, 5), TCUVC_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(cur_vtemp_get(cmd, &value), TCUVC_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(calls.ioctls, ioctlsBefore) << "answered without asking the device";
}

} // namespace
