// The view's mouse: laying, selecting, moving, resizing and deleting the measurement objects.
#include "view/chartdialog.h"
#include "view/viewport.h"

#include <QMouseEvent>

#include <algorithm>
#include <cmath>

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

std::vector<Measurements::Shape> ViewPort::shapes() const
{
    std::vector<Measurements::Shape> charted;
    for (int slot = 0; slot < kChartSlots; ++slot)
        if (const chartDialog* chart = charts[size_t(slot)]) {
            Measurements::Shape shape;
            shape.kind = SelectionKind::Chart;
            shape.index = slot;
            shape.polygon = QPolygon(chart->referencePolygon());
            if (shape.polygon.isEmpty())
                shape.rect = chart->referenceRect();
            charted.push_back(shape);
        }
    return measurements.shapes(charted);
}

bool ViewPort::selectedShape(Measurements::Shape& shape) const
{
    if (!selection.active)
        return false;
    for (const Measurements::Shape& s : shapes())
        if (s.kind == selection.kind && s.index == selection.index) {
            shape = s;
            return true;
        }
    return false;
}

QRect ViewPort::deleteIconRect() const
{
    Measurements::Shape shape;
    if (selection.moving || !selectedShape(shape))
        return QRect();
    if (shape.kind == SelectionKind::Point) {
        const QPoint w = imageToWidget(shape.point);
        return QRect(w.x() + 8, w.y() - 24, 16, 16);
    }
    QRect box;
    if (shape.polygon.isEmpty()) {
        box = widgetRectOf(shape.rect);
    } else {
        QPolygon mapped;
        for (const QPoint& vertex : shape.polygon)
            mapped << imageToWidget(vertex);
        box = mapped.boundingRect();
    }
    return QRect(box.right() + 4, box.top() - 4, 16, 16);
}

void ViewPort::deleteSelected()
{
    if (!measurements.remove(selection.kind, selection.index) && selection.kind == SelectionKind::Chart)
        closeChart(selection.index);
    clearSelection();
}

void ViewPort::hitTest(const QPoint& p)
{
    Measurements::Shape previous;
    const bool wasSelected = selectedShape(previous);
    const Measurements::Hit hit = Measurements::hitAt(shapes(), p, 4, wasSelected ? &previous : nullptr);
    clearSelection();
    if (!hit.found)
        return;
    selection.active = true;
    selection.kind = hit.shape.kind;
    selection.index = hit.shape.index;
    selection.handle = hit.handle;
    selection.resizing = hit.vertex || (hit.shape.polygon.isEmpty() && hit.handle != 0);
    selection.moving = !selection.resizing;
    selection.pressRect = hit.shape.rect;
    selection.pressPolygon = hit.shape.polygon;
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
        if (selection.active && deleteIconRect().contains(pressPos)) {
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
        if (widgetToImage(currentPos, onImage) && selection.index < measurements.points.size())
            measurements.points[selection.index] = c;
    } else if (selection.kind == SelectionKind::SearchRegion) {
        if (selection.index < measurements.searchRegions.size())
            measurements.searchRegions[selection.index] = keptInside(selection.pressRect.translated(d), frameWidth);
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
    else if (selection.index < measurements.searchRegions.size())
        measurements.searchRegions[selection.index] = resized;
}

bool ViewPort::hover(const QPoint& widget, const QPoint& p)
{
    if (selection.active && deleteIconRect().contains(widget)) {
        setCursor(Qt::PointingHandCursor);
        return true;
    }
    Measurements::Shape selected;
    const bool isSelected = selectedShape(selected);
    const Measurements::Hit hit = Measurements::hitAt(shapes(), p, 2, isSelected ? &selected : nullptr);
    if (!hit.found) {
        setCursor(Qt::ArrowCursor);
        return false;
    }
    setCursor(hit.vertex ? Qt::ArrowCursor : hit.handle ? resizeCursor(hit.handle) : Qt::SizeAllCursor);
    return true;
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
            measurements.points.append(end);
        tool = Tool::None;
        break;
    case Tool::SearchRect:
        if (dragging) {
            // Larger than the span, but only over pixels the frame has.
            measurements.searchRegions.append(QRect(std::min(start.x(), end.x()), std::min(start.y(), end.y()),
                                                    std::abs(end.x() - start.x()) + 8, std::abs(end.y() - start.y()) + 8) &
                                              QRect(0, 0, frameWidth, frameHeight));
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
