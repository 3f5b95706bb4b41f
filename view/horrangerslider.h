#pragma once

#include <QLabel>
#include <QPixmap>

#include <functional>

// A horizontal two-handle range of whole degrees, at least 20 apart, over the measuring
// range: 0..550 in the high-temperature range, -10..150 otherwise.
class HorRangerSlider : public QLabel
{
    Q_OBJECT

public:
    explicit HorRangerSlider(QWidget* parent = nullptr);

    void setValues(int low, int high);
    int lowValue() const { return low; }
    int highValue() const { return high; }
    int minimumValue() const { return minimum; }
    int maximumValue() const { return maximum; }
    // Told (low, high) after every drag step; the settings dialog receives them.
    void setValuesChanged(std::function<void(int, int)> receiver) { changed = std::move(receiver); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static constexpr int kSide = 10;
    static constexpr int kGap = 20;
    int xOf(int value) const;
    void dragLeft(int x);
    void dragRight(int x);

    int minimum = -10, maximum = 150, low = -10, high = 150;
    QRect leftHandleRect, rightHandleRect;
    bool draggingLeft = false, draggingRight = false;
    std::function<void(int, int)> changed;
    QPixmap left, right, leftSelected, rightSelected;
};
