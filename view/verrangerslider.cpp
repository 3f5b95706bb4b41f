#include "view/verrangerslider.h"

#include "view/overlay.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

constexpr float kStep = 0.2f;    // degC per key press
constexpr float kMinimumWidth = 0.005f;

QPixmap image(const char* folder, const QString& name)
{
    return QPixmap(QStringLiteral(":/image/%1/%2.png").arg(QLatin1String(folder), name));
}

} // namespace

VerRangerSlider::VerRangerSlider(QWidget* parent)
    : QLabel(parent), triangleUp(image("Veltrace", QStringLiteral("Thermometer/triangleUp"))),
      triangleDown(image("Veltrace", QStringLiteral("Thermometer/triangleDown"))),
      knob(image("Veltrace", QStringLiteral("Thermometer/point")))
{
    loadStrip(paletteNumber);
    setMouseTracking(true);
}

void VerRangerSlider::loadStrip(int number)
{
    strip = image("bgPictures", QStringLiteral("tempRange%1").arg(number));
    const QImage pixels = strip.toImage(); // hot at the top
    stripHot = pixels.isNull() ? QColor(Qt::white) : pixels.pixelColor(0, 0);
    stripCold = pixels.isNull() ? QColor(Qt::black) : pixels.pixelColor(0, pixels.height() - 1);
}

void VerRangerSlider::setFrameRange(float minimum, float maximum)
{
    const QString oldHigh = reading(high), oldLow = reading(low);
    frameMin = minimum;
    frameMax = maximum;
    if (leakMode) // the handles' temperatures lie on the fixed quick-find range
        return;
    // The handles stay where they are; only their readings follow the frame, mostly by a
    // tenth of a degree or not at all: only their lines are repainted, when they change.
    if (reading(high) != oldHigh)
        update(scaleText.band(width(), upperHandleTop() + 16));
    if (reading(low) != oldLow)
        update(scaleText.band(width(), lowerHandleTop() + 18));
}

QString VerRangerSlider::reading(float fraction) const
{
    if (frameMin == -274.0f || !handlesShown())
        return QString();
    return overlay::temperatureNumber(temperatureAt(fraction), unitLetter);
}

int VerRangerSlider::upperHandleTop() const
{
    return int(std::floor((maxFraction - high) * barHeight() / (maxFraction - minFraction)));
}

int VerRangerSlider::lowerHandleTop() const
{
    return int(std::floor((maxFraction - low) * barHeight() / (maxFraction - minFraction) + kMargin));
}

float VerRangerSlider::span() const
{
    // Differences of the settings' range in floating point: its extremes overflow an int.
    return leakMode ? float(quickFindHigh) - float(quickFindLow) : frameMax - frameMin;
}

float VerRangerSlider::temperatureAt(float fraction) const
{
    return (leakMode ? float(quickFindLow) : frameMin) + span() * fraction;
}

float VerRangerSlider::fractionOf(float celsius) const
{
    return (celsius - (leakMode ? float(quickFindLow) : frameMin)) / span();
}

float VerRangerSlider::highWindowFraction() const
{
    if (!leakMode)
        return high;
    const float frameSpan = frameMax - frameMin;
    if (std::min(std::fabs(frameMax), std::fabs(frameMin)) >= std::fabs(frameSpan) * 100000.0f)
        return 1.0f;
    return (temperatureAt(high) - frameMin) / frameSpan;
}

float VerRangerSlider::lowWindowFraction() const
{
    if (!leakMode)
        return low;
    const float frameSpan = frameMax - frameMin;
    if (std::min(std::fabs(frameMax), std::fabs(frameMin)) >= std::fabs(frameSpan) * 100000.0f)
        return 0.0f;
    return (temperatureAt(low) - frameMin) / frameSpan;
}

void VerRangerSlider::setLeakMode(bool on)
{
    leakMode = on;
    const float range = float(quickFindHigh) - float(quickFindLow);
    if (on && frameMax != -274.0f && range != 0.0f) {
        low = (frameMax - 2.0f - quickFindLow) / range;
        high = (frameMax + 1.0f - quickFindLow) / range;
    } else if (!on) {
        low = 0.0f;
        high = 1.0f;
    }
    update();
}

void VerRangerSlider::setQuickFindRange(int lowC, int highC)
{
    if (leakMode && highC != lowC) {
        const float lowT = temperatureAt(low), highT = temperatureAt(high);
        quickFindLow = lowC;
        quickFindHigh = highC;
        low = fractionOf(lowT);
        high = fractionOf(highT);
    } else {
        quickFindLow = lowC;
        quickFindHigh = highC;
    }
    update();
}

void VerRangerSlider::setUnit(const QString& letter)
{
    unitLetter = letter;
    update();
}

void VerRangerSlider::setUnitAndQuickFindRange(const QString& letter, int lowC, int highC)
{
    unitLetter = letter;
    quickFindLow = lowC;
    quickFindHigh = highC;
    update();
}

