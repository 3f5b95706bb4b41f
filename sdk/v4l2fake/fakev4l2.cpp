#include "fakev4l2.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sstream>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <unistd.h>

namespace tcfake {
namespace {

using Clock = std::chrono::steady_clock;
// Each buffer's mmap offset, as QUERYBUF tells it: far enough apart for any frame.
constexpr uint32_t kOffsetStep = 0x1000000;
constexpr uint32_t kMaxBuffers = 8;

struct FrameSizeEntry
{
    uint32_t width, height;
};
struct FormatEntry
{
    uint32_t fourcc;
    const char* description;
    std::vector<FrameSizeEntry> sizes;
};

std::vector<FormatEntry> formatsOf(const FakeCamera& c)
{
    const auto w = uint32_t(c.width), h = uint32_t(c.height);
    // As the cameras offer them: the in-frame ones also stream the picture alone, the Y16 ones
    // also a YUYV picture.
    if (c.layout == Layout::InFrame)
        return {{V4L2_PIX_FMT_YUYV, "YUYV 4:2:2", {{w, 2 * h}, {w, h}}}};
    return {{V4L2_PIX_FMT_Y16, "16-bit Greyscale", {{w, h}}}, {V4L2_PIX_FMT_YUYV, "YUYV 4:2:2", {{w, h}}}};
}

std::vector<int> ratesOf(const FakeCamera& c)
{
    return c.fps >= 2 ? std::vector<int>{c.fps, c.fps / 2} : std::vector<int>{std::max(c.fps, 1)};
}

int nodeNumber(const std::string& node)
{
    const size_t digits = node.find_first_of("0123456789");
    return digits == std::string::npos ? 0 : std::atoi(node.c_str() + digits);
}

double sceneCelsius(const FakeCamera& c, int x, int y)
{
    const double w = c.width, h = c.height;
    const double dx = x - 0.7 * w, dy = y - 0.35 * h, sigma = w / 16.0;
    return 24.0 + 8.0 * y / h + 6.0 * x / w + 45.0 * std::exp(-(dx * dx + dy * dy) / (2 * sigma * sigma));
}

void copyText(uint8_t* field, size_t size, const std::string& text)
{
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(size - 1, text.size()));
}

} // namespace

FakeCamera FakeCamera::parse(const std::string& line)
{
    FakeCamera camera;
    std::istringstream words(line);
    std::string word;
    words >> camera.node;
    while (words >> word) {
        const size_t equals = word.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = word.substr(0, equals), value = word.substr(equals + 1);
        if (key == "vid")
            camera.vendorId = uint16_t(std::stoul(value, nullptr, 16));
        else if (key == "pid")
            camera.productId = uint16_t(std::stoul(value, nullptr, 16));
        else if (key == "product") {
            camera.product = value;
            std::replace(camera.product.begin(), camera.product.end(), '_', ' ');
        } else if (key == "serial")
            camera.serial = value;
        else if (key == "layout")
            camera.layout = value == "y16" ? Layout::Y16 : Layout::InFrame;
        else if (key == "width")
            camera.width = std::stoi(value);
        else if (key == "height")
            camera.height = std::stoi(value);
        else if (key == "fps")
            camera.fps = std::max(1, std::stoi(value));
        else if (key == "access")
            camera.refusesAccess = value == "denied";
        else if (key == "metadata")
            camera.metadataNode = value != "0";
        else if (key == "vanish")
            camera.vanishAfterFrames = std::stoi(value);
        else if (key == "port")
            camera.usbPort = std::stoi(value);
        else if (key == "pollfail")
            camera.pollFailsAfterFrames = std::stoi(value);
        else if (key == "qbuffail")
            camera.qbufFailsAfterFrames = std::stoi(value);
    }
    return camera;
}

uint32_t FakeCamera::pixelFormat() const
{
    return layout == Layout::InFrame ? V4L2_PIX_FMT_YUYV : V4L2_PIX_FMT_Y16;
}

std::string FakeCamera::metadataNodeName() const
{
    return "video" + std::to_string(nodeNumber(node) + 1);
}

uint16_t temperatureWord(const FakeCamera& camera, int x, int y)
{
    return uint16_t(std::lround((sceneCelsius(camera, x, y) + 273.15) * 64.0));
}

