#pragma once

#include "view/scaletext.h"

#include <QLabel>
#include <QPixmap>

// The thermometer beside the image: the frame's highest and lowest temperature, and in
// leak-find mode a fixed scale with red and blue markers at the frame's extremes.
class ThermoMeter : public QLabel
{
    Q_OBJECT

public:
    explicit ThermoMeter(QWidget* parent = nullptr);

    void setFrameRange(float minimum, float maximum);
    void setUnit(const QString& letter);
    void setUnitAndQuickFindRange(const QString& letter, int low, int high);
    void setQuickFindRange(int low, int high);
    void setLeakMode(bool on);

    // Marker heights of the last paint, -1 when not shown.
    int maxMarker() const { return maxMarkerY; }
    int minMarker() const { return minMarkerY; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // What the thermometer writes for the highest or lowest temperature: nothing without a frame.
    QString reading(bool highest) const;

    QString unitLetter = QStringLiteral("C");
    float frameMin = -274.0f, frameMax = -274.0f;
    int quickFindLow = 0, quickFindHigh = 150;
    bool leakMode = false;
    int minMarkerY = -1, maxMarkerY = -1;
    QPixmap tempIcon, redTriangle, blueTriangle;
    ScaleText scaleText;
};
