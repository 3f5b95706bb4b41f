// The shape matcher on a 384 x 288 board image against one class of 10 template pyramids
// (200 features, T = {2, 4}): the registration's search (bar: 20 ms median).
#include "matcher/line2dtrain.h"
#include "tests/support/boardimages.h"

#include <benchmark/benchmark.h>

namespace {

void BM_MatchTenTemplates(benchmark::State& state)
{
    line2d::Detector detector(200, {2, 4}, 30.0f, 30.0f);
    const cv::Mat scene = boardImage({384, 288}, 7, cv::Rect(60, 50, 240, 180));
    const cv::Mat crop = scene(cv::Rect(40, 30, 280, 220)).clone();
    std::vector<line2d::TemplatePyramid> pyramids;
    for (int i = 0; i < 10; ++i) {
        cv::Mat turned;
        const double angle = -5.0 + i * 10.0 / 9.0;
        cv::warpAffine(crop, turned, cv::getRotationMatrix2D({crop.cols / 2.f, crop.rows / 2.f}, angle, 1.0),
                       crop.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
        pyramids.push_back(line2d::train(detector, turned));
    }
    cv::FileStorage out(".yaml", cv::FileStorage::WRITE | cv::FileStorage::MEMORY);
    line2d::writeClass(out, "test", pyramids);
    cv::FileStorage in(out.releaseAndGetString(), cv::FileStorage::READ | cv::FileStorage::MEMORY);
    detector.readClass(in.root());
    size_t found = 0;
    for (auto _ : state) {
        const std::vector<line2d::Match> matches = detector.match(scene, 45.0f, {"test"});
        found = matches.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["matches"] = double(found);
}
BENCHMARK(BM_MatchTenTemplates)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
