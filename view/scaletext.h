#pragma once

#include <QCache>
#include <QFont>
#include <QFontMetrics>
#include <QPair>
#include <QRect>
#include <QStaticText>
#include <QString>

class QPainter;

// The readings written beside the colour scale (thermometer and range slider): their font, the
// line each covers, and the text of recent readings laid out once. A reading changes by a tenth
// of a degree from frame to frame and flickers between a few values, while shaping it anew
// every frame was a third of the thermometer's paint. A reading too wide for its place (four
// digits, Fahrenheit) is written smaller, never cut off.
class ScaleText
{
public:
    ScaleText();

    const QFont& font() const { return textFont; }

    // What a reading written at `baseline` covers across a widget `width` wide: the part to
    // repaint when only that reading changes.
    QRect band(int width, int baseline) const;
    // In the painter's pen, from baseline.x() to right at most.
    void draw(QPainter& painter, const QPoint& baseline, const QString& text, int right);

private:
    struct Reading
    {
        QFont font; // the scale's, or smaller where the text would not fit
        int ascent;
        QStaticText glyphs;
    };
    QFont textFont;
    QFontMetrics metrics;
    QCache<QPair<int, QString>, Reading> laidOut; // by the room a reading had, and its text
};
