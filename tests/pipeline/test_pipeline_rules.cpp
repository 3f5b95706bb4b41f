#include "capture/tcal_module.h"
#include "core/configmanager.h"
#include "pipeline/frame.h"
#include "pipeline/uvcpipeline.h"
#include "sdk/virtual/tcsim.h"
#include "tests/support/appdirenvironment.h"
#include "tests/support/virtualcamera.h"

#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

const auto* environment = AppDirEnvironment::install();

std::vector<uint16_t> uniformGrid(int16_t value)
{
    std::vector<uint16_t> table(1201, uint16_t(value));
    table[0] = (40 << 8) | 30;
    return table;
}

std::vector<uint16_t> rampNuc(int start)
{
    std::vector<uint16_t> table(8192);
    for (int i = 0; i < 8192; ++i)
        table[i] = uint16_t(start + i);
    return table;
}

// Two table sets that read a flat frame of 6000 counts the same (7000 in kelvin * 16, less
// half the small housing drift), while a frame corrected with kt/bt of one set and NUC of
// the other reads 1000 off: set A has no offset and NUC 4000 + c/2, set B an offset of 2000
// and NUC 5000 + c/2.
TEST(RangeChange, NoFrameMixesTableSets)
{
    OpenVirtualCamera camera("Vesk_R_M serial=MIX\n");
    ASSERT_TRUE(camera.ok());
    ASSERT_TRUE(TcalModule::bindTableFiles(camera.command()));
    CalibrationTables a = TcalModule::load(camera.command(), Uvc256, false);
    CalibrationTables b = a;
    a.kt = b.kt = uniformGrid(4096);
    a.bt = uniformGrid(0);
    b.bt = uniformGrid(2000);
    a.nuc = rampNuc(4000);
    b.nuc = rampNuc(5000);

    UvcPipeline pipeline;
    ASSERT_TRUE(pipeline.open(Uvc256, 256, 192, camera.command(), a));
    const std::vector<uint16_t> flat(256 * 192, uint16_t(6000 << 2));
    std::atomic<bool> done{false};
    std::atomic<int> swaps{0}, processed{0};
    // One swap per frame, landing wherever the next frame happens to be in its chain.
    std::thread switcher([&] {
        int seen = 0;
        while (!done) {
            if (processed.load() == seen) {
                std::this_thread::yield();
                continue;
            }
            seen = processed.load();
            pipeline.replaceTables(swaps % 2 ? a : b);
            ++swaps;
        }
    });
    // Until a few hundred swaps have landed: a frame may take less time than a swap.
    int mixed = 0;
    for (int frame = 0; frame < 20000 && swaps.load() <= 200; ++frame) {
        ASSERT_TRUE(pipeline.processFrame(reinterpret_cast<const uint8_t*>(flat.data())));
        const uint16_t* kelvin16 = pipeline.temperatureData();
        for (int i = 0; i < 256 * 192; i += 97)
            mixed += std::abs(int(kelvin16[i]) - 7000) > 20;
        ++processed;
    }
    done = true;
    switcher.join();
    EXPECT_GT(swaps.load(), 200) << "the ranges must really change while frames flow";
    EXPECT_EQ(mixed, 0);
}

TEST(SensorTemperature, ReadOnFramesZeroHundredTwoHundred)
{
    // A camera warming fast: each frame below is 40 s after the one before.
    OpenVirtualCamera camera("Vesk_R_M serial=VTEMP\n");
    ASSERT_TRUE(TcalModule::bindTableFiles(camera.command()));
    UvcPipeline pipeline;
    ASSERT_TRUE(pipeline.open(Uvc256, 256, 192, camera.command(), TcalModule::load(camera.command(), Uvc256, false)));
    std::vector<uint16_t> storedAt, cameraAt;
    for (int frame = 0; frame <= 201; ++frame) {
        const std::vector<uint16_t> raw = tcsim::renderFrame("VTEMP", int64_t(frame) * 1000);
        uint16_t now = 0;
        cur_vtemp_get(camera.command(), &now);
        ASSERT_TRUE(pipeline.processFrame(reinterpret_cast<const uint8_t*>(raw.data())));
        storedAt.push_back(IspContext::shared().sensorTemperatureWord());
        cameraAt.push_back(now);
    }
    EXPECT_EQ(pipeline.frameCounter(), 202);
    for (int frame : {0, 100, 200})
        EXPECT_EQ(storedAt[frame], cameraAt[frame]) << frame;
    EXPECT_EQ(storedAt[1], storedAt[0]);
    EXPECT_EQ(storedAt[99], storedAt[0]);
    EXPECT_EQ(storedAt[101], storedAt[100]);
    EXPECT_EQ(storedAt[201], storedAt[200]);
    EXPECT_NE(storedAt[100], storedAt[0]) << "the camera did warm up";
}

