// The device manager with real virtual cameras: detection, connection, frames, loss.
#include "accuracy.h"
#include "appdirenvironment.h"
#include "configmanager.h"
#include "functionmodel.h"
#include "registry.h"
#include "tcsim.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>

namespace {

const auto* environment = AppDirEnvironment::install();

// Frames handed to the main window, recorded on the GUI thread; an optional check sees each.
struct PresentedFrames
{
    int count = 0;
    FramePtr latest;
    std::function<void(const Frame&)> check;
};
PresentedFrames presented;

void recordFrame(const FramePtr& frame)
{
    ++presented.count;
    presented.latest = frame;
    if (presented.check)
        presented.check(*frame);
}

class DeviceManager : public ::testing::Test
{
protected:
    void SetUp() override
    {
        presented = PresentedFrames();
        QDir().mkpath(gAppDir + "/detecProcess");
        report("", "");
        FunctionModel::Options options;
        options.loopIntervalMs = 20;
        options.detection.running = [this] { return programRunning.load(); };
        options.detection.start = [this] {
            ++starts;
            programRunning = true;
        };
        options.detection.stop = [this] {
            ++stops;
            programRunning = false;
        };
        this->options = options;
    }
    void TearDown() override
    {
        model.reset();
        presented = PresentedFrames();
        tcsim::clearRegistryText();
    }

    void create()
    {
        model = std::make_unique<FunctionModel>(options);
        model->setFrameCallback(&recordFrame);
        auto* m = model.get();
        QObject::connect(m, &FunctionModel::setConnected, m, [this](bool on) { events << (on ? "connected true" : "connected false"); });
        QObject::connect(m, &FunctionModel::SetSN, m, [this](QString sn) { events << "sn " + sn; });
        QObject::connect(m, &FunctionModel::sendCameraSize, m,
                         [this](int w, int h, int row) { events << QString("size %1 %2 %3").arg(w).arg(h).arg(row); });
        QObject::connect(m, &FunctionModel::InitTempRange, m,
                         [this](QString unit, int min, int max) { events << QString("range %1 %2 %3").arg(unit).arg(min).arg(max); });
        QObject::connect(m, &FunctionModel::Sets0_40, m, [this] { events << "s0_40"; });
        QObject::connect(m, &FunctionModel::ConnectErr, m, [this](QString text) { errors << text; });
        QObject::connect(m, &FunctionModel::highRangeUnavailable, m, [this] { events << "hint"; });
    }

    static void report(const QString& product, const QString& camera)
    {
        QSettings file(gAppDir + "/detecProcess/NameConfig.ini", QSettings::IniFormat);
        file.setValue("productName", product);
        file.setValue("cameraName", camera);
    }
    bool waitFor(const QString& event, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return events.contains(event); }, ms);
    }
    int occurrences(const QString& event) const { return events.count(event); }

    FunctionModel::Options options;
    std::unique_ptr<FunctionModel> model;
    std::atomic<bool> programRunning{true};
    std::atomic<int> starts{0}, stops{0};
    QStringList events, errors;
};

struct Camera
{
    const char* registry;
    const char* name;
    const char* serial;
    const char* size;
};

class Connection : public DeviceManager, public ::testing::WithParamInterface<Camera>
{
};

