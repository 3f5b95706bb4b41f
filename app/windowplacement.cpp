#include "app/windowplacement.h"

#include <algorithm>

QRect placeWindow(qint64 left, qint64 top, qint64 width, qint64 height, const QList<QRect>& availableAreas,
                  const QSize& fallback, const QSize& minimum)
{
    if (availableAreas.isEmpty())
        return QRect(QPoint(0, 0), fallback);
    const QRect* area = &availableAreas.first();
    bool cornerOnScreen = false;
    for (const QRect& candidate : availableAreas) {
        if (left >= candidate.left() && left <= candidate.right() && top >= candidate.top() &&
            top <= candidate.bottom()) {
            area = &candidate;
            cornerOnScreen = true;
            break;
        }
    }
    if (width <= 0 || height <= 0) {
        width = fallback.width();
        height = fallback.height();
    }
    const int w = int(std::clamp<qint64>(width, std::min(minimum.width(), area->width()), area->width()));
    const int h = int(std::clamp<qint64>(height, std::min(minimum.height(), area->height()), area->height()));
    if (!cornerOnScreen) {
        left = area->left() + (area->width() - w) / 2;
        top = area->top() + (area->height() - h) / 2;
    }
    const int x = int(std::clamp<qint64>(left, area->left(), qint64(area->left()) + area->width() - w));
    const int y = int(std::clamp<qint64>(top, area->top(), qint64(area->top()) + area->height() - h));
    return QRect(x, y, w, h);
}
