// Not a benchmark: the device manager under a long, hostile session. A 200 fps virtual camera
// streams; every 30 s it is swapped for one of the other size, every 10 s the measuring range
// changes, every 2 minutes the camera is pulled out for 3 s. Every minute a line: RSS,
// threads, open descriptors, frames presented, the longest gap between frames while a camera
// was in, and frames whose size was not the camera's.
//
//   build/bench/soak_devicemanager [minutes, default 40]
#include "core/globals.h"
#include "device/functionmodel.h"
#include "sdk/virtual/registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <algorithm>
#include <cstdlib>

namespace {

struct Camera
{
    const char* registry;
    const char* name;
    int width, height;
};
const Camera kCameras[2] = {{"Vesk_R_M serial=SOAKM fps=200\n", "Vesk_R_M", 256, 192},
                            {"VeskL serial=SOAKL fps=200\n", "VeskL", 384, 288}};

// A gap between frames within this long after a plug, pull or swap is the connection's, not a
// stall.
constexpr int64_t kSettleMs = 5000;

std::atomic<int> plugged{0}; // index of the camera in, or -1
std::atomic<int64_t> frames{0}, misfits{0}, lastChangeMs{0};
std::mutex gapMutex;
QElapsedTimer session, sinceFrame;
int64_t longestGapMs = 0;

void onFrame(const FramePtr& frame)
{
    ++frames;
    const int in = plugged;
    const bool settled = session.elapsed() - lastChangeMs > kSettleMs;
    // A frame of another size than the camera's once the change has settled.
    if (in >= 0 && settled && (frame->width != kCameras[in].width || frame->height != kCameras[in].height))
        ++misfits;
    std::lock_guard<std::mutex> lock(gapMutex);
    const int64_t gap = sinceFrame.restart();
    if (settled)
        longestGapMs = std::max(longestGapMs, gap);
}

long statusField(const char* name)
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == name) {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return -1;
}

void report(const Camera& camera)
{
    QSettings result(gAppDir + "/detecProcess/NameConfig.ini", QSettings::IniFormat);
    result.setValue("productName", "Orvik");
    result.setValue("cameraName", camera.name);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    QTemporaryDir dir;
    gAppDir = dir.path();
    gProductName = "Orvik";
    QDir().mkpath(gAppDir + "/detecProcess");
    tcsim::setRegistryText(kCameras[0].registry);
    FunctionModel::Options options;
    options.loopIntervalMs = 100;
    // The detection program's stand-in reports the camera that is in at each of its starts.
    options.detection = {[] { return true; }, [] { report(kCameras[std::max(0, plugged.load())]); }, [] {}};
    FunctionModel model(options);
    QObject::connect(&model, &FunctionModel::frameReady, &onFrame);
    session.start();
    sinceFrame.start();
    int tick = 0;
    bool high = false;
    QTimer everySecond;
    QObject::connect(&everySecond, &QTimer::timeout, [&] {
        ++tick;
        if (tick % 120 == 0) { // pulled out
            lastChangeMs = session.elapsed();
            plugged = -1;
            tcsim::setRegistryText("");
        } else if (tick % 120 == 3 || (tick % 30 == 0 && plugged >= 0)) { // back in, or swapped
            const int next = tick % 120 == 3 ? 0 : 1 - plugged;
            lastChangeMs = session.elapsed();
            tcsim::setRegistryText(kCameras[next].registry);
            report(kCameras[next]);
            plugged = next;
        }
        if (tick % 10 == 5 && plugged >= 0 && session.elapsed() - lastChangeMs > kSettleMs) {
            high = !high;
            model.setLowTemperatureMode(high);
        }
        if (tick % 60 == 0) {
            int64_t gap;
            {
                std::lock_guard<std::mutex> lock(gapMutex);
                gap = longestGapMs;
                longestGapMs = 0;
            }
            const int descriptors = int(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
            std::printf("minute %3d  rss_kB %7ld  threads %3ld  fds %4d  frames %9lld  longest_gap_ms %5lld  misfits %lld\n",
                        tick / 60, statusField("VmRSS:"), statusField("Threads:"), descriptors,
                        static_cast<long long>(frames.load()), static_cast<long long>(gap),
                        static_cast<long long>(misfits.load()));
            std::fflush(stdout);
        }
        if (tick >= minutes * 60)
            app.quit();
    });
    everySecond.start(1000);
    return app.exec();
}