void VerRangerSlider::setPaletteNumber(int n)
{
    if (n == paletteNumber)
        return;
    paletteNumber = n;
    loadStrip(n);
    update();
}

void VerRangerSlider::setFractions(float lowFraction, float highFraction)
{
    low = lowFraction;
    high = highFraction;
    update();
}

void VerRangerSlider::nudgeBoth(bool up)
{
    if (span() == 0.0f)
        return;
    const float width = high - low;
    if (up) {
        high = std::min(fractionOf(temperatureAt(high) + kStep), maxFraction);
        low = high - width;
    } else {
        low = std::max(fractionOf(temperatureAt(low) - kStep), minFraction);
        high = low + width;
    }
    update();
}

void VerRangerSlider::nudge(bool up)
{
    if (span() == 0.0f)
        return;
    if (up) {
        if (temperatureAt(high) - temperatureAt(low) > kStep)
            low = fractionOf(temperatureAt(low) + kStep);
    } else {
        low = std::max(fractionOf(temperatureAt(low) - kStep), minFraction);
    }
    update();
}

void VerRangerSlider::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!handlesShown())
        return;
    QPainter painter(this);
    const int h = height(), bh = barHeight();
    const float f = maxFraction - minFraction;
    painter.fillRect(QRect(21, 0, 5, h), Qt::black);
    const int yH = upperHandleTop(), yL = lowerHandleTop();
    if (windowNarrowed()) {
        painter.fillRect(QRect(21, kMargin, 5, yH), stripHot);
        // Leak search shows what lies below the window in the picture's grey.
        painter.fillRect(QRect(21, yL, 5, kMargin + bh - yL), leakMode ? QColor(Qt::gray) : stripCold);
    }
    painter.drawPixmap(QRect(0, yH + 2, 13, 10), triangleUp);
    upperKnobRect = QRect(15, yH, 18, 18);
    painter.drawPixmap(upperKnobRect, knob);
    middleBarRect = QRect(21, kMargin + yH, 6, int(std::floor((high - low) * bh / f)));
    painter.drawPixmap(middleBarRect, strip);
    painter.drawPixmap(QRect(0, yL + 2, 13, 10), triangleDown);
    lowerKnobRect = QRect(15, yL, 18, 18);
    painter.drawPixmap(lowerKnobRect, knob);
    if (frameMin == -274.0f)
        return;
    painter.setPen(QPen(Qt::white, 2));
    scaleText.draw(painter, QPoint(43, yH + 16), reading(high), width());
    scaleText.draw(painter, QPoint(43, yL + 18), reading(low), width());
}

void VerRangerSlider::mousePressEvent(QMouseEvent* event)
{
    if (!handlesShown())
        return;
    const QPoint p = event->pos();
    draggingHigh = upperKnobRect.contains(p);
    draggingLow = !draggingHigh && lowerKnobRect.contains(p);
    draggingBoth = !draggingHigh && !draggingLow && middleBarRect.contains(p);
    pressY = p.y();
    pressLow = low;
    pressHigh = high;
    if (draggingHigh || draggingLow || draggingBoth)
        setCursor(Qt::PointingHandCursor);
}

void VerRangerSlider::mouseMoveEvent(QMouseEvent* event)
{
    const int y = event->pos().y(), bh = barHeight();
    const float f = maxFraction - minFraction;
    if (draggingHigh) {
        if (y <= kMargin)
            high = maxFraction;
        else if (y >= lowerKnobRect.top())
            high = low + kMinimumWidth;
        else
            high = maxFraction - f * (y - kMargin) / bh;
    } else if (draggingLow) {
        if (y >= kMargin + bh)
            low = minFraction;
        else if (y <= upperKnobRect.top() + kMargin)
            low = high - kMinimumWidth;
        else
            low = maxFraction - f * (y - kMargin) / bh;
    } else if (draggingBoth) {
        const float d = f * (y - pressY) / bh;
        low = pressLow - d;
        high = pressHigh - d;
        if (low <= minFraction) {
            low = minFraction;
            high = pressHigh - pressLow;
        }
        if (high >= maxFraction) {
            high = maxFraction;
            low = maxFraction - (pressHigh - pressLow);
        }
    } else {
        const QPoint p = event->pos();
        const bool overStrip = middleBarRect.contains(p);
        setCursor(overStrip || upperKnobRect.contains(p) || lowerKnobRect.contains(p) ? Qt::PointingHandCursor
                                                                                       : Qt::ArrowCursor);
        if (overStrip)
            QToolTip::showText(event->globalPos(), QStringLiteral("Ctrl↑/↓"), this);
        else
            QToolTip::hideText();
    }
    update();
}

void VerRangerSlider::mouseReleaseEvent(QMouseEvent*)
{
    draggingHigh = draggingLow = draggingBoth = false;
    setCursor(Qt::ArrowCursor);
}
