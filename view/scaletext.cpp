#include "view/scaletext.h"

#include <QPainter>

namespace {

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

void ScaleText::draw(QPainter& painter, const QPoint& baseline, const QString& text)
{
    QStaticText* glyphs = laidOut.object(text);
    if (!glyphs) {
        glyphs = new QStaticText(text);
        glyphs->setTextFormat(Qt::PlainText);
        laidOut.insert(text, glyphs);
    }
    painter.setFont(textFont);
    painter.drawStaticText(baseline - QPoint(0, metrics.ascent()), *glyphs);
}
