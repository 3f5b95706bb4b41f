// The image view per frame: colouring a 384 x 288 frame, a whole paint with every kind of
// overlay at the main window's size, and the 3D heat field's heights and colours.
#include "view/chartdialog.h"
#include "view/heatfieldimage.h"
#include "view/viewport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <benchmark/benchmark.h>

#include <numeric>
#include <random>

namespace {

constexpr int W = 384, H = 288;

void feed(ViewPort& view)
{
    std::mt19937 random(1);
    std::uniform_real_distribution<float> value(20.0f, 80.0f);
    auto frame = std::make_shared<Frame>();
    frame->resize(W, H);
    frame->kind = Uvc384;
    for (float& v : frame->temperatures)
        v = value(random);
    std::iota(frame->image.begin(), frame->image.end(), 0);
    frame->maxX = frame->maxY = 10;
    frame->maxTemp = 80.0f;
    frame->minTemp = 20.0f;
    uint8_t palette[768];
    std::iota(palette, palette + 768, 0);
    view.setPalette(palette);
    view.setFrame(frame);
    view.setGrayWindow(0.1f, 0.9f);
}

void BM_RenderFrame(benchmark::State& state)
{
    ViewPort view;
    view.resize(1270, 685);
    view.setCameraGeometry(W, H, 7);
    feed(view);
    for (auto _ : state)
        view.renderFrame();
}
BENCHMARK(BM_RenderFrame)->Unit(benchmark::kMillisecond);

void click(ViewPort& view, const QPoint& p, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mousePress(&view, button, {}, p);
    QTest::mouseRelease(&view, button, {}, p);
}

void BM_PaintWithOverlays(benchmark::State& state)
{
    ViewPort view;
    view.resize(1270, 685);
    view.setCameraGeometry(W, H, 7);
    feed(view);
    view.renderFrame();
    const ViewGeometry& g = view.viewGeometry();
    for (int i = 0; i < 10; ++i) {
        view.armPointTool();
        click(view, g.imageToWidget(QPoint(20 + 30 * i, 40)) + QPoint(1, 1));
    }
    for (int i = 0; i < 3; ++i) {
        view.armSearchRectTool();
        const QPoint from = g.imageToWidget(QPoint(20 + 120 * i, 80)) + QPoint(1, 1);
        const QPoint to = g.imageToWidget(QPoint(90 + 120 * i, 140)) + QPoint(1, 1);
        QTest::mousePress(&view, Qt::LeftButton, {}, from);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, to);
        view.armPolygonTool();
        for (QPoint p : {QPoint(20 + 120 * i, 170), QPoint(100 + 120 * i, 180), QPoint(60 + 120 * i, 270)})
            click(view, g.imageToWidget(p) + QPoint(1, 1));
        click(view, g.imageToWidget(QPoint(60 + 120 * i, 270)) + QPoint(1, 1), Qt::RightButton);
    }
    if (view.measurementPoints().size() != 10 || view.searchRegionList().size() != 3 || !view.chart(2))
        state.SkipWithError("overlays were not laid out");
    QImage target(view.size(), QImage::Format_RGB32);
    for (auto _ : state)
        view.render(&target);
}
BENCHMARK(BM_PaintWithOverlays)->Unit(benchmark::kMillisecond);

// The heat field's heights and colours of a 384 x 288 frame at the default level (7 x 7).
void BM_HeatFieldFrame(benchmark::State& state)
{
    std::mt19937 random(2);
    std::vector<uint8_t> gray(size_t(W) * H);
    for (uint8_t& g : gray)
        g = uint8_t(random());
    uint8_t palette[768];
    std::iota(palette, palette + 768, 0);
    HeatFieldImage image;
    image.setSize(W, H);
    image.setSmoothing(4);
    image.setPalette(palette);
    image.setGrayWindow(0.1f, 0.9f);
    for (auto _ : state) {
        image.setFrame(gray.data());
        benchmark::DoNotOptimize(image.rgb().data());
    }
}
BENCHMARK(BM_HeatFieldFrame)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