uint16_t rawCount(const FakeCamera& camera, int x, int y)
{
    return uint16_t(std::lround(8000.0 + 40.0 * (sceneCelsius(camera, x, y) - 20.0)));
}

uint16_t hottestWord(const FakeCamera& camera, int* hotX, int* hotY)
{
    uint16_t best = 0;
    for (int y = 0; y < camera.height; ++y)
        for (int x = 0; x < camera.width; ++x) {
            const uint16_t word = temperatureWord(camera, x, y);
            if (word > best) {
                best = word;
                if (hotX)
                    *hotX = x;
                if (hotY)
                    *hotY = y;
            }
        }
    return best;
}

std::vector<uint16_t> frameWords(const FakeCamera& camera, int64_t)
{
    const int w = camera.width, h = camera.height;
    std::vector<uint16_t> words(size_t(w) * camera.streamHeight());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint16_t& word = words[size_t(y) * w + x];
            if (camera.layout == Layout::Y16) {
                word = rawCount(camera, x, y);
                continue;
            }
            // YUYV: the luma of the pixel, then U for even pixels and V for odd ones (grey).
            const double grey = std::clamp((sceneCelsius(camera, x, y) - 20.0) * 255.0 / 70.0, 0.0, 255.0);
            word = uint16_t(std::lround(grey) | (128 << 8));
            words[size_t(y + h) * w + x] = temperatureWord(camera, x, y);
        }
    return words;
}

// ---------------------------------------------------------------- the device

struct FakeV4l2::Device
{
    FakeCamera camera;
    std::string node;
    bool metadata = false;
    bool plugged = true;
    uint32_t fourcc = 0;
    uint32_t width = 0, height = 0;
    int fps = 0;
    struct Buffer
    {
        std::vector<uint8_t> memory;
        bool queued = false;
        bool mapped = false;
    };
    std::vector<Buffer> buffers;
    const Open* owner = nullptr; // the descriptor that requested the buffers
    bool streaming = false;
    Clock::time_point streamStart;
    int64_t streamFrames = 0;
    int64_t delivered = 0; // over the device's life

    uint32_t frameBytes() const { return width * height * 2; }
};

struct FakeV4l2::Open
{
    std::shared_ptr<Device> device;
    bool nonBlocking = false;
};

FakeV4l2::FakeV4l2(std::string sysfsRoot) : root(std::move(sysfsRoot)) {}

FakeV4l2::~FakeV4l2()
{
    for (const auto& entry : devices)
        if (entry.second->plugged && !entry.second->metadata)
            removeSysfsEntries(root, entry.second->camera);
    std::vector<int> open;
    for (const auto& entry : descriptors)
        open.push_back(entry.first);
    for (int fd : open)
        ::close(fd);
}

void FakeV4l2::plug(const FakeCamera& camera)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto make = [&](const std::string& node, bool metadata) {
            auto device = std::make_shared<Device>();
            device->camera = camera;
            device->node = node;
            device->metadata = metadata;
            const std::vector<FormatEntry> formats = formatsOf(camera);
            device->fourcc = formats[0].fourcc;
            device->width = formats[0].sizes[0].width;
            device->height = formats[0].sizes[0].height;
            device->fps = camera.fps;
            auto& slot = devices[node];
            if (slot)
                retired.push_back(slot); // its descriptors and mappings may outlive it
            slot = device;
        };
        make(camera.node, false);
        if (camera.metadataNode)
            make(camera.metadataNodeName(), true);
    }
    writeSysfsEntries(root, camera);
}

void FakeV4l2::unplug(const std::string& node)
{
    std::lock_guard<std::mutex> lock(mutex);
    unplugLocked(node);
}

void FakeV4l2::unplugLocked(const std::string& node)
{
    auto found = devices.find(node);
    if (found == devices.end() || !found->second->plugged)
        return;
    const FakeCamera camera = found->second->camera;
    for (auto& entry : devices)
        if (entry.second->camera.node == camera.node)
            entry.second->plugged = false;
    removeSysfsEntries(root, camera);
    changed.notify_all();
}

bool FakeV4l2::plugged(const std::string& node) const
{
    std::lock_guard<std::mutex> lock(mutex);
    auto device = deviceOf(node);
    return device && device->plugged;
}

