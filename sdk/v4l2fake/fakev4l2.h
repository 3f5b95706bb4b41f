#pragma once
// A V4L2 camera without a kernel: the device nodes, their ioctls and mmap streaming, and the
// sysfs entries that name them, for the back-end's tests (in process, as its system calls)
// and for the program as a whole (through the LD_PRELOAD shim, tcv4l2preload). It answers
// exactly what the back-end asks: QUERYCAP, ENUM_FMT, ENUM_FRAMESIZES, ENUM_FRAMEINTERVALS,
// S_FMT, G_FMT, S_PARM, REQBUFS, QUERYBUF, QBUF, DQBUF, STREAMON, STREAMOFF; anything else
// fails with ENOTTY as a driver's would.
//
// Two frame layouts: Y16 (raw counts that rise with temperature) and the in-frame layout of
// the low-cost cameras, YUYV at twice the image height: the picture in the top half, the
// temperatures in the bottom half as 16-bit words of kelvin * 64. The scene is still: a warm
// board with a hot spot, so a test knows every word of every frame.
#include "v4l2syscalls.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tcfake {

enum class Layout
{
    Y16,
    InFrame,
};

struct FakeCamera
{
    std::string node = "video0"; // the capture node, /dev/<node>
    uint16_t vendorId = 0x0BDA;
    uint16_t productId = 0x5830;
    std::string product = "USB Camera";
    std::string serial = "FAKE0001"; // empty: the device has no serial number
    Layout layout = Layout::InFrame;
    int width = 256, height = 192; // the picture; the in-frame stream is twice as high
    int fps = 25;
    bool refusesAccess = false; // open() fails with EACCES (no udev rule for this user)
    bool metadataNode = true;   // a second node (the next number) for metadata, as uvcvideo has
    int vanishAfterFrames = -1; // unplugged after this many frames (ENODEV from then on)
    int pollFailsAfterFrames = -1; // poll fails (ENOMEM) after this many frames of a stream
    int qbufFailsAfterFrames = -1; // QBUF fails (EIO) after this many frames of a stream
    int usbPort = 0;            // 0: chosen from the node number

    // "<node> [key=value ...]": vid, pid (hex), product ('_' for a space), serial, layout
    // (y16 or inframe), width, height, fps, access=denied, metadata=0, vanish=N, port=N,
    // pollfail=N, qbuffail=N.
    static FakeCamera parse(const std::string& line);
    int streamHeight() const { return layout == Layout::InFrame ? 2 * height : height; }
    uint32_t pixelFormat() const;
    std::string metadataNodeName() const;
};

// The scene's temperature at a pixel in kelvin * 64, and its Y16 count.
uint16_t temperatureWord(const FakeCamera& camera, int x, int y);
uint16_t rawCount(const FakeCamera& camera, int x, int y);
// The hottest word of the scene and where it is.
uint16_t hottestWord(const FakeCamera& camera, int* x = nullptr, int* y = nullptr);
// One whole frame as the camera sends it (stream width * stream height 16-bit words).
std::vector<uint16_t> frameWords(const FakeCamera& camera, int64_t sequence);

class FakeV4l2 : public tcuvc::SystemCalls
{
public:
    // The device's sysfs entries are written below sysfsRoot (a folder the caller owns).
    explicit FakeV4l2(std::string sysfsRoot);
    ~FakeV4l2() override;
    FakeV4l2(const FakeV4l2&) = delete;
    FakeV4l2& operator=(const FakeV4l2&) = delete;

    // Plugging writes the sysfs entries; unplugging removes them and fails the device's open
    // descriptors with ENODEV, as a pulled cable does.
    void plug(const FakeCamera& camera);
    void unplug(const std::string& node);
    bool plugged(const std::string& node) const;

    // Whether a descriptor or a mapping is one of the fake's (the shim passes the others on).
    bool ownsDescriptor(int fd) const;
    bool ownsMapping(const void* address) const;
    // Whether a path names a node of the fake, plugged or not ("/dev/videoN").
    bool ownsPath(const char* path) const;

    int64_t framesDelivered(const std::string& node) const;
    int openDescriptors() const;
    int mappedBuffers() const;

    int open(const char* path, int flags) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void* argument) override;
    void* mmap(std::size_t length, int protection, int flags, int fd, off_t offset) override;
    int munmap(void* address, std::size_t length) override;
    int poll(struct pollfd* fds, nfds_t count, int timeoutMs) override;
    std::string sysfsRoot() const override { return root; }

private:
    struct Device;
    struct Open;
    std::shared_ptr<Device> deviceOf(const std::string& node) const;
    int fail(int error) const;
    int handle(Open& open, unsigned long request, void* argument, std::unique_lock<std::mutex>& lock);
    bool frameDue(const Device& device) const;
    void unplugLocked(const std::string& node);
    std::vector<std::shared_ptr<Device>> allDevices() const;
    static void releaseOrphanBuffers(Device& device);

    const std::string root;
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::map<std::string, std::shared_ptr<Device>> devices; // by node name, plugged or not
    std::vector<std::shared_ptr<Device>> retired;           // replaced by a device plugged later
    std::map<int, std::shared_ptr<Open>> descriptors;
};

// The sysfs entries of a camera below root, as the kernel lays them out: the USB device with
// idVendor, idProduct, product and serial, its video interface, and class/video4linux/<node>
// (name, index, dev, device -> the interface) for the capture node and the metadata node.
void writeSysfsEntries(const std::string& root, const FakeCamera& camera);
void removeSysfsEntries(const std::string& root, const FakeCamera& camera);

} // namespace tcfake