TEST_P(Connection, DetectedOpenedAnnouncedAndFramesMatchTheScene)
{
    const Camera c = GetParam();
    tcsim::setRegistryText(c.registry);
    create();
    report("Orvik", c.name);
    ASSERT_TRUE(waitFor(c.size));
    ASSERT_TRUE(waitFor("connected true"));
    ASSERT_TRUE(waitFor("sn " + FunctionModel::displayIdentifier(c.serial)));
    EXPECT_TRUE(errors.contains(QString::fromUtf8("检测到设备，正在等待连接，请稍候......")));
    EXPECT_TRUE(errors.contains(QString::fromUtf8("设备正在连接中，请稍候......")));
    ASSERT_TRUE(QTest::qWaitFor([] { return presented.count >= 3; }, 5000));
    EXPECT_EQ(occurrences("connected true"), 1);
    EXPECT_TRUE(model->isConnected());

    std::vector<float> truth;
    ASSERT_TRUE(tcsim::truth(c.serial, tcsim::currentFrameIndex(c.serial), truth));
    const Frame& frame = *presented.latest;
    ASSERT_EQ(size_t(frame.pixels()), truth.size()) << "a frame has exactly its camera's size";
    EXPECT_EQ(QString("size %1 %2 %3").arg(frame.width).arg(frame.height).arg(frame.modelIndex), c.size);
    const ErrorFigures e = errorFigures(frame.temperatures.data(), truth);
    EXPECT_LE(e.median, 0.1);
    EXPECT_LE(e.p99, 0.5);
    EXPECT_GT(frame.index, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Connection,
    ::testing::Values(Camera{"K7-22 serial=K7CONN1\n", "K7-22", "K7CONN1", "size 256 192 10"},
                      Camera{"Vesk_R_M serial=M256\n", "Vesk_R_M", "M256", "size 256 192 15"},
                      Camera{"Vesk_R_S serial=S160XYZ123\n", "Vesk_R_S", "S160XYZ123", "size 160 120 14"},
                      Camera{"Vesk_R_MX serial=MX12 fps=50\n", "Vesk_R_MX", "MX12", "size 256 192 16"}));

TEST_F(DeviceManager, TheK722AnnouncesItsFixedRangeAndRefusesTheHighOne)
{
    tcsim::setRegistryText("K7-22 serial=K7ONLY z8r=1\n");
    ConfigManager::getInstance()->setEquipmentValue("LowTemperatureMode", true);
    create();
    EXPECT_FALSE(model->setLowTemperatureMode(false)) << "no camera yet";
    report("Orvik", "K7-22");
    ASSERT_TRUE(waitFor("connected true"));
    EXPECT_TRUE(events.contains("s0_40"));
    EXPECT_TRUE(events.contains("range C 0 90"));
    EXPECT_FALSE(ConfigManager::getInstance()->getEquipmentValue("LowTemperatureMode"));
    const std::vector<int> commands = tcsim::cameraCommands("K7ONLY");
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ(std::vector<int>(commands.begin(), commands.begin() + 3), (std::vector<int>{0x8020, 0x8004, 0x8000}));
    EXPECT_FALSE(model->setLowTemperatureMode(true));
    ASSERT_TRUE(waitFor("hint"));
    EXPECT_FALSE(ConfigManager::getInstance()->getEquipmentValue("LowTemperatureMode"));
}

TEST_F(DeviceManager, ARangeChangeReloadsTablesAndReportsTheRange)
{
    tcsim::setRegistryText("Vesk_R_M serial=RANGE1\n");
    create();
    report("Orvik", "Vesk_R_M");
    ASSERT_TRUE(waitFor("connected true"));
    ASSERT_TRUE(model->setLowTemperatureMode(true));
    EXPECT_TRUE(waitFor("range C 0 150"));
    EXPECT_TRUE(ConfigManager::getInstance()->getEquipmentValue("LowTemperatureMode"));
    // Frames after the change are still right (tables and gain changed together).
    const int seen = presented.count;
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented.count >= seen + 10; }, 5000));
    std::vector<float> truth;
    tcsim::truth("RANGE1", tcsim::currentFrameIndex("RANGE1"), truth);
    EXPECT_LE(errorFigures(presented.latest->temperatures.data(), truth).median, 0.5);
    EXPECT_TRUE(presented.latest->highRange);
    ASSERT_TRUE(model->setLowTemperatureMode(false));
    ConfigManager::getInstance()->setEquipmentValue("LowTemperatureMode", false);
}

TEST_F(DeviceManager, AnotherProductsCameraIsAMismatchAndRestartsDetection)
{
    create();
    report("Veltrace", "Vesk_R_S");
    ASSERT_TRUE(QTest::qWaitFor([&] { return errors.contains(QString::fromUtf8("设备和软件不匹配!请检查软件或设备。")); }, 3000));
    EXPECT_GE(starts.load(), 1);
    EXPECT_GE(stops.load(), 1);
    EXPECT_EQ(model->getModelIndex(), 0);
}

TEST_F(DeviceManager, UnknownRowsAreIgnoredAndANameIsProcessedOnce)
{
    tcsim::setRegistryText("");
    create();
    report("Orvik", "VeskL"); // that camera belongs to another product line's table rows
    QTest::qWait(200);
    EXPECT_TRUE(events.filter("size").isEmpty());
    report("Orvik", "Lumo");
    ASSERT_TRUE(waitFor("size 256 192 11"));
    QTest::qWait(200);
    EXPECT_EQ(occurrences("size 256 192 11"), 1) << "the same name again changes nothing";
}

TEST_F(DeviceManager, DetectionProgramIsRestartedAfterTwentyAndAfter1201Scans)
{
    options.loopIntervalMs = 1;
    programRunning = false;
    create();
    ASSERT_TRUE(QTest::qWaitFor([&] { return starts.load() >= 1; }, 3000));
    EXPECT_EQ(stops.load(), 0) << "a program that is not running is only started";
    // Now it runs but never finds a camera: after more than 1,200 scans it is restarted.
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stops.load() >= 1; }, 20000));
    EXPECT_EQ(starts.load(), 2);
    EXPECT_GT(clock.elapsed(), 1200) << "not before 1,201 scans of at least 1 ms";
}

TEST_F(DeviceManager, UnplugAndReplug)
{
    tcsim::setRegistryText("Lumo serial=PLUG\n");
    create();
    report("Orvik", "Lumo");
    ASSERT_TRUE(waitFor("connected true"));
    ASSERT_TRUE(QTest::qWaitFor([] { return presented.count > 0; }, 3000));
    const int startsBefore = starts.load();

    tcsim::setRegistryText("");
    ASSERT_TRUE(waitFor("connected false"));
    ASSERT_TRUE(waitFor("sn "));
    EXPECT_LT(events.indexOf("connected false"), events.lastIndexOf("sn "));
    EXPECT_EQ(occurrences("connected false"), 1);
    EXPECT_GT(starts.load(), startsBefore) << "detection restarted";
    EXPECT_FALSE(model->isConnected());

    events.clear();
    tcsim::setRegistryText("Lumo serial=PLUG\n");
    report("Orvik", "Lumo");
    ASSERT_TRUE(waitFor("connected true"));
    ASSERT_TRUE(waitFor("sn " + FunctionModel::displayIdentifier("PLUG")));
}

