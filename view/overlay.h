#pragma once

#include <QFont>
#include <QImage>
#include <QLine>
#include <QPen>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>

class QPainter;

// The drawing elements of the measurement overlay, in widget pixels.
namespace overlay {

QVector<QLine> crossMarker(const QPoint& centre);
QVector<QLine> deleteIcon(const QPoint& centre);
QVector<QLine> resizeHandles(const QRect& rect);

// Baseline start of a temperature label next to a marked point, kept inside the widget.
QPoint labelPosition(const QPoint& point, const QSize& widget);
// Baseline start of the mouse readout.
QPoint readoutPosition(const QPoint& point, const QSize& widget);

// "36.5°C", or the value in Fahrenheit for the unit letter "F".
QString temperatureText(float celsius, const QString& unitLetter);
// The same number without the unit.
QString temperatureNumber(float celsius, const QString& unitLetter);

// The font of the temperature labels on the picture.
QFont labelFont();

// Repeating white-to-black bands, visible on any palette.
QPen outlinePen();

// A polygon's outline in the outline pen, stroked once into an image of its bounding box and
// blended from there on every paint until the polygon moves: a slanted line stroked
// antialiased with a gradient pen costs more than the rest of an overlay.
class OutlineCache
{
public:
    void paint(QPainter& painter, const QPolygon& polygon);

private:
    QPolygon stroked;
    QImage image;
    QPoint origin;
};

} // namespace overlay
