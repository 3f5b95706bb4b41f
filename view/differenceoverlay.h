#pragma once
#include <QPointF>
#include <QRect>
#include <QVector>

// What the view draws over a golden-board difference picture, in camera pixels: the areas that
// differ (outlined and labelled, the five largest listed), the difference scale, and whether a
// sound alignment was found at all.
struct DifferenceOverlay
{
    struct Area
    {
        QPointF centre;
        float delta = 0.0f; // K, signed
        QRect box;
    };
    bool on = false;
    bool aligned = false;
    float scaleK = 10.0f; // the picture's colours span -scaleK .. +scaleK
    QRect testArea;       // where the board under test lies in the frame
    QString reference;    // the reference file's name; empty: the left half of the frame
    QVector<Area> areas;  // largest difference first
};
