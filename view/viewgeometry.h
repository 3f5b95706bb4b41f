#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// Where the W x H frame sits in the widget (letter-boxed) and how its pixels map to widget
// points under rotation and mirroring, exactly as the renderer orients the picture (mirroring
// puts pixel x at W - 1 - x, a quarter turn clockwise puts (x, y) at (H - 1 - y, x)) and as the
// picture is scaled into the image area: each area pixel shows the picture pixel under its
// centre, one index map for the painting and for the pointer. Integer arithmetic throughout.
struct ViewGeometry
{
    int frameWidth = 0, frameHeight = 0;
    int rotation = 0;
    bool mirrorH = false, mirrorV = false;
    int marginX = 0, marginY = 0;
    int areaWidth = 0, areaHeight = 0; // dw, dh: the image area inside the margins

    // Margins and index maps for an image of imageSize in a widget of widgetSize; each new
    // picture comes with a call.
    void letterBox(const QSize& widgetSize, const QSize& imageSize);
    // The picture (the one of the last letterBox) scaled into the image area by the index maps:
    // once, then kept for the repaints until the next letterBox.
    const QImage& scaled(const QImage& picture);
    // The same pixels of part of the area (in area coordinates) written into a 32-bit image
    // whose pixel origin holds the area's top-left corner: the picture painted in one pass.
    void scaleInto(const QImage& picture, QImage& target, const QRect& part, const QPoint& origin) const;

    // The centre of the frame pixel's cell on screen (pixels outside the frame extrapolate).
    QPoint imageToWidget(const QPoint& image) const;
    // The frame pixel whose cell holds the widget point; false when the point is off the image
    // area (or the area is empty), image then holds the nearest pixel.
    bool widgetToImage(const QPoint& widget, QPoint& image) const;

private:
    QSize shownSize() const; // the oriented picture
    QPoint shownPixel(const QPoint& frame) const;
    QPoint framePixel(const QPoint& shown) const;

    QSize picture; // as given to letterBox: the shown frame, or a whole multiple of it
    std::vector<int> columnOf, rowOf; // of every area column and row: its picture column and row
    std::vector<int> runStarts; // the area columns where columnOf changes, then areaWidth
    QImage area;
    bool areaCurrent = false;
};