// Hot must look bright: the falling counts of the 256 x 192 sensor are turned round, the
// rising ones of the 384 x 288 sensor are not.
TEST(Picture, HotIsBrightForBothSensorDirections)
{
    for (const char* line : {"Vesk_R_M serial=BRIGHT3\n", "VeskL serial=BRIGHT2\n"}) {
        OpenVirtualCamera camera(line);
        const bool large = std::string(line).rfind("VeskL", 0) == 0;
        const DeviceKind kind = large ? Uvc384 : Uvc256;
        const FrameSize size = ispImageSize(kind);
        ASSERT_TRUE(TcalModule::bindTableFiles(camera.command()));
        UvcPipeline pipeline;
        ASSERT_TRUE(pipeline.open(kind, size.width, size.height, camera.command(),
                                  TcalModule::load(camera.command(), kind, false)));
        Frame result;
        const std::vector<uint16_t> raw = tcsim::renderFrame(large ? "BRIGHT2" : "BRIGHT3", 0);
        ASSERT_TRUE(pipeline.processFrame(reinterpret_cast<const uint8_t*>(raw.data())));
        ASSERT_TRUE(extractUvcFrame(pipeline, result));
        const int hottest = result.maxY * size.width + result.maxX;
        const int coldest = result.minY * size.width + result.minX;
        EXPECT_GT(int(result.image[hottest]), int(result.image[coldest]) + 100) << line;
    }
}

TEST(Pipeline, RefusesStreamsThatDoNotFitTheKind)
{
    OpenVirtualCamera camera("Vesk_R_M serial=FIT\n");
    UvcPipeline pipeline;
    EXPECT_FALSE(pipeline.open(Uvc256, 384, 288, camera.command(), {}));
    EXPECT_FALSE(pipeline.open(Uvc160, 160, 120, camera.command(), {})) << "needs both halves";
    EXPECT_FALSE(pipeline.open(DirectShowY16, 256, 196, camera.command(), {}));
    EXPECT_FALSE(pipeline.processFrame(nullptr));
    EXPECT_TRUE(pipeline.open(Uvc160, 160, 240, camera.command(), {}));
    EXPECT_FALSE(pipeline.processFrame(nullptr));
    pipeline.close();
    Frame nothing;
    EXPECT_FALSE(extractUvcFrame(pipeline, nothing)) << "a closed pipeline holds no frame";
}

// Frames are dropped from the start of a range switch until the given number of frames has
// arrived after its end.
TEST(RangeChange, FramesAcrossASwitchAreDropped)
{
    OpenVirtualCamera camera("Vesk_R_S serial=SETTLE\n");
    UvcPipeline pipeline;
    CalibrationTables tables;
    tables.highRange = false;
    ASSERT_TRUE(pipeline.open(Uvc160, 160, 240, camera.command(), tables));
    const std::vector<uint16_t> frame(160 * 240, 19000);
    const auto* bytes = reinterpret_cast<const uint8_t*>(frame.data());
    ASSERT_TRUE(pipeline.processFrame(bytes));
    EXPECT_FALSE(pipeline.lastFrameHighRange());

    pipeline.beginRangeSwitch();
    EXPECT_FALSE(pipeline.processFrame(bytes)) << "while the range changes";
    tables.highRange = true;
    pipeline.replaceTables(tables);
    pipeline.endRangeSwitch(3);
    for (int settling = 0; settling < 3; ++settling)
        EXPECT_FALSE(pipeline.processFrame(bytes)) << "still queued in the camera: " << settling;
    ASSERT_TRUE(pipeline.processFrame(bytes));
    EXPECT_TRUE(pipeline.lastFrameHighRange());
}

} // namespace
