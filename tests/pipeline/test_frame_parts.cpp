#include "K7Dll.h"
#include "pipeline/frame.h"
#include "pipeline/framepool.h"
#include "pipeline/imagemode.h"
#include "pipeline/k7frame.h"
#include "pipeline/orientation.h"
#include "pipeline/serialnumber.h"
#include "pipeline/temperature.h"
#include "pipeline/uvcpipeline.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <random>

namespace {

TEST(Temperature, ConversionsKeepTheFractionalKelvin)
{
    EXPECT_NEAR(celsiusFromKelvin16(4370), -0.025f, 1e-5);
    EXPECT_NEAR(celsiusFromKelvin64(19000), 23.725f, 1e-5);
    EXPECT_NEAR(celsiusFromKelvin16(4371) - celsiusFromKelvin16(4370), 0.0625f, 1e-5);
}

TEST(Kind160, HalvesBecomeTemperaturesAndGreyPicture)
{
    UvcPipeline pipeline;
    ASSERT_TRUE(pipeline.open(Uvc160, 160, 240, nullptr, {}));
    std::vector<uint16_t> frame(160 * 240);
    auto* yuyv = reinterpret_cast<uint8_t*>(frame.data());
    for (int i = 0; i < 160 * 120; ++i) {
        yuyv[2 * i] = uint8_t(i % 256);
        yuyv[2 * i + 1] = 128;
        frame[160 * 120 + i] = uint16_t(19000 + (i == 777 ? 640 : 0) - (i == 4242 ? 64 : 0));
    }
    ASSERT_TRUE(pipeline.processFrame(reinterpret_cast<const uint8_t*>(frame.data())));
    Frame result;
    ASSERT_TRUE(extractUvcFrame(pipeline, result));
    EXPECT_EQ(result.width, 160);
    EXPECT_EQ(result.height, 120) << "the image half, not the stream";
    EXPECT_EQ(result.temperatures.size(), 160u * 120);
    EXPECT_EQ(result.kind, Uvc160);
    EXPECT_NEAR(result.maxTemp, 33.725f, 1e-4);
    EXPECT_EQ(result.maxX, 777 % 160);
    EXPECT_EQ(result.maxY, 777 / 160);
    EXPECT_NEAR(result.minTemp, 22.725f, 1e-4);
    EXPECT_EQ(result.minY * 160 + result.minX, 4242);
    EXPECT_NEAR(result.temperatures[0], 23.725f, 1e-4);
    EXPECT_EQ(result.image[300], 300 % 256);
}

// A K7-22 frame with calibration words and a known raw picture.
std::vector<uint16_t> k7Frame(uint16_t low, uint16_t high)
{
    std::vector<uint16_t> frame(256 * 196, 0);
    for (int i = 0; i < K7Frame::kImageWords; ++i)
        frame[i] = uint16_t(low + (i % 3 == 0 ? 0 : (i % 3 == 1 ? (high - low) / 2 : high - low)));
    uint16_t* lines = frame.data() + K7Frame::kImageWords;
    lines[0] = 0x4B37;
    lines[1] = 1;
    lines[4] = high;
    lines[7] = low;
    const float calibration[2] = {4000.0f, 1.5e6f};
    std::memcpy(lines + 8, calibration, 8);
    lines[12] = 4800;
    lines[13] = 1439;
    std::memcpy(lines + 256 + 32, "K7SERIAL0001\0\0\0\0", 16);
    return frame;
}

TEST(K7FrameDecoding, PictureIsStretchedBetweenTheRawExtremes)
{
    ASSERT_EQ(DataInit(256, 192), 0);
    std::vector<uint16_t> frame = k7Frame(8000, 9000);
    const auto* bytes = reinterpret_cast<const uint8_t*>(frame.data());
    EXPECT_EQ(K7Frame::serial(bytes), "K7SERIAL0001");
    ASSERT_TRUE(K7Frame::refreshParameters(bytes, "K7-22"));
    Frame result;
    std::vector<uint8_t> picture;
    ASSERT_TRUE(K7Frame::decode(bytes, result, picture));
    EXPECT_EQ(result.width, 256);
    EXPECT_EQ(result.height, 192);
    EXPECT_EQ(result.image[0], 0);
    EXPECT_EQ(result.image[1], 127) << "500 * 255 / 1000, truncated";
    EXPECT_EQ(result.image[2], 255);
    EXPECT_GT(result.maxTemp, result.minTemp);

    // Equal extremes keep the previous picture; temperatures are still updated.
    frame = k7Frame(8500, 8500);
    const std::vector<uint8_t> before = result.image;
    Frame next; // another frame object: the picture is kept by whoever decodes
    ASSERT_TRUE(K7Frame::decode(reinterpret_cast<const uint8_t*>(frame.data()), next, picture));
    EXPECT_EQ(next.image, before);
    result = next;
    EXPECT_FLOAT_EQ(result.maxTemp, result.minTemp);
    EXPECT_FALSE(K7Frame::acceptsFormat(256, 192));
    EXPECT_TRUE(K7Frame::acceptsFormat(256, 196));
}

TEST(SerialNumbers, LettersAndDigitsOnlyOrThePlaceholder)
{
    uint8_t info[64] = {};
    std::memcpy(info, "AB12cd", 6);
    EXPECT_EQ(serialFromDeviceInfo(info), "AB12cd");
    std::memcpy(info, "AB-12", 6);
    EXPECT_EQ(serialFromDeviceInfo(info), "123456");
    std::memset(info, 'Z', 64); // no terminator within the buffer: at most 63 characters
    EXPECT_EQ(serialFromDeviceInfo(info).size(), 63);
    info[0] = 0xC3;
    EXPECT_EQ(serialFromDeviceInfo(info), "123456");
}

TEST(ImageModes, OnlyOneFilterAtATime)
{
    ImageMode mode;
    mode.set(1);
    EXPECT_TRUE(mode.enhance());
    EXPECT_FALSE(mode.highContrast());
    mode.set(2);
    EXPECT_FALSE(mode.enhance());
    EXPECT_TRUE(mode.highContrast());
    mode.set(0);
    EXPECT_FALSE(mode.enhance() || mode.highContrast());
}

TEST(ImageModes, FiltersChangeThePictureTheirWay)
{
    std::mt19937 random(3);
    Frame contrast;
    contrast.resize(256, 192);
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 256; ++x)
            contrast.image[y * 256 + x] = uint8_t(100 + (x > 128 ? 20 : 0) + random() % 3);
    const std::vector<uint8_t> picture = contrast.image;
    Frame sharp = contrast;
    ImageMode mode;
    mode.set(2);
    mode.apply(contrast);
    auto spread = [](const std::vector<uint8_t>& v) {
        const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        return *hi - *lo;
    };
    EXPECT_GT(spread(contrast.image), spread(picture)) << "equalisation widens a narrow histogram";
    mode.set(1);
    mode.apply(sharp);
    EXPECT_NE(sharp.image, picture);
    // The edge stays an edge.
    EXPECT_GT(sharp.image[96 * 256 + 140], sharp.image[96 * 256 + 116] + 10);
}

