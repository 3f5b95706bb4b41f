#include "view/overlay.h"

#include <QLinearGradient>
#include <QPainter>

#include <cmath>

namespace overlay {

QVector<QLine> crossMarker(const QPoint& c)
{
    const int x = c.x(), y = c.y();
    return {QLine(x - 4, y - 4, x + 4, y - 4), QLine(x + 4, y - 4, x + 4, y + 4), QLine(x + 4, y + 4, x - 4, y + 4),
            QLine(x - 4, y + 4, x - 4, y - 4), QLine(x, y - 12, x, y - 4),         QLine(x, y + 4, x, y + 12),
            QLine(x - 12, y, x - 4, y),         QLine(x + 4, y, x + 12, y)};
}

QVector<QLine> deleteIcon(const QPoint& c)
{
    const int x = c.x(), y = c.y();
    return {QLine(x - 8, y - 8, x + 8, y - 8), QLine(x + 8, y - 8, x + 8, y + 8), QLine(x + 8, y + 8, x - 8, y + 8),
            QLine(x - 8, y + 8, x - 8, y - 8), QLine(x - 8, y - 8, x + 8, y + 8), QLine(x + 8, y - 8, x - 8, y + 8)};
}

QVector<QLine> resizeHandles(const QRect& r)
{
    const int L = r.left(), R = r.right() + 1, T = r.top(), B = r.bottom() + 1;
    const int cx = L + r.width() / 2, cy = T + r.height() / 2;
    return {QLine(L - 2, T - 2, L + 14, T - 2),   QLine(cx - 4, T + 2, cx + 4, T + 2),
            QLine(cx - 4, T - 2, cx + 4, T - 2),  QLine(R - 14, T - 2, R + 2, T - 2),
            QLine(L, B + 2, L + 16, B + 2),       QLine(cx - 4, B + 2, cx + 4, B + 2),
            QLine(cx - 4, B - 2, cx + 4, B - 2),  QLine(R - 14, B + 2, R + 2, B + 2),
            QLine(L - 2, T - 2, L - 2, T + 14),   QLine(L + 2, cy - 4, L + 2, cy + 4),
            QLine(L - 2, cy - 4, L - 2, cy + 4),  QLine(L - 2, B - 14, L - 2, B + 2),
            QLine(R + 2, T - 2, R + 2, T + 14),   QLine(R + 2, cy - 4, R + 2, cy + 4),
            QLine(R - 2, cy - 4, R - 2, cy + 4),  QLine(R + 2, B - 14, R + 2, B + 2)};
}

QPoint labelPosition(const QPoint& p, const QSize& widget)
{
    const int w = widget.width(), h = widget.height(), x = p.x(), y = p.y();
    if (x > w - 60 && y < h - 24)
        return QPoint(x - 60, y + 24);
    if (x < w - 60 && y > h - 24)
        return QPoint(x + 7, y - 7);
    if (x > w - 60 && y > h - 24)
        return QPoint(x - 60, y - 7);
    return QPoint(x + 4, y + 24);
}

QPoint readoutPosition(const QPoint& p, const QSize& widget)
{
    const int w = widget.width(), x = p.x(), y = p.y();
    if (y < 10 && x < w - 60)
        return QPoint(x, y + 40);
    if (y < 10 && x > w - 60)
        return QPoint(x - 50, y + 20);
    if (y > 10 && x > w - 60)
        return QPoint(x - 50, y);
    return p;
}

QString temperatureNumber(float celsius, const QString& unitLetter)
{
    const float value = unitLetter == QLatin1String("F") ? celsius * 1.8f + 32.0f : celsius;
    return QString::number(double(value), 'f', 1);
}

QString temperatureText(float celsius, const QString& unitLetter)
{
    return temperatureNumber(celsius, unitLetter) + QStringLiteral("°") + unitLetter;
}

QFont labelFont()
{
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setPixelSize(16);
    return font;
}

void OutlineCache::paint(QPainter& painter, const QPolygon& polygon)
{
    // At the device's pixel ratio: on a high-density screen the outline stays as sharp.
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    if (polygon != stroked || image.isNull() || image.devicePixelRatioF() != ratio) {
        stroked = polygon;
        const QPen pen = outlinePen();
        const int margin = int(std::ceil(pen.widthF())) + 1;
        const QRect box = polygon.boundingRect().adjusted(-margin, -margin, margin, margin);
        origin = box.topLeft();
        image = QImage(box.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        QPainter stroke(&image);
        stroke.setRenderHint(QPainter::Antialiasing);
        stroke.translate(-origin); // the pen's bands stay where the widget has them
        stroke.setPen(pen);
        stroke.setBrush(Qt::NoBrush);
        stroke.drawPolygon(polygon, Qt::OddEvenFill);
    }
    painter.drawImage(origin, image);
}

QPen outlinePen()
{
    QLinearGradient gradient(150, 100, 200, 100);
    gradient.setColorAt(0.1, Qt::white);
    gradient.setColorAt(1.0, Qt::black);
    gradient.setSpread(QGradient::ReflectSpread);
    return QPen(QBrush(gradient), 2.0);
}

} // namespace overlay
