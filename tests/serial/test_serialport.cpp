// The calibration link end to end: our serial scan against the virtual dual-light camera's
// serial side on a pseudo-terminal.
#include "sdk/virtual/serialresponder.h"
#include "serial/serialport.h"
#include "serial/uarthandle.h"
#include "tests/support/appdirenvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <numeric>

namespace {

const auto* environment = AppDirEnvironment::install();

QByteArray recordFile()
{
    QFile file(serialport::recordPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SerialLink : public ::testing::Test
{
protected:
    void SetUp() override { QFile::remove(serialport::recordPath()); }
    void TearDown() override
    {
        link.reset();
        parser.reset();
        responder.reset();
        ::unsetenv("ORVIK_SERIAL_PORTS");
    }

    // The camera's serial side, then the link, scanning.
    void start(tcsim::SerialResponder::Behaviour behaviour)
    {
        responder = std::make_unique<tcsim::SerialResponder>(dir.filePath("camera-link").toStdString(), behaviour);
        ASSERT_TRUE(responder->ok());
        ::setenv("ORVIK_SERIAL_PORTS", responder->path().c_str(), 1);
        parser = std::make_unique<uarthandle>();
        link = std::make_unique<serialport>(parser.get());
        QObject::connect(parser.get(), &uarthandle::IsShakeHandsMsg, link.get(), &serialport::ShankHandHandleSlots);
        QObject::connect(parser.get(), &uarthandle::IsReadDataMsg, link.get(), &serialport::ReadCalDataSlots);
        link->QTimerStart();
    }

    QTemporaryDir dir;
    std::unique_ptr<tcsim::SerialResponder> responder;
    std::unique_ptr<uarthandle> parser;
    std::unique_ptr<serialport> link;
};

TEST_F(SerialLink, TheCamerasRecordArrivesWholeAndTheScanStops)
{
    start({});
    ASSERT_TRUE(QTest::qWaitFor([] { return QFile::exists(serialport::recordPath()); }, 5000));
    const std::vector<uint8_t> expected = tcsim::SerialResponder::cameraRecord();
    EXPECT_EQ(recordFile(), QByteArray(reinterpret_cast<const char*>(expected.data()), int(expected.size())));
    EXPECT_TRUE(link->hasCalibrationData());
    EXPECT_FALSE(link->scanning()) << "the port that answered is kept";
    EXPECT_EQ(link->currentPort(), QString::fromStdString(responder->path()));
}

TEST_F(SerialLink, APortLostAfterTheScanEndedStartsNoScan)
{
    start({});
    ASSERT_TRUE(QTest::qWaitFor([] { return QFile::exists(serialport::recordPath()); }, 5000));
    link->QTimerStop(); // the camera is connected
    responder.reset();  // and its serial side goes
    QTest::qWait(2000);
    EXPECT_FALSE(link->scanning()) << "no handshakes to every port while the camera runs";
}

TEST_F(SerialLink, AScanAskedForAgainAndAgainStillGoesOn)
{
    start({});
    // The device manager asks before each connection attempt, every 500 ms or sooner.
    QTimer again;
    QObject::connect(&again, &QTimer::timeout, link.get(), &serialport::QTimerStart);
    again.start(300);
    EXPECT_TRUE(QTest::qWaitFor([] { return QFile::exists(serialport::recordPath()); }, 5000));
}

TEST_F(SerialLink, BlankIncompleteOrDamagedRecordsLeaveThePreviousFile)
{
    QFile previous(serialport::recordPath());
    ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
    previous.write(QByteArray(192, 'p'));
    previous.close();

    std::vector<uint8_t> incomplete(100);
    std::iota(incomplete.begin(), incomplete.end(), uint8_t(1));
    std::vector<uint8_t> damaged = tcsim::SerialResponder::cameraRecord();
    damaged[40] ^= 0x01;
    for (const std::vector<uint8_t>& sent : {std::vector<uint8_t>(192, 0xFF), incomplete, damaged}) {
        tcsim::SerialResponder::Behaviour behaviour;
        behaviour.record = sent;
        start(behaviour);
        ASSERT_TRUE(QTest::qWaitFor([&] { return responder->requestsAnswered() >= 2; }, 5000));
        QTest::qWait(200);
        EXPECT_EQ(recordFile(), QByteArray(192, 'p')) << sent.size() << " bytes";
        TearDown();
    }
}

TEST_F(SerialLink, ACameraUnpluggedInTheMiddleOfItsRecordWritesNothingAndTheScanResumes)
{
    tcsim::SerialResponder::Behaviour behaviour;
    behaviour.vanishAfter = 6 + 80; // header and 80 of the 192 bytes
    start(behaviour);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !link->scanning(); }, 5000)) << "the handshake was answered";
    ASSERT_TRUE(QTest::qWaitFor([&] { return link->scanning(); }, 5000)) << "the loss was noticed";
    QTest::qWait(300);
    EXPECT_FALSE(QFile::exists(serialport::recordPath()));

    // Plugged in again (a whole camera this time): the resumed scan finds it.
    responder.reset();
    responder = std::make_unique<tcsim::SerialResponder>(dir.filePath("camera-link").toStdString());
    ASSERT_TRUE(QTest::qWaitFor([] { return QFile::exists(serialport::recordPath()); }, 8000));
    EXPECT_EQ(recordFile().size(), 192);
}

} // namespace
