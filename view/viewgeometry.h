#pragma once

#include <QPoint>
#include <QSize>

// Where the W x H frame sits in the widget (letter-boxed) and how its pixels map to widget
// points under rotation and mirroring. Integer arithmetic throughout; divisions truncate.
struct ViewGeometry
{
    int frameWidth = 0, frameHeight = 0;
    int rotation = 0;
    bool mirrorH = false, mirrorV = false;
    int marginX = 0, marginY = 0;
    int areaWidth = 0, areaHeight = 0; // dw, dh: the image area inside the margins

    // Margins for an image of imageSize in a widget of widgetSize.
    void letterBox(const QSize& widgetSize, const QSize& imageSize);

    QPoint imageToWidget(const QPoint& image) const;
    // False when the point is off the image (column 0 and row 0 count as off, and so does
    // any point while the image area is empty); image then holds the clamped pixel.
    bool widgetToImage(const QPoint& widget, QPoint& image) const;
};