std::shared_ptr<FakeV4l2::Device> FakeV4l2::deviceOf(const std::string& node) const
{
    auto found = devices.find(node);
    return found == devices.end() ? nullptr : found->second;
}

bool FakeV4l2::ownsDescriptor(int fd) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return descriptors.count(fd) != 0;
}

std::vector<std::shared_ptr<FakeV4l2::Device>> FakeV4l2::allDevices() const
{
    std::vector<std::shared_ptr<Device>> all = retired;
    for (const auto& entry : devices)
        all.push_back(entry.second);
    return all;
}

bool FakeV4l2::ownsMapping(const void* address) const
{
    std::lock_guard<std::mutex> lock(mutex);
    for (const auto& device : allDevices())
        for (const Device::Buffer& buffer : device->buffers)
            if (buffer.memory.data() == address)
                return true;
    return false;
}

bool FakeV4l2::ownsPath(const char* path) const
{
    if (!path || std::strncmp(path, "/dev/", 5) != 0)
        return false;
    std::lock_guard<std::mutex> lock(mutex);
    return devices.count(path + 5) != 0;
}

int64_t FakeV4l2::framesDelivered(const std::string& node) const
{
    std::lock_guard<std::mutex> lock(mutex);
    auto device = deviceOf(node);
    return device ? device->delivered : 0;
}

int FakeV4l2::openDescriptors() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return int(descriptors.size());
}

int FakeV4l2::mappedBuffers() const
{
    std::lock_guard<std::mutex> lock(mutex);
    int mapped = 0;
    for (const auto& device : allDevices())
        for (const Device::Buffer& buffer : device->buffers)
            mapped += buffer.mapped ? 1 : 0;
    return mapped;
}

int FakeV4l2::fail(int error) const
{
    errno = error;
    return -1;
}

// ---------------------------------------------------------------- system calls

int FakeV4l2::open(const char* path, int flags)
{
    std::shared_ptr<Device> device;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!path || std::strncmp(path, "/dev/", 5) != 0)
            return fail(ENOENT);
        device = deviceOf(path + 5);
        if (!device || !device->plugged)
            return fail(ENOENT);
        if (device->camera.refusesAccess)
            return fail(EACCES);
        if ((flags & O_ACCMODE) == O_WRONLY)
            return fail(EINVAL);
    }
    // A descriptor of the system's own, so no number is ever used twice in the process.
    const int fd = ::eventfd(0, EFD_CLOEXEC);
    if (fd < 0)
        return -1;
    auto open = std::make_shared<Open>();
    open->device = device;
    open->nonBlocking = (flags & O_NONBLOCK) != 0;
    std::lock_guard<std::mutex> lock(mutex);
    descriptors[fd] = open;
    return fd;
}

int FakeV4l2::close(int fd)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto found = descriptors.find(fd);
        if (found == descriptors.end())
            return fail(EBADF);
        Device& device = *found->second->device;
        if (device.owner == found->second.get()) {
            device.streaming = false;
            device.owner = nullptr;
            for (Device::Buffer& buffer : device.buffers)
                buffer.queued = false;
            releaseOrphanBuffers(device);
        }
        descriptors.erase(found);
        changed.notify_all();
    }
    return ::close(fd);
}

void* FakeV4l2::mmap(std::size_t length, int, int flags, int fd, off_t offset)
{
    std::lock_guard<std::mutex> lock(mutex);
    auto found = descriptors.find(fd);
    if (found == descriptors.end()) {
        errno = EBADF;
        return MAP_FAILED;
    }
    Device& device = *found->second->device;
    const size_t index = size_t(offset / kOffsetStep);
    if (!device.plugged) {
        errno = ENODEV;
        return MAP_FAILED;
    }
    if (!(flags & MAP_SHARED) || offset % kOffsetStep != 0 || index >= device.buffers.size() ||
        length > device.buffers[index].memory.size()) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    device.buffers[index].mapped = true;
    return device.buffers[index].memory.data();
}

