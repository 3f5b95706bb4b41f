#include "libtcuvc.h"
#include "sdk/virtual/registry.h"
#include "videoinput.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(Registry, ParsesNamesOptionsAndSkipsWhatItCannotUse)
{
    const auto devices = tcsim::parseRegistry("# bench setup\n"
                                              "\n"
                                              "Vesk_R_M serial=ABC123 fps=50 scene=compare ambient=22.5\n"
                                              "NoSuchCamera serial=X\n"
                                              "Bifold\n"
                                              "VeskL fps=900 scene=lava netd=0.1 bogus  # two bad options\n"
                                              "Vesk_R_S pid=0x5830 vid=0x1234\n"
                                              "K7-22 z8r=1\n"
                                              "LumoQ\n");
    ASSERT_EQ(devices.size(), 7u);
    EXPECT_EQ(devices[0].cameraName, "Vesk_R_M");
    EXPECT_EQ(devices[0].kind, 3);
    EXPECT_EQ(devices[0].product, "Orvik");
    EXPECT_EQ(devices[0].serial, "ABC123");
    EXPECT_EQ(devices[0].fps, 50);
    EXPECT_EQ(devices[0].scene, "compare");
    EXPECT_DOUBLE_EQ(devices[0].ambient, 22.5);

    // A dual-light camera is two devices with one serial number: its infrared module and its
    // visible camera, each its own identity.
    const tcsim::DeviceSpec& infrared = devices[1];
    const tcsim::DeviceSpec& visible = devices[2];
    EXPECT_EQ(infrared.kind, 5);
    EXPECT_FALSE(infrared.visiblePart);
    EXPECT_EQ(infrared.vendorId, 0x0BDAu);
    EXPECT_EQ(infrared.productId, 0x5830u);
    EXPECT_EQ(infrared.uvcName, "USB Camera");
    EXPECT_EQ(infrared.width() * 1000 + infrared.height(), 256192);
    EXPECT_TRUE(visible.visiblePart);
    EXPECT_EQ(visible.vendorId, 0x1BCFu);
    EXPECT_EQ(visible.productId, 0x28C4u);
    EXPECT_EQ(visible.width() * 1000 + visible.height(), 800600);
    EXPECT_EQ(visible.serial, infrared.serial);
    EXPECT_NE(visible.key(), infrared.key());

    EXPECT_EQ(devices[3].cameraName, "VeskL");
    EXPECT_EQ(devices[3].kind, 2);
    EXPECT_EQ(devices[3].width(), 384);
    EXPECT_EQ(devices[3].fps, 25) << "an out-of-range option keeps the default";
    EXPECT_EQ(devices[3].scene, "board");
    EXPECT_DOUBLE_EQ(devices[3].netd, 0.1);

    EXPECT_EQ(devices[4].kind, 4);
    EXPECT_EQ(devices[4].productId, 0x5830u);
    EXPECT_EQ(devices[4].vendorId, 0x1234u);
    EXPECT_EQ(devices[4].height(), 120);
    EXPECT_EQ(devices[5].kind, 1);
    EXPECT_TRUE(devices[5].z8r);
    EXPECT_EQ(devices[6].product, "Veltrace") << "a camera only another product line has";

    // Default serials are letters and digits only, and differ by line.
    for (const auto& d : devices)
        for (char c : d.serial)
            EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << d.serial;
    EXPECT_NE(devices[5].serial, devices[6].serial);
}

TEST(Registry, FileLinesPlugAndUnplugCamerasForTheDeviceLists)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/devices.txt";
    ::setenv("TCSIM_DEVICES", path.toLocal8Bit().constData(), 1);
    auto write = [&](const char* text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    tcuvc_handle_t* uvc = tcuvc_create_handle();
    ASSERT_EQ(tcuvc_camera_init(uvc), 0);
    tcuvc_device_entry_t list[TCUVC_MAX_DEVICES] = {};
    vi_device_info_t video[4] = {};

    EXPECT_EQ(tcuvc_camera_list(uvc, list), 0) << "no file yet";
    write("Vesk_R_M serial=PLUG1\nK7-22 serial=K7A\n");
    EXPECT_EQ(tcuvc_camera_list(uvc, list), 1);
    EXPECT_EQ(vi_list_devices(video, 4), 1);
    write("Vesk_R_M serial=PLUG1\nLumo serial=PLUG2\n");
    EXPECT_EQ(tcuvc_camera_list(uvc, list), 2);
    EXPECT_EQ(vi_list_devices(video, 4), 0);
    write("garbage here\n\x01\x02\n");
    EXPECT_EQ(tcuvc_camera_list(uvc, list), 0);
    ::unsetenv("TCSIM_DEVICES");
    tcuvc_delete_handle(uvc);
}

} // namespace
