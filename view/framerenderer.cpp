#include "framerenderer.h"

#include "temperaturespan.h"

#include <QTransform>

#include <algorithm>

QImage FrameRenderer::render(const uint8_t* gray, int width, int height, const uint8_t* palette,
                             const Options& o)
{
    const size_t n = size_t(width) * height;
    indices.resize(n);
    rgb.resize(n);
    const int lo = int(o.grayLow * 255), hi = int(o.grayHigh * 255);
    const int floor = o.narrowBand ? 110 : 0, ceiling = o.narrowBand ? 140 : 255;

    // Index of every grey level once, then one table look-up per pixel.
    uint8_t indexOf[256];
    for (int g = 0; g < 256; ++g) {
        const int index = hi > lo ? (g - lo) * 255 / (hi - lo) : 0;
        indexOf[g] = uint8_t(std::clamp(index, floor, ceiling));
    }
    const bool regionFind = o.searchRegions && !o.searchRegions->isEmpty();
    const bool bySpan = o.colourBySpan && o.temperatures;
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
            indices[i] = index;
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
            const uint8_t* c = colour ? palette + 3 * index : nullptr;
            rgb[i] = c ? qRgb(c[0], c[1], c[2]) : qRgb(g, g, g);
        }
    }
    // 32-bit pixels: the format the painter draws without converting.
    return oriented(QImage(reinterpret_cast<const uchar*>(rgb.data()), width, height, width * 4, QImage::Format_RGB32), o);
}

QImage FrameRenderer::renderColour(const uint8_t* rgb888, int width, int height, const Options& o)
{
    return oriented(QImage(rgb888, width, height, width * 3, QImage::Format_RGB888)
                        .convertToFormat(QImage::Format_RGB32),
                    o);
}

// The result owns its pixels: the buffers it came from are reused for the next frame.
QImage FrameRenderer::oriented(const QImage& image, const Options& o)
{
    QImage result = image;
    if (o.mirrorH || o.mirrorV)
        result = result.mirrored(o.mirrorH, o.mirrorV);
    if (o.rotation != 0)
        return result.transformed(QTransform().rotate(o.rotation), Qt::FastTransformation);
    return result.copy();
}
