#include "view/viewport.h"

#include "core/globals.h"
#include "core/log.h"
#include "pipeline/devicemodel.h"
#include "view/chartdialog.h"
#include "view/imageregistrate.h"

#include <QTimerEvent>

#include <algorithm>
#include <cstring>

namespace {

QCursor pixmapCursor(const char* name, Qt::CursorShape fallback)
{
    const QPixmap pixmap(QStringLiteral(":/image/common/cursor/%1.png").arg(QLatin1String(name)));
    return pixmap.isNull() ? QCursor(fallback) : QCursor(pixmap); // hot spot in the centre
}

} // namespace

ViewPort::ViewPort(QWidget* parent)
    : QLabel(parent), pointCursor(pixmapCursor("pointCursor", Qt::CrossCursor)),
      rectCursor(pixmapCursor("rectCursor", Qt::CrossCursor)),
      polygonCursor(pixmapCursor("polygonCursor", Qt::CrossCursor))
{
    setMouseTracking(true);
    // Every pixel is painted here: Qt then fills neither this widget nor the window beneath it
    // before each frame, two passes over the whole area that cost more than the picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Before the first setCameraGeometry, which hands the worker the size.
    superRes = std::make_unique<SuperResImage>(this, gAppDir + QStringLiteral("/RawRes.pb"));
    connect(superRes.get(), &SuperResImage::updateImage, this, &ViewPort::onUpdateSuperResImage);
    registration = std::make_unique<imageRegistrate>();
    // Reported on the run's thread; acted on here.
    connect(registration.get(), &imageRegistrate::registrationDone, this,
            [this](bool registered, QString failure) {
                registrationOverlay = registered;
                renderFrame();
                emit registrationFinished(registered, failure);
            },
            Qt::QueuedConnection);
    setCameraGeometry(800, 600, 0);
    geometry.letterBox(size(), QSize());
    repaintTimer = startTimer(150, Qt::CoarseTimer);
}

// The worker ends first: it may still be handing a result to this view.
ViewPort::~ViewPort()
{
    superRes.reset();
    registration.reset();
}

bool ViewPort::startRegistration(const QString& picturePath)
{
    if (!frame || frame->image.size() < size_t(frame->pixels()) || registration->isRunning())
        return false;
    // The camera's frame as it comes: the class was trained on it, and the overlay follows
    // the view's flips and turns when it is shown.
    const cv::Mat grey(frame->height, frame->width, CV_8UC1, const_cast<uint8_t*>(frame->image.data()));
    registration->setTemplateFiles(QStringLiteral("test_temple.yaml"), QStringLiteral("test_infom.yaml"));
    registration->setPictureName(picturePath);
    registration->setThermalImage(grey);
    registrationOverlay = false;
    registration->reset();
    return registration->start();
}

void ViewPort::removeRegistration()
{
    registrationOverlay = false;
    registration->reset();
    renderFrame();
}

void ViewPort::dropRegistration()
{
    if (!registrationOverlay)
        return;
    registrationOverlay = false;
    registration->reset();
    emit registrationDropped();
}

// ---------------------------------------------------------------- frames and geometry

void ViewPort::setCameraGeometry(int width, int height, int modelIndex)
{
    fitToFrameSize(std::max(width, 1), std::max(height, 1));
    kind = modelIndex >= 0 && modelIndex < kDeviceModelCount ? deviceModelTable()[size_t(modelIndex)].kind : None;
    frame.reset();
    hasTemperatures = false;
    displayImage = QImage();
    dropSuperResResult();
}

void ViewPort::fitToFrameSize(int width, int height)
{
    dropRegistration(); // another camera's picture
    update(); // the overlay moves with the frame's size
    clearSelection();
    clearHover();
    dragging = false;
    polygonStarted = rubberBandValid = false;
    polygonWidgetPoints.clear();
    polygonImagePoints.clear();
    if (tool == Tool::Polygon)
        tool = Tool::None;
    geometry.frameWidth = width;
    geometry.frameHeight = height;
    superRes->setSize(width, height);
    if (width == frameWidth && height == frameHeight)
        return;
    frameWidth = width;
    frameHeight = height;
    // What still fits stays where it was on the board; what does not is dropped.
    const QRect image(0, 0, width, height);
    QVector<QPoint> keptPoints;
    for (const QPoint& point : measurements.points)
        if (image.contains(point))
            keptPoints.append(point);
    measurements.points = keptPoints;
    QVector<QRect> keptRegions;
    for (const QRect& region : measurements.searchRegions)
        if (!region.intersected(image).isEmpty())
            keptRegions.append(region.intersected(image));
    measurements.searchRegions = keptRegions;
    fitCharts();
}

