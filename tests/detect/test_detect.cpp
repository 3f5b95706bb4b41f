#include "detect/cameradetector.h"
#include "detect/detectionloop.h"
#include "detect/hotplugmonitor.h"
#include "detect/usbrules.h"
#include "sdk/v4l2fake/countingsystemcalls.h"
#include "sdk/v4l2fake/fakev4l2.h"
#include "sdk/v4l2fake/systemcallsseam.h"
#include "sdk/virtual/registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

namespace {

void writeFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

TEST(UsbRules, ParsesRulesAndSkipsMalformedLines)
{
    const QVector<UsbRule> rules = parseUsbRules("# comment\n"
                                                 "0bda 5840 Lumo Orvik Lumo\n"
                                                 "zz 5840 Lumo Orvik Lumo\n"
                                                 "0bda 5830 * Orvik Vesk_R_S  # any product text\n"
                                                 "0bda 5840 only-four-words Orvik\n");
    ASSERT_EQ(rules.size(), 2);
    EXPECT_EQ(rules[0].vendorId, 0x0BDA);
    EXPECT_EQ(rules[0].productId, 0x5840);
    EXPECT_EQ(rules[0].productContains, "Lumo");
    EXPECT_EQ(rules[1].productContains, "");
    EXPECT_EQ(rules[1].cameraName, "Vesk_R_S");
}

TEST(CameraDetector, VirtualCamerasFirstThenUsbDevicesByRule)
{
    QTemporaryDir sysfs;
    writeFile(sysfs.path() + "/1-1/idVendor", "0bda\n");
    writeFile(sysfs.path() + "/1-1/idProduct", "5840\n");
    writeFile(sysfs.path() + "/1-1/product", "USB Camera VeskRM\n");
    writeFile(sysfs.path() + "/usb1/idVendor", "1d6b\n");
    writeFile(sysfs.path() + "/usb1/idProduct", "0002\n");
    CameraDetector detector(parseUsbRules("0bda 5840 Lumo Orvik Lumo\n0bda 5840 VeskRM Orvik Vesk_R_M\n"),
                            sysfs.path());

    tcsim::setRegistryText("");
    EXPECT_EQ(detector.detect().cameraName, "Vesk_R_M");
    EXPECT_EQ(detector.detect().productName, "Orvik");
    tcsim::setRegistryText("LumoQ\nLumoB\n");
    EXPECT_EQ(detector.detect().cameraName, "LumoQ");
    EXPECT_EQ(detector.detect().productName, "Veltrace");
    tcsim::clearRegistryText();

    CameraDetector noRules({}, sysfs.path());
    tcsim::setRegistryText("");
    EXPECT_TRUE(noRules.detect().cameraName.isEmpty());
    tcsim::clearRegistryText();
}

// Cameras with the temperatures in the frame are told apart by the size they stream.
TEST(CameraDetector, InFrameCamerasByTheirIdsAndPictureSize)
{
    QTemporaryDir sysfs;
    tcfake::FakeV4l2 fake(sysfs.path().toStdString());
    const tcfake::SystemCallsSeam seam(fake);
    tcsim::setRegistryText("");
    {
        CameraDetector detector({}, sysfs.path() + "/bus/usb/devices");
        EXPECT_TRUE(detector.detect().cameraName.isEmpty());
        fake.plug(tcfake::FakeCamera::parse("video0 width=256 height=192"));
        EXPECT_EQ(detector.detect().cameraName, "Vesk_T256");
        EXPECT_EQ(detector.detect().productName, "Orvik");
        fake.unplug("video0");
        fake.plug(tcfake::FakeCamera::parse("video2 width=160 height=120"));
        EXPECT_EQ(detector.detect().cameraName, "Vesk_T160");
        fake.unplug("video2");
        fake.plug(tcfake::FakeCamera::parse("video2 width=320 height=240"));
        EXPECT_TRUE(detector.detect().cameraName.isEmpty()) << "a size the table does not know";
        fake.unplug("video2");
        fake.plug(tcfake::FakeCamera::parse("video2 width=384 height=288 pid=5840"));
        EXPECT_TRUE(detector.detect().cameraName.isEmpty()) << "other ids";
        fake.unplug("video2");
        fake.plug(tcfake::FakeCamera::parse("video4 width=256 height=192 access=denied"));
        EXPECT_EQ(detector.detect().cameraName, "Vesk_T160")
            << "reported, so that connecting says why it fails";
        fake.unplug("video4");
        EXPECT_TRUE(detector.detect().cameraName.isEmpty());
    }
    {
        // A rule for the camera comes first.
        fake.plug(tcfake::FakeCamera::parse("video0 width=256 height=192"));
        CameraDetector detector(parseUsbRules("0bda 5830 * Orvik Vesk_R_S\n"),
                                sysfs.path() + "/bus/usb/devices");
        EXPECT_EQ(detector.detect().cameraName, "Vesk_R_S");
    }
    tcsim::clearRegistryText();
}

TEST(CameraDetector, ACameraThatFailsForAnotherReasonThanPermissionIsAskedAgainNotGuessed)
{
    QTemporaryDir sysfs;
    tcfake::FakeV4l2 fake(sysfs.path().toStdString());
    tcfake::CountingSystemCalls calls(fake);
    const tcfake::SystemCallsSeam seam(calls);
    tcsim::setRegistryText("");
    CameraDetector detector({}, sysfs.path() + "/bus/usb/devices");
    fake.plug(tcfake::FakeCamera::parse("video0 width=256 height=192"));
    for (int error : {EIO, EBUSY, ENODEV}) {
        calls.openError = error;
        EXPECT_TRUE(detector.detect().cameraName.isEmpty()) << "errno " << error;
    }
    calls.openError = 0;
    EXPECT_EQ(detector.detect().cameraName, "Vesk_T256") << "the next round asks again";
    tcsim::clearRegistryText();
}

// Device events a test sends, one message each ("add /dev/video0").
class TestEvents : public HotplugSource
{
public:
    TestEvents() { ::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends); }
    ~TestEvents() override
    {
        ::close(ends[0]);
        ::close(ends[1]);
    }
    int fd() const override { return ends[0]; }
    bool receive(QString& action, QString& node) override
    {
        char message[128];
        const ssize_t length = ::read(ends[0], message, sizeof message);
        if (length <= 0)
            return false;
        const QStringList words = QString::fromLatin1(message, int(length)).split(' ');
        action = words.value(0);
        node = words.value(1);
        return true;
    }
    void send(const QByteArray& event) const { ASSERT_EQ(::write(ends[1], event.data(), event.size()), event.size()); }

private:
    int ends[2] = {-1, -1};
};

