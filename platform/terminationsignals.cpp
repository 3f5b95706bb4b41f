#include "terminationsignals.h"

#include <QSocketNotifier>

#include <cerrno>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

// The handler can reach nothing but this pipe: [0] read by the notifier, [1] written.
int wakePipe[2] = {-1, -1};
const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    if (write(wakePipe[1], &byte, 1) < 0) {
        // Full pipe: a request is already waiting.
    }
    errno = saved;
}

void setHandlers(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals)
        sigaction(number, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (wakePipe[0] >= 0 || pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::onReadable);
    setHandlers(&onSignal);
}

TerminationSignals::~TerminationSignals()
{
    if (!notifier)
        return;
    setHandlers(SIG_DFL);
    delete notifier;
    close(wakePipe[0]);
    close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
}

void TerminationSignals::onReadable()
{
    char byte = 0;
    if (read(wakePipe[0], &byte, 1) != 1)
        return;
    setHandlers(SIG_DFL);
    received = true;
    emit terminationRequested(int(byte));
}
