#include "view/viewport.h"

#include "core/globals.h"
#include "pipeline/devicemodel.h"
#include "view/chartdialog.h"
#include "view/imageregistrate.h"
#include "view/labellayout.h"
#include "view/overlay.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QTransform>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The main window's background, which the letterbox margins show.
const QColor kBackground(0, 21, 42);

QCursor pixmapCursor(const char* name, Qt::CursorShape fallback)
{
    const QPixmap pixmap(QStringLiteral(":/image/common/cursor/%1.png").arg(QLatin1String(name)));
    return pixmap.isNull() ? QCursor(fallback) : QCursor(pixmap); // hot spot in the centre
}

QRect squareAt(const QPoint& centre, int half)
{
    return QRect(centre.x() - half, centre.y() - half, 2 * half, 2 * half);
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
    for (const QPoint& point : points)
        if (image.contains(point))
            keptPoints.append(point);
    points = keptPoints;
    QVector<QRect> keptRegions;
    for (const QRect& region : searchRegions)
        if (!region.intersected(image).isEmpty())
            keptRegions.append(region.intersected(image));
    searchRegions = keptRegions;
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
    options.searchRegions = regionFind ? &searchRegions : nullptr;
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
    geometry.letterBox(size(), displayImage.size());
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
}

void ViewPort::setDisplayOptions(const QString& letter, bool mouse, bool hottest)
{
    unitLetter = letter;
    showMouseTemperature = mouse;
    showHottest = hottest;
}

void ViewPort::setUnit(const QString& letter)
{
    unitLetter = letter;
    for (chartDialog* chart : charts)
        if (chart)
            chart->setUnit(letter);
}

void ViewPort::setRegionFind(bool on)
{
    regionFind = on;
    if (on && searchRegions.isEmpty())
        searchRegions.append(QRect(frameWidth / 3, frameHeight / 3, frameWidth / 3, frameHeight / 3));
}

bool ViewPort::setSuperResolution(bool on)
{
    if (on && !superRes->available())
        return false;
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
}

void ViewPort::armPointTool()
{
    arm(Tool::Point);
}

void ViewPort::armSearchRectTool()
{
    if (searchRegions.size() < kMaxSearchRegions)
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
    searchRegions.clear();
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
    points.clear();
    update();
}

QPixmap ViewPort::grabImageArea()
{
    return grab(QRect(geometry.marginX, geometry.marginY, width() - 2 * geometry.marginX,
                      height() - 2 * geometry.marginY));
}

// ---------------------------------------------------------------- mouse

int ViewPort::resizeHandleAt(const QRect& r, const QPoint& p) const
{
    const int L = r.left(), R = r.right(), T = r.top(), B = r.bottom();
    const int cx = L + r.width() / 2, cy = T + r.height() / 2;
    const struct
    {
        QRect square;
        int code;
    } handles[] = {{QRect(cx - 2, T, 4, 2), 1}, {QRect(R - 3, T, 4, 4), 6}, {QRect(R - 1, cy - 2, 2, 4), 3},
                   {QRect(R - 3, B - 3, 4, 4), 8}, {QRect(cx - 2, B - 1, 4, 2), 4}, {QRect(L, B - 3, 4, 4), 7},
                   {QRect(L, cy - 2, 2, 4), 2}, {QRect(L, T, 4, 4), 5}};
    for (const auto& handle : handles)
        if (handle.square.contains(p))
            return handle.code;
    return 0;
}

