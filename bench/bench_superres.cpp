// Super resolution: first the quality on held-out frames (scenes, layouts and seeds the
// training never saw), for each grey mapping family apart; then the time of the worker's step
// for a 256 x 192 frame beside the standard FSRCNN (56, 12, 4) network in the same run. OpenCV
// runs on one thread, as in the program. The model is build/bin/RawRes.pb, or the file named
// by ORVIK_SR_MODEL. With ORVIK_SR_PICTURE=<file.png> it also writes one held-out frame side
// by side, coloured with the first palette: the camera's frame, bicubic, the network, the
// network with sharpen and smooth, and the truth; a board, or the scene of the camera line in
// ORVIK_SR_SCENE.
#include "tests/support/superresframes.h"
#include "view/palette.h"
#include "view/superresnet.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <benchmark/benchmark.h>
#include <opencv2/core/utility.hpp>
#include <opencv2/dnn_superres.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

QString modelPath()
{
    const char* named = std::getenv("ORVIK_SR_MODEL");
    return named ? QString::fromLocal8Bit(named) : QCoreApplication::applicationDirPath() + "/../bin/RawRes.pb";
}

// A network file run by our engine, loaded once; the program's model by default.
SuperResNet& network(const QString& path = modelPath())
{
    static std::map<QString, SuperResNet> nets;
    SuperResNet& net = nets[path];
    if (!net.loaded()) {
        QString error;
        if (!net.load(path, &error)) {
            std::fprintf(stderr, "cannot load %s: %s\n", qPrintable(path), qPrintable(error));
            std::exit(1);
        }
    }
    return net;
}

// The same file as OpenCV's super-resolution module runs it.
cv::dnn_superres::DnnSuperResImpl& openCv(const QString& path)
{
    static std::map<QString, cv::dnn_superres::DnnSuperResImpl> nets;
    const bool known = nets.count(path) > 0;
    cv::dnn_superres::DnnSuperResImpl& net = nets[path];
    if (!known) {
        try {
            net.readModel(QFile::encodeName(path).toStdString());
            net.setModel("fsrcnn", 2);
        } catch (const cv::Exception& e) {
            std::fprintf(stderr, "cannot load %s: %s\n", qPrintable(path), e.what());
            std::exit(1);
        }
    }
    return net;
}

// The standard FSRCNN (56, 12, 4) with untrained weights (written by scripts/superres/fsrcnn.py,
// which exports every size it knows untrained): its time in OpenCV is the yardstick.
const QString kReference = QStringLiteral(ORVIK_SR_REFERENCE);

// The camera's frame enlarged three ways.
struct Enlarged
{
    cv::Mat bicubic, network, filtered;
};

Enlarged enlargeAllWays(const superres::FramePair& pair)
{
    Enlarged e;
    cv::resize(pair.low, e.bicubic, pair.high.size(), 0, 0, cv::INTER_CUBIC);
    network().enlarge(pair.low, e.network);
    network().upsample(pair.low, e.filtered);
    return e;
}

struct HeldOut
{
    const char* name;
    const char* line;
    int width, height;
};

// The training uses layouts 1..20000 and its own random hot parts and ambients: these boards,
// benches and hot parts (places, temperatures, seeds) it never saw, with wide and narrow
// temperature spans. Each scene has its own noise, the same in every family's column.
const HeldOut kHeldOut[] = {
    {"board", "Lumo scene=board layout=900001", 256, 192},
    {"board, cold bench", "Lumo scene=board layout=900002 bench=1 ambient=8", 256, 192},
    {"two boards 384x288", "Lumo scene=compare layout=900004 ambient=31", 384, 288},
    {"hot part, flat bench", "Lumo scene=hotspot ambient=24 hot=95 hotx=0.37 hoty=0.58", 256, 192},
    {"warm part, flat bench", "Lumo scene=hotspot ambient=41 hot=45 hotx=0.71 hoty=0.33", 256, 192},
    {"hot board 160x120", "Lumo scene=board layout=900006 ambient=45", 160, 120},
};
constexpr double kNoise[] = {0.5, 1.0, 2.0, 3.0, 0.5, 1.0}; // grey levels, by scene

