#include "v4l2camera.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/videodev2.h>
#include <map>
#include <sys/mman.h>

namespace tcuvc {
namespace v4l2 {
namespace fs = std::filesystem;
namespace {

constexpr uint32_t kBufferCount = 4;
constexpr int kPollMs = 100; // how long a stop may wait for the stream thread
constexpr int kMaxEntries = TCUVC_INFO_BYTES / TCUVC_STREAM_ENTRY_BYTES;
// A driver's lists end with EINVAL; one that never says so (or offers formats without a size)
// is cut off here rather than asked for ever.
constexpr uint32_t kMaxListed = 256;

std::string readLine(const fs::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

bool readHex(const fs::path& path, uint32_t& value)
{
    const std::string text = readLine(path);
    if (text.empty())
        return false;
    char* end = nullptr;
    value = uint32_t(std::strtoul(text.c_str(), &end, 16));
    return end && *end == '\0';
}

int nodeNumber(const std::string& name)
{
    return std::atoi(name.c_str() + 5); // after "video"
}

uint32_t capabilitiesOf(const v4l2_capability& cap)
{
    return (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
}

// Whether a node is a video capture node, by its capabilities. Asked once per node and USB
// device, since opening a node may wake the camera. Unknown (-1) when the node cannot be
// opened.
int isCaptureNode(SystemCalls& calls, const std::string& node, const std::string& identity)
{
    static std::mutex mutex;
    static auto* known = new std::map<std::string, std::pair<std::string, bool>>;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto found = known->find(node);
        if (found != known->end() && found->second.first == identity)
            return found->second.second ? 1 : 0;
    }
    const int fd = calls.open(node.c_str(), O_RDWR | O_NONBLOCK);
    if (fd < 0)
        return -1;
    v4l2_capability cap{};
    const bool answered = xioctl(calls, fd, VIDIOC_QUERYCAP, &cap) == 0;
    calls.close(fd);
    if (!answered)
        return -1;
    const uint32_t caps = capabilitiesOf(cap);
    const bool capture = (caps & V4L2_CAP_VIDEO_CAPTURE) && (caps & V4L2_CAP_STREAMING);
    std::lock_guard<std::mutex> lock(mutex);
    (*known)[node] = {identity, capture};
    return capture ? 1 : 0;
}

void putEntry(uint8_t* info, int index, uint32_t fourcc, uint32_t width, uint32_t height, uint32_t fps)
{
    uint8_t* entry = info + size_t(index) * TCUVC_STREAM_ENTRY_BYTES;
    const uint64_t format = fourcc;
    std::memcpy(entry, &format, 8);
    std::memcpy(entry + 8, &width, 4);
    std::memcpy(entry + 12, &height, 4);
    std::memcpy(entry + 20, &fps, 4);
}

uint32_t bestRate(SystemCalls& calls, int fd, uint32_t fourcc, uint32_t width, uint32_t height)
{
    double best = 0.0;
    v4l2_frmivalenum interval{};
    interval.pixel_format = fourcc;
    interval.width = width;
    interval.height = height;
    for (interval.index = 0;
         interval.index < kMaxListed && xioctl(calls, fd, VIDIOC_ENUM_FRAMEINTERVALS, &interval) == 0;
         ++interval.index) {
        // A stepwise range offers its shortest interval; a discrete list each of its own.
        const v4l2_fract shortest =
            interval.type == V4L2_FRMIVAL_TYPE_DISCRETE ? interval.discrete : interval.stepwise.min;
        if (shortest.numerator)
            best = std::max(best, double(shortest.denominator) / shortest.numerator);
        if (interval.type != V4L2_FRMIVAL_TYPE_DISCRETE)
            break;
    }
    return uint32_t(best + 0.5);
}

} // namespace

static int queryStreamEntries(const DeviceInfo& device, uint8_t* info);

int errorCode(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return TCUVC_ERROR_ACCESS;
    case EBUSY:
        return TCUVC_ERROR_BUSY;
    case ENODEV:
    case ENOENT:
    case ENXIO:
        return TCUVC_ERROR_GONE;
    case EINVAL:
        return TCUVC_ERROR_INVALID;
    case ENOTTY:
    case EOPNOTSUPP:
        return TCUVC_ERROR_NOT_SUPPORTED;
    default:
        return TCUVC_ERROR_IO;
    }
}

std::vector<DeviceInfo> listDevices()
{
    SystemCalls& calls = systemCalls();
    const fs::path classDir = fs::path(calls.sysfsRoot()) / "class/video4linux";
    std::vector<std::pair<int, std::string>> names;
    std::error_code error;
    for (fs::directory_iterator it(classDir, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("video", 0) == 0 && name.size() > 5)
            names.emplace_back(nodeNumber(name), name);
    }
    std::sort(names.begin(), names.end());

    std::vector<DeviceInfo> devices;
    for (const auto& numbered : names) {
        const fs::path nodeDir = classDir / numbered.second;
        std::error_code linkError;
        const fs::path interface = fs::canonical(nodeDir / "device", linkError);
        if (linkError)
            continue;
        DeviceInfo device;
        device.usbPath = interface.parent_path().string();
        if (!readHex(fs::path(device.usbPath) / "idVendor", device.vendorId) ||
            !readHex(fs::path(device.usbPath) / "idProduct", device.productId))
            continue; // not a USB camera
        device.node = "/dev/" + numbered.second;
        device.product = readLine(fs::path(device.usbPath) / "product");
        if (device.product.empty())
            device.product = readLine(nodeDir / "name");
        device.serial = readLine(fs::path(device.usbPath) / "serial");
        // The USB device number changes at every plug: a camera plugged in again is asked again.
        const std::string identity = interface.string() + '|' + readLine(nodeDir / "dev") + '|' +
                                     readLine(fs::path(device.usbPath) / "devnum");
        int capture = isCaptureNode(calls, device.node, identity);
        if (capture < 0) // the user may not open it: uvcvideo's capture node is its first
            capture = readLine(nodeDir / "index") == "0" ? 1 : 0;
        if (capture)
            devices.push_back(device);
    }
    return devices;
}

int streamEntries(const DeviceInfo& device, uint8_t* info)
{
    // Asked once per plugged-in device: the USB device number changes at every plug.
    static std::mutex mutex;
    static auto* known = new std::map<std::string, std::pair<std::string, std::vector<uint8_t>>>;
    const std::string devnum = readLine(fs::path(device.usbPath) / "devnum");
    const std::string identity = device.usbPath + '|' + devnum;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto found = known->find(device.node);
        if (!devnum.empty() && found != known->end() && found->second.first == identity) {
            std::memcpy(info, found->second.second.data(), TCUVC_INFO_BYTES);
            return int(found->second.second.back());
        }
    }
    const int count = queryStreamEntries(device, info);
    if (count >= 0 && !devnum.empty()) {
        std::vector<uint8_t> copy(info, info + TCUVC_INFO_BYTES);
        copy.push_back(uint8_t(count));
        std::lock_guard<std::mutex> lock(mutex);
        (*known)[device.node] = {identity, std::move(copy)};
    }
    return count;
}

static int queryStreamEntries(const DeviceInfo& device, uint8_t* info)
{
    SystemCalls& calls = systemCalls();
    const int fd = calls.open(device.node.c_str(), O_RDWR | O_NONBLOCK);
    if (fd < 0)
        return errorCode(errno);
    std::memset(info, 0, TCUVC_INFO_BYTES);
    int count = 0;
    int failure = 0;
    v4l2_fmtdesc format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    for (format.index = 0; count < kMaxEntries && format.index < kMaxListed; ++format.index) {
        if (xioctl(calls, fd, VIDIOC_ENUM_FMT, &format) != 0) {
            if (errno != EINVAL) // EINVAL ends the list
                failure = errorCode(errno);
            break;
        }
        v4l2_frmsizeenum size{};
        size.pixel_format = format.pixelformat;
        for (size.index = 0; count < kMaxEntries && xioctl(calls, fd, VIDIOC_ENUM_FRAMESIZES, &size) == 0;
             ++size.index) {
            // A stepwise or continuous range is offered at its largest size.
            const bool discrete = size.type == V4L2_FRMSIZE_TYPE_DISCRETE;
            const uint32_t width = discrete ? size.discrete.width : size.stepwise.max_width;
            const uint32_t height = discrete ? size.discrete.height : size.stepwise.max_height;
            putEntry(info, count++, format.pixelformat, width, height,
                     bestRate(calls, fd, format.pixelformat, width, height));
            if (!discrete)
                break;
        }
    }
    calls.close(fd);
    return count == 0 && failure ? failure : count;
}

// ---------------------------------------------------------------- an open camera

Camera::Camera(const DeviceInfo& info, int descriptor) : calls(systemCalls()), device(info), fd(descriptor) {}

int Camera::open(const DeviceInfo& device, std::shared_ptr<Camera>& camera)
{
    SystemCalls& calls = systemCalls();
    const int fd = calls.open(device.node.c_str(), O_RDWR | O_NONBLOCK);
    if (fd < 0)
        return errorCode(errno);
    v4l2_capability cap{};
    if (xioctl(calls, fd, VIDIOC_QUERYCAP, &cap) != 0) {
        const int code = errorCode(errno);
        calls.close(fd);
        return code;
    }
    const uint32_t caps = capabilitiesOf(cap);
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) {
        calls.close(fd);
        return TCUVC_ERROR_NOT_SUPPORTED;
    }
    camera.reset(new Camera(device, fd));
    return 0;
}

