#include "capture/videodevice.h"
#include "libtccmd.h"
#include "pipeline/devicemodel.h"
#include "pipeline/k7frame.h"
#include "sdk/v4l2fake/fakev4l2.h"
#include "sdk/v4l2fake/systemcallsseam.h"
#include "sdk/virtual/registry.h"
#include "sdk/virtual/tcsim.h"
#include "tests/support/appdirenvironment.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

namespace {

const auto* environment = AppDirEnvironment::install();

constexpr int kRowK722 = 10, kRowVeskRM = 15, kRowVeskRS = 14;

class VideoDeviceTest : public ::testing::Test
{
protected:
    void TearDown() override { tcsim::clearRegistryText(); }
    VideoDevice device{[this](const uint8_t*, int) { ++frames; }};
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

TEST_F(VideoDeviceTest, TheHalvesCameraOpensWithoutPreviewAndGivesFramesOfTheImageSize)
{
    tcsim::setRegistryText("Vesk_R_S serial=HALVES fps=100\n");
    ASSERT_TRUE(device.isPresent(kRowVeskRS));
    ASSERT_TRUE(device.openCamera());
    ASSERT_TRUE(QTest::qWaitFor([&] { return frames > 2; }, 3000));
    ASSERT_TRUE(device.acceptsFrame(nullptr, 0));
    Frame frame;
    ASSERT_TRUE(device.extractFrame(nullptr, frame));
    EXPECT_EQ(frame.width, 160);
    EXPECT_EQ(frame.height, 120);
    EXPECT_EQ(device.openKind(), Uvc160);
    device.closeCamera();
    EXPECT_FALSE(device.acceptsFrame(nullptr, 0)) << "closed: frames are dropped";
}

TEST_F(VideoDeviceTest, PresenceFollowsTheOpenedCameraNotATwinOfItsKind)
{
    tcsim::setRegistryText("Vesk_R_M serial=USED\nVesk_R_M serial=TWIN\n");
    ASSERT_TRUE(device.isPresent(kRowVeskRM));
    ASSERT_TRUE(device.openCamera());
    EXPECT_TRUE(device.isPresent(kRowVeskRM));
    tcsim::setRegistryText("Vesk_R_M serial=TWIN\n");
    EXPECT_FALSE(device.isPresent(kRowVeskRM)) << "the used one is gone, its twin does not stand in";
    tcsim::setRegistryText("Vesk_R_M serial=OTHER\n"); // swapped in one change
    EXPECT_FALSE(device.isPresent(kRowVeskRM));
    device.closeCamera();
    EXPECT_TRUE(device.isPresent(kRowVeskRM)) << "closed: any camera of the row will do";
}

TEST_F(VideoDeviceTest, AnOpenK722IsPresentWhileItsOwnDeviceIsListed)
{
    tcsim::setRegistryText("K7-22 serial=K7USED\nK7-22 serial=K7TWIN\n");
    device.setExpectedName("K7-22");
    ASSERT_TRUE(device.isPresent(kRowK722));
    ASSERT_TRUE(device.openCamera());
    EXPECT_TRUE(device.isPresent(kRowK722));
    tcsim::setRegistryText("K7-22 serial=K7TWIN\n");
    EXPECT_FALSE(device.isPresent(kRowK722));
    device.closeCamera();
}

TEST_F(VideoDeviceTest, K722SamplesShorterThanAFrameAreRefusedBeforeAnythingReadsThem)
{
    tcsim::setRegistryText("K7-22 serial=K7SHORT\n");
    device.setExpectedName("K7-22");
    ASSERT_TRUE(device.isPresent(kRowK722));
    ASSERT_TRUE(device.openCamera());
    // A heap block of exactly the short length, so AddressSanitizer sees any read past it.
    std::vector<uint8_t> whole(K7Frame::kBytes, 0);
    std::unique_ptr<uint8_t[]> shortSample(new uint8_t[1024]());
    EXPECT_FALSE(device.acceptsFrame(shortSample.get(), 1024));
    EXPECT_FALSE(device.acceptsFrame(nullptr, K7Frame::kBytes));
    EXPECT_TRUE(device.acceptsFrame(whole.data(), K7Frame::kBytes));
    device.closeCamera();
}

TEST_F(VideoDeviceTest, SensorParametersAreRoundedToTheCamerasStep)
{
    tcsim::setRegistryText("Vesk_R_M serial=ROUND\n");
    ASSERT_TRUE(device.isPresent(kRowVeskRM));
    ASSERT_TRUE(device.openCamera());
    device.updateSensorParameters(SensorCorrection{0.95f, 24.6f, 25.0f, 0.5f, 1.0f, 0.0f}, 1.0f);
    uint16_t emissivity = 0, ambient = 0, reflected = 0;
    get_prop_tpd_params(device.commandHandle(), 3, &emissivity);
    get_prop_tpd_params(device.commandHandle(), 2, &ambient);
    get_prop_tpd_params(device.commandHandle(), 1, &reflected);
    EXPECT_EQ(emissivity, 122) << "0.95 * 128 = 121.6";
    EXPECT_EQ(ambient, 298) << "298.15";
    EXPECT_EQ(reflected, 298) << "297.75";
    device.closeCamera();
}

} // namespace

// Real cameras through the V4L2 back-end, the fake camera in place of the kernel.
class RealCameraTest : public VideoDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sysfs.isValid());
        tcsim::setRegistryText("");
    }
    void TearDown() override
    {
        device.closeCamera();
        VideoDeviceTest::TearDown();
    }
    QTemporaryDir sysfs;
    tcfake::FakeV4l2 fake{sysfs.path().toStdString()};
    const tcfake::SystemCallsSeam seam{fake};
};

