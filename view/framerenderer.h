#pragma once

#include <QImage>
#include <QRect>
#include <QVector>

#include <cstdint>
#include <vector>

// Turns a frame into the coloured picture, then mirrors and rotates it: the grey window spread
// over the palette, or the slider's span of temperatures spread over it linearly; grey outside
// the search regions in region find, grey at the window's floor in leak find. Buffers are
// kept between frames.
class FrameRenderer
{
public:
    struct Options
    {
        float grayLow = 0.0f, grayHigh = 1.0f;
        bool narrowBand = false; // indices 110..140 only (a nearly uniform scene)
        bool leakFind = false;
        // The frame's temperatures (degC of its pixels) and a span of them: with colourBySpan
        // the palette is spread over [spanLow, spanHigh], its first colour at or below the low
        // end, its last at or above the high end; and in leak find only pixels above the low
        // end are coloured. Without temperatures, the grey levels decide both.
        const float* temperatures = nullptr;
        float spanLow = 0.0f, spanHigh = 0.0f;
        bool colourBySpan = false;
        const QVector<QRect>* searchRegions = nullptr; // region find, when not empty
        // Picture pixels per frame pixel in each direction (2 for a super-resolved picture):
        // search regions and temperatures stay in frame pixels. The picture's width and
        // height are whole multiples of it.
        int pixelScale = 1;
        int rotation = 0;
        bool mirrorH = false, mirrorV = false;
    };

    // gray: width x height bytes; palette: 768 bytes.
    QImage render(const uint8_t* gray, int width, int height, const uint8_t* palette, const Options& options);

    // A picture already in colour (RGB888, width x height): only mirrored and rotated.
    QImage renderColour(const uint8_t* rgb888, int width, int height, const Options& options);

    // The image mirrored and rotated as the options say; upright and unmirrored, the image
    // itself (sharing its memory).
    static QImage oriented(const QImage& image, const Options& options);

private:
    // The picture of this frame, written in place: two alternate, so the one the view still
    // shows is not written (and one still held elsewhere is copied on write, not overwritten).
    QImage& nextPicture(int width, int height);

    QImage pictures[2];
    int current = 0;
};