void ViewPort::fitCharts()
{
    const QRect area(0, 0, chartLimit(), frameHeight);
    for (int slot = 0; slot < kChartSlots; ++slot) {
        chartDialog* chart = charts[size_t(slot)];
        if (!chart)
            continue;
        const QPolygon polygon(chart->referencePolygon());
        if (polygon.isEmpty()) {
            const QRect clipped = chart->referenceRect().intersected(area);
            if (clipped.isEmpty())
                closeChart(slot);
            else
                setChartRegion(chart, clipped); // rebuilt for the new size, twin included
        } else if (area.contains(polygon.boundingRect())) {
            setChartRegion(chart, polygon);
        } else {
            closeChart(slot);
        }
    }
}

void ViewPort::setFrame(const FramePtr& newest)
{
    if (!newest || newest->pixels() <= 0)
        return;
    if (newest->width != frameWidth || newest->height != frameHeight)
        fitToFrameSize(newest->width, newest->height);
    frame = newest;
    kind = newest->kind;
    if (noCamera) // its notice covered the margins too
        update();
    noCamera = false;
    hasTemperatures = newest->hasTemperatures();
    frameMaxPos = QPoint(newest->maxX, newest->maxY);
    frameMax = hasTemperatures ? newest->maxTemp : kNoFrame;
    frameMin = hasTemperatures ? newest->minTemp : kNoFrame;
    if (superResolution && newest->rgb.empty())
        superRes->setImage(newest->image.data(), int(newest->image.size()));
}

void ViewPort::showNoCamera()
{
    dropRegistration();
    noCamera = true;
    frame.reset();
    hasTemperatures = false;
    frameMax = frameMin = kNoFrame;
    clearHover();
    dragging = false;
    update();
}

void ViewPort::setGrayWindow(float low, float high)
{
    grayLow = low;
    grayHigh = high;
}

void ViewPort::setTemperatureWindow(float lowCelsius, float highCelsius, bool bySpan)
{
    windowLowCelsius = lowCelsius;
    windowHighCelsius = highCelsius;
    colourBySpan = bySpan;
}

void ViewPort::renderFrame()
{
    if (!frame)
        return;
    if (!frame->rgb.empty()) { // the dual-light camera's fusion: coloured already
        showRendered(renderer.renderColour(frame->rgb.data(), frame->width, frame->height, renderOptions()));
        return;
    }
    if (superResolution) // the worker's results are shown instead
        return;
    showRendered(renderer.render(frame->image.data(), frame->width, frame->height, palette, renderOptions()));
}

FrameRenderer::Options ViewPort::renderOptions() const
{
    FrameRenderer::Options options;
    options.grayLow = grayLow;
    options.grayHigh = grayHigh;
    options.narrowBand = kind == DirectShowY16 && frameMax - frameMin < 3.0f;
    options.leakFind = leakFind;
    if ((leakFind || colourBySpan) && frame->hasTemperatures()) {
        options.temperatures = frame->temperatures.data();
        options.spanLow = windowLowCelsius;
        options.spanHigh = windowHighCelsius;
        options.colourBySpan = colourBySpan;
    }
    options.searchRegions = regionFind ? &measurements.searchRegions : nullptr;
    options.rotation = geometry.rotation;
    options.mirrorH = geometry.mirrorH;
    options.mirrorV = geometry.mirrorV;
    return options;
}

void ViewPort::showRendered(const QImage& image)
{
    displayImage = image;
    if (registrationOverlay) {
        // At the overlay's own size, sharper than the frame; the measurements map by the frame.
        const QImage blended = registration->blendOverlay(image, renderOptions());
        if (!blended.isNull())
            displayImage = blended;
    }
    const QRect before = pictureArea();
    geometry.letterBox(size(), displayImage.size());
    if (pictureArea() == before)
        update(frameRegion());
    else // the margins moved
        update();
}

