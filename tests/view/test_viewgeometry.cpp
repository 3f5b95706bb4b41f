#include "framerenderer.h"
#include "overlay.h"
#include "viewgeometry.h"

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

TEST(ViewGeometry, MappingsRoundTripUnderEveryOrientation)
{
    for (int rotation : {0, 90, 180, 270})
        for (bool mh : {false, true})
            for (bool mv : {false, true}) {
                const QSize image = (rotation % 180) ? QSize(192, 256) : QSize(256, 192);
                ViewGeometry g = geometryFor(256, 192, image * 4, image, rotation);
                g.mirrorH = mh;
                g.mirrorV = mv;
                for (QPoint p : {QPoint(10, 20), QPoint(200, 150), QPoint(128, 96)}) {
                    QPoint back;
                    // The widget point in the middle of the pixel's 4 x 4 footprint.
                    const QPoint w = g.imageToWidget(p);
                    const QPoint centre = w + QPoint(g.imageToWidget(p + QPoint(1, 1)) - w) / 2;
                    ASSERT_TRUE(g.widgetToImage(centre, back)) << rotation << mh << mv;
                    EXPECT_LE((back - p).manhattanLength(), 2) << rotation << " " << mh << mv;
                }
            }
}

TEST(ViewGeometry, EdgeCases)
{
    ViewGeometry g = geometryFor(256, 192, QSize(1024, 768), QSize(192, 256), 90);
    // Image pixel (0, 0) at 90 degrees sits at the top-right corner of the image area.
    EXPECT_EQ(g.imageToWidget(QPoint(0, 0)), QPoint(g.marginX + g.areaWidth, g.marginY));
    ViewGeometry flat = geometryFor(256, 192, QSize(1024, 768), QSize(256, 192));
    QPoint p;
    EXPECT_FALSE(flat.widgetToImage(QPoint(1, 400), p)) << "first column counts as off the image";
    EXPECT_EQ(p.x(), 0);
    EXPECT_FALSE(flat.widgetToImage(QPoint(5000, 400), p));
    EXPECT_EQ(p.x(), 255) << "clamped";
    // A widget that is not laid out yet: off the image, no division by zero.
    ViewGeometry empty = geometryFor(256, 192, QSize(0, 0), QSize(256, 192));
    EXPECT_FALSE(empty.widgetToImage(QPoint(0, 0), p));
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
    QImage image = renderer.render(gray.data(), 16, 8, palette, o);
    EXPECT_EQ(renderer.paletteIndices()[25], 0);
    EXPECT_EQ(renderer.paletteIndices()[60], (60 - 25) * 255 / 77);
    EXPECT_EQ(renderer.paletteIndices()[110], 255);
    const int index60 = (60 - 25) * 255 / 77;
    EXPECT_EQ(image.pixelColor(12, 3), QColor(palette[3 * index60], palette[3 * index60 + 1], 7)) << "pixel 60";

    o.narrowBand = true;
    renderer.render(gray.data(), 16, 8, palette, o);
    for (uint8_t index : renderer.paletteIndices())
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
    renderer.render(gray.data(), 16, 8, palette, o);
    EXPECT_TRUE(std::all_of(renderer.paletteIndices().begin(), renderer.paletteIndices().end(),
                            [](uint8_t i) { return i == 0; }));
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
        ASSERT_EQ(renderer.paletteIndices()[i], expected) << t << " degC";
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