Camera::~Camera()
{
    stopStream();
    calls.close(fd);
}

int Camera::startStream(const tcuvc_stream_params_t& params, tcuvc_frame_fn function, void* user)
{
    std::lock_guard<std::mutex> lock(streamMutex);
    if (gone)
        return TCUVC_ERROR_GONE;
    if (failed)
        return TCUVC_ERROR_IO;
    if (streamRunning)
        return TCUVC_ERROR_BUSY;
    if (params.width == 0 || params.height == 0 || params.frame_bytes != params.width * params.height * 2)
        return TCUVC_ERROR_INVALID;
    v4l2_format wanted{};
    wanted.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    wanted.fmt.pix.pixelformat = uint32_t(params.format);
    wanted.fmt.pix.width = params.width;
    wanted.fmt.pix.height = params.height;
    wanted.fmt.pix.field = V4L2_FIELD_NONE;
    if (xioctl(calls, fd, VIDIOC_S_FMT, &wanted) != 0)
        return errorCode(errno);
    // A driver answers an offer it cannot take with the nearest one it can: not ours.
    if (wanted.fmt.pix.pixelformat != params.format || wanted.fmt.pix.width != params.width ||
        wanted.fmt.pix.height != params.height)
        return TCUVC_ERROR_INVALID;
    const bool compressedFormat = params.format == TCUVC_FORMAT_MJPG;
    if (!compressedFormat && wanted.fmt.pix.bytesperline != 0 &&
        wanted.fmt.pix.bytesperline != params.width * 2)
        return TCUVC_ERROR_INVALID; // padded lines: not the packed frame the callback promises
    if (params.fps > 0) {
        v4l2_streamparm parm{};
        parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        parm.parm.capture.timeperframe = {1, params.fps};
        xioctl(calls, fd, VIDIOC_S_PARM, &parm); // a device with a fixed rate keeps it
    }

    v4l2_requestbuffers request{};
    request.count = kBufferCount;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (xioctl(calls, fd, VIDIOC_REQBUFS, &request) != 0)
        return errorCode(errno);
    if (request.count < 2) {
        releaseBuffers();
        return TCUVC_ERROR_IO;
    }
    for (uint32_t i = 0; i < request.count; ++i) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = i;
        int code = 0;
        if (xioctl(calls, fd, VIDIOC_QUERYBUF, &buffer) != 0) {
            code = errorCode(errno);
        } else {
            void* address =
                calls.mmap(buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, buffer.m.offset);
            if (address == MAP_FAILED)
                code = errorCode(errno);
            else
                buffers.push_back({address, buffer.length});
        }
        if (code == 0 && xioctl(calls, fd, VIDIOC_QBUF, &buffer) != 0)
            code = errorCode(errno);
        if (code != 0) {
            releaseBuffers();
            return code;
        }
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(calls, fd, VIDIOC_STREAMON, &type) != 0) {
        const int code = errorCode(errno);
        releaseBuffers();
        return code;
    }
    frameBytes = params.frame_bytes;
    compressed.assign(compressedFormat ? frameBytes : 0, 0);
    stopRequested = false;
    streamRunning = true;
    thread = std::thread([this, function, user] {
        streamThread = std::this_thread::get_id();
        run(function, user);
    });
    return 0;
}

