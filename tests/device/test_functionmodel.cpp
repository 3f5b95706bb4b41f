// The device manager with real virtual cameras: detection, connection, frames, loss.
#include "core/configmanager.h"
#include "device/functionmodel.h"
#include "pipeline/serialnumber.h"
#include "sdk/v4l2fake/countingsystemcalls.h"
#include "sdk/v4l2fake/fakev4l2.h"
#include "sdk/v4l2fake/systemcallsseam.h"
#include "sdk/virtual/registry.h"
#include "sdk/virtual/serialresponder.h"
#include "sdk/virtual/tcsim.h"
#include "tests/support/accuracy.h"
#include "tests/support/appdirenvironment.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <cmath>
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
        writeReport("", "");
        FunctionModel::Options options;
        options.loopIntervalMs = 20;
        options.detection.running = [this] { return programRunning.load(); };
        options.detection.start = [this] {
            ++starts;
            programRunning = true;
            std::lock_guard<std::mutex> lock(reportMutex);
            if (!reported.first.isEmpty())
                writeReport(reported.first, reported.second);
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
        QObject::connect(model.get(), &FunctionModel::frameReady, &recordFrame);
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

    // What the detection program writes; it writes it again whenever it is (re)started.
    void report(const QString& product, const QString& camera)
    {
        {
            std::lock_guard<std::mutex> lock(reportMutex);
            reported = {product, camera};
        }
        writeReport(product, camera);
    }
    static void writeReport(const QString& product, const QString& camera)
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
    std::mutex reportMutex;
    QPair<QString, QString> reported;
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

// The stored interval is read again more often than it lasts: the command still comes at the
// stored interval (a restarted timer would count from zero at every reading and never fire).
TEST_F(DeviceManager, TheK722sPeriodicCommandKeepsItsIntervalWhenLongerThanItsReading)
{
    tcsim::setRegistryText("K7-22 serial=K7FREQ\n");
    ConfigManager::getInstance()->setSettingValue("Frequency", "1");
    options.frequencyReadMs = 300;
    create();
    report("Orvik", "K7-22");
    ASSERT_TRUE(waitFor("connected true"));
    QTest::qWait(1000); // the first reading arms it
    const auto refreshes = [] {
        const std::vector<int> commands = tcsim::cameraCommands("K7FREQ");
        return std::count(commands.begin(), commands.end(), 0x8000);
    };
    const auto before = refreshes();
    QTest::qWait(3500);
    EXPECT_GE(refreshes() - before, 3) << "one a second";
    ConfigManager::getInstance()->setSettingValue("Frequency", "10");
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

TEST_F(DeviceManager, AnotherProductsCameraIsAMismatchRestartingDetectionOnceWhileItStays)
{
    create();
    const int startsBefore = starts.load();
    report("Veltrace", "Vesk_R_S");
    const QString mismatch = QString::fromUtf8("设备和软件不匹配!请检查软件或设备。");
    ASSERT_TRUE(QTest::qWaitFor([&] { return errors.count(mismatch) >= 30; }, 5000)) << "reported on every round";
    EXPECT_EQ(starts.load(), startsBefore + 1) << "one restart, not one every round";
    EXPECT_EQ(stops.load(), 1);
    EXPECT_EQ(model->getModelIndex(), 0);

    report("Veltrace", "LumoQ"); // another camera of that line: reported and restarted once more
    ASSERT_TRUE(QTest::qWaitFor([&] { return starts.load() == startsBefore + 2; }, 3000));
    tcsim::setRegistryText("Lumo serial=AFTER\n");
    report("Orvik", "Lumo");
    EXPECT_TRUE(waitFor("connected true")) << "a camera of ours still connects";
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
    std::atomic<int> scans{0}, scansAtStop{0};
    options.detection.stop = [&] {
        scansAtStop = scans.load();
        ++stops;
        programRunning = false;
    };
    create();
    QObject::connect(
        model.get(), &FunctionModel::ConnectErr, model.get(),
        [&](const QString& text) { scans += text == QString::fromUtf8("正在扫描设备......"); }, Qt::DirectConnection);
    EXPECT_EQ(starts.load(), 1) << "started with the manager";
    programRunning = false; // it ended
    ASSERT_TRUE(QTest::qWaitFor([&] { return starts.load() >= 2; }, 3000));
    EXPECT_EQ(stops.load(), 0) << "a program that is not running is only started";
    // Now it runs but never finds a camera: after more than 1,200 scans it is restarted.
    ASSERT_TRUE(QTest::qWaitFor([&] { return stops.load() >= 1; }, 20000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return starts.load() == 3; }, 3000));
    EXPECT_GT(scansAtStop.load(), 1200);
    model.reset(); // its hooks and connections use this test's counters
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

TEST_F(DeviceManager, DestructorWhileStreamingSavesTheSettings)
{
    tcsim::setRegistryText("Vesk_R_M serial=BYE fps=100\n");
    ConfigManager::getInstance()->setEquipmentValue("SaveRotate", false);
    create();
    report("Orvik", "Vesk_R_M");
    ASSERT_TRUE(waitFor("connected true"));
    model->setOrientation(90, false, false);
    model->flipHorizontal();
    model->setHighTempAlarm(true);
    model.reset();
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

// A hotspot at 99 degC seen by a 200 fps camera while the measuring range is switched back and
// forth: no presented frame may have been taken with one gain and corrected with the other
// range's tables (such a frame shows the spot hundreds of degrees off).
TEST_F(DeviceManager, RangeSwitchesNeverPresentAFrameOfMixedRanges)
{
    tcsim::setRegistryText("Vesk_R_M serial=SWITCH scene=hotspot hot=99 fps=200\n");
    create();
    report("Orvik", "Vesk_R_M");
    ASSERT_TRUE(waitFor("connected true"));
    ASSERT_TRUE(QTest::qWaitFor([] { return presented.count > 5; }, 3000));
    std::vector<float> truth;
    ASSERT_TRUE(tcsim::truth("SWITCH", 0, truth)); // the hotspot scene does not change
    const float hottest = *std::max_element(truth.begin(), truth.end());
    int checked = 0, wrong = 0, highRangeFrames = 0;
    float worst = 0.0f;
    presented.check = [&](const Frame& frame) { // cleared before the counters go
        ++checked;
        highRangeFrames += frame.highRange;
        const float error = std::fabs(frame.maxTemp - hottest);
        worst = std::max(worst, error);
        wrong += error > 2.0f || errorFigures(frame.temperatures.data(), truth).median > 0.5;
    };
    for (int change = 0; change < 300; ++change) {
        ASSERT_TRUE(model->setLowTemperatureMode(change % 2 == 0));
        // Switches land anywhere between frames; now and then a range stays long enough for
        // its frames to be shown.
        QTest::qWait(change % 10 == 0 ? 60 : 2 + change % 7);
    }
    ASSERT_TRUE(model->setLowTemperatureMode(false));
    const int seen = checked;
    ASSERT_TRUE(QTest::qWaitFor([&] { return checked > seen + 10; }, 3000)) << "frames flow after the switches";
    presented.check = nullptr;
    RecordProperty("frames_checked", checked);
    RecordProperty("worst_error", std::to_string(worst));
    EXPECT_EQ(wrong, 0) << "of " << checked << " frames; worst maximum off by " << worst;
    EXPECT_GT(checked, 50);
    EXPECT_GT(highRangeFrames, 0);
    EXPECT_LT(highRangeFrames, checked);
    ConfigManager::getInstance()->setEquipmentValue("LowTemperatureMode", false);
}

TEST_F(DeviceManager, TheUsedOfTwoCamerasUnpluggedDisconnectsAndTheOtherConnects)
{
    tcsim::setRegistryText("Vesk_R_M serial=USED1\nVesk_R_M serial=TWIN2\n");
    create();
    report("Orvik", "Vesk_R_M");
    ASSERT_TRUE(waitFor("sn " + FunctionModel::displayIdentifier("USED1")));
    ASSERT_TRUE(waitFor("connected true"));
    events.clear();
    tcsim::setRegistryText("Vesk_R_M serial=TWIN2\n");
    ASSERT_TRUE(waitFor("connected false", 2000)) << "the twin must not hide the loss";
    report("Orvik", "Vesk_R_M"); // what the restarted detection program writes again
    ASSERT_TRUE(waitFor("connected true", 3000));
    EXPECT_TRUE(events.contains("sn " + FunctionModel::displayIdentifier("TWIN2")));
    const int seen = presented.count;
    EXPECT_TRUE(QTest::qWaitFor([&] { return presented.count > seen + 3; }, 3000)) << "its frames flow";
}

// One camera swapped for another of another size in a single change: the old one is torn
// down before the new size is announced, and no frame has any size but its camera's.
TEST_F(DeviceManager, ACameraSwappedForAnotherOfAnotherSize)
{
    tcsim::setRegistryText("Vesk_R_S serial=SMALL1\n");
    create();
    report("Orvik", "Vesk_R_S");
    ASSERT_TRUE(waitFor("connected true"));
    ASSERT_TRUE(QTest::qWaitFor([] { return presented.count > 2; }, 3000));
    bool sizesRight = true;
    presented.check = [&](const Frame& frame) {
        sizesRight = sizesRight && size_t(frame.pixels()) == frame.temperatures.size() &&
                     QSize(frame.width, frame.height) == (frame.kind == Uvc160 ? QSize(160, 120) : QSize(256, 192));
    };
    report("Orvik", "Vesk_R_M"); // the detection program sees another camera beside it
    QTest::qWait(200);
    EXPECT_FALSE(events.contains("size 256 192 15")) << "nothing announced while the small one streams";
    tcsim::setRegistryText("Vesk_R_M serial=LARGE1\n");
    ASSERT_TRUE(waitFor("connected false"));
    report("Orvik", "Vesk_R_M");
    ASSERT_TRUE(waitFor("size 256 192 15"));
    EXPECT_LT(events.indexOf("connected false"), events.indexOf("size 256 192 15"));
    ASSERT_TRUE(QTest::qWaitFor([] { return presented.count > 0 && presented.latest->width == 256; }, 5000));
    presented.check = nullptr;
    EXPECT_TRUE(sizesRight);
}

TEST_F(DeviceManager, ACameraWithoutASerialNumberStillShowsItsPicture)
{
    tcsim::setRegistryText("Vesk_R_M serial=\n");
    create();
    report("Orvik", "Vesk_R_M");
    ASSERT_TRUE(waitFor("connected true"));
    EXPECT_TRUE(events.contains("sn " + FunctionModel::displayIdentifier(placeholderSerial())));
    EXPECT_TRUE(QTest::qWaitFor([] { return presented.count > 3; }, 3000));
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

int threadCount()
{
    return QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
}

// Every unplug joins the stream thread and frees what the connection held: after fifty
// cycles the process has the threads it had, and frames flow as before.
TEST_F(DeviceManager, FiftyUnplugReplugCyclesLeaveNothingBehind)
{
    tcsim::setRegistryText("Vesk_R_M serial=CYCLE50 fps=100\n");
    create();
    report("Orvik", "Vesk_R_M");
    ASSERT_TRUE(waitFor("connected true"));
    ASSERT_TRUE(QTest::qWaitFor([] { return presented.count > 5; }, 3000));
    const int threads = threadCount();
    for (int cycle = 0; cycle < 50; ++cycle) {
        events.clear();
        tcsim::setRegistryText("");
        ASSERT_TRUE(waitFor("connected false")) << cycle;
        tcsim::setRegistryText("Vesk_R_M serial=CYCLE50 fps=100\n");
        report("Orvik", "Vesk_R_M");
        ASSERT_TRUE(waitFor("connected true")) << cycle;
    }
    const int seen = presented.count;
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented.count > seen + 50; }, 3000)) << "frames flow";
    EXPECT_LT(threadCount(), threads + 5) << "no stream thread is left behind";
    EXPECT_LT(presented.latest->index, 1000u) << "frames are counted per connection";
}

// The dual-light camera waits for its record over the serial link: at most 30 attempts.
class DualLightConnection : public DeviceManager
{
protected:
    void SetUp() override
    {
        DeviceManager::SetUp();
        gProductName = "Veltrace";
        QFile::remove(ConfigManager::getInstance()->storage().linkRecord);
        tcsim::setRegistryText("Bifold serial=DUALDM\n");
    }
    void TearDown() override
    {
        DeviceManager::TearDown();
        gProductName = "Orvik";
    }
    // Counts the attempts; at attemptWithRecord the record arrives, before the attempt asks.
    void watch(int attemptWithRecord)
    {
        QObject::connect(
            model.get(), &FunctionModel::serportStart, model.get(),
            [this, attemptWithRecord] {
                if (++attempts == attemptWithRecord) {
                    QFile file(ConfigManager::getInstance()->storage().linkRecord);
                    if (file.open(QIODevice::WriteOnly)) {
                        const std::vector<uint8_t> record = tcsim::SerialResponder::cameraRecord();
                        file.write(reinterpret_cast<const char*>(record.data()), qint64(record.size()));
                    }
                }
            },
            Qt::DirectConnection);
        QObject::connect(model.get(), &FunctionModel::DoubleConnected, model.get(), [this](bool on) {
            if (on)
                attemptsAtOpening = attempts.load();
        }, Qt::DirectConnection);
        QObject::connect(model.get(), &FunctionModel::GetPortDataErr, model.get(), [this](QString text) { warnings << text; });
    }

    std::atomic<int> attempts{0}, attemptsAtOpening{0};
    QStringList warnings;
};

TEST_F(DualLightConnection, ARecordArrivingAtTheFifthAttemptOpensWithoutWarning)
{
    create();
    watch(5);
    report("Veltrace", "Bifold");
    ASSERT_TRUE(waitFor("size 800 600 8"));
    ASSERT_TRUE(waitFor("connected true", 8000));
    EXPECT_EQ(attemptsAtOpening, 5);
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_TRUE(model->isDualLightOpen());
    ASSERT_TRUE(QTest::qWaitFor([] { return presented.count >= 2; }, 5000));
    const Frame& frame = *presented.latest;
    EXPECT_EQ(frame.width * 1000 + frame.height, 800600);
    EXPECT_EQ(frame.rgb.size(), 800u * 600u * 3u);
    EXPECT_EQ(frame.kind, DualLight);

    tcsim::setRegistryText("");
    ASSERT_TRUE(waitFor("connected false"));
    EXPECT_FALSE(model->isDualLightOpen());
}

TEST_F(DualLightConnection, WithoutARecordItOpensAtThe31stAttemptWithAWarning)
{
    create();
    watch(0);
    report("Veltrace", "Bifold");
    ASSERT_TRUE(waitFor("connected true", 8000));
    EXPECT_EQ(attemptsAtOpening, FunctionModel::kCalibrationWaits + 1);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings.front(), QString::fromUtf8("未读到出厂标定数据，将使用默认数据，请检查串口连接情况！"));
}

} // namespace

