// The streams a V4L2 device lists (formats, frame sizes, frame intervals), asked of a device
// whose every answer comes from the input, again and again: a driver that never ends a list
// must not hold the detection for ever.
#include "fuzz/fuzzing.h"
#include "libtcuvc.h"
#include "sdk/tcuvc/v4l2camera.h"
#include "sdk/tcuvc/v4l2syscalls.h"
#include <algorithm>
#include <cerrno>
#include <linux/videodev2.h>
#include <sys/mman.h>

namespace {

class ScriptedDevice : public tcuvc::SystemCalls
{
public:
    explicit ScriptedDevice(fuzz::Input& input) : input(input) {}
    int open(const char*, int) override { return 3; }
    int close(int) override { return 0; }
    void* mmap(std::size_t, int, int, int, off_t) override { return MAP_FAILED; }
    int munmap(void*, std::size_t) override { return 0; }
    int poll(struct pollfd*, nfds_t, int) override { return 0; }
    std::string sysfsRoot() const override { return fuzz::scratchPath(QStringLiteral("sys")).toStdString(); }

    int ioctl(int, unsigned long request, void* argument) override
    {
        ++calls;
        // One byte decides whether the call ends the list, fails otherwise or answers.
        const uint8_t verdict = input.byte();
        if (verdict % 8 == 0 || (request != VIDIOC_ENUM_FMT && request != VIDIOC_ENUM_FRAMESIZES &&
                                 request != VIDIOC_ENUM_FRAMEINTERVALS)) {
            errno = verdict % 16 == 8 ? EIO : EINVAL;
            return -1;
        }
        if (request == VIDIOC_ENUM_FMT) {
            static_cast<v4l2_fmtdesc*>(argument)->pixelformat = input.u32();
        } else if (request == VIDIOC_ENUM_FRAMESIZES) {
            auto* size = static_cast<v4l2_frmsizeenum*>(argument);
            size->type = 1 + verdict % 3;
            size->stepwise = {input.u32(), input.u32(), input.u32(), input.u32(), input.u32(), input.u32()};
        } else {
            auto* interval = static_cast<v4l2_frmivalenum*>(argument);
            interval->type = 1 + verdict % 3;
            interval->stepwise = {{input.u32(), input.u32()}, {input.u32(), input.u32()}, {input.u32(), input.u32()}};
        }
        return 0;
    }

    long calls = 0;

private:
    fuzz::Input& input;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input input(data, size, true);
    ScriptedDevice device(input);
    tcuvc::SystemCalls* previous = tcuvc::installSystemCalls(&device);
    tcuvc::v4l2::DeviceInfo camera;
    camera.node = "/dev/video0";
    camera.usbPath = fuzz::scratchPath(QStringLiteral("sys/usb1")).toStdString();
    std::vector<uint8_t> info(TCUVC_INFO_BYTES + 64, 0xA5); // past the end: must stay untouched
    const int count = tcuvc::v4l2::streamEntries(camera, info.data());
    tcuvc::installSystemCalls(previous);

    constexpr int kMaxEntries = TCUVC_INFO_BYTES / TCUVC_STREAM_ENTRY_BYTES;
    FUZZ_REQUIRE(count <= kMaxEntries, QString::number(count));
    FUZZ_REQUIRE(std::all_of(info.begin() + TCUVC_INFO_BYTES, info.end(), [](uint8_t b) { return b == 0xA5; }),
                 QStringLiteral("written past the information block"));
    // Every list is cut off: formats, and for each of the entries kept its sizes and rates.
    FUZZ_REQUIRE(device.calls <= 256L * (1 + 2 * kMaxEntries) + 256L * kMaxEntries, QString::number(device.calls));
    return 0;
}