void Camera::run(tcuvc_frame_fn function, void* user)
{
    // Buffers the driver holds: a buffer it refuses back is lost, and with none left no frame
    // can come.
    size_t queued = buffers.size();
    while (!stopRequested) {
        pollfd wait{fd, POLLIN, 0};
        const int ready = calls.poll(&wait, 1, kPollMs);
        if (ready < 0 && errno != EINTR) { // the stream cannot go on: say so, not silence
            if (errno == ENODEV || probeGone())
                gone = true;
            else
                failed = true;
            return;
        }
        if (ready <= 0)
            continue;
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        if (xioctl(calls, fd, VIDIOC_DQBUF, &buffer) != 0) {
            if (errno == ENODEV || probeGone()) {
                gone = true;
                return;
            }
            // An error the device reports without a frame: wait for the next one, without
            // spinning on a queue that reports itself ready.
            if (wait.revents & (POLLERR | POLLHUP))
                std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs / 10));
            continue;
        }
        --queued;
        if (buffer.index < buffers.size()) {
            const auto* data = static_cast<uint8_t*>(buffers[buffer.index].address);
            const bool corrupted = buffer.flags & V4L2_BUF_FLAG_ERROR;
            if (!stopRequested && !corrupted) {
                if (!compressed.empty()) {
                    const size_t used = std::min<size_t>(buffer.bytesused, compressed.size());
                    std::memcpy(compressed.data(), data, used);
                    std::memset(compressed.data() + used, 0, compressed.size() - used);
                    function(compressed.data(), user);
                } else if (buffer.bytesused >= frameBytes) { // a short frame is a broken one
                    function(const_cast<uint8_t*>(data), user);
                }
            }
        }
        if (xioctl(calls, fd, VIDIOC_QBUF, &buffer) == 0)
            ++queued;
        else if (errno == ENODEV || probeGone())
            gone = true;
        if (!gone && queued == 0)
            failed = true;
        if (gone || failed)
            return;
    }
}

