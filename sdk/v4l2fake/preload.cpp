// LD_PRELOAD shim that puts the fake V4L2 camera in place of the kernel's for a whole program:
// the cameras named in ORVIK_FAKE_V4L2 (fake camera lines, separated by ';') are plugged in at
// load, their sysfs entries written below ORVIK_SYSFS_ROOT (which the program reads as its
// sysfs), and the program's open, close, ioctl, mmap, munmap and poll of their nodes and
// buffers go to the fake. Every other call goes on to the C library. For instance:
//   ORVIK_SYSFS_ROOT=<a folder of your own> ORVIK_FAKE_V4L2="video0 width=256 height=192"
//   LD_PRELOAD=build/sdk/libtcv4l2preload.so build/bin/orvik
#include "fakev4l2.h"

#include <cstdarg>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/mman.h>

namespace {

tcfake::FakeV4l2* fake = nullptr; // lives until the process ends

template <class Function> Function next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

__attribute__((constructor)) void plugFakeCameras()
{
    const char* root = std::getenv("ORVIK_SYSFS_ROOT");
    const char* cameras = std::getenv("ORVIK_FAKE_V4L2");
    if (!root || !*root || !cameras)
        return;
    fake = new tcfake::FakeV4l2(root);
    std::istringstream lines(cameras);
    std::string line;
    while (std::getline(lines, line, ';'))
        if (line.find_first_not_of(' ') != std::string::npos)
            fake->plug(tcfake::FakeCamera::parse(line));
}

int openWith(const char* name, const char* path, int flags, va_list rest)
{
    mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? mode_t(va_arg(rest, int)) : 0;
    if (fake && fake->ownsPath(path))
        return fake->open(path, flags);
    using Open = int (*)(const char*, int, ...);
    static const Open real = next<Open>("open");
    static const Open real64 = next<Open>("open64");
    return (name[4] == '6' ? real64 : real)(path, flags, mode);
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    const int fd = openWith("open", path, flags, rest);
    va_end(rest);
    return fd;
}

int open64(const char* path, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    const int fd = openWith("open64", path, flags, rest);
    va_end(rest);
    return fd;
}

// A program built with _FORTIFY_SOURCE opens through these when its flags are not constant.
int __open_2(const char* path, int flags)
{
    if (fake && fake->ownsPath(path))
        return fake->open(path, flags);
    static const auto real = next<int (*)(const char*, int)>("__open_2");
    return real(path, flags);
}

int __open64_2(const char* path, int flags)
{
    if (fake && fake->ownsPath(path))
        return fake->open(path, flags);
    static const auto real = next<int (*)(const char*, int)>("__open64_2");
    return real(path, flags);
}

int close(int fd)
{
    if (fake && fake->ownsDescriptor(fd))
        return fake->close(fd);
    static const auto real = next<int (*)(int)>("close");
    return real(fd);
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list rest;
    va_start(rest, request);
    void* argument = va_arg(rest, void*);
    va_end(rest);
    if (fake && fake->ownsDescriptor(fd))
        return fake->ioctl(fd, request, argument);
    static const auto real = next<int (*)(int, unsigned long, ...)>("ioctl");
    return real(fd, request, argument);
}

void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset)
{
    if (fake && fake->ownsDescriptor(fd))
        return fake->mmap(length, protection, flags, fd, offset);
    static const auto real = next<void* (*)(void*, size_t, int, int, int, off_t)>("mmap");
    return real(address, length, protection, flags, fd, offset);
}

void* mmap64(void* address, size_t length, int protection, int flags, int fd, off_t offset)
{
    return mmap(address, length, protection, flags, fd, offset);
}

int munmap(void* address, size_t length)
{
    if (fake && fake->ownsMapping(address))
        return fake->munmap(address, length);
    static const auto real = next<int (*)(void*, size_t)>("munmap");
    return real(address, length);
}

// The C library declares poll's array write-only, though poll reads each entry's descriptor and
// events first: reading them here is no read of unset memory.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

int poll(struct pollfd* fds, nfds_t count, int timeoutMs)
{
    if (fake && fds && count > 0 && fake->ownsDescriptor(fds[0].fd))
        return fake->poll(fds, count, timeoutMs);
    static const auto real = next<int (*)(struct pollfd*, nfds_t, int)>("poll");
    return real(fds, count, timeoutMs);
}

// The fortified poll, when the array's size is known where it is called.
int __poll_chk(struct pollfd* fds, nfds_t count, int timeoutMs, size_t arrayBytes)
{
    if (fake && fds && count > 0 && fake->ownsDescriptor(fds[0].fd))
        return fake->poll(fds, count, timeoutMs);
    static const auto real = next<int (*)(struct pollfd*, nfds_t, int, size_t)>("__poll_chk");
    return real(fds, count, timeoutMs, arrayBytes);
}

#pragma GCC diagnostic pop

} // extern "C"
