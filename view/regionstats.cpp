#include "view/regionstats.h"

#include <algorithm>
#include <limits>

PolygonMask::PolygonMask(const QPolygon& polygon, int w, int h) : shape(polygon), width(w), height(h)
{
    // Outside its bounding box a polygon contains nothing.
    const QRect box = polygon.boundingRect().intersected(QRect(0, 0, w, h));
    for (int x = box.left(); x <= box.right(); ++x)
        for (int y = box.top(); y <= box.bottom(); ++y)
            if (polygon.containsPoint(QPoint(x, y), Qt::WindingFill))
                pixels.push_back(y * w + x);
}

namespace {

QRect clipped(const QRect& rect, int width, int height)
{
    return rect.intersected(QRect(0, 0, width, height));
}

} // namespace

float rectangleAverage(const float* t, int width, int height, const QRect& rect)
{
    const QRect r = clipped(rect, width, height);
    if (!t || r.isEmpty())
        return std::numeric_limits<float>::quiet_NaN();
    double sum = 0.0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            sum += t[y * width + x];
    return float(sum / double(r.width() * r.height()));
}

RegionMaximum rectangleMaximum(const float* t, int width, int height, const QRect& rect)
{
    const QRect r = clipped(rect, width, height);
    if (!t || r.isEmpty())
        return {-274.0f, QPoint(0, 0)};
    RegionMaximum best{t[r.top() * width + r.left()], r.topLeft()};
    for (int x = r.left(); x <= r.right(); ++x)
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (t[y * width + x] > best.value)
                best = {t[y * width + x], QPoint(x, y)};
    return best;
}

namespace {

bool fits(const PolygonMask& mask, int width, int height)
{
    return mask.frameWidth() == width && mask.frameHeight() == height;
}

} // namespace

float polygonAverage(const float* t, int width, int height, const PolygonMask& mask)
{
    if (!t || mask.isEmpty() || !fits(mask, width, height))
        return std::numeric_limits<float>::quiet_NaN();
    double sum = 0.0;
    for (int index : mask.pixelIndices())
        sum += t[index];
    return float(sum / double(mask.pixelIndices().size()));
}

RegionMaximum polygonMaximum(const float* t, int width, int height, const PolygonMask& mask)
{
    RegionMaximum best{-274.0f, QPoint(0, 0)};
    if (!t || !fits(mask, width, height))
        return best;
    for (int index : mask.pixelIndices())
        if (t[index] > best.value)
            best = {t[index], QPoint(index % width, index / width)};
    return best;
}
