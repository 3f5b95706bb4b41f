#pragma once

#include "view/regionstats.h"

#include <QSize>

// What a chart window asks of the view that owns it: the frame size and the statistics of
// its regions over the newest temperature matrix, and to be closed.
class RegionSource
{
public:
    virtual ~RegionSource() = default;
    virtual QSize frameSize() const = 0;
    virtual float regionAverage(const QRect& rect) const = 0;
    virtual float regionAverage(const PolygonMask& mask) const = 0;
    virtual RegionMaximum regionMaximum(const QRect& rect) const = 0;
    virtual RegionMaximum regionMaximum(const PolygonMask& mask) const = 0;
    virtual void closeChart(int slot) = 0;
};
