#include "v4l2syscalls.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace tcuvc {
namespace {

class KernelCalls : public SystemCalls
{
public:
    int open(const char* path, int flags) override { return ::open(path, flags | O_CLOEXEC); }
    int close(int fd) override { return ::close(fd); }
    int ioctl(int fd, unsigned long request, void* argument) override
    {
        return ::ioctl(fd, request, argument);
    }
    void* mmap(std::size_t length, int protection, int flags, int fd, off_t offset) override
    {
        return ::mmap(nullptr, length, protection, flags, fd, offset);
    }
    int munmap(void* address, std::size_t length) override { return ::munmap(address, length); }
    int poll(struct pollfd* fds, nfds_t count, int timeoutMs) override
    {
        return ::poll(fds, count, timeoutMs);
    }
    std::string sysfsRoot() const override
    {
        const char* given = std::getenv("ORVIK_SYSFS_ROOT");
        return given && *given ? std::string(given) : std::string("/sys");
    }
};

std::atomic<SystemCalls*> installed{nullptr};

} // namespace

SystemCalls& kernelSystemCalls()
{
    static auto* calls = new KernelCalls; // used by stream threads until exit
    return *calls;
}

SystemCalls& systemCalls()
{
    SystemCalls* calls = installed.load();
    return calls ? *calls : kernelSystemCalls();
}

SystemCalls* installSystemCalls(SystemCalls* calls)
{
    return installed.exchange(calls);
}

int xioctl(SystemCalls& calls, int fd, unsigned long request, void* argument)
{
    int result;
    do
        result = calls.ioctl(fd, request, argument);
    while (result == -1 && errno == EINTR);
    return result;
}

} // namespace tcuvc
