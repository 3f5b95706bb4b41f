#include "view/framerenderer.h"

#include "pipeline/temperaturespan.h"

#include <QTransform>

#include <algorithm>

QImage& FrameRenderer::nextPicture(int width, int height)
{
    current ^= 1;
    QImage& picture = pictures[current];
    if (picture.width() != width || picture.height() != height)
        picture = QImage(width, height, QImage::Format_RGB32);
    return picture;
}

QImage FrameRenderer::render(const uint8_t* gray, int width, int height, const uint8_t* palette,
                             const Options& o)
{
    const size_t n = size_t(width) * height;
    const int lo = int(o.grayLow * 255), hi = int(o.grayHigh * 255);
    const int floor = o.narrowBand ? 110 : 0, ceiling = o.narrowBand ? 140 : 255;

    // Index and colour of every grey level once, then table look-ups per pixel.
    uint8_t indexOf[256];
    QRgb colourOf[256];
    for (int g = 0; g < 256; ++g) {
        const int index = hi > lo ? (g - lo) * 255 / (hi - lo) : 0;
        indexOf[g] = uint8_t(std::clamp(index, floor, ceiling));
        const uint8_t* c = palette + 3 * indexOf[g];
        colourOf[g] = qRgb(c[0], c[1], c[2]);
    }
    QImage& picture = nextPicture(width, height);
    // 32-bit pixels: the format the painter draws without converting.
    auto* rgb = reinterpret_cast<QRgb*>(picture.bits()); // whole rows: no padding at 4 bytes a pixel
    const bool regionFind = o.searchRegions && !o.searchRegions->isEmpty();
    const bool bySpan = o.colourBySpan && o.temperatures;
    if (!regionFind && !o.leakFind && !bySpan) { // the live picture's usual case
        for (size_t i = 0; i < n; ++i)
            rgb[i] = colourOf[gray[i]];
        return oriented(picture, o);
    }
    const TemperatureSpan span{o.spanLow, o.spanHigh};
    // Frame pixel indices are kept inside the frame even for a picture that is no whole
    // multiple of the scale.
    const int scale = std::max(o.pixelScale, 1);
    const int frameWidth = std::max(width / scale, 1), frameHeight = std::max(height / scale, 1);
    for (int y = 0; y < height; ++y) {
        const int frameY = std::min(y / scale, frameHeight - 1);
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(y) * width + x;
            const int frameX = std::min(x / scale, frameWidth - 1);
            const float celsius = o.temperatures ? o.temperatures[size_t(frameY) * frameWidth + frameX] : 0.0f;
            const uint8_t g = gray[i];
            const uint8_t index = bySpan ? span.index(celsius) : indexOf[g];
            bool colour = true;
            if (regionFind) {
                const QPoint p(frameX, frameY);
                colour = std::any_of(o.searchRegions->begin(), o.searchRegions->end(),
                                     [&](const QRect& r) { return r.contains(p); });
            }
            // Both aids at once: leak find inside the search regions. The band is taken from the
            // temperatures where they exist: grey levels are not linear in degC.
            if (colour && o.leakFind)
                colour = o.temperatures ? celsius > o.spanLow : index != 0;
            const uint8_t* c = palette + 3 * index;
            rgb[i] = colour ? qRgb(c[0], c[1], c[2]) : qRgb(g, g, g);
        }
    }
    return oriented(picture, o);
}

QImage FrameRenderer::renderColour(const uint8_t* rgb888, int width, int height, const Options& o)
{
    return oriented(QImage(rgb888, width, height, width * 3, QImage::Format_RGB888)
                        .convertToFormat(QImage::Format_RGB32),
                    o);
}

// Upright and unmirrored, the picture itself: it is written again only two frames later, or
// copied first when still held then.
QImage FrameRenderer::oriented(const QImage& image, const Options& o)
{
    QImage result = image;
    if (o.mirrorH || o.mirrorV)
        result = result.mirrored(o.mirrorH, o.mirrorV);
    if (o.rotation != 0)
        return result.transformed(QTransform().rotate(o.rotation), Qt::FastTransformation);
    return result;
}
