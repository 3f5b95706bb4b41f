#pragma once

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>

#include <vector>

class LabelStamps;
class QPainter;

// The temperature labels of one paint of the view, placed so that none covers another, a
// marker or the picture's edge: once all are added, each in the order added at the first free
// place around its marker, nearest first; a label that had to move away from its marker gets a
// leader line. Where no place is free it keeps its usual one.
class LabelLayout
{
public:
    struct Label
    {
        QPoint anchor;   // the marked point
        QString text;
        QRect box;       // where the text's glyphs go
        bool led = false; // moved away: a line joins it to its marker
        QPoint baseline; // the text's baseline start, which puts its glyphs in the box
    };

    // bounds: where labels may go (the picture's area: a snapshot of it shows them whole);
    // stamps: the labels' font, measures and images.
    LabelLayout(const QRect& bounds, LabelStamps& stamps);

    // usual: the baseline the label takes when it is alone; marked: a marker is drawn at the
    // anchor, which other labels keep clear of (the pointer's readout has none).
    void add(const QPoint& anchor, const QPoint& usual, const QString& text, bool marked = true);
    const std::vector<Label>& labels();
    // Returns where it drew.
    QRegion paint(QPainter& painter);

private:
    struct Request
    {
        QPoint anchor, usual;
        QString text;
        bool marked;
    };
    void place();
    Label placeOne(size_t index) const;
    bool isFree(const QRect& box, size_t except) const;

    QRect bounds;
    LabelStamps& stamps;
    std::vector<Request> requests;
    std::vector<Label> placed; // of the first requests, in their order
};
