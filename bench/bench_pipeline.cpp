// The device half of one frame as the capture thread runs it: the kind's chain, extraction
// into the frame and the selected image mode.
#include "capture/tcal_module.h"
#include "core/globals.h"
#include "libtccmd.h"
#include "libtcuvc.h"
#include "pipeline/frame.h"
#include "pipeline/framepool.h"
#include "pipeline/imagemode.h"
#include "pipeline/temperaturecorrection.h"
#include "pipeline/uvcpipeline.h"
#include "sdk/virtual/registry.h"
#include "sdk/virtual/tcsim.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <mutex>

namespace {

void BM_DeviceHalf(benchmark::State& state)
{
    const auto kind = DeviceKind(state.range(0));
    const int mode = int(state.range(1));
    const char* line = kind == Uvc384 ? "VeskL serial=PIPE\n" : (kind == Uvc160 ? "Vesk_R_S serial=PIPE\n" : "Vesk_R_M serial=PIPE\n");
    tcsim::setRegistryText(line);
    tcuvc_handle_t* uvc = tcuvc_create_handle();
    tcuvc_camera_init(uvc);
    tcuvc_device_entry_t list[TCUVC_MAX_DEVICES];
    tcuvc_camera_list(uvc, list);
    tcuvc_camera_open_same(uvc, &list[0], 0);
    tccmd_handle_t* cmd = tccmd_create_handle(uvc, 1);
    TcalModule::bindTableFiles(cmd);

    const FrameSize size = ispImageSize(kind);
    const int streamHeight = kind == Uvc160 ? 2 * size.height : size.height;
    UvcPipeline pipeline;
    pipeline.open(kind, size.width, streamHeight, cmd, TcalModule::load(cmd, kind, false));
    // As the program runs it: the readings through the sensor correction's table.
    pipeline.setTemperatureCorrection(TemperatureCorrection::build(kind, SensorCorrection{}, 1.0f));
    Frame result;
    ImageMode imageMode;
    imageMode.set(mode);
    const std::vector<uint16_t> frame = tcsim::renderFrame("PIPE", 0);
    for (auto _ : state) {
        pipeline.processFrame(reinterpret_cast<const uint8_t*>(frame.data()));
        extractUvcFrame(pipeline, result);
        imageMode.apply(result);
        benchmark::DoNotOptimize(result.image.data());
    }
    pipeline.close();
    tccmd_delete_handle(cmd);
    tcuvc_delete_handle(uvc);
    tcsim::clearRegistryText();
}
BENCHMARK(BM_DeviceHalf)
    ->ArgNames({"kind", "mode"})
    ->Args({Uvc256, 0})
    ->Args({Uvc256, 1})
    ->Args({Uvc256, 2})
    ->Args({Uvc384, 0})
    ->Args({Uvc384, 1})
    ->Args({Uvc384, 2})
    ->Args({Uvc160, 0})
    ->Unit(benchmark::kMillisecond);

// A frame's way from the capture thread to the consumer without its content: taken from the
// pool, sized, published under a mutex, taken and let go (back to the pool).
void BM_FrameHandOver(benchmark::State& state)
{
    FramePool pool;
    std::mutex mutex;
    FramePtr latest;
    for (auto _ : state) {
        std::shared_ptr<Frame> frame = pool.acquire();
        frame->resize(256, 192);
        {
            std::lock_guard<std::mutex> lock(mutex);
            latest = std::move(frame);
        }
        FramePtr taken;
        {
            std::lock_guard<std::mutex> lock(mutex);
            taken = std::move(latest);
        }
        benchmark::DoNotOptimize(taken->temperatures.data());
    }
    state.counters["frames_created"] = pool.created();
}
BENCHMARK(BM_FrameHandOver)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    gAppDir = dir.path();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
