#include "view/hot3dwidget.h"

#include "core/log.h"
#include "pipeline/devicemodel.h"
#include "view/custominputhandler.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QVBoxLayout>
#include <QtDataVisualization/Q3DCamera>
#include <QtDataVisualization/Q3DScene>
#include <QtDataVisualization/Q3DSurface>
#include <QtDataVisualization/Q3DTheme>
#include <QtDataVisualization/QHeightMapSurfaceDataProxy>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QValue3DAxis>

#include <opencv2/imgproc.hpp>

using namespace QtDataVisualization;

namespace {

constexpr int kDualLightWidth = 256, kDualLightHeight = 192;

} // namespace

Hot3DWidget::Hot3DWidget(QWidget* parent) : QWidget(parent), layout(new QVBoxLayout(this))
{
    layout->setContentsMargins(0, 0, 0, 0);
    image.setSize(384, 288);
}

Hot3DWidget::~Hot3DWidget() = default;

bool Hot3DWidget::openGlAvailable()
{
    // The surface crashes without a real OpenGL: ask for a context once, before it is built.
    static const bool available = [] {
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
            return false;
        QOpenGLContext context;
        if (!context.create())
            return false;
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        const bool current = surface.isValid() && context.makeCurrent(&surface);
        if (current)
            context.doneCurrent();
        return current;
    }();
    return available;
}

void Hot3DWidget::showEvent(QShowEvent* event)
{
    // Built when first shown: a program that never opens the heat field needs no OpenGL.
    if (!graph && !notice)
        createGraph();
    QWidget::showEvent(event);
}

void Hot3DWidget::createGraph()
{
    if (!openGlAvailable()) {
        LOG_INFO(LOG_ORVIK) << "no OpenGL: the 3D heat field is not available";
        notice = new QLabel(this);
        notice->setObjectName(QStringLiteral("noOpenGl"));
        notice->setAlignment(Qt::AlignCenter);
        notice->setWordWrap(true);
        notice->setStyleSheet(QStringLiteral("color: rgb(210, 220, 230); font-size: 15px;"));
        notice->setText(tr("此电脑不支持OpenGL，无法显示三维热场。其他功能不受影响。"));
        layout->addWidget(notice);
        notice->show();
        return;
    }
    graph = new Q3DSurface;
    graph->setAxisX(new QValue3DAxis);
    graph->setAxisY(new QValue3DAxis);
    graph->setAxisZ(new QValue3DAxis);
    for (QValue3DAxis* axis : {graph->axisX(), graph->axisY(), graph->axisZ()})
        axis->setLabelFormat(QString());
    Q3DTheme* theme = graph->activeTheme();
    theme->setLabelBackgroundEnabled(false);
    theme->setGridEnabled(false);
    theme->setBackgroundEnabled(false);
    theme->setWindowColor(Qt::black);
    graph->scene()->activeCamera()->setCameraPreset(Q3DCamera::CameraPresetDirectlyAbove);
    graph->scene()->activeCamera()->setZoomLevel(140);
    graph->setSelectionMode(QAbstract3DGraph::SelectionNone);
    graph->setActiveInputHandler(new CustomInputHandler(graph));
    proxy = new QHeightMapSurfaceDataProxy;
    proxy->setValueRanges(-5000, 5000, -5000, 5000);
    series = new QSurface3DSeries(proxy);
    series->setItemLabelFormat(QStringLiteral("(@xLabel,@zLabel):@yLabel"));
    series->setFlatShadingEnabled(false);
    series->setMeshSmooth(true);
    series->setDrawMode(QSurface3DSeries::DrawSurface);
    graph->addSeries(series);
    QWidget* container = QWidget::createWindowContainer(graph, this);
    container->setObjectName(QStringLiteral("surface3D"));
    container->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(container);
    container->show();
    showSurface();
}

void Hot3DWidget::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange && notice)
        notice->setText(tr("此电脑不支持OpenGL，无法显示三维热场。其他功能不受影响。"));
    QWidget::changeEvent(event);
}

void Hot3DWidget::setCameraGeometry(int width, int height, int modelIndex)
{
    const bool dualLight =
        modelIndex > 0 && modelIndex < kDeviceModelCount && deviceModelTable()[size_t(modelIndex)].kind == DualLight;
    const int w = dualLight ? kDualLightWidth : width, h = dualLight ? kDualLightHeight : height;
    geometryKnown = true;
    if (w != image.width() || h != image.height()) {
        image.setSize(w, h);
        shown.reset();
    }
}

void Hot3DWidget::setPalette(const unsigned char* palette)
{
    image.setPalette(palette);
    redraw();
}

void Hot3DWidget::setSmoothing(int level)
{
    image.setSmoothing(level);
    redraw();
}

void Hot3DWidget::setFrame(const FramePtr& frame)
{
    if (!frame || frame->image.size() < size_t(frame->pixels()))
        return;
    const bool sameSize = frame->width == image.width() && frame->height == image.height();
    if (!sameSize && frame->kind == DualLight && geometryKnown) {
        // The surface of a dual-light camera has the infrared module's grid: the fused
        // picture's grey levels averaged down to it.
        reduced.resize(size_t(image.width()) * image.height());
        cv::Mat grid(image.height(), image.width(), CV_8UC1, reduced.data());
        cv::resize(cv::Mat(frame->height, frame->width, CV_8UC1, const_cast<uint8_t*>(frame->image.data())), grid,
                   grid.size(), 0, 0, cv::INTER_AREA);
    } else if (!sameSize) {
        if (geometryKnown)
            return;
        image.setSize(frame->width, frame->height);
    }
    shown = frame;
    redraw();
}

void Hot3DWidget::redraw()
{
    if (!shown)
        return;
    const bool sameSize = shown->width == image.width() && shown->height == image.height();
    image.setFrame(sameSize ? shown->image.data() : reduced.data());
    showSurface();
}

void Hot3DWidget::clear()
{
    shown.reset();
    image.setSize(image.width(), image.height());
    showSurface();
}

void Hot3DWidget::showSurface()
{
    if (!graph)
        return;
    // Brighter (hotter within the window) is higher; the texture carries the palette colours.
    // The board keeps its proportions: x runs along the frame's width, z along its height.
    graph->setHorizontalAspectRatio(image.height() > 0 ? double(image.width()) / image.height() : 1.0);
    const QImage heights(image.smoothed().data(), image.width(), image.height(), image.width(),
                         QImage::Format_Grayscale8);
    proxy->setHeightMap(heights.copy());
    series->setTexture(QImage(image.rgb().data(), image.width(), image.height(), image.width() * 3,
                              QImage::Format_RGB888)
                           .copy());
}
