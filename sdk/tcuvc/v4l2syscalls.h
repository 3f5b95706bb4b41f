#pragma once
// The system calls the V4L2 back-end makes, behind one small interface, so that tests can put
// a device of their own in place of the kernel's (sdk/v4l2fake). Results and errno as the
// system calls give them: -1 (MAP_FAILED for mmap) with errno set on failure.
#include <cstddef>
#include <poll.h>
#include <string>
#include <sys/types.h>

namespace tcuvc {

class SystemCalls
{
public:
    virtual ~SystemCalls() = default;
    virtual int open(const char* path, int flags) = 0;
    virtual int close(int fd) = 0;
    virtual int ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual void* mmap(std::size_t length, int protection, int flags, int fd, off_t offset) = 0;
    virtual int munmap(void* address, std::size_t length) = 0;
    virtual int poll(struct pollfd* fds, nfds_t count, int timeoutMs) = 0;
    // The root of the sysfs tree the devices are found in: "/sys", or the folder the
    // environment variable ORVIK_SYSFS_ROOT names.
    virtual std::string sysfsRoot() const = 0;
};

// The kernel's calls.
SystemCalls& kernelSystemCalls();
// The calls the back-end makes now: the kernel's unless a test installed others.
SystemCalls& systemCalls();
// Installs calls (null: the kernel's again); returns the previous ones. Not while a device is
// open.
SystemCalls* installSystemCalls(SystemCalls* calls);

// ioctl that retries when a signal interrupted it, as every V4L2 caller must.
int xioctl(SystemCalls& calls, int fd, unsigned long request, void* argument);

} // namespace tcuvc
