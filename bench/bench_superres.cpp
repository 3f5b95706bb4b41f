// Super resolution: first the quality on held-out frames (scenes, layouts, noise levels and
// seeds the training never saw), then the time of the worker's step for a 256 x 192 frame.
// The model is build/bin/RawRes.pb, or the file named by ORVIK_SR_MODEL. With
// ORVIK_SR_PICTURE=<file.png> it also writes one held-out frame side by side, coloured with the
// first palette: the camera's frame, bicubic, the network, the network with sharpen and
// smooth, and the truth.
#include "tests/support/superresframes.h"
#include "view/palette.h"
#include "view/superresnet.h"

#include <QCoreApplication>
#include <QString>

#include <benchmark/benchmark.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <cstdlib>

namespace {

QString modelPath()
{
    const char* named = std::getenv("ORVIK_SR_MODEL");
    return named ? QString::fromLocal8Bit(named) : QCoreApplication::applicationDirPath() + "/../bin/RawRes.pb";
}

SuperResNet& network()
{
    static SuperResNet net;
    if (!net.loaded()) {
        QString error;
        if (!net.load(modelPath(), &error)) {
            std::fprintf(stderr, "cannot load %s: %s\n", qPrintable(modelPath()), qPrintable(error));
            std::exit(1);
        }
    }
    return net;
}

// The camera's frame enlarged three ways.
struct Enlarged
{
    cv::Mat bicubic, network, filtered;
};

Enlarged enlargeAllWays(const superres::FramePair& pair)
{
    Enlarged e;
    cv::resize(pair.low, e.bicubic, pair.high.size(), 0, 0, cv::INTER_CUBIC);
    network().upsampleOnly(pair.low, e.network);
    network().upsample(pair.low, e.filtered);
    return e;
}

struct HeldOut
{
    const char* line;
    double netd;
};

// The training uses layouts 1..20000 of the board and compare scenes and noise of 0.02 to
// 0.12 K in steps of 0.02 K: these are the standard boards and layouts and noise levels it
// never saw.
const HeldOut kHeldOut[] = {
    {"Lumo scene=board", 0.05},                {"Lumo scene=compare", 0.05},
    {"Lumo scene=board layout=900001", 0.03},  {"Lumo scene=board layout=900002", 0.09},
    {"Lumo scene=board layout=900003", 0.05},  {"Lumo scene=compare layout=900004", 0.07},
    {"Lumo scene=board layout=900005", 0.11},  {"Lumo scene=compare layout=900006", 0.03},
};

void reportQuality()
{
    double bicubic = 0, model = 0, filtered = 0;
    std::printf("%-36s %6s %9s %9s %9s\n", "held-out frame 256x192", "netd", "bicubic", "model", "+filters");
    unsigned seed = 7001;
    for (const HeldOut& h : kHeldOut) {
        const superres::FramePair pair = superres::makeFramePair(h.line, 256, 192, h.netd, seed++);
        const Enlarged e = enlargeAllWays(pair);
        const double b = superres::psnr(e.bicubic, pair.high), m = superres::psnr(e.network, pair.high),
                     f = superres::psnr(e.filtered, pair.high);
        std::printf("%-36s %6.2f %9.2f %9.2f %9.2f\n", h.line, h.netd, b, m, f);
        bicubic += b;
        model += m;
        filtered += f;
    }
    const double n = double(std::size(kHeldOut));
    std::printf("%-36s %6s %9.2f %9.2f %9.2f  (PSNR dB, mean)\n\n", "all", "", bicubic / n, model / n, filtered / n);
}

void writePicture(const char* path)
{
    const superres::FramePair pair = superres::makeFramePair("Lumo scene=board layout=900003", 256, 192, 0.05, 77);
    const Enlarged e = enlargeAllWays(pair);
    cv::Mat camera;
    cv::resize(pair.low, camera, pair.high.size(), 0, 0, cv::INTER_NEAREST);
    uint8_t palette[kPaletteBytes];
    if (!loadPalette(PaletteFile::Lut1, palette)) {
        std::fprintf(stderr, "no palette\n");
        return;
    }
    cv::Mat lut(1, 256, CV_8UC3);
    for (int i = 0; i < 256; ++i)
        lut.at<cv::Vec3b>(0, i) = cv::Vec3b(palette[3 * i + 2], palette[3 * i + 1], palette[3 * i]);
    std::vector<cv::Mat> panels;
    const char* names[] = {"camera 256x192", "bicubic", "network", "network + sharpen + smooth", "truth"};
    int index = 0;
    const cv::Mat* const greys[] = {&camera, &e.bicubic, &e.network, &e.filtered, &pair.high};
    for (const cv::Mat* grey : greys) {
        cv::Mat colour, grey3;
        cv::cvtColor(*grey, grey3, cv::COLOR_GRAY2BGR);
        cv::LUT(grey3, lut, colour);
        cv::putText(colour, names[index++], {8, 22}, cv::FONT_HERSHEY_SIMPLEX, 0.6, {255, 255, 255}, 1, cv::LINE_AA);
        panels.push_back(colour);
    }
    cv::Mat row;
    cv::hconcat(panels, row);
    std::printf("%s: %s\n", path, cv::imwrite(path, row) ? "written" : "NOT written");
}

// The worker's whole step (network, sharpen, smooth), or the network alone.
void BM_SuperRes(benchmark::State& state, bool withFilters)
{
    SuperResNet& net = network();
    const superres::FramePair pair = superres::makeFramePair("Lumo scene=board layout=900001", 256, 192, 0.05, 1);
    cv::Mat output;
    for (auto _ : state) {
        if (withFilters)
            net.upsample(pair.low, output);
        else
            net.upsampleOnly(pair.low, output);
        benchmark::DoNotOptimize(output.data);
    }
}
BENCHMARK_CAPTURE(BM_SuperRes, WorkerStep, true)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK_CAPTURE(BM_SuperRes, NetworkOnly, false)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    reportQuality();
    if (const char* picture = std::getenv("ORVIK_SR_PICTURE"))
        writePicture(picture);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