bool Camera::probeGone()
{
    v4l2_capability cap{};
    return xioctl(calls, fd, VIDIOC_QUERYCAP, &cap) != 0 && (errno == ENODEV || errno == ENXIO);
}

int Camera::stopStream()
{
    // Before the lock: a stop from another thread holds it while joining this one.
    if (onStreamThread())
        return TCUVC_ERROR_BUSY; // the frame function cannot join its own thread
    std::lock_guard<std::mutex> lock(streamMutex);
    if (!streamRunning)
        return TCUVC_ERROR_INVALID;
    stopRequested = true;
    if (thread.joinable())
        thread.join();
    streamThread = std::thread::id();
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    xioctl(calls, fd, VIDIOC_STREAMOFF, &type); // fails on a device that has gone, harmlessly
    releaseBuffers();
    streamRunning = false;
    return 0;
}

void Camera::releaseBuffers()
{
    for (const Buffer& buffer : buffers)
        calls.munmap(buffer.address, buffer.length);
    buffers.clear();
    v4l2_requestbuffers none{};
    none.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    none.memory = V4L2_MEMORY_MMAP;
    xioctl(calls, fd, VIDIOC_REQBUFS, &none);
}

int Camera::attached()
{
    if (gone || failed)
        return 0;
    if (probeGone()) {
        gone = true;
        return 0;
    }
    return 1;
}

} // namespace v4l2
} // namespace tcuvc
