// The golden-board comparison of one 256 x 192 frame: the first, which finds the placement,
// and the following ones, which refine the last placement. The budget is a tenth of the
// 40 ms frame period at 25 fps.
#include "pipeline/boarddifference.h"
#include "sdk/virtual/registry.h"
#include "sdk/virtual/scene.h"

#include <benchmark/benchmark.h>

namespace {

cv::Mat truthOf(const std::string& line)
{
    const tcsim::DeviceSpec spec = tcsim::parseRegistry(line).at(0);
    tcsim::Scene scene(spec, 256, 192);
    cv::Mat field(192, 256, CV_32F, const_cast<float*>(scene.base().data()));
    cv::Mat noisy = field.clone();
    cv::Mat noise(noisy.size(), CV_32F);
    cv::randn(noise, 0.0, 0.05); // the camera's noise
    return noisy + noise;
}

void BM_BoardDifference(benchmark::State& state)
{
    const bool first = state.range(0) == 1;
    const cv::Mat reference = truthOf("Vesk_R_M scene=golden single=1\n");
    const cv::Mat test = truthOf("Vesk_R_M scene=golden single=1 shiftx=3 turn=2 faultpart=1 faultrise=5\n");
    BoardDifference difference;
    difference.setReference(reference);
    size_t areas = 0;
    for (auto _ : state) {
        if (first)
            difference.setReference(reference); // the placement is found afresh
        const BoardDifference::Result result = difference.compare(test, 3.0f);
        areas += result.areas.size();
    }
    benchmark::DoNotOptimize(areas);
}
BENCHMARK(BM_BoardDifference)->ArgName("first")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