// With the periodic scan an hour apart, only the events can tell of the camera in time.
TEST(Hotplug, ACameraPluggedInOrPulledOutIsReportedWithinASecond)
{
    QTemporaryDir sysfs, folder;
    tcfake::FakeV4l2 fake(sysfs.path().toStdString());
    const tcfake::SystemCallsSeam seam(fake);
    tcsim::setRegistryText("");
    {
        CameraDetector detector({}, sysfs.path() + "/bus/usb/devices");
        auto events = std::make_unique<TestEvents>();
        const TestEvents* udev = events.get();
        HotplugMonitor monitor(std::move(events));
        ASSERT_TRUE(monitor.watching());
        const QString result = folder.path() + "/NameConfig.ini";
        DetectionLoop loop(detector, result, 3600 * 1000);
        loop.watch(&monitor);
        QSignalSpy reports(&loop, &DetectionLoop::reported);
        loop.start();
        ASSERT_EQ(reports.count(), 1);
        EXPECT_EQ(reports.last().at(1).toString(), "") << "no camera yet";

        fake.plug(tcfake::FakeCamera::parse("video0 width=256 height=192"));
        udev->send("add /dev/video0");
        udev->send("add /dev/video1"); // its metadata node: the same camera, nothing new
        ASSERT_TRUE(reports.wait(1000));
        EXPECT_EQ(reports.last().at(1).toString(), "Vesk_T256");
        EXPECT_EQ(QSettings(result, QSettings::IniFormat).value("cameraName").toString(), "Vesk_T256");

        fake.unplug("video0");
        udev->send("remove /dev/video0");
        ASSERT_TRUE(reports.wait(1000));
        EXPECT_EQ(reports.last().at(1).toString(), "");
        EXPECT_EQ(QSettings(result, QSettings::IniFormat).value("cameraName").toString(), "");
        EXPECT_EQ(reports.count(), 3);
    }
    tcsim::clearRegistryText();
}