int FakeV4l2::munmap(void* address, std::size_t)
{
    std::lock_guard<std::mutex> lock(mutex);
    for (const auto& device : allDevices())
        for (Device::Buffer& buffer : device->buffers)
            if (buffer.memory.data() == address) {
                buffer.mapped = false;
                releaseOrphanBuffers(*device);
                return 0;
            }
    return fail(EINVAL);
}

void FakeV4l2::releaseOrphanBuffers(Device& device)
{
    // Buffers still mapped stay valid until they are unmapped, as the kernel keeps them.
    if (!device.owner && std::none_of(device.buffers.begin(), device.buffers.end(),
                                      [](const Device::Buffer& b) { return b.mapped; }))
        device.buffers.clear();
}

bool FakeV4l2::frameDue(const Device& device) const
{
    if (!device.streaming)
        return false;
    const bool queued = std::any_of(device.buffers.begin(), device.buffers.end(),
                                    [](const Device::Buffer& b) { return b.queued; });
    const auto period = std::chrono::microseconds(1000000 / std::max(device.fps, 1));
    return queued && Clock::now() >= device.streamStart + period * (device.streamFrames + 1);
}

int FakeV4l2::poll(struct pollfd* fds, nfds_t count, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex);
    // A negative time-out waits as long as it takes.
    const auto deadline = timeoutMs < 0 ? Clock::time_point::max()
                                        : Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int ready = 0;
        Clock::time_point wake = deadline;
        for (nfds_t i = 0; i < count; ++i) {
            fds[i].revents = 0;
            auto found = descriptors.find(fds[i].fd);
            if (found == descriptors.end()) {
                fds[i].revents = POLLNVAL;
            } else {
                const Device& device = *found->second->device;
                const int failsAfter = device.camera.pollFailsAfterFrames;
                if (device.streaming && failsAfter >= 0 && device.streamFrames >= failsAfter)
                    return fail(ENOMEM);
                if (!device.plugged)
                    fds[i].revents = POLLERR | POLLHUP;
                else if (!device.streaming)
                    fds[i].revents = POLLERR; // as a queue that is not streaming answers
                else if (frameDue(device))
                    fds[i].revents = short(fds[i].events & (POLLIN | POLLRDNORM));
                else {
                    const auto period = std::chrono::microseconds(1000000 / std::max(device.fps, 1));
                    wake = std::min(wake, device.streamStart + period * (device.streamFrames + 1));
                }
            }
            ready += fds[i].revents ? 1 : 0;
        }
        if (ready || timeoutMs == 0 || (timeoutMs > 0 && Clock::now() >= deadline))
            return ready;
        if (timeoutMs < 0 && wake == deadline)
            changed.wait(lock);
        else
            changed.wait_until(lock, wake);
    }
}

int FakeV4l2::ioctl(int fd, unsigned long request, void* argument)
{
    std::unique_lock<std::mutex> lock(mutex);
    auto found = descriptors.find(fd);
    if (found == descriptors.end())
        return fail(EBADF);
    std::shared_ptr<Open> open = found->second;
    if (!open->device->plugged)
        return fail(ENODEV);
    if (!argument)
        return fail(EFAULT);
    return handle(*open, request, argument, lock);
}

