#pragma once

#include <QPoint>
#include <QPolygon>
#include <QRect>

#include <vector>

// Temperature statistics of measurement regions over a W x H matrix (row-major, degC).
//
// A polygon region's pixels are rasterised once, when the region changes, with the same
// containment rule the overlay uses (QPolygon::containsPoint, Qt::WindingFill); each sample
// then visits only those pixels, in the column-major order the maximum's ties follow.
struct RegionMaximum
{
    float value;
    QPoint pixel;
};

class PolygonMask
{
public:
    PolygonMask() = default;
    PolygonMask(const QPolygon& polygon, int width, int height);

    const QPolygon& polygon() const { return shape; }
    bool isEmpty() const { return pixels.empty(); }
    // The frame size the pixels were taken for.
    int frameWidth() const { return width; }
    int frameHeight() const { return height; }
    // Pixel indices (y * width + x), x outer and y inner ascending.
    const std::vector<int>& pixelIndices() const { return pixels; }

private:
    QPolygon shape;
    int width = 0, height = 0;
    std::vector<int> pixels;
};

// Rectangle: every pixel with left <= x <= right and top <= y <= bottom (clipped to the frame).
float rectangleAverage(const float* t, int width, int height, const QRect& rect);
RegionMaximum rectangleMaximum(const float* t, int width, int height, const QRect& rect);

// Polygon: a region without pixels, or one taken for another frame size, averages to NaN and
// has the maximum -274.0 at (0, 0).
float polygonAverage(const float* t, int width, int height, const PolygonMask& mask);
RegionMaximum polygonMaximum(const float* t, int width, int height, const PolygonMask& mask);
