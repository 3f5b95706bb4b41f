#include "view/viewgeometry.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kRowsAhead = 2;
constexpr size_t kCacheLine = 64;

// Division rounding towards minus infinity: points left of or above the area stay off it.
int floorDivide(int a, int b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

} // namespace

void ViewGeometry::letterBox(const QSize& widget, const QSize& image)
{
    marginX = marginY = 0;
    const int w = widget.width(), h = widget.height(), iw = image.width(), ih = image.height();
    if (iw >= 1 && ih >= 1) {
        if (ih * w <= h * iw)
            marginY = (h - ih * w / iw) / 2;
        else
            marginX = (w - h * iw / ih) / 2;
    }
    areaWidth = w - 2 * marginX;
    areaHeight = h - 2 * marginY;
    // The picture pixel under each area pixel's centre.
    const auto indexMap = [](std::vector<int>& map, int areaLength, int pictureLength) {
        map.resize(size_t(std::max(areaLength, 0)));
        for (int u = 0; u < areaLength; ++u)
            map[size_t(u)] = int((2 * int64_t(u) + 1) * pictureLength / (2 * int64_t(areaLength)));
    };
    picture = image;
    areaCurrent = false;
    indexMap(columnOf, areaWidth, iw);
    indexMap(rowOf, areaHeight, ih);
    runStarts.clear();
    for (int u = 0; u < areaWidth; ++u)
        if (u == 0 || columnOf[size_t(u)] != columnOf[size_t(u) - 1])
            runStarts.push_back(u);
    runStarts.push_back(std::max(areaWidth, 0));
}

const QImage& ViewGeometry::scaled(const QImage& shown)
{
    if (areaCurrent)
        return area;
    areaCurrent = true;
    if (areaWidth <= 0 || areaHeight <= 0 || shown.isNull()) {
        area = QImage();
        return area;
    }
    if (area.size() != QSize(areaWidth, areaHeight))
        area = QImage(areaWidth, areaHeight, QImage::Format_RGB32);
    scaleInto(shown, area, QRect(0, 0, areaWidth, areaHeight), QPoint(0, 0));
    return area;
}

void ViewGeometry::scaleInto(const QImage& shown, QImage& target, const QRect& part, const QPoint& origin) const
{
    const QRect rows = part & QRect(0, 0, areaWidth, areaHeight);
    if (rows.isEmpty() || shown.isNull())
        return;
    const QImage source = shown.format() == QImage::Format_RGB32 ? shown : shown.convertToFormat(QImage::Format_RGB32);
    const int lastColumn = source.width() - 1, lastRow = source.height() - 1;
    // A target being painted on is never shared: its pixels are written where the painter writes.
    uchar* const bits = target.bits();
    const qsizetype stride = target.bytesPerLine();
    const auto rowAt = [&](int v) {
        return reinterpret_cast<QRgb*>(bits + (origin.y() + v) * stride) + (origin.x() + rows.left());
    };
    // The runs of area columns that show one picture column, from the one holding the part's first.
    const auto firstRun = std::upper_bound(runStarts.begin(), runStarts.end(), rows.left()) - 1;
    const int width = rows.width();
    // A row is made in a small buffer that stays in the cache, each run in blocks of four pixels
    // (a block spills up to three pixels into the runs after it, written later, or into the
    // buffer's spare end), and copied out for every area row that shows it.
    std::vector<QRgb> made(size_t(width) + 3);
    for (int v = rows.top(); v <= rows.bottom(); ++v) {
        if (v == rows.top() || rowOf[size_t(v)] != rowOf[size_t(v) - 1]) {
            const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(std::min(rowOf[size_t(v)], lastRow)));
            int start = 0; // the area column, from the part's left
            for (auto run = firstRun; start < width; ++run) {
                const int end = std::min(run[1] - rows.left(), width);
                const QRgb value = in[std::min(columnOf[size_t(start + rows.left())], lastColumn)];
                const QRgb block[4] = {value, value, value, value};
                for (int u = start; u < end; u += 4)
                    std::memcpy(made.data() + u, block, sizeof block);
                start = end;
            }
        }
        // The target's rows have left the cache since the last frame (the display server read
        // them): the lines of the row two below are asked for now, so that their fetches overlap
        // this row's writes instead of each row waiting for its own.
        if (v + kRowsAhead <= rows.bottom()) {
            // Every line the row touches, the first one from its start in the line.
            const auto start = reinterpret_cast<uintptr_t>(rowAt(v + kRowsAhead));
            const uintptr_t end = start + size_t(width) * sizeof(QRgb);
            for (uintptr_t line = start & ~uintptr_t(kCacheLine - 1); line < end; line += kCacheLine)
                __builtin_prefetch(reinterpret_cast<const void*>(line), 1);
        }
        std::memcpy(rowAt(v), made.data(), size_t(width) * sizeof(QRgb));
    }
}

