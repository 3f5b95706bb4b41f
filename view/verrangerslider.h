#pragma once

#include "view/scaletext.h"

#include <QLabel>
#include <QPixmap>

// The vertical two-handle slider over the palette strip: the part of the frame's temperature
// span (or, in leak-find mode, of the fixed quick-find range) spread over the whole palette.
// While the window is narrower than the span, the picture is coloured from the temperatures
// over it, so the track shows the palette's ends beyond the handles, as the picture does.
class VerRangerSlider : public QLabel
{
    Q_OBJECT

public:
    explicit VerRangerSlider(QWidget* parent = nullptr);

    void setFrameRange(float minimum, float maximum);
    // The window as fractions of the frame span, for the image's grey window.
    float highWindowFraction() const;
    float lowWindowFraction() const;
    void setLeakMode(bool on);
    void setQuickFindRange(int low, int high);
    void setUnit(const QString& letter);
    void setUnitAndQuickFindRange(const QString& letter, int low, int high);
    void setPaletteNumber(int n);
    // Keyboard steps of 0.2 degC: the low handle alone, or the whole window.
    void nudge(bool up);
    void nudgeBoth(bool up);

    // The window is narrower than the frame's span, or leak find is on: the picture is then
    // coloured by the handles' temperatures.
    bool windowNarrowed() const { return leakMode || low > minFraction || high < maxFraction; }
    float lowFraction() const { return low; }
    float highFraction() const { return high; }
    void setFractions(float lowFraction, float highFraction);
    // Temperature (degC) at a handle fraction.
    float temperatureAt(float fraction) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static constexpr int kMargin = 18;
    bool handlesShown() const { return low >= 0.0f && high <= 1.0f; }
    int barHeight() const { return height() - 2 * kMargin; }
    float span() const;
    float fractionOf(float celsius) const;
    // The temperature written beside a handle: nothing without a frame or handles.
    QString reading(float fraction) const;
    // Where the handles' knobs start, in widget pixels.
    int upperHandleTop() const;
    int lowerHandleTop() const;

    float minFraction = 0.0f, maxFraction = 1.0f;
    float low = 0.0f, high = 1.0f;
    float frameMin = -274.0f, frameMax = -274.0f;
    int quickFindLow = 0, quickFindHigh = 150;
    QString unitLetter = QStringLiteral("C");
    bool leakMode = false;
    QRect upperKnobRect, lowerKnobRect, middleBarRect;
    bool draggingHigh = false, draggingLow = false, draggingBoth = false;
    int pressY = 0;
    float pressLow = 0.0f, pressHigh = 1.0f;
    int paletteNumber = 1;
    void loadStrip(int number);

    QPixmap triangleUp, triangleDown, knob, strip;
    QColor stripHot, stripCold; // the strip's ends: the colours beyond the handles
    ScaleText scaleText;
};
