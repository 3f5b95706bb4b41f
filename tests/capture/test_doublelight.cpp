// The dual-light camera on the virtual camera's two devices: fusion against the scene, the
// record files, manual alignment and streams that fail.
#include "capture/camera_doubleligth.h"
#include "core/configmanager.h"
#include "core/logmanager.h"
#include "sdk/common/dualrecord.h"
#include "sdk/virtual/dualview.h"
#include "sdk/virtual/registry.h"
#include "sdk/virtual/scene.h"
#include "sdk/virtual/serialresponder.h"
#include "sdk/virtual/tcsim.h"
#include "tests/support/accuracy.h"
#include "tests/support/appdirenvironment.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>

namespace {

const auto* environment = AppDirEnvironment::install();

// The link's record and the factory file beside the program.
QString linkRecord()
{
    return ConfigManager::getInstance()->storage().linkRecord;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray bytesOf(const std::vector<uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), int(v.size()));
}

QString logText()
{
    QString text;
    for (const QFileInfo& info : QDir(gAppDir + "/testlog").entryInfoList(QDir::Files)) {
        QFile file(info.filePath());
        if (file.open(QIODevice::ReadOnly))
            text += QString::fromUtf8(file.readAll());
    }
    return text;
}

class DualLightCamera : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(gAppDir + "/testlog").removeRecursively();
        LogManager::getInstance()->setLogDir(gAppDir + "/testlog");
        LogManager::getInstance()->setLogEnabled(true);
        QFile::remove(linkRecord());
        QFile::remove(gAppDir + "/calib_result.bin");
        writeFile(linkRecord(), bytesOf(tcsim::SerialResponder::cameraRecord()));
        tcsim::setRegistryText("Bifold serial=DUAL1\n");
        camera = std::make_unique<Camera_DoubleLigth>([this] { ++fused; });
        camera->setStartDelay(std::chrono::milliseconds(0));
    }
    void TearDown() override
    {
        camera.reset();
        tcsim::clearRegistryText();
        LogManager::getInstance()->setLogEnabled(false);
    }
    bool waitForFused(int count, int ms = 5000)
    {
        const int target = fused + count;
        return QTest::qWaitFor([&] { return fused >= target; }, ms);
    }

    // Mean red minus green of the fused picture.
    double redMinusGreen()
    {
        Frame frame;
        EXPECT_TRUE(camera->extractFrame(frame, true));
        double sum = 0;
        for (size_t i = 0; i < frame.rgb.size(); i += 3)
            sum += int(frame.rgb[i]) - int(frame.rgb[i + 1]);
        return sum / double(frame.pixels());
    }

    std::unique_ptr<Camera_DoubleLigth> camera;
    std::atomic<int> fused{0};
};

