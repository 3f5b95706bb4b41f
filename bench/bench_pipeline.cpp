// The device half of one frame as the capture thread runs it: the kind's chain, extraction
// into the frame result and the selected image mode.
#include "frameresult.h"
#include "globals.h"
#include "imagemode.h"
#include "libtccmd.h"
#include "libtcuvc.h"
#include "registry.h"
#include "tcal_module.h"
#include "tcsim.h"
#include "uvcpipeline.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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
    FrameResult result;
    result.allocate(size.width * streamHeight, size.width * streamHeight);
    ImageMode imageMode;
    imageMode.set(mode);
    const std::vector<uint16_t> frame = tcsim::renderFrame("PIPE", 0);
    for (auto _ : state) {
        pipeline.processFrame(reinterpret_cast<const uint8_t*>(frame.data()));
        extractUvcFrame(pipeline, result);
        imageMode.apply(kind, result.image.data());
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
