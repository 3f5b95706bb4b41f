// One recording tick as the main window runs it every 100 ms: grab the window's region of the
// X11 desktop, convert it, encode it and write it. Needs an X display (xvfb-run). The region
// shows a new noise picture before every tick, the hardest case for the encoder.
#include "tools/screengrab.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <random>

namespace {

QPixmap noise(std::mt19937& random)
{
    QImage image(1270, 685, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = random() | 0xff000000u;
    }
    return QPixmap::fromImage(image);
}

void BM_RecordTick(benchmark::State& state)
{
    std::mt19937 random(7);
    QLabel window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.setGeometry(0, 0, 1270, 685);
    window.show();
    QTemporaryDir dir;
    ScreenGrab grab;
    grab.startRecord(dir.filePath("bench.mp4").toStdString(), 1270, 685);
    grab.setRegion(0, 0, 1270, 685);
    if (!grab.open()) {
        state.SkipWithError("no X display to grab");
        return;
    }
    for (auto _ : state) {
        // The timer's pace: the grabber waits for its next frame otherwise.
        state.PauseTiming();
        window.setPixmap(noise(random));
        QApplication::processEvents();
        QThread::msleep(100);
        state.ResumeTiming();
        benchmark::DoNotOptimize(grab.grabFrame());
    }
    grab.stopRecord();
}
BENCHMARK(BM_RecordTick)->Unit(benchmark::kMillisecond)->Iterations(100);

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