TEST_F(DeviceManager, DestructorWhileStreamingIsQuickAndSavesTheSettings)
{
    tcsim::setRegistryText("Vesk_R_M serial=BYE fps=100\n");
    ConfigManager::getInstance()->setEquipmentValue("SaveRotate", false);
    create();
    report("Orvik", "Vesk_R_M");
    ASSERT_TRUE(waitFor("connected true"));
    model->setOrientation(90, false, false);
    model->flipHorizontal();
    model->setHighTempAlarm(true);
    QElapsedTimer clock;
    clock.start();
    model.reset();
    EXPECT_LT(clock.elapsed(), 1000);
    ConfigManager* config = ConfigManager::getInstance();
    EXPECT_EQ(config->getSettingValue("RotateAngle"), "90");
    EXPECT_TRUE(config->getEquipmentValue("VerticalFlip")) << "a horizontal flip at 90 degrees";
    EXPECT_FALSE(config->getEquipmentValue("HorizontalFlip"));
    EXPECT_TRUE(config->getEquipmentValue("HighTempAlarm"));
    EXPECT_EQ(QFile(gAppDir + "/detecProcess/NameConfig.ini").size(), 0) << "result file emptied";
    EXPECT_GE(stops.load(), 1);
    config->setEquipmentValue("HighTempAlarm", false);
}

TEST_F(DeviceManager, ImageOnlyHandsNoTemperaturesAndIgnoresFlips)
{
    tcsim::setRegistryText("Vesk_R_M serial=PIC fps=50\n");
    create();
    QStringList rotations;
    QObject::connect(model.get(), &FunctionModel::RotateParam, model.get(),
                     [&](int r, bool h, bool v) { rotations << QString("%1 %2 %3").arg(r).arg(h).arg(v); });
    model->flipVertical();
    EXPECT_EQ(rotations, QStringList({"0 0 1"}));
    model->setImageOnly(true);
    model->flipVertical();
    EXPECT_EQ(rotations.size(), 1);
    report("Orvik", "Vesk_R_M");
    ASSERT_TRUE(waitFor("connected true"));
    const int seen = presented.count;
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented.count > seen + 2; }, 3000));
    EXPECT_FALSE(presented.latest->hasTemperatures());
    EXPECT_EQ(presented.latest->maxTemp, 0.0f);
    EXPECT_EQ(presented.latest->image.size(), 256u * 192);
}

TEST(DisplayIdentifier, LengthRules)
{
    EXPECT_EQ(FunctionModel::displayIdentifier("").size(), 0);
    EXPECT_EQ(FunctionModel::displayIdentifier("AB12").size(), 8);
    EXPECT_EQ(FunctionModel::displayIdentifier("ABCDEF").size(), 12);
    const QString ten = FunctionModel::displayIdentifier("ABCDEFGHIJ");
    EXPECT_EQ(ten.size(), 10);
    for (QChar ch : ten)
        EXPECT_TRUE(QString("0123456789ABCDEF").contains(ch));
    // Two-character groups are the serial XOR the key in hexadecimal.
    EXPECT_EQ(FunctionModel::displayIdentifier("A").left(2),
              QString::number('A' ^ 'K', 16).rightJustified(2, '0').toUpper());
}

} // namespace

namespace {

// Frames presented per second while the camera streams.
double presentedRate(int milliseconds)
{
    const int before = presented.count;
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(milliseconds);
    return (presented.count - before) * 1000.0 / clock.elapsed();
}

TEST_F(DeviceManager, FiftyUnplugReplugCyclesKeepTheFrameRate)
{
    tcsim::setRegistryText("Vesk_R_M serial=CYCLE50 fps=100\n");
    create();
    report("Orvik", "Vesk_R_M");
    ASSERT_TRUE(waitFor("connected true"));
    ASSERT_TRUE(QTest::qWaitFor([] { return presented.count > 5; }, 3000));
    const double first = presentedRate(1500);
    for (int cycle = 0; cycle < 50; ++cycle) {
        events.clear();
        tcsim::setRegistryText("");
        ASSERT_TRUE(waitFor("connected false")) << cycle;
        tcsim::setRegistryText("Vesk_R_M serial=CYCLE50 fps=100\n");
        report("Orvik", "Vesk_R_M");
        ASSERT_TRUE(waitFor("connected true")) << cycle;
    }
    const int seen = presented.count;
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented.count > seen + 5; }, 3000));
    const double last = presentedRate(1500);
    RecordProperty("first_rate", std::to_string(first));
    RecordProperty("last_rate", std::to_string(last));
    EXPECT_NEAR(last, first, 0.25 * first);
}

} // namespace
