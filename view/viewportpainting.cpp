// The view's painting: the picture, letter-boxed, and the overlay of measurement objects with
// their labels, drawn from what the objects and the selection say (nothing is recorded here).
#include "view/chartdialog.h"
#include "view/labellayout.h"
#include "view/overlay.h"
#include "view/viewport.h"

#include <QBackingStore>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace {

// The main window's background, which the letterbox margins show.
const QColor kBackground(0, 21, 42);

} // namespace

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
    readingMarkers += QRect(w - QPoint(14, 14), QSize(29, 29)); // the cross, its pen and antialiasing
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
    for (int i = 0; i < measurements.points.size(); ++i) {
        const QPoint w = imageToWidget(measurements.points[i]);
        painter.setPen(QPen(Qt::blue, 2.0));
        painter.drawLines(overlay::crossMarker(w));
        if (hasTemperatures)
            labels.add(w, overlay::labelPosition(w, size()), overlay::temperatureText(temperatureAt(measurements.points[i]), unitLetter));
        if (selection.active && selection.kind == SelectionKind::Point && selection.index == i && !selection.moving) {
            painter.setPen(QPen(Qt::white, 1.0, Qt::DashLine));
            painter.drawLines(overlay::deleteIcon(deleteIconRect().topLeft() + QPoint(8, 8)));
        }
    }
}

void ViewPort::paintSelectedRectDecorations(QPainter& painter, const QRect& r)
{
    painter.setPen(overlay::outlinePen());
    painter.drawLines(overlay::deleteIcon(deleteIconRect().topLeft() + QPoint(8, 8)));
    painter.setPen(QPen(Qt::green, 1.0));
    painter.drawLines(overlay::resizeHandles(r));
}

