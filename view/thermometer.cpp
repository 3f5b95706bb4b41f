#include "view/thermometer.h"

#include "view/overlay.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = 14;
constexpr int kTopBaseline = 23;
constexpr float kNoFrame = -274.0f;

QPixmap thermometerImage(const char* name)
{
    return QPixmap(QStringLiteral(":/image/Veltrace/Thermometer/%1.png").arg(QLatin1String(name)));
}

} // namespace

ThermoMeter::ThermoMeter(QWidget* parent)
    : QLabel(parent), tempIcon(thermometerImage("tempIcon")), redTriangle(thermometerImage("redTriangle")),
      blueTriangle(thermometerImage("blueTriangle"))
{
}

void ThermoMeter::setFrameRange(float minimum, float maximum)
{
    const QString oldHighest = reading(true), oldLowest = reading(false);
    frameMin = minimum;
    frameMax = maximum;
    if (leakMode) { // the markers follow the extremes
        update();
        return;
    }
    // Otherwise only the two readings change, each frame by a tenth of a degree or not at all:
    // repainting just their lines spares the column and the styled panels beneath it a
    // repaint per frame (a quarter of the program's CPU at 25 fps).
    if (reading(true) != oldHighest)
        update(scaleText.band(width(), kTopBaseline));
    if (reading(false) != oldLowest)
        update(scaleText.band(width(), height() - kMargin));
}

QString ThermoMeter::reading(bool highest) const
{
    return frameMin == kNoFrame ? QString() : overlay::temperatureText(highest ? frameMax : frameMin, unitLetter);
}

void ThermoMeter::setUnit(const QString& letter)
{
    unitLetter = letter;
    update();
}

void ThermoMeter::setUnitAndQuickFindRange(const QString& letter, int low, int high)
{
    unitLetter = letter;
    quickFindLow = low;
    quickFindHigh = high;
    update();
}

void ThermoMeter::setQuickFindRange(int low, int high)
{
    quickFindLow = low;
    quickFindHigh = high;
    if (leakMode)
        update();
}

void ThermoMeter::setLeakMode(bool on)
{
    leakMode = on;
    update();
}

void ThermoMeter::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    QPainter painter(this);
    const int w = width(), h = height(), bar = h - 2 * kMargin;
    painter.drawPixmap(QRect(w - kMargin, h - kMargin, kMargin, kMargin), tempIcon);
    painter.setPen(Qt::white);
    painter.setBrush(Qt::white);
    painter.drawRect(w - 10, kMargin, 5, bar);

    minMarkerY = maxMarkerY = -1;
    int columnTop = kMargin;
    // In doubles: the range comes from the settings, whose extremes must not overflow here.
    const double span = double(quickFindHigh) - double(quickFindLow);
    if (leakMode && span != 0.0) {
        const auto height = [&](float celsius) {
            return int(std::clamp(std::floor((celsius - double(quickFindLow)) * bar / span), -1.0, double(bar)));
        };
        const int dMin = height(frameMin);
        const int dMax = height(frameMax);
        if (dMin >= 1 && dMin < bar)
            minMarkerY = h - kMargin - dMin;
        if (dMax >= 1 && dMax < bar)
            maxMarkerY = h - kMargin - dMax;
        columnTop = maxMarkerY >= 0 ? maxMarkerY : h - kMargin;
    }
    painter.setPen(Qt::red);
    painter.setBrush(Qt::red);
    painter.drawRect(w - 8, columnTop, 1, h - kMargin - columnTop);

    if (frameMin == kNoFrame)
        return;
    painter.setPen(QPen(Qt::white, 2));
    // Readings end before the tube, or before the marker's triangle on the marker's line.
    const int textRight = w - 12, markerTextRight = w - 24;
    if (!leakMode) {
        scaleText.draw(painter, QPoint(18, kTopBaseline), reading(true), textRight);
        scaleText.draw(painter, QPoint(18, h - kMargin), reading(false), textRight);
        return;
    }
    const bool fahrenheit = unitLetter == QLatin1String("F");
    auto whole = [&](int celsius) {
        return QString::number(fahrenheit ? int(celsius * 1.8 + 32) : celsius) + QStringLiteral("°") + unitLetter;
    };
    scaleText.draw(painter, QPoint(18, kTopBaseline), whole(quickFindHigh), textRight);
    scaleText.draw(painter, QPoint(18, h - kMargin), whole(quickFindLow), textRight);
    if (maxMarkerY >= 0) {
        scaleText.draw(painter, QPoint(18, maxMarkerY - 6), overlay::temperatureText(frameMax, unitLetter), markerTextRight);
        painter.drawPixmap(QRect(w - 23, maxMarkerY - 6, 9, 13), redTriangle);
    }
    if (minMarkerY >= 0) {
        scaleText.draw(painter, QPoint(18, minMarkerY + 18), overlay::temperatureText(frameMin, unitLetter), markerTextRight);
        painter.drawPixmap(QRect(w - 23, minMarkerY - 6, 9, 13), blueTriangle);
    }
}
