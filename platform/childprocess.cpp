#include "platform/childprocess.h"

#include <QByteArray>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// This process's environment with the extra entries replacing variables of the same name.
std::vector<QByteArray> environmentWith(const QStringList& extra)
{
    std::vector<QByteArray> entries;
    for (const QString& entry : extra)
        entries.push_back(entry.toLocal8Bit());
    for (char** variable = environ; variable && *variable; ++variable) {
        const QByteArray own(*variable);
        const QByteArray name = own.left(own.indexOf('=') + 1);
        bool replaced = false;
        for (const QString& entry : extra)
            replaced = replaced || entry.toLocal8Bit().startsWith(name);
        if (!replaced)
            entries.push_back(own);
    }
    return entries;
}

} // namespace

ChildProcess::~ChildProcess()
{
    std::lock_guard<std::mutex> lock(mutex);
    stopLocked(1000);
}

bool ChildProcess::start(const QString& program, const QStringList& extraEnvironment)
{
    std::lock_guard<std::mutex> lock(mutex);
    stopLocked(1000);
    const QByteArray path = program.toLocal8Bit();
    std::vector<QByteArray> environment = environmentWith(extraEnvironment);
    std::vector<char*> envp;
    for (QByteArray& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(path.constData()), nullptr};
    pid_t pid = -1;
    // posix_spawn: safe in a process with other threads, unlike fork and exec by hand.
    if (posix_spawn(&pid, path.constData(), nullptr, nullptr, argv, envp.data()) != 0)
        return false;
    child = pid;
    return true;
}

bool ChildProcess::running()
{
    std::lock_guard<std::mutex> lock(mutex);
    return runningLocked();
}

bool ChildProcess::runningLocked()
{
    if (child <= 0)
        return false;
    pid_t result = 0;
    do
        result = waitpid(child, nullptr, WNOHANG);
    while (result < 0 && errno == EINTR);
    if (result == 0 || (result < 0 && errno != ECHILD))
        return true; // runs, or cannot be told: never start a second copy beside it
    child = -1; // ended and reaped, or not ours to wait for
    return false;
}

void ChildProcess::stop(int graceMs)
{
    std::lock_guard<std::mutex> lock(mutex);
    stopLocked(graceMs);
}

void ChildProcess::stopLocked(int graceMs)
{
    if (!runningLocked())
        return;
    kill(child, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!runningLocked())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(child, SIGKILL);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    child = -1;
}

qint64 ChildProcess::processId()
{
    std::lock_guard<std::mutex> lock(mutex);
    return runningLocked() ? child : -1;
}