int FakeV4l2::handle(Open& open, unsigned long request, void* argument, std::unique_lock<std::mutex>& lock)
{
    Device& device = *open.device;
    const FakeCamera& camera = device.camera;
    const std::vector<FormatEntry> formats = device.metadata ? std::vector<FormatEntry>() : formatsOf(camera);
    auto formatEntry = [&](uint32_t fourcc) -> const FormatEntry* {
        for (const FormatEntry& f : formats)
            if (f.fourcc == fourcc)
                return &f;
        return nullptr;
    };
    const bool owner = device.owner == &open;

    switch (request) {
    case VIDIOC_QUERYCAP: {
        auto* cap = static_cast<v4l2_capability*>(argument);
        std::memset(cap, 0, sizeof *cap);
        copyText(cap->driver, sizeof cap->driver, "uvcvideo");
        copyText(cap->card, sizeof cap->card, camera.product);
        copyText(cap->bus_info, sizeof cap->bus_info, "usb-fake-1." + std::to_string(camera.usbPort));
        cap->version = 0x060100;
        cap->device_caps =
            (device.metadata ? V4L2_CAP_META_CAPTURE : V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_EXT_PIX_FORMAT) |
            V4L2_CAP_STREAMING;
        cap->capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING |
                            V4L2_CAP_EXT_PIX_FORMAT | V4L2_CAP_DEVICE_CAPS;
        return 0;
    }
    case VIDIOC_ENUM_FMT: {
        auto* f = static_cast<v4l2_fmtdesc*>(argument);
        if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || f->index >= formats.size())
            return fail(EINVAL);
        const FormatEntry& entry = formats[f->index];
        const uint32_t index = f->index;
        std::memset(f, 0, sizeof *f);
        f->index = index;
        f->type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        f->pixelformat = entry.fourcc;
        copyText(f->description, sizeof f->description, entry.description);
        return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
        auto* s = static_cast<v4l2_frmsizeenum*>(argument);
        const FormatEntry* entry = formatEntry(s->pixel_format);
        if (!entry || s->index >= entry->sizes.size())
            return fail(EINVAL);
        s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
        s->discrete.width = entry->sizes[s->index].width;
        s->discrete.height = entry->sizes[s->index].height;
        return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
        auto* i = static_cast<v4l2_frmivalenum*>(argument);
        const FormatEntry* entry = formatEntry(i->pixel_format);
        const std::vector<int> rates = ratesOf(camera);
        const bool sizeKnown =
            entry && std::any_of(entry->sizes.begin(), entry->sizes.end(), [&](const FrameSizeEntry& s) {
                return s.width == i->width && s.height == i->height;
            });
        if (!sizeKnown || i->index >= rates.size())
            return fail(EINVAL);
        i->type = V4L2_FRMIVAL_TYPE_DISCRETE;
        i->discrete.numerator = 1;
        i->discrete.denominator = uint32_t(rates[i->index]);
        return 0;
    }
    case VIDIOC_G_FMT:
    case VIDIOC_S_FMT: {
        auto* f = static_cast<v4l2_format*>(argument);
        if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || device.metadata)
            return fail(EINVAL);
        if (request == VIDIOC_S_FMT) {
            if (device.streaming || !device.buffers.empty())
                return fail(EBUSY);
            // As drivers do: an offer that is not on the list becomes the nearest one that is.
            const FormatEntry* entry = formatEntry(f->fmt.pix.pixelformat);
            if (!entry)
                entry = &formats[0];
            FrameSizeEntry size = entry->sizes[0];
            for (const FrameSizeEntry& s : entry->sizes)
                if (s.width == f->fmt.pix.width && s.height == f->fmt.pix.height)
                    size = s;
            device.fourcc = entry->fourcc;
            device.width = size.width;
            device.height = size.height;
        }
        std::memset(&f->fmt, 0, sizeof f->fmt);
        f->fmt.pix.width = device.width;
        f->fmt.pix.height = device.height;
        f->fmt.pix.pixelformat = device.fourcc;
        f->fmt.pix.field = V4L2_FIELD_NONE;
        f->fmt.pix.bytesperline = device.width * 2;
        f->fmt.pix.sizeimage = device.frameBytes();
        f->fmt.pix.colorspace = V4L2_COLORSPACE_SRGB;
        return 0;
    }
    case VIDIOC_S_PARM: {
        auto* p = static_cast<v4l2_streamparm*>(argument);
        if (p->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || device.metadata)
            return fail(EINVAL);
        const v4l2_fract asked = p->parm.capture.timeperframe;
        const double wanted = asked.numerator ? double(asked.denominator) / asked.numerator : camera.fps;
        int best = camera.fps;
        for (int rate : ratesOf(camera))
            if (std::abs(rate - wanted) < std::abs(best - wanted))
                best = rate;
        device.fps = best;
        std::memset(&p->parm, 0, sizeof p->parm);
        p->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
        p->parm.capture.timeperframe = {1, uint32_t(best)};
        return 0;
    }
    case VIDIOC_REQBUFS: {
        auto* r = static_cast<v4l2_requestbuffers*>(argument);
        if (r->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || r->memory != V4L2_MEMORY_MMAP || device.metadata)
            return fail(EINVAL);
        if (device.owner && !owner)
            return fail(EBUSY);
        if (std::any_of(device.buffers.begin(), device.buffers.end(),
                        [](const Device::Buffer& b) { return b.mapped; }))
            return fail(EBUSY);
        device.streaming = false;
        device.buffers.clear();
        device.owner = nullptr;
        if (r->count == 0)
            return 0;
        r->count = std::min(r->count, kMaxBuffers);
        device.buffers.resize(r->count);
        for (Device::Buffer& buffer : device.buffers)
            buffer.memory.assign(device.frameBytes(), 0);
        device.owner = &open;
        return 0;
    }
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF: {
        auto* b = static_cast<v4l2_buffer*>(argument);
        if (b->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || !owner || b->index >= device.buffers.size())
            return fail(EINVAL);
        Device::Buffer& buffer = device.buffers[b->index];
        if (request == VIDIOC_QBUF) {
            if (buffer.queued)
                return fail(EINVAL);
            const int failsAfter = camera.qbufFailsAfterFrames;
            if (device.streaming && failsAfter >= 0 && device.streamFrames >= failsAfter)
                return fail(EIO);
            buffer.queued = true;
            changed.notify_all();
        }
        b->memory = V4L2_MEMORY_MMAP;
        b->length = uint32_t(buffer.memory.size());
        b->m.offset = b->index * kOffsetStep;
        b->flags = V4L2_BUF_FLAG_MAPPED * buffer.mapped | V4L2_BUF_FLAG_QUEUED * buffer.queued;
        return 0;
    }
    case VIDIOC_DQBUF: {
        auto* b = static_cast<v4l2_buffer*>(argument);
        if (b->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || !owner || !device.streaming)
            return fail(EINVAL);
        while (!frameDue(device)) {
            if (open.nonBlocking)
                return fail(EAGAIN);
            changed.wait_for(lock, std::chrono::milliseconds(5));
            if (!device.plugged)
                return fail(ENODEV);
            if (!device.streaming || device.owner != &open)
                return fail(EINVAL);
        }
        if (camera.vanishAfterFrames >= 0 && device.delivered >= camera.vanishAfterFrames) {
            unplugLocked(camera.node);
            return fail(ENODEV);
        }
        size_t index = 0;
        while (!device.buffers[index].queued)
            ++index;
        Device::Buffer& buffer = device.buffers[index];
        std::vector<uint16_t> words;
        if (device.fourcc == camera.pixelFormat() && int(device.height) == camera.streamHeight()) {
            words = frameWords(camera, device.streamFrames);
        } else {
            // The picture alone: the YUYV stream of a Y16 camera, the in-frame camera's top half.
            FakeCamera yuyv = camera;
            yuyv.layout = Layout::InFrame;
            words = frameWords(yuyv, device.streamFrames);
            words.resize(size_t(device.width) * device.height);
        }
        std::memcpy(buffer.memory.data(), words.data(), std::min(buffer.memory.size(), words.size() * 2));
        buffer.queued = false;
        std::memset(b, 0, sizeof *b);
        b->index = uint32_t(index);
        b->type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b->memory = V4L2_MEMORY_MMAP;
        b->bytesused = device.frameBytes();
        b->length = uint32_t(buffer.memory.size());
        b->m.offset = uint32_t(index) * kOffsetStep;
        b->field = V4L2_FIELD_NONE;
        b->sequence = uint32_t(device.streamFrames);
        b->flags = V4L2_BUF_FLAG_MAPPED * buffer.mapped | V4L2_BUF_FLAG_DONE;
        ++device.streamFrames;
        ++device.delivered;
        return 0;
    }
    case VIDIOC_STREAMON:
    case VIDIOC_STREAMOFF: {
        const auto type = *static_cast<const int*>(argument);
        if (type != V4L2_BUF_TYPE_VIDEO_CAPTURE || !owner)
            return fail(EINVAL);
        if (request == VIDIOC_STREAMON) {
            if (device.buffers.empty())
                return fail(EINVAL);
            if (!device.streaming) {
                device.streaming = true;
                device.streamStart = Clock::now();
                device.streamFrames = 0;
            }
        } else {
            device.streaming = false;
            for (Device::Buffer& buffer : device.buffers)
                buffer.queued = false;
        }
        changed.notify_all();
        return 0;
    }
    default:
        return fail(ENOTTY);
    }
}

} // namespace tcfake