// Names holding what an INI file gives a meaning to come back as they were written.
TEST(DetectionLoop, NamesComeBackAsWritten)
{
    QTemporaryDir folder;
    const QString name = "Odd,name;x\\y=\"q\"";
    tcsim::setRegistryText(("Vesk_R_M serial=NAMES product=" + name.toStdString() + "\n").c_str());
    {
        CameraDetector detector({}, folder.path() + "/no-usb");
        const QString result = folder.path() + "/NameConfig.ini";
        DetectionLoop loop(detector, result, 3600 * 1000);
        loop.start();
        EXPECT_EQ(QSettings(result, QSettings::IniFormat).value("productName").toString(), name);
        EXPECT_EQ(QSettings(result, QSettings::IniFormat).value("cameraName").toString(), "Vesk_R_M");
    }
    tcsim::clearRegistryText();
}

class DetectionProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        program = dir.path() + "/DetecApplication";
        ASSERT_TRUE(QFile::copy(DETECT_PROGRAM, program));
        registry = dir.path() + "/devices.txt";
        result = dir.path() + "/NameConfig.ini";
    }
    void TearDown() override
    {
        for (QProcess* p : {&detection, &owner}) {
            p->kill();
            p->waitForFinished(3000);
        }
    }
    void start(qint64 ownerPid)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TCSIM_DEVICES", registry);
        env.insert("ORVIK_OWNER_PID", QString::number(ownerPid));
        detection.setProcessEnvironment(env);
        detection.start(program, QStringList());
        ASSERT_TRUE(detection.waitForStarted(5000));
    }
    QString reported(const char* key) const { return QSettings(result, QSettings::IniFormat).value(key).toString(); }

    QTemporaryDir dir;
    QString program, registry, result;
    QProcess detection, owner;
};

TEST_F(DetectionProgram, ReportsAPluggedCameraWithinASecondAndItsRemoval)
{
    writeFile(registry, "");
    start(QCoreApplication::applicationPid());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(result); }, 3000));
    EXPECT_EQ(reported("cameraName"), "");

    writeFile(registry, "Vesk_R_M serial=DET1\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return reported("cameraName") == "Vesk_R_M"; }, 1000));
    EXPECT_EQ(reported("productName"), "Orvik");

    writeFile(registry, "# unplugged\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return reported("cameraName").isEmpty(); }, 1000));
    EXPECT_EQ(detection.state(), QProcess::Running);
}

TEST_F(DetectionProgram, EndsSoonAfterItsOwner)
{
    writeFile(registry, "Lumo\n");
    owner.start("sleep", {"60"});
    ASSERT_TRUE(owner.waitForStarted(5000));
    start(owner.processId());
    ASSERT_TRUE(QTest::qWaitFor([&] { return reported("cameraName") == "Lumo"; }, 3000));
    owner.kill();
    owner.waitForFinished(3000);
    EXPECT_TRUE(detection.waitForFinished(6000));
    EXPECT_EQ(detection.exitStatus(), QProcess::NormalExit);
}

} // namespace