QSize ViewGeometry::shownSize() const
{
    return rotation % 180 ? QSize(frameHeight, frameWidth) : QSize(frameWidth, frameHeight);
}

QPoint ViewGeometry::shownPixel(const QPoint& p) const
{
    const int W = frameWidth, H = frameHeight;
    const int x = mirrorH ? W - 1 - p.x() : p.x();
    const int y = mirrorV ? H - 1 - p.y() : p.y();
    switch (rotation) {
    case 90:
        return QPoint(H - 1 - y, x);
    case 180:
        return QPoint(W - 1 - x, H - 1 - y);
    case 270:
        return QPoint(y, W - 1 - x);
    default:
        return QPoint(x, y);
    }
}

QPoint ViewGeometry::framePixel(const QPoint& s) const
{
    const int W = frameWidth, H = frameHeight;
    int x = s.x(), y = s.y();
    switch (rotation) {
    case 90:
        x = s.y();
        y = H - 1 - s.x();
        break;
    case 180:
        x = W - 1 - s.x();
        y = H - 1 - s.y();
        break;
    case 270:
        x = W - 1 - s.y();
        y = s.x();
        break;
    default:
        break;
    }
    return QPoint(mirrorH ? W - 1 - x : x, mirrorV ? H - 1 - y : y);
}

QPoint ViewGeometry::imageToWidget(const QPoint& p) const
{
    const QSize shown = shownSize();
    if (shown.width() <= 0 || shown.height() <= 0)
        return QPoint(marginX, marginY);
    const QPoint s = shownPixel(p);
    // The middle of the area pixels whose centres fall in the picture pixel.
    return QPoint(marginX + floorDivide((2 * s.x() + 1) * areaWidth, 2 * shown.width()),
                  marginY + floorDivide((2 * s.y() + 1) * areaHeight, 2 * shown.height()));
}

bool ViewGeometry::widgetToImage(const QPoint& widget, QPoint& image) const
{
    const QSize shown = shownSize();
    // A widget not laid out yet, or without a picture, has no image area: nothing maps onto it.
    if (shown.width() <= 0 || shown.height() <= 0 || picture.isEmpty() || areaWidth <= 0 || areaHeight <= 0) {
        image = QPoint(0, 0);
        return false;
    }
    const int u = widget.x() - marginX, v = widget.y() - marginY;
    const bool onImage = u >= 0 && u < areaWidth && v >= 0 && v < areaHeight;
    const int cu = std::clamp(u, 0, areaWidth - 1), cv = std::clamp(v, 0, areaHeight - 1);
    // A picture larger than the frame (super resolution) has several pixels to a frame pixel.
    const QPoint s(std::min(columnOf[size_t(cu)] * shown.width() / std::max(picture.width(), 1), shown.width() - 1),
                   std::min(rowOf[size_t(cv)] * shown.height() / std::max(picture.height(), 1), shown.height() - 1));
    image = framePixel(s);
    return onImage;
}
