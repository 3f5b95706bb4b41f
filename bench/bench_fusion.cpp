// One fusion cycle of the dual-light camera at 800 x 600: alignment, the fusion mode and the
// aligned temperatures, on the virtual camera's board (bar: 15 ms median for mode 3).
#include "libtcdual.h"
#include "sdk/common/dualrecord.h"
#include "sdk/virtual/dualview.h"
#include "sdk/virtual/registry.h"
#include "sdk/virtual/scene.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

void BM_FusionCycle(benchmark::State& state)
{
    const int mode = int(state.range(0));
    const tcsim::DeviceSpec spec = tcsim::parseRegistry("Bifold serial=BENCH\n").front();
    const std::vector<uint8_t> visible = tcsim::renderPhoto(spec);
    const tcsim::Scene scene(spec, 256, 192);
    std::vector<uint16_t> kelvin(256 * 192);
    std::vector<uint8_t> ir8(256 * 192);
    for (size_t i = 0; i < kelvin.size(); ++i) {
        const float t = scene.base()[i];
        kelvin[i] = uint16_t(std::lround((t + 273.15) * 16));
        ir8[i] = uint8_t(std::clamp((t - 20.0f) * 3.0f, 0.0f, 255.0f));
    }
    const auto record = tcsdk::encodeDualRecord(tcsim::dualGeometry());
    const float identity[6] = {1, 0, 0, 0, 1, 0};
    tcdual_align_fusion_set_tot_disparity(tcsim::kDualTotalDisparity);
    if (tcdual_align_fusion_init(600, 800, 192, 256, 600, 800, record.data(), identity) != 0) {
        state.SkipWithError("the fusion does not take the camera's record");
        return;
    }
    tcdual_align_fusion_set_disparity(tcsim::kDualBenchDisparity);
    tcdual_align_fusion_set_mode(mode);
    std::vector<uint8_t> fused(800 * 600 * 4);
    std::vector<uint16_t> aligned(800 * 600);
    for (auto _ : state) {
        tcdual_align_fusion_process(visible.data(), ir8.data(), kelvin.data(), fused.data(), aligned.data());
        benchmark::DoNotOptimize(fused.data());
        benchmark::DoNotOptimize(aligned.data());
    }
    tcdual_align_fusion_destroy();
}
BENCHMARK(BM_FusionCycle)->Arg(TCDUAL_MODE_BLEND)->Arg(TCDUAL_MODE_MEAN)->Arg(TCDUAL_MODE_DETAIL)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
