#include "view/measurements.h"

namespace {

QRect squareAt(const QPoint& centre, int half)
{
    return QRect(centre.x() - half, centre.y() - half, 2 * half, 2 * half);
}

} // namespace

std::vector<Measurements::Shape> Measurements::shapes(const std::vector<Shape>& charts) const
{
    std::vector<Shape> all;
    all.reserve(size_t(points.size() + searchRegions.size()) + charts.size());
    for (int i = 0; i < points.size(); ++i) {
        Shape s;
        s.kind = Kind::Point;
        s.index = i;
        s.point = points[i];
        all.push_back(s);
    }
    for (int i = 0; i < searchRegions.size(); ++i) {
        Shape s;
        s.kind = Kind::SearchRegion;
        s.index = i;
        s.rect = searchRegions[i];
        all.push_back(s);
    }
    all.insert(all.end(), charts.begin(), charts.end());
    return all;
}

int Measurements::resizeHandleAt(const QRect& r, const QPoint& p)
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

Measurements::Hit Measurements::hitAt(const std::vector<Shape>& shapes, const QPoint& p, int pointReach,
                                      const Shape* selected)
{
    Hit hit;
    for (const Shape& s : shapes) {
        const bool isSelected = selected && selected->kind == s.kind && selected->index == s.index;
        hit.shape = s;
        if (s.kind == Kind::Point) {
            hit.found = squareAt(s.point, pointReach).contains(p);
        } else if (s.polygon.isEmpty()) {
            hit.handle = isSelected ? resizeHandleAt(s.rect, p) : 0;
            hit.found = hit.handle != 0 || s.rect.contains(p);
        } else {
            for (int v = 0; isSelected && v < s.polygon.size() && !hit.vertex; ++v)
                if (squareAt(s.polygon[v], 2).contains(p)) {
                    hit.vertex = true;
                    hit.handle = v;
                }
            hit.found = hit.vertex || s.polygon.containsPoint(p, Qt::WindingFill);
        }
        if (hit.found)
            return hit;
    }
    return Hit();
}

bool Measurements::remove(Kind kind, int index)
{
    if (kind == Kind::Point && index >= 0 && index < points.size()) {
        points.remove(index);
        return true;
    }
    if (kind == Kind::SearchRegion && index >= 0 && index < searchRegions.size()) {
        searchRegions.remove(index);
        return true;
    }
    return false;
}