TEST(FramePoolRules, FramesComeBackWhenTheirLastHolderLetsGo)
{
    FramePool pool;
    std::shared_ptr<Frame> first = pool.acquire();
    first->resize(256, 192);
    const float* buffer = first->temperatures.data();
    FramePtr shown = first; // the consumer keeps it
    first.reset();
    std::shared_ptr<Frame> second = pool.acquire();
    EXPECT_NE(second.get(), shown.get()) << "a frame someone holds is never handed out again";
    shown.reset();
    second.reset();
    std::shared_ptr<Frame> third = pool.acquire();
    third->resize(256, 192);
    std::shared_ptr<Frame> fourth = pool.acquire();
    fourth->resize(256, 192);
    EXPECT_TRUE(third->temperatures.data() == buffer || fourth->temperatures.data() == buffer)
        << "a returned frame keeps its buffers";
    EXPECT_EQ(pool.created(), 2);
}

TEST(FramePoolRules, FramesOutliveTheirPool)
{
    std::shared_ptr<Frame> kept;
    {
        FramePool pool;
        kept = pool.acquire();
        kept->resize(160, 120);
    }
    kept->temperatures[0] = 1.0f; // still ours (AddressSanitizer watches)
    kept.reset();
}

TEST(FrameRules, SizeAndPictureOnlyFrames)
{
    Frame frame;
    frame.resize(160, 120);
    EXPECT_EQ(frame.pixels(), 19200);
    EXPECT_TRUE(frame.hasTemperatures());
    frame.maxTemp = 80.0f;
    frame.maxX = 5;
    frame.dropTemperatures();
    EXPECT_FALSE(frame.hasTemperatures());
    EXPECT_EQ(frame.maxTemp, 0.0f);
    EXPECT_EQ(frame.maxX, 0);
    EXPECT_EQ(frame.image.size(), 19200u) << "the picture stays";
    frame.resize(-3, 10);
    EXPECT_EQ(frame.pixels(), 0);
}

TEST(OrientationRules, FlipsFollowTheScreenUnderAQuarterTurn)
{
    Orientation o;
    o.flipHorizontal();
    EXPECT_TRUE(o.hFlip());
    EXPECT_FALSE(o.vFlip());
    o.reset();
    o.setRotation(90);
    o.flipHorizontal();
    EXPECT_EQ(o.rotation(), 90);
    EXPECT_FALSE(o.hFlip());
    EXPECT_TRUE(o.vFlip());
    o.flipVertical();
    EXPECT_TRUE(o.hFlip());
    o.setRotation(270);
    o.flipVertical();
    EXPECT_FALSE(o.hFlip());
    o.setRotation(180);
    o.flipVertical();
    EXPECT_FALSE(o.vFlip());
    o.setRotation(-90);
    EXPECT_EQ(o.rotation(), 270);
    o.reset();
    EXPECT_EQ(o.rotation(), 0);
    EXPECT_FALSE(o.hFlip() || o.vFlip());
}

} // namespace
