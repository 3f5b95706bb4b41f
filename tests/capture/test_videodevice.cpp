#include "appdirenvironment.h"
#include "libtccmd.h"
#include "registry.h"
#include "tcsim.h"
#include "videodevice.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>

namespace {

const auto* environment = AppDirEnvironment::install();

constexpr int kRowK722 = 10, kRowVeskRM = 15, kRowVeskRS = 14;

class VideoDeviceTest : public ::testing::Test
{
protected:
    void TearDown() override { tcsim::clearRegistryText(); }
    VideoDevice device{[this](unsigned char*, int, VideoDevice*) { ++frames; }};
    std::atomic<int> frames{0};
};

TEST_F(VideoDeviceTest, UvcFilterAcceptsTheDesignedIds)
{
    tcsim::setRegistryText("Vesk_R_M pid=0x5840 vid=0x1111\n");
    EXPECT_FALSE(device.isPresent(kRowVeskRM)) << "0x5840 only with vendor 0x0BDA";
    tcsim::setRegistryText("Vesk_R_M pid=0x5830 vid=0x1111\n");
    EXPECT_TRUE(device.isPresent(kRowVeskRM)) << "0x5830 with any vendor";
    tcsim::setRegistryText("Vesk_R_M pid=0x1234\n");
    EXPECT_FALSE(device.isPresent(kRowVeskRM));
}

TEST_F(VideoDeviceTest, AK722ListedAsZ8RIsFoundAndAStaleUvcNameDoesNotHideIt)
{
    tcsim::setRegistryText("Vesk_R_M serial=FIRST\n");
    ASSERT_TRUE(device.isPresent(kRowVeskRM)); // found, never opened
    tcsim::setRegistryText("K7-22 z8r=1 serial=K7Z8R\n");
    device.setExpectedName("K7-22");
    EXPECT_TRUE(device.isPresent(kRowK722));
    EXPECT_TRUE(device.isK722());
    device.setExpectedName("Lumo");
    EXPECT_FALSE(device.isPresent(kRowK722)) << "only when the K7-22 is the camera expected";
}

TEST_F(VideoDeviceTest, Y16OpenRetriesThePreviewAndReopensWithFreshHandles)
{
    tcsim::setRegistryText("Vesk_R_M serial=REOPEN fps=100 preview_fail=1\n");
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(device.isPresent(kRowVeskRM));
        ASSERT_TRUE(device.openCamera()) << round;
        const int before = frames;
        EXPECT_TRUE(QTest::qWaitFor([&] { return frames > before + 3; }, 3000)) << "frames flow, round " << round;
        EXPECT_TRUE(device.closeCamera());
        EXPECT_FALSE(device.isUvc());
    }
}

TEST_F(VideoDeviceTest, AutoShutterLimitIsLoweredAndSavedOnlyFromTen)
{
    tcsim::setRegistryText("Vesk_R_M serial=SHUTTER\n");
    ASSERT_TRUE(device.isPresent(kRowVeskRM));
    ASSERT_TRUE(device.openCamera());
    uint16_t limit = 0;
    device.setAutoShutter(1);
    get_prop_auto_shutter_params(device.commandHandle(), 2, &limit);
    EXPECT_EQ(limit, 1) << "15 minutes at most became 1";
    set_prop_auto_shutter_params(device.commandHandle(), 2, 5);
    device.setAutoShutter(1);
    get_prop_auto_shutter_params(device.commandHandle(), 2, &limit);
    EXPECT_EQ(limit, 5) << "below 10 nothing further changes";
    device.closeCamera();
    // What was saved survives the close: 1, not the unsaved 5.
    ASSERT_TRUE(device.isPresent(kRowVeskRM));
    ASSERT_TRUE(device.openCamera());
    get_prop_auto_shutter_params(device.commandHandle(), 2, &limit);
    EXPECT_EQ(limit, 1);
}

TEST_F(VideoDeviceTest, TheHalvesCameraOpensWithoutPreviewAndReportsStreamCounts)
{
    tcsim::setRegistryText("Vesk_R_S serial=HALVES fps=100\n");
    ASSERT_TRUE(device.isPresent(kRowVeskRS));
    ASSERT_TRUE(device.openCamera());
    ASSERT_TRUE(QTest::qWaitFor([&] { return frames > 2; }, 3000));
    int temperatures = 0, bytes = 0;
    ASSERT_TRUE(device.frameSizes(nullptr, 0, temperatures, bytes));
    EXPECT_EQ(temperatures, 160 * 240);
    EXPECT_EQ(bytes, 160 * 240);
    EXPECT_EQ(device.openKind(), Uvc160);
    device.closeCamera();
    EXPECT_FALSE(device.frameSizes(nullptr, 0, temperatures, bytes)) << "closed: frames are dropped";
}

} // namespace