constexpr int kRowInFrame256 = 22;

TEST_F(RealCameraTest, AnInFrameCameraStreamsItsOwnSizeWithTheTemperaturesItSends)
{
    const tcfake::FakeCamera camera = tcfake::FakeCamera::parse("video0 width=256 height=192 fps=50");
    fake.plug(camera);
    ASSERT_EQ(deviceModelTable()[kRowInFrame256].width, 256);
    ASSERT_TRUE(device.isPresent(kRowInFrame256));
    ASSERT_TRUE(device.openCamera());
    EXPECT_EQ(device.openRefusal(), VideoDevice::Refusal::None);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frames > 2; }, 3000));
    Frame frame;
    ASSERT_TRUE(device.extractFrame(nullptr, frame));
    ASSERT_EQ(frame.width, 256);
    ASSERT_EQ(frame.height, 192);
    int hotX = 0, hotY = 0;
    const uint16_t hottest = tcfake::hottestWord(camera, &hotX, &hotY);
    EXPECT_NEAR(frame.maxTemp, hottest / 64.0 - 273.15, 0.01);
    EXPECT_EQ(frame.maxX, hotX);
    EXPECT_EQ(frame.maxY, hotY);
    EXPECT_NEAR(frame.temperatures[10 * 256 + 30], tcfake::temperatureWord(camera, 30, 10) / 64.0 - 273.15,
                0.01);
    EXPECT_EQ(device.readSerial(nullptr), QByteArray("FAKE0001")) << "the USB serial number";

    // Pulled out while streaming: no longer present, and closes cleanly.
    fake.unplug("video0");
    EXPECT_FALSE(device.isPresent(kRowInFrame256));
    EXPECT_TRUE(device.closeCamera());
    EXPECT_EQ(fake.openDescriptors(), 0);
    EXPECT_EQ(fake.mappedBuffers(), 0);
}

TEST_F(RealCameraTest, ACameraOpensAndClosesWhateverItsProductName)
{
    fake.plug(tcfake::FakeCamera::parse("video0 width=256 height=192 fps=50 product=Thermal_Camera"));
    ASSERT_TRUE(device.isPresent(kRowInFrame256));
    ASSERT_TRUE(device.openCamera());
    EXPECT_EQ(device.openRefusal(), VideoDevice::Refusal::None);
    EXPECT_TRUE(device.isUvc());
    ASSERT_TRUE(QTest::qWaitFor([&] { return frames > 2; }, 3000));
    EXPECT_TRUE(device.closeCamera());
    EXPECT_EQ(fake.openDescriptors(), 0) << "closed through its own back-end";
    EXPECT_EQ(fake.mappedBuffers(), 0);

    fake.unplug("video0");
    tcsim::setRegistryText("Vesk_R_M serial=NAMED name=Other\n");
    ASSERT_TRUE(device.isPresent(kRowVeskRM));
    EXPECT_FALSE(device.openCamera()) << "a virtual camera is the module only under the module's name";
}

TEST_F(RealCameraTest, CamerasThatCannotBeUsedAsTheyAreAreRefusedWithTheReason)
{
    fake.plug(tcfake::FakeCamera::parse("video3 width=256 height=192 access=denied"));
    ASSERT_TRUE(device.isPresent(kRowInFrame256));
    EXPECT_FALSE(device.openCamera());
    EXPECT_EQ(device.openRefusal(), VideoDevice::Refusal::AccessDenied);
    EXPECT_EQ(device.refusedDevice(), "/dev/video3");
    fake.unplug("video3");

    fake.plug(tcfake::FakeCamera::parse("video3 width=160 height=120"));
    ASSERT_TRUE(device.isPresent(kRowInFrame256));
    EXPECT_FALSE(device.openCamera()) << "the row's 256 x 192 picture is not offered";
    EXPECT_EQ(device.openRefusal(), VideoDevice::Refusal::NoStream);
    fake.unplug("video3");

    // A Y16 camera's counts need its calibration tables, which only its extension unit reads.
    fake.plug(tcfake::FakeCamera::parse("video5 layout=y16 width=256 height=192 pid=5840"));
    ASSERT_TRUE(device.isPresent(kRowVeskRM));
    EXPECT_FALSE(device.openCamera());
    EXPECT_EQ(device.openRefusal(), VideoDevice::Refusal::NoCalibration);
    EXPECT_EQ(device.refusedDevice(), "/dev/video5");
    EXPECT_EQ(fake.openDescriptors(), 0) << "a refused camera is closed again";

    // The virtual cameras carry their tables: refused no longer.
    tcsim::setRegistryText("Vesk_R_M serial=TABLES\n");
    ASSERT_TRUE(device.isPresent(kRowVeskRM));
    EXPECT_TRUE(device.openCamera());
    EXPECT_EQ(device.openRefusal(), VideoDevice::Refusal::None);
}