Qt::CursorShape ViewPort::resizeCursor(int handle) const
{
    const bool quarter = geometry.rotation == 90 || geometry.rotation == 270;
    const bool mirrored = geometry.mirrorH != geometry.mirrorV;
    switch (handle) {
    case 1:
    case 4:
        return quarter ? Qt::SizeHorCursor : Qt::SizeVerCursor;
    case 2:
    case 3:
        return quarter ? Qt::SizeVerCursor : Qt::SizeHorCursor;
    case 6:
    case 7:
        return (mirrored != quarter) ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    case 5:
    case 8:
        return (mirrored != quarter) ? Qt::SizeBDiagCursor : Qt::SizeFDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

void ViewPort::deleteSelected()
{
    if (selection.kind == SelectionKind::Point && selection.index < points.size())
        points.remove(selection.index);
    else if (selection.kind == SelectionKind::SearchRegion && selection.index < searchRegions.size())
        searchRegions.remove(selection.index);
    else if (selection.kind == SelectionKind::Chart)
        closeChart(selection.index);
    clearSelection();
}

void ViewPort::hitTest(const QPoint& p)
{
    const Selection previous = selection;
    auto select = [this](SelectionKind k, int index) {
        selection = Selection();
        selection.active = true;
        selection.kind = k;
        selection.index = index;
    };
    for (int i = 0; i < points.size(); ++i)
        if (squareAt(points[i], 4).contains(p)) {
            select(SelectionKind::Point, i);
            selection.moving = true;
            return;
        }
    // A rectangle: the handles of the selected one first, then its inside.
    auto testRect = [&](SelectionKind k, int index, const QRect& rect) {
        const bool isSelected = previous.active && previous.kind == k && previous.index == index;
        const int handle = isSelected ? resizeHandleAt(rect, p) : 0;
        if (handle || rect.contains(p)) {
            select(k, index);
            selection.pressRect = rect;
            selection.resizing = handle != 0;
            selection.moving = handle == 0;
            selection.handle = handle;
            return true;
        }
        return false;
    };
    for (int i = 0; i < searchRegions.size(); ++i)
        if (testRect(SelectionKind::SearchRegion, i, searchRegions[i]))
            return;
    for (int slot = 0; slot < kChartSlots; ++slot) {
        chartDialog* chart = charts[size_t(slot)];
        if (!chart)
            continue;
        const QPolygon polygon(chart->referencePolygon());
        if (polygon.isEmpty()) {
            if (testRect(SelectionKind::Chart, slot, chart->referenceRect()))
                return;
            continue;
        }
        const bool isSelected = previous.active && previous.kind == SelectionKind::Chart && previous.index == slot;
        if (isSelected)
            for (int v = 0; v < polygon.size(); ++v)
                if (squareAt(polygon[v], 2).contains(p)) {
                    select(SelectionKind::Chart, slot);
                    selection.resizing = true;
                    selection.handle = v;
                    selection.pressPolygon = polygon;
                    return;
                }
        if (polygon.containsPoint(p, Qt::WindingFill)) {
            select(SelectionKind::Chart, slot);
            selection.moving = true;
            selection.pressPolygon = polygon;
            return;
        }
    }
    clearSelection();
}

void ViewPort::mousePressEvent(QMouseEvent* event)
{
    pressPos = event->pos();
    QPoint p;
    const bool onImage = widgetToImage(pressPos, p);
    switch (tool) {
    case Tool::SearchRect:
        dragging = onImage;
        if (!onImage)
            tool = Tool::None;
        break;
    case Tool::ChartRect:
        dragging = onImage && (!boardCompare || p.x() < frameWidth / 2);
        if (!dragging)
            tool = Tool::None;
        break;
    case Tool::Polygon:
        if (event->button() == Qt::LeftButton && !polygonStarted) {
            polygonWidgetPoints.clear();
            polygonImagePoints.clear();
            polygonStarted = true;
        }
        break;
    case Tool::Point:
        break;
    case Tool::None:
        if (event->button() != Qt::LeftButton)
            break;
        if (selection.active && selection.deleteIconRect.contains(pressPos)) {
            deleteSelected();
            update();
            break;
        }
        hitTest(p);
        update();
        break;
    }
    // Kept here: a press that reached the window would drag the whole window along.
    event->accept();
}

QRect ViewPort::keptInside(const QRect& rect, int limit) const
{
    QRect r = rect;
    if (r.left() < 0)
        r.moveLeft(0);
    if (r.right() + 1 >= limit)
        r.moveLeft(limit - 1 - r.width());
    if (r.top() < 0)
        r.moveTop(0);
    if (r.bottom() + 1 >= frameHeight)
        r.moveTop(frameHeight - 1 - r.height());
    return r;
}

void ViewPort::moveSelection(const QPoint& c)
{
    QPoint start;
    widgetToImage(pressPos, start);
    const QPoint d = c - start;
    if (selection.kind == SelectionKind::Point) {
        QPoint onImage;
        if (widgetToImage(currentPos, onImage) && selection.index < points.size())
            points[selection.index] = c;
    } else if (selection.kind == SelectionKind::SearchRegion) {
        if (selection.index < searchRegions.size())
            searchRegions[selection.index] = keptInside(selection.pressRect.translated(d), frameWidth);
    } else if (chartDialog* chart = charts[size_t(selection.index)]) {
        if (selection.pressPolygon.isEmpty()) {
            setChartRegion(chart, keptInside(selection.pressRect.translated(d), chartLimit()));
        } else {
            // Keep the bounding box inside [0, limit - 1] x [0, H - 1].
            const QRect box = selection.pressPolygon.boundingRect();
            const int dx = std::clamp(d.x(), -box.left(), chartLimit() - 1 - box.right());
            const int dy = std::clamp(d.y(), -box.top(), frameHeight - 1 - box.bottom());
            setChartRegion(chart, selection.pressPolygon.translated(dx, dy));
        }
    }
}

void ViewPort::resizeSelection(const QPoint& c)
{
    QPoint start;
    widgetToImage(pressPos, start);
    const QPoint d = c - start;
    chartDialog* chart = selection.kind == SelectionKind::Chart ? charts[size_t(selection.index)] : nullptr;
    if (chart && !selection.pressPolygon.isEmpty()) {
        QPolygon polygon = selection.pressPolygon;
        QPoint vertex = c;
        if (boardCompare)
            vertex.setX(std::min(vertex.x(), frameWidth / 2 - 1));
        polygon[selection.handle] = vertex;
        setChartRegion(chart, polygon);
        return;
    }
    const QRect r = selection.pressRect;
    int L = r.left(), R = r.right() + 1, T = r.top(), B = r.bottom() + 1;
    const int h = selection.handle;
    if (h == 1 || h == 5 || h == 6)
        T += d.y();
    if (h == 4 || h == 7 || h == 8)
        B += d.y();
    if (h == 2 || h == 5 || h == 7)
        L += d.x();
    if (h == 3 || h == 6 || h == 8)
        R += d.x();
    const int limit = chart ? chartLimit() : frameWidth;
    L = std::clamp(L, 0, limit - 1);
    R = std::min(R, limit - 1);
    T = std::max(T, 0);
    B = std::min(B, frameHeight - 1);
    // Dragging an edge over the opposite one flips the rectangle.
    const QRect resized(std::min(L, R), std::min(T, B), std::abs(R - L), std::abs(B - T));
    if (chart)
        setChartRegion(chart, resized);
    else if (selection.index < searchRegions.size())
        searchRegions[selection.index] = resized;
}

bool ViewPort::hover(const QPoint& widget, const QPoint& p)
{
    if (selection.active && selection.deleteIconRect.contains(widget)) {
        setCursor(Qt::PointingHandCursor);
        return true;
    }
    for (const QPoint& point : points)
        if (squareAt(point, 2).contains(p)) {
            setCursor(Qt::SizeAllCursor);
            return true;
        }
    auto selectedRect = [&](SelectionKind k, int index, const QRect& rect) {
        if (selection.active && selection.kind == k && selection.index == index)
            if (const int handle = resizeHandleAt(rect, p)) {
                setCursor(resizeCursor(handle));
                return true;
            }
        if (rect.contains(p)) {
            setCursor(Qt::SizeAllCursor);
            return true;
        }
        return false;
    };
    for (int i = 0; i < searchRegions.size(); ++i)
        if (selectedRect(SelectionKind::SearchRegion, i, searchRegions[i]))
            return true;
    for (int slot = 0; slot < kChartSlots; ++slot) {
        chartDialog* chart = charts[size_t(slot)];
        if (!chart)
            continue;
        const QPolygon polygon(chart->referencePolygon());
        if (polygon.isEmpty()) {
            if (selectedRect(SelectionKind::Chart, slot, chart->referenceRect()))
                return true;
            continue;
        }
        if (selection.active && selection.kind == SelectionKind::Chart && selection.index == slot)
            for (const QPoint& vertex : polygon)
                if (squareAt(vertex, 2).contains(p)) {
                    setCursor(Qt::ArrowCursor);
                    return true;
                }
        if (polygon.containsPoint(p, Qt::WindingFill)) {
            setCursor(Qt::SizeAllCursor);
            return true;
        }
    }
    setCursor(Qt::ArrowCursor);
    return false;
}

void ViewPort::mouseMoveEvent(QMouseEvent* event)
{
    currentPos = event->pos();
    QPoint c;
    const bool onImage = widgetToImage(currentPos, c);
    bool acted = false;
    switch (tool) {
    case Tool::Point:
        setCursor(pointCursor);
        break;
    case Tool::SearchRect:
    case Tool::ChartRect:
        setCursor(rectCursor);
        acted = dragging;
        break;
    case Tool::Polygon:
        setCursor(polygonCursor);
        break;
    case Tool::None:
        acted = hover(currentPos, c);
        break;
    }
    if (polygonStarted) {
        rubberBandPos = currentPos;
        rubberBandValid = true;
        acted = true;
    }
    if (selection.active && selection.moving) {
        moveSelection(c);
        acted = true;
    } else if (selection.active && selection.resizing) {
        resizeSelection(c);
        acted = true;
    }
    if (acted) {
        clearHover();
    } else if (showMouseTemperature) {
        hoverPoint = onImage ? c : QPoint(-1, -1);
    }
    update();
    event->accept();
}

void ViewPort::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        setCursor(Qt::ArrowCursor);
    QPoint end;
    const bool onImage = widgetToImage(event->pos(), end);
    QPoint start;
    widgetToImage(pressPos, start);
    switch (tool) {
    case Tool::Point:
        if (onImage)
            points.append(end);
        tool = Tool::None;
        break;
    case Tool::SearchRect:
        if (dragging) {
            searchRegions.append(QRect(std::min(start.x(), end.x()), std::min(start.y(), end.y()),
                                       std::abs(end.x() - start.x()) + 8, std::abs(end.y() - start.y()) + 8));
            tool = Tool::None;
            dragging = false;
        }
        break;
    case Tool::ChartRect:
        if (dragging) {
            const QRect drawn(std::min(start.x(), end.x()), std::min(start.y(), end.y()),
                              std::abs(end.x() - start.x()), std::abs(end.y() - start.y()));
            tool = Tool::None;
            dragging = false;
            // A click without a drag draws nothing; a region too wide for one board is refused.
            const QRect rect = boardCompare ? onReferenceBoard(drawn) : drawn;
            if (drawn.width() < 1 || drawn.height() < 1)
                break;
            if (rect.isEmpty())
                emit regionRefused();
            else
                createChart(&rect, nullptr);
        }
        break;
    case Tool::Polygon:
        if (event->button() == Qt::LeftButton && polygonStarted) {
            if (onImage && (!boardCompare || end.x() < frameWidth / 2)) {
                polygonWidgetPoints.append(event->pos());
                polygonImagePoints.append(end);
            }
            rubberBandValid = false;
        } else if (event->button() == Qt::RightButton) {
            closePolygon();
        }
        break;
    case Tool::None:
        break;
    }
    selection.moving = selection.resizing = false;
    if (tool != Tool::Polygon)
        setCursor(Qt::ArrowCursor);
    update();
    event->accept();
}

// A region drawn across the middle in board compare keeps the shape the user drew, moved
// wholly onto the board where most of it lies: the reference board's part of it, or, when that
// was the board under test, its twin. Clipping it at the middle left a sliver nobody drew.
QRect ViewPort::onReferenceBoard(QRect rect) const
{
    const int half = frameWidth / 2;
    if (rect.width() >= half)
        return QRect();
    if (rect.right() >= half && rect.right() + 1 - half > half - rect.left())
        rect.translate(-half, 0);
    if (rect.right() >= half)
        rect.moveRight(half - 1);
    if (rect.left() < 0)
        rect.moveLeft(0);
    return rect;
}

void ViewPort::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (tool == Tool::Polygon)
        closePolygon();
    event->accept();
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

// ---------------------------------------------------------------- painting

QRect ViewPort::widgetRectOf(const QRect& image) const
{
    const QPoint a = imageToWidget(image.topLeft());
    const QPoint b = imageToWidget(image.bottomRight());
    return QRect(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(b.x() - a.x()) + 1,
                 std::abs(b.y() - a.y()) + 1);
}

void ViewPort::drawTempLabel(QPainter& painter, LabelLayout& labels, const QPoint& image, float value)
{
    const QPoint w = imageToWidget(image);
    painter.setPen(QPen(Qt::red, 2.0));
    painter.drawLines(overlay::crossMarker(w));
    labels.add(w, overlay::labelPosition(w, size()), overlay::temperatureText(value, unitLetter));
}

void ViewPort::paintHottest(QPainter& painter, LabelLayout& labels)
{
    if (!showHottest || frameMax == kNoFrame || !hasTemperatures)
        return;
    if (!boardCompare) {
        drawTempLabel(painter, labels, frameMaxPos, frameMax);
        return;
    }
    for (const QRect& half : {QRect(0, 0, frameWidth / 2, frameHeight),
                              QRect(frameWidth / 2, 0, frameWidth / 2, frameHeight)}) {
        const RegionMaximum hottest = regionMaximum(half);
        drawTempLabel(painter, labels, hottest.pixel, hottest.value);
    }
}

void ViewPort::paintPoints(QPainter& painter, LabelLayout& labels)
{
    for (int i = 0; i < points.size(); ++i) {
        const QPoint w = imageToWidget(points[i]);
        painter.setPen(QPen(Qt::blue, 2.0));
        painter.drawLines(overlay::crossMarker(w));
        if (hasTemperatures)
            labels.add(w, overlay::labelPosition(w, size()), overlay::temperatureText(temperatureAt(points[i]), unitLetter));
        if (selection.active && selection.kind == SelectionKind::Point && selection.index == i && !selection.moving) {
            painter.setPen(QPen(Qt::white, 1.0, Qt::DashLine));
            painter.drawLines(overlay::deleteIcon(w + QPoint(16, -16)));
            selection.deleteIconRect = QRect(w.x() + 8, w.y() - 24, 16, 16);
        }
    }
}

void ViewPort::paintSelectedRectDecorations(QPainter& painter, const QRect& r)
{
    painter.setPen(overlay::outlinePen());
    painter.drawLines(overlay::deleteIcon(QPoint(r.right() + 12, r.top() + 4)));
    selection.deleteIconRect = QRect(r.right() + 4, r.top() - 4, 16, 16);
    painter.setPen(QPen(Qt::green, 1.0));
    painter.drawLines(overlay::resizeHandles(r));
}

void ViewPort::paintSearchRegions(QPainter& painter, LabelLayout& labels)
{
    for (int i = 0; i < searchRegions.size(); ++i) {
        const QRect w = widgetRectOf(searchRegions[i]);
        const bool selected = selection.active && selection.kind == SelectionKind::SearchRegion && selection.index == i;
        if (!regionFind || selected) {
            painter.setPen(overlay::outlinePen());
            painter.drawRect(w);
        }
        if (selected && !selection.moving)
            paintSelectedRectDecorations(painter, w);
        if (showHottest && hasTemperatures) {
            const RegionMaximum hottest = regionMaximum(searchRegions[i]);
            drawTempLabel(painter, labels, hottest.pixel, hottest.value);
        }
    }
}

void ViewPort::paintCharts(QPainter& painter, LabelLayout& labels)
{
    for (int slot = 0; slot < kChartSlots; ++slot) {
        chartDialog* chart = charts[size_t(slot)];
        if (!chart)
            continue;
        const bool selected = selection.active && selection.kind == SelectionKind::Chart && selection.index == slot;
        const QPolygon polygon(chart->referencePolygon());
        QRect box;
        if (polygon.isEmpty()) {
            box = widgetRectOf(chart->referenceRect());
            painter.setPen(overlay::outlinePen());
            painter.drawRect(box);
            if (boardCompare)
                painter.drawRect(widgetRectOf(chart->testRect()));
            if (selected && !selection.moving)
                paintSelectedRectDecorations(painter, box);
        } else {
            QPolygon mapped;
            for (const QPoint& vertex : polygon)
                mapped << imageToWidget(vertex);
            outlines[size_t(2 * slot)].paint(painter, mapped);
            if (boardCompare) {
                QPolygon second;
                for (const QPoint& vertex : chart->testPolygon())
                    second << imageToWidget(vertex);
                outlines[size_t(2 * slot + 1)].paint(painter, second);
            }
            painter.setPen(overlay::outlinePen());
            box = mapped.boundingRect();
            if (selected && !selection.moving) {
                painter.drawLines(overlay::deleteIcon(QPoint(box.right() + 12, box.top() + 4)));
                selection.deleteIconRect = QRect(box.right() + 4, box.top() - 4, 16, 16);
                painter.setPen(QPen(Qt::green, 1.0));
                for (const QPoint& vertex : mapped)
                    painter.drawRect(QRect(vertex.x() - 4, vertex.y() - 4, 8, 8));
            }
        }
        painter.setPen(QPen(Qt::white, 2.0));
        painter.drawText(QPoint(box.right(), box.top()), QStringLiteral("#%1").arg(slot + 1));
        if (showHottest && hasTemperatures) {
            const RegionMaximum hottest = polygon.isEmpty() ? regionMaximum(chart->referenceRect())
                                                            : regionMaximum(chart->referenceMask());
            drawTempLabel(painter, labels, hottest.pixel, hottest.value);
            if (boardCompare) {
                const RegionMaximum second = polygon.isEmpty() ? regionMaximum(chart->testRect())
                                                               : regionMaximum(chart->testMask());
                drawTempLabel(painter, labels, second.pixel, second.value);
            }
        }
    }
}

void ViewPort::paintNoCamera(QPainter& painter)
{
    // The last picture stays as a dim reminder of where the board was, nothing on it is live.
    QColor veil = kBackground;
    veil.setAlpha(displayImage.isNull() ? 255 : 200);
    painter.fillRect(rect(), veil);
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setPixelSize(22);
    painter.setFont(font);
    painter.setPen(QColor(220, 230, 240));
    const QRect upper(0, 0, width(), height() / 2 - 4);
    painter.drawText(upper, Qt::AlignHCenter | Qt::AlignBottom, tr("未检测到热像仪"));
    font.setPixelSize(15);
    painter.setFont(font);
    painter.setPen(QColor(150, 170, 190));
    const QRect lower(0, height() / 2 + 4, width(), height() / 2 - 4);
    painter.drawText(lower, Qt::AlignHCenter | Qt::AlignTop, tr("请将热像仪连接到电脑的USB接口"));
}

bool ViewPort::paintPictureInPlace(QPainter& painter)
{
    // The window's backing store is an image: the scaled picture is written into it in one
    // pass, where scaling into a cache and blitting that moved every pixel twice more. Only
    // for 32-bit pixels moved by a whole-pixel translation; anything else draws the cache.
    // A painter handed in by QWidget::render(QPainter*) may blend or clip by a path: drawn.
    QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image || engine->type() != QPaintEngine::Raster ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver || painter.hasClipping())
        return false;
    auto* image = static_cast<QImage*>(device);
    const QTransform toDevice = painter.deviceTransform();
    const QImage::Format format = image->format();
    if (toDevice.type() > QTransform::TxTranslate || image->devicePixelRatioF() != 1.0 ||
        toDevice.dx() != std::floor(toDevice.dx()) || toDevice.dy() != std::floor(toDevice.dy()) ||
        (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
         format != QImage::Format_ARGB32_Premultiplied))
        return false;
    const QRect area = QRect(geometry.marginX, geometry.marginY, geometry.areaWidth, geometry.areaHeight)
                           .translated(int(toDevice.dx()), int(toDevice.dy()));
    // Only what this paint may touch: its region, on the image. A picture of another format
    // (the registration's blend) is converted once, not once a rectangle.
    QRegion region = engine->systemClip().isEmpty() ? QRegion(image->rect()) : engine->systemClip();
    region &= area & image->rect();
    const QImage picture = displayImage.format() == QImage::Format_RGB32
                               ? displayImage
                               : displayImage.convertToFormat(QImage::Format_RGB32);
    for (const QRect& part : region)
        geometry.scaleInto(picture, *image, part.translated(-area.topLeft()), area.topLeft());
    return true;
}