void ViewPort::setPalette(const unsigned char* table)
{
    if (table)
        std::memcpy(palette, table, sizeof palette);
}

void ViewPort::setOrientation(int rotation, bool mirrorH, bool mirrorV)
{
    geometry.rotation = rotation;
    geometry.mirrorH = mirrorH;
    geometry.mirrorV = mirrorV;
    clearHover();
    update();
}

void ViewPort::setDisplayOptions(const QString& letter, bool mouse, bool hottest)
{
    unitLetter = letter;
    showMouseTemperature = mouse;
    showHottest = hottest;
    update();
}

void ViewPort::setUnit(const QString& letter)
{
    unitLetter = letter;
    for (chartDialog* chart : charts)
        if (chart)
            chart->setUnit(letter);
    update();
}

void ViewPort::setRegionFind(bool on)
{
    regionFind = on;
    if (on && measurements.searchRegions.isEmpty())
        measurements.searchRegions.append(QRect(frameWidth / 3, frameHeight / 3, frameWidth / 3, frameHeight / 3));
    update();
}

bool ViewPort::setSuperResolution(bool on)
{
    if (on && !superRes->available())
        return false;
    if (on != superResolution)
        LOG_INFO(LOG_OTHER) << (on ? "super resolution on" : "super resolution off");
    superResolution = on;
    if (on)
        dropSuperResResult(); // one from before would show an old picture
    else
        renderFrame();
    return true;
}

void ViewPort::setSuperResFrame(const uint8_t* gray, int width, int height)
{
    std::lock_guard<std::mutex> lock(superResMutex);
    superResPending.assign(gray, gray + size_t(width) * height);
    superResPendingWidth = width;
    superResPendingHeight = height;
    superResFresh = true;
}

void ViewPort::dropSuperResResult()
{
    std::lock_guard<std::mutex> lock(superResMutex);
    superResFresh = false;
}

void ViewPort::onUpdateSuperResImage()
{
    int width = 0, height = 0;
    {
        std::lock_guard<std::mutex> lock(superResMutex);
        if (!superResFresh) // an earlier signal already took this result
            return;
        superResFresh = false;
        superResGray.swap(superResPending);
        width = superResPendingWidth;
        height = superResPendingHeight;
    }
    // A result of the camera before a size change is of no use. The network keeps the grey
    // scale of its input, so the grey window applies as to the frame itself.
    if (!superResolution || !frame || width != 2 * frameWidth || height != 2 * frameHeight)
        return;
    FrameRenderer::Options options = renderOptions();
    options.pixelScale = 2;
    options.colourBySpan = false; // the network's grey levels keep the grey window
    showRendered(renderer.render(superResGray.data(), width, height, palette, options));
}

bool ViewPort::widgetToImage(const QPoint& widget, QPoint& image) const
{
    if (!hasTemperatures) {
        image = QPoint(0, 0);
        return false;
    }
    return geometry.widgetToImage(widget, image);
}

const float* ViewPort::temperatureData() const
{
    return hasTemperatures ? frame->temperatures.data() : nullptr;
}

float ViewPort::temperatureAt(const QPoint& p) const
{
    if (!hasTemperatures || !QRect(0, 0, frameWidth, frameHeight).contains(p))
        return kNoFrame;
    return frame->temperatures[size_t(p.y()) * frameWidth + p.x()];
}

// ---------------------------------------------------------------- statistics

float ViewPort::regionAverage(const QRect& rect) const
{
    return rectangleAverage(temperatureData(), frameWidth, frameHeight, rect);
}

float ViewPort::regionAverage(const PolygonMask& mask) const
{
    return polygonAverage(temperatureData(), frameWidth, frameHeight, mask);
}

RegionMaximum ViewPort::regionMaximum(const QRect& rect) const
{
    return rectangleMaximum(temperatureData(), frameWidth, frameHeight, rect);
}

RegionMaximum ViewPort::regionMaximum(const PolygonMask& mask) const
{
    return polygonMaximum(temperatureData(), frameWidth, frameHeight, mask);
}

// ---------------------------------------------------------------- tools and charts

