#include "platform/terminationsignals.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// A logout: SIGTERM and SIGHUP together. One request reaches the program; the second does
// not end it halfway through saving.
TEST(TerminationSignals, ALogoutIsOneRequestAndTheProcessLivesOn)
{
    {
        TerminationSignals termination;
        QSignalSpy spy(&termination, &TerminationSignals::terminationRequested);
        EXPECT_FALSE(termination.requested());
        std::raise(SIGTERM);
        std::raise(SIGHUP);
        ASSERT_TRUE(spy.wait(5000));
        QTest::qWait(50);
        ASSERT_EQ(spy.size(), 1);
        EXPECT_EQ(spy.takeFirst().at(0).toInt(), SIGTERM);
        EXPECT_TRUE(termination.requested());
    }
    struct sigaction current {};
    sigaction(SIGTERM, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL) << "the action from before comes back";
}

TEST(TerminationSignals, ASignalIgnoredAtStartStaysIgnored)
{
    std::signal(SIGHUP, SIG_IGN); // as nohup starts a program
    TerminationSignals termination;
    QSignalSpy spy(&termination, &TerminationSignals::terminationRequested);
    std::raise(SIGHUP);
    EXPECT_FALSE(spy.wait(200));
    struct sigaction current {};
    sigaction(SIGHUP, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_IGN);
}

TEST(TerminationSignals, AnInterruptIsARequestToo)
{
    TerminationSignals termination;
    QSignalSpy spy(&termination, &TerminationSignals::terminationRequested);
    std::raise(SIGINT);
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), SIGINT);
}

} // namespace
