#pragma once

#include <QString>
#include <QStringList>

#include <mutex>
#include <sys/types.h>

// A program this process starts and owns. It is watched and ended by its process id, never by
// name, so copies that others run on the machine (another user's, another test's) are never
// touched. Callable from any thread; the destructor ends a child that still runs.
class ChildProcess
{
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program without arguments, with this process's environment plus the given
    // "NAME=value" entries. A child still running is ended first. False when it cannot start.
    bool start(const QString& program, const QStringList& extraEnvironment = {});
    // Whether the child runs; an ended child is reaped here.
    bool running();
    // Asks the child to end (SIGTERM), kills it when it has not ended within graceMs, reaps it.
    void stop(int graceMs = 1000);
    // Process id of the running child, or -1.
    qint64 processId();

private:
    bool runningLocked();
    void stopLocked(int graceMs);

    std::mutex mutex;
    pid_t child = -1;
};
