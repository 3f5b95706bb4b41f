// The budget of one frame as one number: a 256 x 192 camera's raw frame through the device
// half, then coloured, scaled into a 1238 x 929 image area and painted with the measurement
// overlays of a working session (points, the hottest spot, regions and polygons).
#include "capture/tcal_module.h"
#include "core/globals.h"
#include "libtccmd.h"
#include "libtcuvc.h"
#include "pipeline/frame.h"
#include "pipeline/temperaturecorrection.h"
#include "pipeline/uvcpipeline.h"
#include "sdk/virtual/registry.h"
#include "sdk/virtual/tcsim.h"
#include "view/viewport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <numeric>

namespace {

constexpr int W = 256, H = 192;

// A camera of the kind, open, and its pipeline with the tables and correction the program uses.
struct Camera
{
    Camera()
    {
        tcsim::setRegistryText("Vesk_R_M serial=FRAME\n");
        uvc = tcuvc_create_handle();
        tcuvc_camera_init(uvc);
        tcuvc_device_entry_t list[TCUVC_MAX_DEVICES];
        tcuvc_camera_list(uvc, list);
        tcuvc_camera_open_same(uvc, &list[0], 0);
        cmd = tccmd_create_handle(uvc, 1);
        TcalModule::bindTableFiles(cmd);
        pipeline.open(Uvc256, W, H, cmd, TcalModule::load(cmd, Uvc256, false));
        pipeline.setTemperatureCorrection(TemperatureCorrection::build(Uvc256, SensorCorrection{}, 1.0f));
        for (int i = 0; i < 8; ++i)
            raw.push_back(tcsim::renderFrame("FRAME", i));
    }
    ~Camera()
    {
        pipeline.close();
        tccmd_delete_handle(cmd);
        tcuvc_delete_handle(uvc);
        tcsim::clearRegistryText();
    }
    // The next of a few frames of the scene, each a new frame to the view.
    FramePtr next()
    {
        auto frame = std::make_shared<Frame>();
        pipeline.processFrame(reinterpret_cast<const uint8_t*>(raw[index++ % raw.size()].data()));
        extractUvcFrame(pipeline, *frame);
        return frame;
    }
    tcuvc_handle_t* uvc = nullptr;
    tccmd_handle_t* cmd = nullptr;
    UvcPipeline pipeline;
    std::vector<std::vector<uint16_t>> raw;
    size_t index = 0;
};

void click(ViewPort& view, const QPoint& p, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mousePress(&view, button, {}, p);
    QTest::mouseRelease(&view, button, {}, p);
}

// Three points, a search region and a polygon, as a technician leaves them on the picture.
void placeOverlays(ViewPort& view)
{
    const ViewGeometry& g = view.viewGeometry();
    for (int i = 0; i < 3; ++i) {
        view.armPointTool();
        click(view, g.imageToWidget(QPoint(40 + 60 * i, 50)));
    }
    view.armSearchRectTool();
    QTest::mousePress(&view, Qt::LeftButton, {}, g.imageToWidget(QPoint(20, 100)));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, g.imageToWidget(QPoint(90, 160)));
    view.armPolygonTool();
    for (QPoint p : {QPoint(150, 100), QPoint(220, 110), QPoint(190, 170)})
        click(view, g.imageToWidget(p));
    click(view, g.imageToWidget(QPoint(190, 170)), Qt::RightButton);
}

// state.range(0): 1 with the device half, 0 the view alone (render, scale, paint).
void BM_WholeFrame(benchmark::State& state)
{
    const bool deviceHalf = state.range(0) != 0;
    Camera camera;
    ViewPort view;
    view.resize(1238, 929); // the image area of the main window at 1920 x 1080
    view.setCameraGeometry(W, H, 1);
    uint8_t palette[768];
    std::iota(palette, palette + 768, 0);
    view.setPalette(palette);
    view.setFrame(camera.next());
    view.renderFrame();
    placeOverlays(view);
    std::vector<FramePtr> frames;
    for (int i = 0; i < 4; ++i)
        frames.push_back(camera.next());
    QImage target(view.size(), QImage::Format_RGB32);
    size_t i = 0;
    for (auto _ : state) {
        view.setFrame(deviceHalf ? camera.next() : frames[i++ % frames.size()]);
        view.renderFrame();
        view.render(&target);
    }
}
BENCHMARK(BM_WholeFrame)->ArgName("device_half")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    gAppDir = dir.path();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
