#pragma once
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QVector>

#include <vector>

// The measurement objects laid on the picture, in camera pixels: points, search regions, and
// the regions of the open charts (which their dialogs keep), seen as one list of shapes that
// hit-testing, hover, painting and deletion all walk in the same order. No widget: the view
// maps the mouse to pixels and draws what a shape says.
class Measurements
{
public:
    enum class Kind
    {
        Point = 0,
        SearchRegion = 1,
        Chart = 2,
    };
    struct Shape
    {
        Kind kind = Kind::Point;
        int index = 0;   // among the points or regions; a chart's slot
        QPoint point;    // a point's pixel
        QRect rect;      // a region's, or a chart's without a polygon
        QPolygon polygon; // a chart's polygon
    };
    // What lies under a pixel. On the selected shape only: handle 1..8 of a rectangle (top,
    // left, right, bottom, top-left, top-right, bottom-left, bottom-right), or a polygon's
    // vertex (vertex, handle its index).
    struct Hit
    {
        bool found = false;
        Shape shape;
        int handle = 0;
        bool vertex = false;
    };

    QVector<QPoint> points;
    QVector<QRect> searchRegions;

    // Points first, then regions, then the charts' shapes (slot order): the order a press
    // finds them in.
    std::vector<Shape> shapes(const std::vector<Shape>& charts) const;
    // The first shape under pixel p; pointReach: how near a point counts as on it. selected:
    // the selected shape's kind and index, whose handles are tried before its inside.
    static Hit hitAt(const std::vector<Shape>& shapes, const QPoint& p, int pointReach, const Shape* selected);
    static int resizeHandleAt(const QRect& rect, const QPoint& p);
    // A point or region removed; false for charts, which their dialogs close.
    bool remove(Kind kind, int index);
};
