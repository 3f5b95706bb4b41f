#pragma once
// The V4L2 back-end of tcuvc: USB cameras the kernel's uvcvideo driver presents as
// /dev/videoN, found through sysfs (class/video4linux/videoN/device is the USB interface,
// whose parent holds idVendor, idProduct, product and serial), streamed through mmap buffers
// on a thread of their own. Every system call goes through SystemCalls.
#include "libtcuvc.h"
#include "v4l2syscalls.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tcuvc {
namespace v4l2 {

struct DeviceInfo
{
    std::string node;    // "/dev/video2"
    std::string usbPath; // the USB device's folder in sysfs
    uint32_t vendorId = 0;
    uint32_t productId = 0;
    std::string product; // the USB product string, or the node's name when there is none
    std::string serial;  // empty when the device has none
};

// The video capture nodes of USB devices, in node-number order. Metadata and output nodes are
// left out; a node the user may not open is listed when sysfs names it the device's first
// node, so that opening it can say why it fails.
std::vector<DeviceInfo> listDevices();

// The TCUVC_ERROR_* code of a system call's errno.
int errorCode(int error);

// The device's streams in the 152-byte entry layout: one entry per format and frame size, with
// the highest frame rate offered for it (0 when the device names none). At most
// TCUVC_INFO_BYTES / TCUVC_STREAM_ENTRY_BYTES entries. Returns their number or an error code.
int streamEntries(const DeviceInfo& device, uint8_t* info);

class Camera
{
public:
    // Opens the device's node: 0 and the camera, or an error code.
    static int open(const DeviceInfo& device, std::shared_ptr<Camera>& camera);
    ~Camera();
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    const DeviceInfo& info() const { return device; }
    // Sets the format and rate, maps the buffers and starts the stream thread, which calls
    // function(frame, user) once per frame of params.frame_bytes bytes.
    int startStream(const tcuvc_stream_params_t& params, tcuvc_frame_fn function, void* user);
    // Ends the stream thread and joins it, stops the stream and unmaps its buffers. Refused
    // (TCUVC_ERROR_BUSY) from inside the frame function, which cannot join its own thread.
    int stopStream();
    // Whether the caller is the stream thread, inside the frame function: it may neither stop
    // the stream nor drop the camera's last reference.
    bool onStreamThread() const { return streamThread.load() == std::this_thread::get_id(); }
    // 1 while the device answers, 0 once it has gone or its stream failed for good (the
    // stream then ends by itself and the device is unusable).
    int attached();

private:
    Camera(const DeviceInfo& device, int fd);
    void run(tcuvc_frame_fn function, void* user);
    bool probeGone();
    void releaseBuffers();

    struct Buffer
    {
        void* address;
        size_t length;
    };

    SystemCalls& calls;
    const DeviceInfo device;
    int fd;
    std::mutex streamMutex; // start and stop
    bool streamRunning = false;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> gone{false};
    std::atomic<bool> failed{false}; // the stream ended on an error the device cannot recover from
    std::thread thread;
    std::atomic<std::thread::id> streamThread{};
    std::vector<Buffer> buffers;
    uint32_t frameBytes = 0;
    std::vector<uint8_t> compressed; // a compressed frame, padded with zeros to frameBytes
};

} // namespace v4l2
} // namespace tcuvc
