#include "view/framerenderer.h"
#include "view/labellayout.h"
#include "view/labelstamps.h"
#include "view/overlay.h"
#include "view/viewgeometry.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <numeric>

namespace {

ViewGeometry geometryFor(int W, int H, QSize widget, QSize image, int rotation = 0)
{
    ViewGeometry g;
    g.frameWidth = W;
    g.frameHeight = H;
    g.rotation = rotation;
    g.letterBox(widget, image);
    return g;
}

TEST(ViewGeometry, LetterBoxFillsTheLimitingSide)
{
    const ViewGeometry g = geometryFor(384, 288, QSize(1000, 600), QSize(384, 288));
    EXPECT_EQ(g.marginX, 100);
    EXPECT_EQ(g.marginY, 0);
    EXPECT_EQ(g.areaWidth, 800);
    const ViewGeometry wide = geometryFor(384, 288, QSize(800, 900), QSize(384, 288));
    EXPECT_EQ(wide.marginX, 0);
    EXPECT_EQ(wide.marginY, (900 - 600) / 2);
    const ViewGeometry none = geometryFor(384, 288, QSize(800, 900), QSize());
    EXPECT_EQ(none.marginX + none.marginY, 0);
}

// A frame whose every pixel has its own value, oriented by the renderer and shown in the view:
// every widget point reads the pixel drawn under it, and every pixel's point lies in its cell.
TEST(ViewGeometry, EveryWidgetPointReadsThePixelDrawnThereUnderEveryOrientation)
{
    constexpr int W = 64, H = 48;
    std::vector<uint8_t> gray(W * H);
    std::vector<uint8_t> palette(768);
    for (int i = 0; i < 256; ++i)
        palette[3 * size_t(i)] = palette[3 * size_t(i) + 1] = palette[3 * size_t(i) + 2] = uint8_t(i);
    for (int rotation : {0, 90, 180, 270})
        for (bool mh : {false, true})
            for (bool mv : {false, true}) {
                SCOPED_TRACE(testing::Message() << rotation << " degrees, mirrors " << mh << mv);
                FrameRenderer renderer;
                FrameRenderer::Options o;
                o.rotation = rotation;
                o.mirrorH = mh;
                o.mirrorV = mv;
                // Each pixel's value is its column, then its row, in two renders.
                QImage shown[2];
                for (int pass = 0; pass < 2; ++pass) {
                    for (int y = 0; y < H; ++y)
                        for (int x = 0; x < W; ++x)
                            gray[size_t(y * W + x)] = uint8_t(pass ? y : x);
                    shown[pass] = renderer.render(gray.data(), W, H, palette.data(), o);
                }
                // Enlarged three and ten times, each picture pixel a run of area pixels, and
                // reduced, where runs are single pixels and columns are skipped.
                for (const QSize widget : {shown[0].size() * 3 + QSize(7, 20), shown[0].size() * 10 + QSize(3, 1),
                                           shown[0].size() * 2 / 3}) {
                    SCOPED_TRACE(testing::Message() << "widget " << widget.width() << " x " << widget.height());
                    ViewGeometry g = geometryFor(W, H, widget, shown[0].size(), rotation);
                    g.mirrorH = mh;
                    g.mirrorV = mv;
                    // Painted as the view paints it: scaled into the image area.
                    QImage painted[2];
                    for (int pass = 0; pass < 2; ++pass) {
                        g.letterBox(widget, shown[pass].size()); // a new picture
                        painted[pass] = QImage(widget, QImage::Format_RGB32);
                        QPainter painter(&painted[pass]);
                        painter.drawImage(QPoint(g.marginX, g.marginY), g.scaled(shown[pass]));
                    }
                    for (int wy = g.marginY; wy < g.marginY + g.areaHeight; ++wy)
                        for (int wx = g.marginX; wx < g.marginX + g.areaWidth; ++wx) {
                            QPoint p;
                            ASSERT_TRUE(g.widgetToImage(QPoint(wx, wy), p));
                            ASSERT_EQ(p, QPoint(qRed(painted[0].pixel(wx, wy)), qRed(painted[1].pixel(wx, wy))))
                                << "widget " << wx << "," << wy;
                        }
                }
                const QSize widget = shown[0].size() * 3 + QSize(7, 20);
                ViewGeometry g = geometryFor(W, H, widget, shown[0].size(), rotation);
                g.mirrorH = mh;
                g.mirrorV = mv;
                for (int y = 0; y < H; ++y)
                    for (int x = 0; x < W; ++x) {
                        QPoint back;
                        ASSERT_TRUE(g.widgetToImage(g.imageToWidget(QPoint(x, y)), back));
                        ASSERT_EQ(back, QPoint(x, y));
                    }
            }
}

TEST(ViewGeometry, EdgeCases)
{
    ViewGeometry g = geometryFor(256, 192, QSize(1024, 768), QSize(192, 256), 90);
    // Image pixel (0, 0) at 90 degrees sits in the top-right corner of the image area.
    EXPECT_EQ(g.imageToWidget(QPoint(0, 0)), QPoint(g.marginX + g.areaWidth - 2, g.marginY + 1)) << "3 x 3 cells";
    ViewGeometry flat = geometryFor(256, 192, QSize(1024, 768), QSize(256, 192));
    QPoint p;
    EXPECT_TRUE(flat.widgetToImage(QPoint(1, 400), p)) << "the first column is a column like the others";
    EXPECT_EQ(p.x(), 0);
    EXPECT_FALSE(flat.widgetToImage(QPoint(5000, 400), p));
    EXPECT_EQ(p.x(), 255) << "clamped";
    EXPECT_FALSE(flat.widgetToImage(QPoint(-1, 400), p)) << "left of the area";
    // A widget that is not laid out yet: off the image, no division by zero.
    ViewGeometry empty = geometryFor(256, 192, QSize(0, 0), QSize(256, 192));
    EXPECT_FALSE(empty.widgetToImage(QPoint(0, 0), p));
    // Laid out, but no picture yet: nothing is on it either.
    ViewGeometry waiting = geometryFor(256, 192, QSize(1024, 768), QSize());
    EXPECT_FALSE(waiting.widgetToImage(QPoint(512, 384), p));
}

TEST(FrameRenderer, WindowBandsLeakAndRegions)
{
    std::vector<uint8_t> gray(16 * 8);
    std::iota(gray.begin(), gray.end(), 0);
    uint8_t palette[768];
    for (int i = 0; i < 256; ++i) {
        palette[3 * i] = uint8_t(i);
        palette[3 * i + 1] = uint8_t(255 - i);
        palette[3 * i + 2] = 7;
    }
    FrameRenderer renderer;
    FrameRenderer::Options o;
    o.grayLow = 0.1f;
    o.grayHigh = 0.4f; // lo 25, hi 102
    // The palette's red is its index.
    const auto indices = [](const QImage& picture) {
        std::vector<int> out;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                out.push_back(qRed(picture.pixel(x, y)));
        return out;
    };
    QImage image = renderer.render(gray.data(), 16, 8, palette, o);
    EXPECT_EQ(indices(image)[25], 0);
    EXPECT_EQ(indices(image)[60], (60 - 25) * 255 / 77);
    EXPECT_EQ(indices(image)[110], 255);
    const int index60 = (60 - 25) * 255 / 77;
    EXPECT_EQ(image.pixelColor(12, 3), QColor(palette[3 * index60], palette[3 * index60 + 1], 7)) << "pixel 60";

    o.narrowBand = true;
    for (int index : indices(renderer.render(gray.data(), 16, 8, palette, o)))
        ASSERT_TRUE(index >= 110 && index <= 140);

    o.narrowBand = false;
    o.leakFind = true;
    image = renderer.render(gray.data(), 16, 8, palette, o);
    EXPECT_EQ(image.pixelColor(4, 1), QColor(20, 20, 20)) << "at the floor: its own grey";
    EXPECT_EQ(image.pixelColor(12, 3).blue(), 7) << "above the floor: palette";

    o.leakFind = false;
    const QVector<QRect> regions = {QRect(0, 0, 4, 4)};
    o.searchRegions = &regions;
    image = renderer.render(gray.data(), 16, 8, palette, o);
    EXPECT_EQ(image.pixelColor(10, 6), QColor(106, 106, 106)) << "outside the regions: grey";
    EXPECT_EQ(image.pixelColor(3, 3).blue(), 7);

    o.grayLow = o.grayHigh = 0.5f; // a degenerate window paints entry 0
    o.searchRegions = nullptr;
    const std::vector<int> degenerate = indices(renderer.render(gray.data(), 16, 8, palette, o));
    EXPECT_TRUE(std::all_of(degenerate.begin(), degenerate.end(), [](int i) { return i == 0; }));
    o.rotation = 90;
    EXPECT_EQ(renderer.render(gray.data(), 16, 8, palette, o).size(), QSize(8, 16));
}

// The slider's narrowed window colours by temperature, whatever the grey levels say: the
// palette's first entry at or below the low end, its last at or above the high end, linear in
// between; in leak find the pixels at or below the low end keep their own grey.
TEST(FrameRenderer, ASpanOfTemperaturesIsSpreadLinearlyOverThePalette)
{
    std::vector<float> temperatures(64);
    for (size_t i = 0; i < temperatures.size(); ++i)
        temperatures[i] = 20.0f + 0.5f * float(i); // 20 .. 51.5 degC
    const std::vector<uint8_t> gray(64, 90);
    uint8_t palette[768] = {};
    for (int i = 0; i < 256; ++i)
        palette[3 * i + 1] = uint8_t(i);
    FrameRenderer renderer;
    FrameRenderer::Options o;
    o.temperatures = temperatures.data();
    o.spanLow = 25.0f;
    o.spanHigh = 35.0f;
    o.colourBySpan = true;
    QImage image = renderer.render(gray.data(), 8, 8, palette, o);
    for (size_t i = 0; i < temperatures.size(); ++i) {
        const float t = temperatures[i];
        const int expected = t <= 25.0f ? 0 : (t >= 35.0f ? 255 : int((t - 25.0f) * 25.5f));
        ASSERT_EQ(qGreen(image.pixel(int(i % 8), int(i / 8))), expected) << t << " degC"; // green: the index
    }
    o.leakFind = true;
    image = renderer.render(gray.data(), 8, 8, palette, o);
    EXPECT_EQ(image.pixelColor(2, 1), QColor(90, 90, 90)) << "25 degC, at the floor: grey";
    EXPECT_EQ(image.pixelColor(3, 1), QColor(0, 12, 0)) << "25.5 degC, above it: palette";
}

// A super-resolved picture is twice the frame: leak find and region find look up the frame
// pixel under each picture pixel.
TEST(FrameRenderer, ATwiceLargerPictureUsesTheFramePixelsTemperatureAndRegions)
{
    const std::vector<uint8_t> gray(8 * 4, 200);
    std::vector<float> temperatures(4 * 2, 20.0f);
    temperatures[1 * 4 + 3] = 50.0f; // frame pixel (3, 1): picture pixels (6..7, 2..3)
    uint8_t palette[768] = {};
    for (int i = 0; i < 256; ++i)
        palette[3 * i + 2] = 9;
    FrameRenderer renderer;
    FrameRenderer::Options o;
    o.pixelScale = 2;
    o.leakFind = true;
    o.temperatures = temperatures.data();
    o.spanLow = 40.0f;
    QImage image = renderer.render(gray.data(), 8, 4, palette, o);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(image.pixelColor(x, y).blue() == 9, x >= 6 && y >= 2) << x << "," << y;

    o.leakFind = false;
    const QVector<QRect> regions = {QRect(1, 0, 1, 1)}; // frame pixel (1, 0)
    o.searchRegions = &regions;
    image = renderer.render(gray.data(), 8, 4, palette, o);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(image.pixelColor(x, y).blue() == 9, (x == 2 || x == 3) && y < 2) << x << "," << y;
}

QImage busyBackground()
{
    QImage background(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            background.setPixel(x, y, qRgb(x % 256, y % 256, 90));
    return background;
}

// Labels of markers close together, on top of each other or at the edges: none covers another
// or another's marker (also one added after it), none leaves the widget, and each that moved
// has a line to its marker.
TEST(LabelLayout, NoLabelCoversAnotherOrLeavesTheWidget)
{
    const QSize widget(400, 300);
    LabelStamps stamps(overlay::labelFont());
    const QFontMetrics metrics(stamps.font());
    const struct
    {
        const char* name;
        std::vector<QPoint> anchors;
    } cases[] = {
        {"one point", {{200, 150}}},
        {"the same pixel three times", {{200, 150}, {200, 150}, {200, 150}}},
        {"a row of neighbours", {{100, 100}, {108, 100}, {116, 100}, {124, 100}, {132, 100}}},
        {"a cluster in the corner", {{395, 295}, {390, 290}, {385, 295}, {398, 280}}},
        {"at the top-left edge", {{0, 0}, {4, 2}}},
        {"a later marker where the first label goes", {{100, 100}, {130, 115}}},
    };
    const auto marker = [](const QPoint& anchor) { return QRect(anchor - QPoint(12, 12), QSize(24, 24)); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LabelLayout layout(QRect(QPoint(0, 0), widget), stamps);
        for (const QPoint& anchor : c.anchors)
            layout.add(anchor, overlay::labelPosition(anchor, widget), QStringLiteral("663.4°C"));
        const std::vector<LabelLayout::Label>& labels = layout.labels();
        ASSERT_EQ(labels.size(), c.anchors.size());
        for (size_t i = 0; i < labels.size(); ++i) {
            EXPECT_TRUE(QRect(QPoint(0, 0), widget).contains(labels[i].box)) << i;
            for (size_t j = 0; j < labels.size(); ++j) {
                EXPECT_FALSE(j > i && labels[i].box.intersects(labels[j].box)) << i << " and " << j;
                EXPECT_FALSE(labels[j].anchor != labels[i].anchor && labels[i].box.intersects(marker(labels[j].anchor)))
                    << i << " on marker " << j;
            }
            const bool atUsual = labels[i].box == metrics.boundingRect(labels[i].text).translated(
                                                       overlay::labelPosition(labels[i].anchor, widget));
            const int distance = (labels[i].box.center() - labels[i].anchor).manhattanLength();
            EXPECT_TRUE(atUsual || labels[i].led || distance <= 80) << i << " beside its marker";
        }
        EXPECT_TRUE(labels.size() > 1 || labels.front().box == metrics.boundingRect(labels.front().text).translated(
                                                                  overlay::labelPosition(c.anchors.front(), widget)))
            << "a lone label keeps its usual place";
    }
    // The pointer's readout has no marker: a label does not flee the pointer.
    LabelLayout layout(QRect(QPoint(0, 0), widget), stamps);
    layout.add({100, 100}, overlay::labelPosition({100, 100}, widget), QStringLiteral("663.4°C"));
    layout.add({120, 118}, overlay::readoutPosition({120, 118}, widget), QStringLiteral("30.0°C"), false);
    EXPECT_FALSE(layout.labels().front().led);
}

// The largest difference of a colour channel between two images, and how many pixels of the
// first differ from the background.
std::pair<int, int> compared(const QImage& first, const QImage& second, const QImage& background)
{
    int worst = 0, changed = 0;
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x) {
            const QColor a = first.pixelColor(x, y), b = second.pixelColor(x, y);
            worst = std::max({worst, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                              std::abs(a.blue() - b.blue())});
            changed += first.pixel(x, y) != background.pixel(x, y);
        }
    return {worst, changed};
}

// A polygon outline blended from its cache looks as stroked in place: the pen's bands at the
// same widget positions, every pixel within rounding; and it follows the polygon when it moves.
TEST(Overlay, ACachedOutlineLooksAsStrokedInPlace)
{
    const QImage background = busyBackground();
    overlay::OutlineCache cache;
    for (const QPolygon& polygon : {QPolygon({QPoint(30, 40), QPoint(260, 60), QPoint(140, 250)}),
                                    QPolygon({QPoint(130, 40), QPoint(360, 60), QPoint(240, 250), QPoint(150, 200)})}) {
        QImage direct = background.copy(), cached = background.copy();
        {
            QPainter painter(&direct);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(overlay::outlinePen());
            painter.drawPolygon(polygon, Qt::OddEvenFill);
        }
        {
            QPainter painter(&cached);
            cache.paint(painter, polygon);
        }
        const auto [worst, changed] = compared(direct, cached, background);
        EXPECT_LE(worst, 2);
        EXPECT_GT(changed, 500) << "an outline was drawn";
    }
}

// A label blended from its stamp looks as written in place, white on a black rim, from a new
// stamp and from the one kept: nothing cut off at its edges, nothing moved.
TEST(Overlay, AStampedLabelLooksAsWrittenInPlace)
{
    const QImage background = busyBackground();
    LabelStamps stamps(overlay::labelFont());
    for (const char* text : {"36.5°C", "-40.0°F", "1234.5°C jg|", "36.5°C"}) {
        SCOPED_TRACE(text);
        const QString label = QString::fromUtf8(text);
        const QPoint baseline(120, 160);
        QImage direct = background.copy(), stamped = background.copy();
        {
            QPainter painter(&direct);
            painter.setFont(stamps.font());
            painter.setPen(Qt::black);
            for (const QPoint& off : {QPoint(-1, -1), QPoint(0, -1), QPoint(1, -1), QPoint(-1, 0), QPoint(1, 0),
                                      QPoint(-1, 1), QPoint(0, 1), QPoint(1, 1)})
                painter.drawText(baseline + off, label);
            painter.setPen(Qt::white);
            painter.drawText(baseline, label);
        }
        QRect drawn;
        {
            QPainter painter(&stamped);
            drawn = stamps.paint(painter, baseline, label);
        }
        const auto [worst, changed] = compared(direct, stamped, background);
        EXPECT_LE(worst, 3);
        EXPECT_GT(changed, 100) << "a label was written";
        QImage outside = stamped.copy();
        QPainter(&outside).drawImage(drawn.topLeft(), background.copy(drawn));
        EXPECT_EQ(outside, background) << "nothing written beyond the rectangle it reports";
    }
}

TEST(Overlay, LabelsStayInsideAndUnitsConvert)
{
    const QSize widget(1000, 600);
    EXPECT_EQ(overlay::labelPosition(QPoint(990, 590), widget), QPoint(930, 583));
    EXPECT_EQ(overlay::labelPosition(QPoint(990, 100), widget), QPoint(930, 124));
    EXPECT_EQ(overlay::labelPosition(QPoint(100, 590), widget), QPoint(107, 583));
    EXPECT_EQ(overlay::labelPosition(QPoint(100, 100), widget), QPoint(104, 124));
    EXPECT_EQ(overlay::readoutPosition(QPoint(100, 5), widget), QPoint(100, 45));
    EXPECT_EQ(overlay::readoutPosition(QPoint(990, 5), widget), QPoint(940, 25));
    EXPECT_EQ(overlay::readoutPosition(QPoint(990, 300), widget), QPoint(940, 300));
    EXPECT_EQ(overlay::temperatureText(36.54f, "C"), QString::fromUtf8("36.5°C"));
    EXPECT_EQ(overlay::temperatureText(100.0f, "F"), QString::fromUtf8("212.0°F"));
    EXPECT_EQ(overlay::resizeHandles(QRect(10, 10, 20, 20)).size(), 16);
    EXPECT_EQ(overlay::crossMarker(QPoint(5, 5)).size(), 8);
}

} // namespace