void ViewPort::paintSearchRegions(QPainter& painter, LabelLayout& labels)
{
    for (int i = 0; i < measurements.searchRegions.size(); ++i) {
        const QRect w = widgetRectOf(measurements.searchRegions[i]);
        const bool selected = selection.active && selection.kind == SelectionKind::SearchRegion && selection.index == i;
        if (!regionFind || selected) {
            painter.setPen(overlay::outlinePen());
            painter.drawRect(w);
        }
        if (selected && !selection.moving)
            paintSelectedRectDecorations(painter, w);
        if (showHottest && hasTemperatures) {
            const RegionMaximum hottest = regionMaximum(measurements.searchRegions[i]);
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
                painter.drawLines(overlay::deleteIcon(deleteIconRect().topLeft() + QPoint(8, 8)));
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
    // pass, where scaling into a cache and blitting that moved every pixel twice more, and the
    // margins are filled row by row, where the painter's fill of their narrow spans cost a
    // tenth of the view's paint. Only for 32-bit pixels moved by a whole-pixel translation;
    // anything else is drawn. A painter handed in by QWidget::render(QPainter*) may blend or
    // clip by a path: drawn.
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
    const QPoint origin(int(toDevice.dx()), int(toDevice.dy()));
    const QRect area = displayImage.isNull() ? QRect() : pictureArea().translated(origin);
    // Only what this paint may touch: its region, on the image.
    QRegion region = engine->systemClip().isEmpty() ? QRegion(rect().translated(origin)) : engine->systemClip();
    region &= image->rect();
    const QRgb background = kBackground.rgb(); // opaque: the same in all three formats
    uchar* const bits = image->bits();
    for (const QRect& margin : region - area)
        for (int y = margin.top(); y <= margin.bottom(); ++y)
            std::fill_n(reinterpret_cast<QRgb*>(bits + y * image->bytesPerLine()) + margin.left(), margin.width(), background);
    if (area.isEmpty())
        return true;
    // A picture of another format (the registration's blend) is converted once, not once a
    // rectangle.
    const QImage picture = displayImage.format() == QImage::Format_RGB32
                               ? displayImage
                               : displayImage.convertToFormat(QImage::Format_RGB32);
    for (const QRect& part : region & area)
        geometry.scaleInto(picture, *image, part.translated(-area.topLeft()), area.topLeft());
    return true;
}

void ViewPort::paintDifference(QPainter& painter, LabelLayout& labels)
{
    if (!difference.on)
        return;
    const QRect area(geometry.marginX, geometry.marginY, geometry.areaWidth, geometry.areaHeight);
    const QFontMetrics metrics = painter.fontMetrics();
    if (!difference.aligned) {
        // Better no picture than the difference of two boards that do not lie on each other.
        const QString text = tr("未找到可靠的对准：不显示差异。请把两块板放得更一致。");
        QRect box = metrics.boundingRect(area.adjusted(40, 0, -40, 0), Qt::AlignCenter | Qt::TextWordWrap, text);
        box.adjust(-12, -8, 12, 8);
        painter.fillRect(box, QColor(0, 0, 0, 190));
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, text);
        return;
    }
    // Differences in the unit shown: kelvin, or Fahrenheit degrees.
    const bool fahrenheit = unitLetter == QLatin1String("F");
    const auto text = [fahrenheit](float deltaK) {
        const float value = fahrenheit ? deltaK * 1.8f : deltaK;
        return QStringLiteral("%1%2 %3")
            .arg(value > 0 ? QStringLiteral("+") : QString())
            .arg(double(value), 0, 'f', 1)
            .arg(fahrenheit ? QStringLiteral("°F") : QStringLiteral("K"));
    };
    // Each area outlined, its label placed among the others so that none covers another.
    for (int i = 0; i < difference.areas.size(); ++i) {
        const DifferenceOverlay::Area& a = difference.areas[i];
        const QRect box = widgetRectOf(a.box).adjusted(-2, -2, 2, 2);
        painter.setPen(QPen(a.delta > 0 ? QColor(255, 60, 40) : QColor(60, 140, 255), 2.0));
        painter.drawRect(box);
        const QPoint corner = box.topLeft();
        labels.add(corner, corner + QPoint(0, -4), QStringLiteral("%1 ").arg(i + 1) + text(a.delta), false);
    }
    // The largest five and the colour scale, in a box at the picture's top-left corner.
    QStringList lines;
    lines << (difference.reference.isEmpty() ? tr("与标准板的差异（阈值外）：")
                                             : tr("与标准板文件 %1 的差异（阈值外）：").arg(difference.reference));
    for (int i = 0; i < std::min(5, int(difference.areas.size())); ++i) {
        const DifferenceOverlay::Area& a = difference.areas[i];
        lines << QStringLiteral("%1  %2  (%3, %4)").arg(i + 1).arg(text(a.delta)).arg(qRound(a.centre.x())).arg(qRound(a.centre.y()));
    }
    if (difference.areas.isEmpty())
        lines << tr("无");
    const int lineHeight = metrics.height();
    const QString low = text(-difference.scaleK), high = text(difference.scaleK);
    const int scaleWidth = metrics.horizontalAdvance(low) + 120 + metrics.horizontalAdvance(high) + 16;
    QRect list(area.left() + 8, area.top() + 8, scaleWidth + 16, lineHeight * (lines.size() + 1) + 12);
    for (const QString& line : lines)
        list.setWidth(std::max(list.width(), metrics.horizontalAdvance(line) + 16));
    painter.fillRect(list, QColor(0, 0, 0, 160));
    painter.setPen(Qt::white);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(list.left() + 8, list.top() + 4 + metrics.ascent() + i * lineHeight, lines[i]);
    const int scaleY = list.top() + 8 + lines.size() * lineHeight;
    painter.drawText(list.left() + 8, scaleY + metrics.ascent(), low);
    const QRect bar(list.left() + 16 + metrics.horizontalAdvance(low), scaleY + 2, 120, lineHeight - 4);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    gradient.setColorAt(0.0, QColor(30, 70, 200));
    gradient.setColorAt(0.5, Qt::white);
    gradient.setColorAt(1.0, QColor(200, 30, 30));
    painter.fillRect(bar, gradient);
    painter.drawText(bar.right() + 8, scaleY + metrics.ascent(), high);
}

QRegion ViewPort::frameRegion() const
{
    return QRegion(pictureArea()) + readingsBeyond;
}

void ViewPort::paintEvent(QPaintEvent* event)
{
    sincePaint.start();
    readingMarkers = QRegion();
    QPainter painter(this);
    // The picture's cells as they are, not smoothed: each shows one pixel's reading, and the
    // pointer's readout is the pixel under it.
    if (!paintPictureInPlace(painter)) {
        QRegion margins(rect());
        if (!displayImage.isNull()) {
            painter.drawImage(QPoint(geometry.marginX, geometry.marginY), geometry.scaled(displayImage));
            margins -= pictureArea();
        }
        // Whole pixels, filled before antialiasing is on: antialiased, the same fill takes the
        // rasterizer's general path.
        for (const QRect& margin : margins)
            painter.fillRect(margin, kBackground);
    }
    painter.setRenderHint(QPainter::Antialiasing); // the overlay's lines and labels
    if (noCamera) {
        paintNoCamera(painter);
        return;
    }
    if (boardCompare && (!difference.on || difference.reference.isEmpty())) { // a reference file: one board
        painter.setPen(QPen(Qt::white, 1.0, Qt::DashLine));
        // Between the two boards' columns, over the picture's whole height.
        const auto between = [this](int y) {
            return (imageToWidget(QPoint(frameWidth / 2 - 1, y)) + imageToWidget(QPoint(frameWidth / 2, y))) / 2;
        };
        painter.drawLine(between(-1), between(frameHeight));
    }
    painter.setFont(labelStamps.font());

    const QRect area = displayImage.isNull() ? rect() : pictureArea();
    LabelLayout labels(area, labelStamps);
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
    paintDifference(painter, labels);
    // The readout follows the pointer: it gives way to the labels that stay put.
    if (showMouseTemperature && hoverPoint != QPoint(-1, -1) && hasTemperatures) {
        const QPoint pointer = imageToWidget(hoverPoint);
        labels.add(pointer, overlay::readoutPosition(pointer, size()),
                   overlay::temperatureText(temperatureAt(hoverPoint), unitLetter), false);
    }
    const QRegion beyond = ((labels.paint(painter) + readingMarkers) - pictureArea()) & rect();
    // Only for the window: a grab or a render elsewhere neither shows nor erases anything.
    QPaintEngine* engine = painter.paintEngine();
    if (!backingStore() || !engine || engine->paintDevice() != backingStore()->paintDevice())
        return;
    // A reading's marker or label out in a margin is repainted by the frames while it is there
    // and erased by the first after it has gone (also what an earlier paint drew and this one
    // did not reach). Where this paint did not reach it comes next, unless an earlier paint of
    // the same readings has drawn it.
    readingsBeyond = (readingsBeyond - event->region()) + beyond;
    readingsCovered = beyond == readingsLaidOut ? readingsCovered + event->region() : event->region();
    readingsLaidOut = beyond;
    const QRegion missed = beyond - readingsCovered;
    if (!missed.isEmpty())
        update(missed);
}
