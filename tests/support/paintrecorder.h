#pragma once

#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QRegion>

#include <map>

// Collects what the widgets it watches (installEventFilter) are asked to repaint.
class PaintRecorder : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted[watched] += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    std::map<QObject*, QRegion> painted;
};

// The pixels a region covers.
inline int area(const QRegion& region)
{
    int sum = 0;
    for (const QRect& r : region)
        sum += r.width() * r.height();
    return sum;
}
