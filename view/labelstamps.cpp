#include "view/labelstamps.h"

#include <QPaintDevice>
#include <QPainter>
#include <QStaticText>

#include <algorithm>

namespace {

// Around the glyphs' box: the one-pixel rim and the antialiased edge beyond it.
constexpr int kMargin = 3;
// Readings that flicker between neighbouring values meet their stamps again; 256 stamps of
// about 6 KB each are a megabyte or two.
constexpr int kStamps = 256;

} // namespace

LabelStamps::LabelStamps(const QFont& font) : labelFont(font), metrics(font), stamps(kStamps) {}

LabelStamps::Stamp& LabelStamps::stampOf(const QString& text)
{
    if (Stamp* known = stamps.object(text))
        return *known;
    auto* made = new Stamp{metrics.boundingRect(text), QImage()};
    stamps.insert(text, made); // one of kStamps: never the one evicted
    return *made;
}

void LabelStamps::keepAtLeast(int count)
{
    // More labels on one frame than stamps kept: each frame would make them all again.
    stamps.setMaxCost(std::max(kStamps, 2 * count));
}

QRect LabelStamps::glyphBox(const QString& text)
{
    return stampOf(text).glyphs;
}

QRect LabelStamps::paint(QPainter& painter, const QPoint& baseline, const QString& text)
{
    Stamp& stamp = stampOf(text);
    const QRect area = stamp.glyphs.adjusted(-kMargin, -kMargin, kMargin, kMargin);
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    if (stamp.image.isNull() || stamp.image.devicePixelRatioF() != ratio) {
        stamp.image = QImage(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        stamp.image.setDevicePixelRatio(ratio);
        stamp.image.fill(Qt::transparent);
        QPainter rim(&stamp.image);
        rim.translate(-area.topLeft()); // the baseline's start at the origin
        // The black rim is the text one pixel off in the eight directions, laid out once.
        QStaticText glyphs(text);
        glyphs.setTextFormat(Qt::PlainText);
        glyphs.prepare(rim.transform(), labelFont);
        rim.setFont(labelFont);
        const QPoint topLeft(0, -metrics.ascent());
        rim.setPen(Qt::black);
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (dx || dy)
                    rim.drawStaticText(topLeft + QPoint(dx, dy), glyphs);
        rim.setPen(Qt::white);
        rim.drawStaticText(topLeft, glyphs);
    }
    painter.drawImage(baseline + area.topLeft(), stamp.image);
    return area.translated(baseline);
}
