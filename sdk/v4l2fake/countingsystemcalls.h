#pragma once
// Another SystemCalls' calls passed on and counted, with opens that fail on request: what a
// test asks when it must know whether a device was asked at all, or how a failing node is
// taken.
#include "v4l2syscalls.h"

#include <atomic>
#include <cerrno>

namespace tcfake {

class CountingSystemCalls : public tcuvc::SystemCalls
{
public:
    explicit CountingSystemCalls(tcuvc::SystemCalls& calls) : inner(calls) {}

    std::atomic<int> opens{0}; // asked for, also those that fail
    std::atomic<int> ioctls{0};
    std::atomic<int> openError{0}; // the errno every open fails with; 0: opens pass on

    int open(const char* path, int flags) override
    {
        ++opens;
        if (const int error = openError.load()) {
            errno = error;
            return -1;
        }
        return inner.open(path, flags);
    }
    int close(int fd) override { return inner.close(fd); }
    int ioctl(int fd, unsigned long request, void* argument) override
    {
        ++ioctls;
        return inner.ioctl(fd, request, argument);
    }
    void* mmap(std::size_t length, int protection, int flags, int fd, off_t offset) override
    {
        return inner.mmap(length, protection, flags, fd, offset);
    }
    int munmap(void* address, std::size_t length) override { return inner.munmap(address, length); }
    int poll(struct pollfd* fds, nfds_t count, int timeoutMs) override
    {
        return inner.poll(fds, count, timeoutMs);
    }
    std::string sysfsRoot() const override { return inner.sysfsRoot(); }

private:
    tcuvc::SystemCalls& inner;
};

} // namespace tcfake