TEST_F(DualLightCamera, FusesBothStreamsIntoTemperaturesAlignedWithTheScene)
{
    ASSERT_TRUE(camera->isPresent());
    EXPECT_EQ(camera->deviceName(), "USB Camera");
    ASSERT_TRUE(camera->open());
    ASSERT_TRUE(waitForFused(3));
    Frame frame;
    ASSERT_TRUE(camera->extractFrame(frame, false));
    EXPECT_EQ(frame.width * 1000 + frame.height, 800600);
    EXPECT_EQ(frame.rgb.size(), 800u * 600u * 3u);
    EXPECT_EQ(frame.temperatures.size(), 480000u);
    EXPECT_EQ(frame.kind, DualLight);

    // Where both cameras see the board (a margin inside its outline), every aligned
    // temperature is the scene's at the infrared pixel that looks there.
    std::vector<float> truth;
    ASSERT_TRUE(tcsim::truth("DUAL1", tcsim::currentFrameIndex("DUAL1"), truth));
    ASSERT_EQ(truth.size(), 256u * 192u);
    const tcsim::BoardArea area = tcsim::boardArea(tcsim::parseRegistry("Bifold\n").front());
    std::vector<float> measured, expected;
    for (int y = 0; y < 600; y += 2)
        for (int x = 0; x < 800; x += 2) {
            double ix = 0, iy = 0;
            tcsim::visibleToInfrared(x, y, ix, iy);
            const double u = (ix + 0.5) / 256, v = (iy + 0.5) / 192;
            if (u < area.x0 + 0.02 || u > area.x1 - 0.02 || v < area.y0 + 0.02 || v > area.y1 - 0.02)
                continue;
            const int px = int(std::lround(ix)), py = int(std::lround(iy));
            measured.push_back(frame.temperatures[size_t(y) * 800 + x]);
            expected.push_back(truth[size_t(py) * 256 + px]);
        }
    ASSERT_GT(measured.size(), 80000u);
    const ErrorFigures e = errorFigures(measured.data(), expected);
    EXPECT_LE(e.median, 0.1);
    EXPECT_LE(e.p99, 0.5);
    EXPECT_NEAR(frame.maxTemp, *std::max_element(truth.begin(), truth.end()), 0.5);

    ASSERT_TRUE(camera->extractFrame(frame, true));
    EXPECT_FALSE(frame.hasTemperatures());
    EXPECT_EQ(frame.rgb.size(), 800u * 600u * 3u) << "image only: the picture stays";
}

TEST_F(DualLightCamera, TheInfraredPartTakesTheColoursItIsGiven)
{
    ASSERT_TRUE(camera->open());
    ASSERT_TRUE(waitForFused(2));
    const double grey = redMinusGreen();
    uint8_t red[768] = {};
    for (int i = 0; i < 256; ++i)
        red[3 * i] = 255;
    camera->setColourMap(red);
    ASSERT_TRUE(waitForFused(3));
    // Blend: half of the infrared colour, so red stands out by about half of 255.
    EXPECT_GT(redMinusGreen() - grey, 100.0);
}

// The slider's narrowed window: the infrared layer's colours follow the temperatures over it,
// green (the map's first entry) at or below its low end, red above.
TEST_F(DualLightCamera, ANarrowedWindowColoursTheInfraredPartByTemperature)
{
    uint8_t map[768] = {};
    map[1] = 255;
    for (int i = 1; i < 256; ++i)
        map[3 * i] = 255;
    camera->setColourMap(map);
    ASSERT_TRUE(camera->open());
    double shade[2] = {};
    for (const int above : {0, 1}) {
        const float low = above ? -20.0f : 200.0f;
        camera->setTemperatureSpan(true, low, low + 1.0f);
        ASSERT_TRUE(waitForFused(3));
        shade[above] = redMinusGreen();
    }
    EXPECT_LT(shade[0], -50.0) << "every pixel below the window";
    EXPECT_GT(shade[1], 50.0) << "every pixel above it";
    EXPECT_GT(shade[1] - shade[0], 180.0) << "half of the blend turns from green to red";

    // A window at the median of the readings, corrected for a long path of air (which the
    // camera leaves to the program): half of the picture on either side.
    camera->sendCorrection(SensorCorrection{}, 0.6f);
    ASSERT_TRUE(waitForFused(3));
    Frame frame;
    ASSERT_TRUE(camera->extractFrame(frame, false));
    std::vector<float> readings = frame.temperatures;
    std::nth_element(readings.begin(), readings.begin() + readings.size() / 2, readings.end());
    const float median = readings[readings.size() / 2];
    camera->setTemperatureSpan(true, median, median + 0.05f);
    ASSERT_TRUE(waitForFused(3));
    const double half = redMinusGreen(), middle = (shade[0] + shade[1]) / 2;
    EXPECT_NEAR(half, middle, 0.25 * (shade[1] - shade[0])) << "median " << median;
}

