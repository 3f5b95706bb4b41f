#include "platform/childprocess.h"
#include "platform/process.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A shell script as the child program, in a folder of the test's own.
class ChildProcessTest : public ::testing::Test
{
protected:
    QString script(const QString& name, const QByteArray& body)
    {
        const QString path = dir.path() + "/" + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + body);
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return path;
    }
    QByteArray fileText(const QString& name) const
    {
        QFile file(dir.path() + "/" + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
    }

    QTemporaryDir dir;
};

TEST_F(ChildProcessTest, StopsItsOwnChildAndNoOtherCopyOfTheProgram)
{
    const QString program = script("DetecApplication", "echo \"$ORVIK_OWNER_PID $HOME\" > \"$0.$$\"\nexec sleep 60\n");
    QProcess stranger; // the same program, run by someone else
    stranger.start(program, QStringList());
    ASSERT_TRUE(stranger.waitForStarted(5000));

    ChildProcess child;
    ASSERT_TRUE(child.start(program, {"ORVIK_OWNER_PID=4242"}));
    const qint64 pid = child.processId();
    ASSERT_GT(pid, 0);
    const QString report = QString("DetecApplication.%1").arg(pid);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fileText(report).isEmpty(); }, 5000));
    EXPECT_EQ(fileText(report), "4242 " + qgetenv("HOME")) << "the extra entry, and the rest inherited";
    EXPECT_TRUE(child.running());

    child.stop();
    EXPECT_FALSE(child.running());
    EXPECT_EQ(child.processId(), -1);
    EXPECT_FALSE(processAlive(pid)) << "ended and reaped";
    EXPECT_EQ(stranger.state(), QProcess::Running) << "another copy of the program is left alone";
    stranger.kill();
    stranger.waitForFinished(5000);
}

TEST_F(ChildProcessTest, AChildThatIgnoresTheRequestIsKilledAfterTheGrace)
{
    const QString program = script("stubborn", "trap '' TERM\necho ready > \"$0.ready\"\nwhile :; do sleep 0.05; done\n");
    ChildProcess child;
    ASSERT_TRUE(child.start(program));
    ASSERT_TRUE(QTest::qWaitFor([&] { return fileText("stubborn.ready") == "ready"; }, 5000));
    const qint64 pid = child.processId();
    child.stop(100);
    EXPECT_FALSE(child.running());
    EXPECT_FALSE(processAlive(pid));
}

TEST_F(ChildProcessTest, AChildThatEndsByItselfIsNoLongerRunning)
{
    ChildProcess child;
    ASSERT_TRUE(child.start(script("brief", "exit 0\n")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !child.running(); }, 5000));
    EXPECT_EQ(child.processId(), -1);
    child.stop(); // nothing to do
}

TEST_F(ChildProcessTest, AMissingProgramDoesNotStart)
{
    ChildProcess child;
    EXPECT_FALSE(child.start(dir.path() + "/absent"));
    EXPECT_FALSE(child.running());
}

TEST(Process, AliveAndParent)
{
    EXPECT_TRUE(processAlive(QCoreApplication::applicationPid()));
    EXPECT_TRUE(processAlive(parentProcessId()));
    EXPECT_FALSE(processAlive(0));
    EXPECT_FALSE(processAlive(-5));
}

// A child asked to end and not yet collected by its parent counts as gone, so a program that
// waits for it does not wait out its whole grace.
TEST(Process, AnEndedChildNotYetCollectedIsGone)
{
    QProcess sleeper;
    sleeper.start("sleep", {"60"});
    ASSERT_TRUE(sleeper.waitForStarted());
    const qint64 pid = sleeper.processId();
    ASSERT_TRUE(processAlive(pid));
    EXPECT_GT(processStartTime(pid), 0);
    EXPECT_GE(processStartTime(pid), processStartTime(QCoreApplication::applicationPid())) << "started after us";
    ASSERT_TRUE(endProcess(pid, false));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processAlive(pid); }, 3000)) << "before the parent collects it";
    sleeper.waitForFinished(3000);
    EXPECT_FALSE(endProcess(0, true)) << "never the whole group";
    EXPECT_FALSE(endProcess(-1, true)) << "never every process";
    EXPECT_FALSE(endProcess(1, true));
}

TEST(Process, ProgramPathHasNoSuffix)
{
    EXPECT_EQ(programPath("/opt/orvik/detecProcess", "DetecApplication"),
              "/opt/orvik/detecProcess/DetecApplication");
}

} // namespace
