#include "view/horrangerslider.h"

#include "core/configmanager.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

QPixmap triangle(const char* name)
{
    return QPixmap(QStringLiteral(":/image/Veltrace/Thermometer/%1.png").arg(QLatin1String(name)));
}

} // namespace

HorRangerSlider::HorRangerSlider(QWidget* parent)
    : QLabel(parent), left(triangle("triangleLeft")), right(triangle("triangleRight")),
      leftSelected(triangle("triangleLeftSel")), rightSelected(triangle("triangleRightSel"))
{
    if (ConfigManager::getInstance()->getEquipmentValue(QStringLiteral("LowTemperatureMode"))) {
        minimum = 0;
        maximum = 550;
    }
    low = minimum;
    high = maximum;
}

void HorRangerSlider::setValues(int lowValue, int highValue)
{
    // A stored range beyond the track is drawn at its ends.
    low = std::clamp(lowValue, minimum, maximum);
    high = std::clamp(highValue, minimum, maximum);
    update();
}

int HorRangerSlider::xOf(int value) const
{
    const int usable = width() - 2 * kSide;
    return kSide + (value - minimum) * usable / (maximum - minimum);
}

void HorRangerSlider::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    QPainter painter(this);
    const int usable = width() - 2 * kSide;
    painter.setPen(QColor(208, 208, 208));
    painter.setBrush(QColor(208, 208, 208));
    painter.drawRect(kSide, 0, usable, 6);
    const int xLow = xOf(low), xHigh = xOf(high);
    painter.setPen(QColor(0, 160, 208));
    painter.setBrush(QColor(0, 160, 208));
    painter.drawRect(xLow, 0, xHigh - xLow, 6);
    leftHandleRect = QRect(xLow - 10, 6, 10, 13);
    rightHandleRect = QRect(xHigh, 6, 10, 13);
    painter.drawPixmap(leftHandleRect, draggingLeft ? leftSelected : left);
    painter.drawPixmap(rightHandleRect, draggingRight ? rightSelected : right);
}

void HorRangerSlider::mousePressEvent(QMouseEvent* event)
{
    draggingRight = rightHandleRect.contains(event->pos());
    draggingLeft = !draggingRight && leftHandleRect.contains(event->pos());
}

void HorRangerSlider::dragLeft(int x)
{
    const int usable = width() - 2 * kSide;
    if (x <= kSide) {
        low = minimum;
    } else if (x >= rightHandleRect.x()) {
        low = high - kGap;
    } else {
        low = (maximum - minimum) * (x - kSide) / usable + minimum;
        if (high < low + kGap)
            high = low + kGap;
        if (high > maximum) {
            high = maximum;
            low = maximum - kGap;
        }
    }
}

void HorRangerSlider::dragRight(int x)
{
    const int usable = width() - 2 * kSide;
    if (x >= kSide + usable) {
        high = maximum;
    } else if (x <= leftHandleRect.x() + kSide) {
        high = low + kGap;
    } else {
        high = (maximum - minimum) * (x - kSide) / usable + minimum;
        if (low > high - kGap)
            low = high - kGap;
        if (low < minimum) {
            low = minimum;
            high = minimum + kGap;
        }
    }
}

void HorRangerSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!draggingLeft && !draggingRight)
        return;
    if (draggingLeft)
        dragLeft(event->pos().x());
    else
        dragRight(event->pos().x());
    if (changed)
        changed(low, high);
    update();
}

void HorRangerSlider::mouseReleaseEvent(QMouseEvent*)
{
    draggingLeft = draggingRight = false;
    update();
}