namespace {

// A real camera the user may not open is reported once with its device node, and the
// connection follows when the permission comes.
TEST_F(DeviceManager, ARealCameraThatRefusesTheUserSaysWhichNodeAndWhy)
{
    QTemporaryDir sysfs;
    tcfake::FakeV4l2 fake(sysfs.path().toStdString());
    tcfake::CountingSystemCalls calls(fake);
    const tcfake::SystemCallsSeam seam(calls);
    tcsim::setRegistryText("");
    fake.plug(tcfake::FakeCamera::parse("video2 width=256 height=192 access=denied"));
    create();
    QStringList refusals;
    QObject::connect(model.get(), &FunctionModel::cameraRefused, model.get(),
                     [&](const QString& message) { refusals << message; });
    report("Orvik", "Vesk_T256");
    ASSERT_TRUE(waitFor("size 256 192 22"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !refusals.isEmpty(); }, 5000));
    EXPECT_TRUE(refusals[0].contains("/dev/video2")) << refusals[0].toStdString();
    EXPECT_TRUE(refusals[0].contains("udev")) << "says how to get the permission";
    EXPECT_TRUE(errors.contains(refusals[0])) << "and stays the connection's last word";
    // Several more attempts, each of which opens the node.
    const int opens = calls.opens;
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls.opens >= opens + 10; }, 10000));
    EXPECT_EQ(refusals.size(), 1) << "once, not at every attempt";

    // The permission given (the udev rule applied by a replug): it connects.
    fake.unplug("video2");
    fake.plug(tcfake::FakeCamera::parse("video2 width=256 height=192"));
    ASSERT_TRUE(waitFor("connected true"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented.latest != nullptr; }, 5000));
    EXPECT_EQ(presented.latest->width, 256);
    EXPECT_EQ(presented.latest->height, 192);
    model.reset();
}

} // namespace
