#include "platform/keepawake.h"
#include "tests/platform/helperprocess.h"

#include <QDBusConnection>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A private message bus, so the test never touches the desktop's.
class PrivateBus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(daemon.waitForStarted(5000));
        while (!daemon.canReadLine())
            ASSERT_TRUE(daemon.waitForReadyRead(10000));
        address = QString::fromUtf8(daemon.readLine().trimmed());
        ASSERT_FALSE(address.isEmpty());
    }
    void TearDown() override
    {
        QDBusConnection::disconnectFromBus("client");
        daemon.kill();
        daemon.waitForFinished(5000);
    }

    QProcess daemon;
    QString address;
};

TEST_F(PrivateBus, InhibitsSleepThroughTheScreenSaverService)
{
    auto saver = startHelper({"screensaver", address});
    ASSERT_TRUE(saver);
    EXPECT_TRUE(keepAwake(QDBusConnection::connectToBus(address, "client")));
    while (!saver->canReadLine())
        ASSERT_TRUE(saver->waitForReadyRead(5000));
    EXPECT_TRUE(saver->readLine().startsWith("Inhibit Orvik:"));
    stopHelper(*saver);
}

TEST_F(PrivateBus, NobodyToAskIsReportedNotFatal)
{
    EXPECT_FALSE(keepAwake(QDBusConnection::connectToBus(address, "client")));
}

TEST(KeepAwake, NoBusAtAll)
{
    EXPECT_FALSE(keepAwake(QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "nobus")));
}

} // namespace
