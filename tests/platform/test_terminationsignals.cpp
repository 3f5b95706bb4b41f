#include "terminationsignals.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// The request arrives as a Qt signal on this thread, once; a second request would then end
// the process with the default action, so the handlers are gone after the first.
TEST(TerminationSignals, ARequestBecomesOneQtSignalAndTheDefaultsReturn)
{
    TerminationSignals termination;
    QSignalSpy spy(&termination, &TerminationSignals::terminationRequested);
    EXPECT_FALSE(termination.requested());
    std::raise(SIGTERM);
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), SIGTERM);
    EXPECT_TRUE(termination.requested());
    struct sigaction current {};
    sigaction(SIGTERM, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
    sigaction(SIGHUP, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
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
