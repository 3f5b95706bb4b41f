#pragma once

#include <QCache>
#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QStaticText>
#include <QString>

class QPainter;

// The readings written beside the colour scale (thermometer and range slider): their font, the
// line each covers, and the text of recent readings laid out once. A reading changes by a tenth
// of a degree from frame to frame and flickers between a few values, while shaping it anew
// every frame was a third of the thermometer's paint.
class ScaleText
{
public:
    ScaleText();

    const QFont& font() const { return textFont; }

    // What a reading written at `baseline` covers across a widget `width` wide: the part to
    // repaint when only that reading changes.
    QRect band(int width, int baseline) const;
    // In the painter's pen.
    void draw(QPainter& painter, const QPoint& baseline, const QString& text);

private:
    QFont textFont;
    QFontMetrics metrics;
    QCache<QString, QStaticText> laidOut;
};