void ViewPort::paintEvent(QPaintEvent*)
{
    sincePaint.start();
    QPainter painter(this);
    // The picture's cells as they are, not smoothed: each shows one pixel's reading, and the
    // pointer's readout is the pixel under it.
    painter.setRenderHint(QPainter::Antialiasing);
    QRegion margins(rect());
    if (!displayImage.isNull()) {
        if (!paintPictureInPlace(painter))
            painter.drawImage(QPoint(geometry.marginX, geometry.marginY), geometry.scaled(displayImage));
        margins -= QRect(geometry.marginX, geometry.marginY, geometry.areaWidth, geometry.areaHeight);
    }
    for (const QRect& margin : margins)
        painter.fillRect(margin, kBackground);
    if (noCamera) {
        paintNoCamera(painter);
        return;
    }
    if (boardCompare) {
        painter.setPen(QPen(Qt::white, 1.0, Qt::DashLine));
        // Between the two boards' columns, over the picture's whole height.
        const auto between = [this](int y) {
            return (imageToWidget(QPoint(frameWidth / 2 - 1, y)) + imageToWidget(QPoint(frameWidth / 2, y))) / 2;
        };
        painter.drawLine(between(-1), between(frameHeight));
    }
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setPixelSize(16);
    painter.setFont(font);

    const QRect area = displayImage.isNull()
                           ? rect()
                           : QRect(geometry.marginX, geometry.marginY, geometry.areaWidth, geometry.areaHeight);
    LabelLayout labels(area, painter.fontMetrics());
    paintHottest(painter, labels);
    paintPoints(painter, labels);
    if (dragging) {
        painter.setPen(overlay::outlinePen());
        painter.drawRect(pressPos.x(), pressPos.y(), currentPos.x() - pressPos.x(), currentPos.y() - pressPos.y());
    }
    paintSearchRegions(painter, labels);
    if (polygonStarted) {
        painter.setPen(overlay::outlinePen());
        for (int i = 1; i < polygonWidgetPoints.size(); ++i)
            painter.drawLine(polygonWidgetPoints[i - 1], polygonWidgetPoints[i]);
        if (rubberBandValid && !polygonWidgetPoints.isEmpty())
            painter.drawLine(polygonWidgetPoints.last(), rubberBandPos);
    }
    paintCharts(painter, labels);
    // The readout follows the pointer: it gives way to the labels that stay put.
    if (showMouseTemperature && hoverPoint != QPoint(-1, -1) && hasTemperatures) {
        const QPoint pointer = imageToWidget(hoverPoint);
        labels.add(pointer, overlay::readoutPosition(pointer, size()),
                   overlay::temperatureText(temperatureAt(hoverPoint), unitLetter), false);
    }
    labels.paint(painter);
}
