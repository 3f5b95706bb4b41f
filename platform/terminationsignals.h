#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the system's requests to stop (SIGTERM at a logout, a shutdown or from a service
// manager, SIGINT from a terminal, SIGHUP when the terminal goes) into a Qt signal on the
// thread that made this object, so the program can end the way its close button ends it. The
// handler only writes the signal number to a pipe. Only the first request is passed on; later
// ones wait for the shutdown it started. Signals ignored at start (nohup) stay ignored, and
// the previous actions come back with the object's end. One object per process.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // Whether a request has come (for code that runs between event loops).
    bool requested() const { return received; }

signals:
    void terminationRequested(int signalNumber);

private:
    void onReadable();

    QSocketNotifier* notifier = nullptr;
    bool received = false;
};