void ViewPort::arm(Tool armed)
{
    tool = armed;
    clearSelection();
    update(); // the selection's icons may lie in the margins
}

void ViewPort::armPointTool()
{
    arm(Tool::Point);
}

void ViewPort::armSearchRectTool()
{
    if (measurements.searchRegions.size() < kMaxSearchRegions)
        arm(Tool::SearchRect);
}

void ViewPort::armChartRectTool()
{
    if (freeChartSlot() >= 0)
        arm(Tool::ChartRect);
}

void ViewPort::armPolygonTool()
{
    if (freeChartSlot() >= 0)
        arm(Tool::Polygon);
}

int ViewPort::freeChartSlot() const
{
    for (int slot = 0; slot < kChartSlots; ++slot)
        if (!charts[size_t(slot)])
            return slot;
    return -1;
}

void ViewPort::closeChart(int slot)
{
    if (slot < 0 || slot >= kChartSlots || !charts[size_t(slot)])
        return;
    if (selection.active && selection.kind == SelectionKind::Chart && selection.index == slot)
        clearSelection();
    // The chart may be asking from inside its own slot: delete it once that returns.
    charts[size_t(slot)]->hide();
    charts[size_t(slot)]->deleteLater();
    charts[size_t(slot)] = nullptr;
    update();
}

void ViewPort::setChartRegion(chartDialog* chart, const QRect& rect)
{
    chart->setReferenceRect(rect);
    if (boardCompare)
        chart->setTestRect(rect.translated(frameWidth / 2, 0));
}

void ViewPort::setChartRegion(chartDialog* chart, const QPolygon& polygon)
{
    chart->setReferencePolygon(polygon);
    if (boardCompare)
        chart->setTestPolygon(polygon.translated(frameWidth / 2, 0));
}

void ViewPort::createChart(const QRect* rect, const QPolygon* polygon)
{
    const int slot = freeChartSlot();
    if (slot < 0)
        return;
    auto* chart = new chartDialog(this, this);
    chart->setWindowFlags(chart->windowFlags() | Qt::Window);
    charts[size_t(slot)] = chart;
    chart->setSlot(slot);
    chart->setUnit(unitLetter);
    if (rect)
        setChartRegion(chart, *rect);
    else
        setChartRegion(chart, *polygon);
    if (!boardCompare)
        chart->setSingleSeries();
    chart->move(mapToGlobal(QPoint(0, 0)) + (slot + 1) * QPoint(40, 20));
    chart->show();
}

void ViewPort::closePolygon()
{
    if (polygonImagePoints.size() >= 3)
        createChart(nullptr, &polygonImagePoints);
    tool = Tool::None;
    polygonStarted = false;
    rubberBandValid = false;
    polygonWidgetPoints.clear();
    polygonImagePoints.clear();
}

void ViewPort::resetModes()
{
    frameMax = kNoFrame;
    regionFind = leakFind = false;
    clearHover();
    measurements.searchRegions.clear();
    for (int slot = 0; slot < kChartSlots; ++slot)
        closeChart(slot);
    // A tool armed for the old mode would draw the wrong kind of region in the new one.
    tool = Tool::None;
    unsetCursor();
    polygonStarted = false;
    polygonWidgetPoints.clear();
    polygonImagePoints.clear();
    clearSelection();
    update();
}

void ViewPort::resetAll()
{
    resetModes();
    setOrientation(0, false, false);
    measurements.points.clear();
    update();
}

QPixmap ViewPort::grabImageArea()
{
    return grab(QRect(geometry.marginX, geometry.marginY, width() - 2 * geometry.marginX,
                      height() - 2 * geometry.marginY));
}

void ViewPort::timerEvent(QTimerEvent* event)
{
    // Below the period: a paint a few milliseconds after the last tick is not a reason to skip.
    if (event->timerId() == repaintTimer && (!sincePaint.isValid() || sincePaint.elapsed() >= 100))
        update();
    else
        QLabel::timerEvent(event);
}

void ViewPort::resizeEvent(QResizeEvent* event)
{
    geometry.letterBox(size(), displayImage.size());
    QLabel::resizeEvent(event);
}

void ViewPort::setDifferenceOverlay(const DifferenceOverlay& overlay)
{
    difference = overlay;
    update();
}