TEST_F(DualLightCamera, ManualAlignmentKeepsItsLimitsAndSavesOnceAfterTheLastMove)
{
    ASSERT_TRUE(camera->open());
    ASSERT_TRUE(waitForFused(1));
    camera->setDisparity(225);
    camera->manualMove(2);
    EXPECT_EQ(camera->getDisparity(), 225);
    camera->setDisparity(-75);
    camera->manualMove(3);
    EXPECT_EQ(camera->getDisparity(), -75);
    camera->manualMove(2);
    EXPECT_EQ(camera->getDisparity(), -74);
    camera->setDisparity(110);

    ConfigManager* config = ConfigManager::getInstance();
    config->setDCameraValue("manual5", "");
    for (int i = 0; i < 3; ++i) {
        QTest::qWait(300);
        camera->manualMove(0);
    }
    QTest::qWait(1200);
    EXPECT_EQ(config->getDCameraValue("manual5"), "") << "not before 1.5 s after the last move";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !config->getDCameraValue("manual5").isEmpty(); }, 1000));
    EXPECT_EQ(config->getDCameraValue("manual5"), "3.000000");
    EXPECT_EQ(config->getDCameraValue("manual0"), "1.000000");
    EXPECT_EQ(config->getDCameraValue("FusionTotDis"), "110");
    QTest::qWait(300);
    EXPECT_EQ(logText().count("manual alignment saved"), 1);
    EXPECT_FLOAT_EQ(camera->getManualCoefficients()[5], 3.0f);

    camera->manualReset();
    EXPECT_FLOAT_EQ(camera->getManualCoefficients()[5], 0.0f);
    EXPECT_EQ(camera->getDisparity(), 110);
    EXPECT_EQ(config->getDCameraValue("manual5"), "0.000000") << "the next start is reset too";
}

TEST_F(DualLightCamera, TheFactoryFileServesWithoutALinkRecordAndAShortFileIsIgnored)
{
    tcsdk::DualGeometry factory = tcsim::dualGeometry();
    factory.parallax[0] = 0;
    const auto factoryRecord = tcsdk::encodeDualRecord(factory);
    QFile::remove(linkRecord());
    writeFile(gAppDir + "/calib_result.bin", QByteArray(reinterpret_cast<const char*>(factoryRecord.data()), 192));
    ASSERT_TRUE(camera->open());
    EXPECT_TRUE(std::equal(factoryRecord.begin(), factoryRecord.end(), camera->record().begin()));
    EXPECT_TRUE(logText().contains("the uart calib result file is not exist"));
    camera->close();

    writeFile(linkRecord(), QByteArray(100, 'x'));
    ASSERT_TRUE(camera->open());
    EXPECT_TRUE(std::equal(factoryRecord.begin(), factoryRecord.end(), camera->record().begin()))
        << "the previous record stays";
    EXPECT_TRUE(logText().contains("holds 100 bytes"));
}

TEST_F(DualLightCamera, AVisibleStreamThatIsNotMjpgFusesNothing)
{
    tcsim::setRegistryText("Bifold serial=DUAL2 vlformat=YUYV\n");
    ASSERT_TRUE(camera->open());
    QTest::qWait(2500);
    EXPECT_EQ(fused, 0);
    Frame frame;
    EXPECT_FALSE(camera->extractFrame(frame, false));
    EXPECT_TRUE(logText().contains("is not MJPG"));
}

TEST_F(DualLightCamera, AStalledStreamStopsFusionAndSaysSoOnce)
{
    ASSERT_TRUE(camera->open());
    ASSERT_TRUE(waitForFused(2));
    tcsim::setRegistryText(""); // unplugged: neither stream delivers
    ASSERT_TRUE(QTest::qWaitFor([] { return logText().contains("vl or ir exception"); }, 4000));
    const int before = fused;
    QTest::qWait(500);
    EXPECT_EQ(fused, before);
    EXPECT_EQ(logText().count("vl or ir exception"), 1) << "not once per 5 ms cycle";
}

} // namespace
