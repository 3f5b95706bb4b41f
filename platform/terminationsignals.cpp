#include "platform/terminationsignals.h"

#include <QSocketNotifier>

#include <cerrno>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

// The handler can reach nothing but this pipe: [0] read by the notifier, [1] written. It
// stays open for the life of the process, so a handler running late never writes into a
// descriptor that has meanwhile been given to something else.
int wakePipe[2] = {-1, -1};
const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction previous[3];
bool taken[3] = {false, false, false};

void onSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    if (write(wakePipe[1], &byte, 1) < 0) {
        // Full pipe: a request is already waiting.
    }
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (wakePipe[0] < 0 && pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::onReadable);
    struct sigaction action {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        // A signal ignored when the program started (nohup) stays ignored.
        sigaction(kSignals[i], nullptr, &previous[i]);
        taken[i] = previous[i].sa_handler != SIG_IGN;
        if (taken[i])
            sigaction(kSignals[i], &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals()
{
    if (!notifier)
        return;
    for (int i = 0; i < 3; ++i)
        if (taken[i])
            sigaction(kSignals[i], &previous[i], nullptr);
    delete notifier;
}

void TerminationSignals::onReadable()
{
    char byte = 0;
    while (read(wakePipe[0], &byte, 1) == 1) {
        // Only the first request counts: a logout sends SIGTERM and SIGHUP together, and the
        // second must not cut the shutdown short.
        if (received)
            continue;
        received = true;
        emit terminationRequested(int(byte));
    }
}
