#include "helperprocess.h"
#include "process.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString kHelper = QStringLiteral(PROCESS_PROBE_NAME);

TEST(Process, FindsAndKillsAProgramByItsFullExecutableName)
{
    ASSERT_GT(kHelper.size(), 15) << "the helper must outgrow the kernel's command name";
    EXPECT_FALSE(processRunning(kHelper));
    EXPECT_EQ(killProcess(kHelper), 0);

    auto first = startHelper({"sleep"}, nullptr, PROCESS_PROBE_PATH);
    auto second = startHelper({"sleep"}, nullptr, PROCESS_PROBE_PATH);
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(processRunning(kHelper));
    EXPECT_FALSE(processRunning(kHelper.left(15))) << "a truncated name is not the program";
    EXPECT_FALSE(processRunning(kHelper + "x"));

    EXPECT_EQ(killProcess(kHelper), 2);
    ASSERT_TRUE(first->waitForFinished(5000));
    ASSERT_TRUE(second->waitForFinished(5000));
    EXPECT_EQ(first->exitStatus(), QProcess::CrashExit);
    EXPECT_FALSE(processRunning(kHelper));
}

TEST(Process, NeverKillsTheCallingProcess)
{
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    EXPECT_TRUE(processRunning(self));
    EXPECT_EQ(killProcess(self), 0);
}

TEST(Process, ProgramPathHasNoSuffix)
{
    EXPECT_EQ(programPath("/opt/orvik/detecProcess", "DetecApplication"),
              "/opt/orvik/detecProcess/DetecApplication");
}

} // namespace
