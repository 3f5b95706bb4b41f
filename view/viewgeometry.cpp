#include "viewgeometry.h"

#include <algorithm>

void ViewGeometry::letterBox(const QSize& widget, const QSize& image)
{
    marginX = marginY = 0;
    const int w = widget.width(), h = widget.height(), iw = image.width(), ih = image.height();
    if (iw >= 1 && ih >= 1) {
        if (ih * w <= h * iw)
            marginY = (h - ih * w / iw) / 2;
        else
            marginX = (w - h * iw / ih) / 2;
    }
    areaWidth = w - 2 * marginX;
    areaHeight = h - 2 * marginY;
}

QPoint ViewGeometry::imageToWidget(const QPoint& p) const
{
    const int W = frameWidth, H = frameHeight, dw = areaWidth, dh = areaHeight;
    if (W <= 0 || H <= 0)
        return QPoint(marginX, marginY);
    const int x = mirrorH ? W - p.x() : p.x();
    const int y = mirrorV ? H - p.y() : p.y();
    switch (rotation) {
    case 90:
        return QPoint((H - y) * dw / H + marginX, x * dh / W + marginY);
    case 180:
        return QPoint((W - x) * dw / W + marginX, (H - y) * dh / H + marginY);
    case 270:
        return QPoint(y * dw / H + marginX, (W - x) * dh / W + marginY);
    default:
        return QPoint(x * dw / W + marginX, y * dh / H + marginY);
    }
}

bool ViewGeometry::widgetToImage(const QPoint& widget, QPoint& image) const
{
    const int W = frameWidth, H = frameHeight, dw = areaWidth, dh = areaHeight;
    // A widget not laid out yet has no image area: nothing maps onto the image.
    if (W <= 0 || H <= 0 || dw <= 0 || dh <= 0) {
        image = QPoint(0, 0);
        return false;
    }
    const int u = widget.x() - marginX, v = widget.y() - marginY;
    int x = 0, y = 0;
    switch (rotation) {
    case 90:
        y = H - H * u / dw;
        x = W * v / dh;
        break;
    case 180:
        x = W - W * u / dw;
        y = H - H * v / dh;
        break;
    case 270:
        y = H * u / dw;
        x = W - W * v / dh;
        break;
    default:
        x = W * u / dw;
        y = H * v / dh;
        break;
    }
    if (mirrorH)
        x = W - x;
    if (mirrorV)
        y = H - y;
    const bool onImage = x >= 1 && x <= W - 1 && y >= 1 && y <= H - 1;
    image = QPoint(std::clamp(x, 0, W - 1), std::clamp(y, 0, H - 1));
    return onImage;
}
