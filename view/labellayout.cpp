#include "view/labellayout.h"

#include "view/labelstamps.h"

#include <QPainter>

namespace {

constexpr int kMarker = 12;  // half the cross marker's size
constexpr int kGap = 4;      // between a label and what it must not cover

} // namespace

LabelLayout::LabelLayout(const QRect& area, LabelStamps& labelStamps) : bounds(area), stamps(labelStamps)
{
}

bool LabelLayout::isFree(const QRect& box, size_t self) const
{
    if (!bounds.contains(box))
        return false;
    const QRect padded = box.adjusted(-kGap, -kGap, kGap, kGap);
    for (const Label& other : placed)
        if (padded.intersects(other.box))
            return false;
    // Every marker, also of labels placed later.
    for (size_t i = 0; i < requests.size(); ++i)
        if (i != self && requests[i].marked &&
            padded.intersects(QRect(requests[i].anchor - QPoint(kMarker, kMarker), QSize(2 * kMarker, 2 * kMarker))))
            return false;
    return true;
}

void LabelLayout::add(const QPoint& anchor, const QPoint& usual, const QString& text, bool marked)
{
    requests.push_back({anchor, usual, text, marked});
}

const std::vector<LabelLayout::Label>& LabelLayout::labels()
{
    place();
    return placed;
}

void LabelLayout::place()
{
    stamps.keepAtLeast(int(requests.size()));
    while (placed.size() < requests.size())
        placed.push_back(placeOne(placed.size()));
}

LabelLayout::Label LabelLayout::placeOne(size_t self) const
{
    const Request& request = requests[self];
    const QRect glyphs = stamps.glyphBox(request.text); // relative to the baseline's start
    const auto boxAt = [&](const QPoint& baseline) { return glyphs.translated(baseline); };
    Label label{request.anchor, request.text, boxAt(request.usual), false, request.usual};
    if (isFree(label.box, self))
        return label;
    // Rings of places around the marker: right, left, below, above and the corners between,
    // each ring a line of text further out.
    const int w = glyphs.width(), h = glyphs.height(), ascent = stamps.ascent();
    for (int ring = 0; ring < 6; ++ring) {
        const int d = kMarker + kGap + ring * (h + kGap);
        const QPoint places[] = {{d, h / 2 - 2},  {-d - w, h / 2 - 2}, {-w / 2, d + ascent}, {-w / 2, -d},
                                 {d, d + ascent}, {-d - w, d + ascent}, {d, -d},              {-d - w, -d}};
        for (const QPoint& offset : places) {
            const QPoint baseline = request.anchor + offset;
            const QRect box = boxAt(baseline);
            if (isFree(box, self))
                return {request.anchor, request.text, box, ring > 0, baseline};
        }
    }
    return label;
}

QRegion LabelLayout::paint(QPainter& painter)
{
    place();
    QRegion drawn;
    for (const Label& label : placed) {
        if (label.led) {
            painter.setPen(QPen(Qt::white, 1.0));
            const QRect& b = label.box;
            const QPoint nearest(std::clamp(label.anchor.x(), b.left(), b.right()),
                                 std::clamp(label.anchor.y(), b.top(), b.bottom()));
            painter.drawLine(label.anchor, nearest);
            drawn += QRect(label.anchor, nearest).normalized().adjusted(-1, -1, 1, 1); // and its antialiasing
        }
        drawn += stamps.paint(painter, label.baseline, label.text);
    }
    return drawn;
}
