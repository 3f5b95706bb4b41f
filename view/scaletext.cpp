#include "view/scaletext.h"

#include <QPainter>

namespace {

constexpr int kSmallestPixels = 7; // still legible

QFont scaleFont()
{
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setPixelSize(12);
    return font;
}

} // namespace

ScaleText::ScaleText() : textFont(scaleFont()), metrics(textFont), laidOut(64) {}

QRect ScaleText::band(int width, int baseline) const
{
    // The text's pen is two pixels wide: one more above and below.
    return QRect(0, baseline - metrics.ascent() - 2, width, metrics.height() + 4);
}

void ScaleText::draw(QPainter& painter, const QPoint& baseline, const QString& text, int right)
{
    const int room = right - baseline.x();
    const QPair<int, QString> key(room, text);
    Reading* reading = laidOut.object(key);
    if (!reading) {
        QFont font = textFont;
        while (font.pixelSize() > kSmallestPixels && QFontMetrics(font).horizontalAdvance(text) > room)
            font.setPixelSize(font.pixelSize() - 1);
        reading = new Reading{font, QFontMetrics(font).ascent(), QStaticText(text)};
        reading->glyphs.setTextFormat(Qt::PlainText);
        laidOut.insert(key, reading);
    }
    painter.setFont(reading->font);
    painter.drawStaticText(baseline - QPoint(0, reading->ascent), reading->glyphs);
}