void reportQuality()
{
    constexpr int kFamilies = int(std::size(superres::kMappingFamilies));
    double gain[kFamilies] = {}, filteredGain[kFamilies] = {}, worst[kFamilies];
    std::fill(std::begin(worst), std::end(worst), 99.0);
    std::printf("Network's gain over bicubic (dB, PSNR of the 8-bit frame against the truth)\n");
    std::printf("%-24s %5s", "held-out scene", "noise");
    for (const superres::GreyMapping& m : superres::kMappingFamilies)
        std::printf(" %15s", m.name);
    std::printf("\n");
    unsigned seed = 7001;
    for (size_t scene = 0; scene < std::size(kHeldOut); ++scene) {
        const HeldOut& h = kHeldOut[scene];
        const double noise = kNoise[scene];
        std::printf("%-24s %5.1f", h.name, noise);
        for (int f = 0; f < kFamilies; ++f) {
            const superres::FramePair pair =
                superres::makeFramePair(h.line, h.width, h.height, superres::kMappingFamilies[f], noise, seed++);
            const Enlarged e = enlargeAllWays(pair);
            const double b = superres::psnr(e.bicubic, pair.high), g = superres::psnr(e.network, pair.high) - b;
            std::printf(" %+15.2f", g);
            gain[f] += g;
            filteredGain[f] += superres::psnr(e.filtered, pair.high) - b;
            worst[f] = std::min(worst[f], g);
        }
        std::printf("\n");
    }
    const double n = double(std::size(kHeldOut));
    auto row = [&](const char* name, const double* values, double scale) {
        std::printf("%-30s", name);
        for (int f = 0; f < kFamilies; ++f)
            std::printf(" %15.2f", values[f] * scale);
        std::printf("\n");
    };
    row("mean", gain, 1 / n);
    row("worst frame", worst, 1);
    row("mean, filtered", filteredGain, 1 / n);
    bool sound = true;
    for (int f = 0; f < kFamilies; ++f)
        sound = sound && gain[f] / n >= 0.5 && worst[f] >= -0.2;
    std::printf("every family gains at least 0.5 dB and no frame loses more than 0.2 dB: %s\n\n", sound ? "yes" : "NO");
}

// Median milliseconds of a step over a number of runs.
template <typename Step>
double medianMs(Step step)
{
    std::vector<double> ms;
    for (int i = 0; i < 31; ++i) {
        const int64 start = cv::getTickCount();
        step();
        ms.push_back(double(cv::getTickCount() - start) * 1000.0 / cv::getTickFrequency());
    }
    std::nth_element(ms.begin(), ms.begin() + 15, ms.end());
    return ms[15];
}

void reportSpeed()
{
    const superres::FramePair pair =
        superres::makeFramePair("Lumo scene=board layout=900001", 256, 192, superres::kMappingFamilies[0], 1.0, 1);
    cv::Mat output;
    // OpenCV's runs on the frame as it is; ours as the worker runs them, on the frame with its
    // mirrored edges.
    const double yardstick = medianMs([&] { openCv(kReference).upsample(pair.low, output); });
    const double modelInOpenCv = medianMs([&] { openCv(modelPath()).upsample(pair.low, output); });
    const double model = medianMs([&] { network().enlarge(pair.low, output); });
    const double step = medianMs([&] { network().upsample(pair.low, output); });
    const double referenceOurs = medianMs([&] { network(kReference).enlarge(pair.low, output); });
    std::printf("256x192, one thread, median of 31, as multiples of FSRCNN (56,12,4) in OpenCV (%.1f ms):\n"
                "  the model in OpenCV %.1f ms = %.2f x; in our engine, held near bicubic, %.1f ms = %.2f x\n"
                "  the worker's step (model, sharpen, smooth) %.1f ms = %.2f x\n"
                "  FSRCNN (56,12,4) in our engine %.1f ms = %.2f x\n\n",
                yardstick, modelInOpenCv, modelInOpenCv / yardstick, model, model / yardstick, step,
                step / yardstick, referenceOurs, referenceOurs / yardstick);
}

void writePicture(const char* path)
{
    const char* scene = std::getenv("ORVIK_SR_SCENE");
    const superres::FramePair pair = superres::makeFramePair(scene ? scene : "Lumo scene=board layout=900003", 256,
                                                             192, superres::kMappingFamilies[0], 1.0, 77);
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

enum class Step { Worker, Network, Yardstick };

void BM_SuperRes(benchmark::State& state, Step which)
{
    const superres::FramePair pair =
        superres::makeFramePair("Lumo scene=board layout=900001", 256, 192, superres::kMappingFamilies[0], 1.0, 1);
    cv::Mat output;
    for (auto _ : state) {
        if (which == Step::Worker)
            network().upsample(pair.low, output);
        else if (which == Step::Network)
            network().enlarge(pair.low, output);
        else
            openCv(kReference).upsample(pair.low, output);
        benchmark::DoNotOptimize(output.data);
    }
}
BENCHMARK_CAPTURE(BM_SuperRes, WorkerStep, Step::Worker)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK_CAPTURE(BM_SuperRes, NetworkOnly, Step::Network)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK_CAPTURE(BM_SuperRes, Fsrcnn56x12x4, Step::Yardstick)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    cv::setNumThreads(1);
    reportQuality();
    reportSpeed();
    if (const char* picture = std::getenv("ORVIK_SR_PICTURE"))
        writePicture(picture);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
