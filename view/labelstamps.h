#pragma once

#include <QCache>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

class QPainter;

// The view's temperature labels, white text with a black rim, each drawn once into an image
// and blended from there: shaping a label, measuring it and drawing its text nine times for the
// rim cost a tenth of the program's time on every frame, while a reading's text seldom changes
// from one frame to the next.
class LabelStamps
{
public:
    explicit LabelStamps(const QFont& font);

    const QFont& font() const { return labelFont; }
    int ascent() const { return metrics.ascent(); }
    // Keeps the stamps of at least this many labels.
    void keepAtLeast(int count);
    // Where the text's glyphs go, relative to its baseline's start.
    QRect glyphBox(const QString& text);
    // Returns where it drew: the glyphs, their rim and its antialiased edge.
    QRect paint(QPainter& painter, const QPoint& baseline, const QString& text);

private:
    struct Stamp
    {
        QRect glyphs;
        QImage image; // made on the first paint, at the device's pixel ratio
    };
    Stamp& stampOf(const QString& text);

    QFont labelFont;
    QFontMetrics metrics;
    QCache<QString, Stamp> stamps;
};
