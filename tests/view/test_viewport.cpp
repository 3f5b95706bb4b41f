#include "tests/support/paintrecorder.h"
#include "tests/support/testframes.h"
#include "view/chartdialog.h"
#include "view/chartwidget.h"
#include "view/viewport.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace {

constexpr int W = 256, H = 192;

// Bright pixels (white labels, notice text) inside a widget rectangle of a painted view.
int brightPixels(const QImage& image, const QRect& area)
{
    int bright = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            bright += image.valid(x, y) && image.pixelColor(x, y).lightness() > 180;
    return bright;
}


// A 256 x 192 camera shown at four widget pixels per image pixel, no margins.
class View : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view.resize(1024, 768);
        view.setCameraGeometry(W, H, 15);
        auto frame = flatFrame(W, H, 25.0f);
        setHottest(*frame, 60, 100, 70.0f);
        uint8_t palette[768] = {};
        view.setPalette(palette);
        view.setFrame(frame);
        view.renderFrame();
    }
    static QPoint at(int x, int y) { return QPoint(4 * x + 2, 4 * y + 2); }
    void move(const QPoint& to, Qt::MouseButtons buttons = Qt::NoButton)
    {
        QMouseEvent event(QEvent::MouseMove, to, Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    }
    void drag(const QPoint& from, const QPoint& to)
    {
        QTest::mousePress(&view, Qt::LeftButton, {}, from);
        move(to, Qt::LeftButton);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, to);
    }
    void click(const QPoint& p, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(&view, button, {}, p);
        QTest::mouseRelease(&view, button, {}, p);
    }

    ViewPort view;
};

// The picture written straight into an image, as into the window's backing store, is pixel for
// pixel the cached picture the painter would draw, through an offset and a partial repaint,
// and nothing outside the repainted region is touched.
TEST(ViewPicture, WrittenInPlaceItIsTheCachedPicture)
{
    // Each picture pixel three or four area pixels wide, and ten.
    for (const QSize frameSize : {QSize(W, H), QSize(80, 60)}) {
        SCOPED_TRACE(frameSize.width());
        ViewPort view;
        view.resize(1000, 600); // margins left and right
        view.setCameraGeometry(frameSize.width(), frameSize.height(), 15);
        auto frame = flatFrame(frameSize.width(), frameSize.height(), 25.0f);
        uint32_t state = 7;
        for (uint8_t& grey : frame->image)
            grey = uint8_t((state = state * 1664525u + 1013904223u) >> 24);
        uint8_t palette[768];
        for (int i = 0; i < 256; ++i) {
            palette[3 * i] = uint8_t(i);
            palette[3 * i + 1] = uint8_t(255 - i);
            palette[3 * i + 2] = uint8_t(i * 7);
        }
        view.setPalette(palette);
        view.setFrame(frame);
        view.renderFrame();
        ViewGeometry geometry = view.viewGeometry();
        const QImage& expected = geometry.scaled(view.shownImage());
        const QRect area(geometry.marginX, geometry.marginY, geometry.areaWidth, geometry.areaHeight);
        // Rectangles of a partial repaint, away from the hottest pixel's marker at (0, 0), their
        // edges inside runs of a picture pixel, one across the right margin into the picture.
        const QRegion part = QRegion(area.adjusted(50, 30, -409, -300)) + QRegion(area.adjusted(503, 350, -29, -10)) +
                             QRect(area.right() - 40, 100, 100, 50);
        const QPoint corner = part.boundingRect().topLeft(), offset(37, 21);
        for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
            QImage painted(1100, 700, format);
            painted.fill(Qt::black);
            view.render(&painted, offset, part);
            int wrong = 0, touched = 0;
            for (int y = 0; y < painted.height(); ++y)
                for (int x = 0; x < painted.width(); ++x) {
                    const QPoint widget = QPoint(x, y) - offset + corner; // the region's corner lands at the offset
                    if (part.contains(widget))
                        wrong += painted.pixel(x, y) != (area.contains(widget) ? expected.pixel(widget - area.topLeft())
                                                                                : qRgb(0, 21, 42)); // the margin's
                    else
                        touched += painted.pixel(x, y) != qRgb(0, 0, 0);
                }
            EXPECT_EQ(wrong, 0) << format;
            EXPECT_EQ(touched, 0) << format;
        }
    }
}

// A frame repaints the picture and the readings' markers and labels around it, not the
// margins, and what the window shows stays what a whole repaint shows: after a marker and a
// label out in a margin, after they have gone again, after the notice of a lost camera, after
// a chart whose number lay in a margin was closed.
TEST(ViewRepaint, FramesLeaveTheFarMarginsAloneAndTheWindowTrue)
{
    ViewPort view;
    view.resize(1000, 24); // a picture 32 x 24 in the middle: a label does not fit beside its marker
    view.setCameraGeometry(W, H, 15);
    uint8_t palette[768] = {};
    view.setPalette(palette);
    PaintRecorder recorder;
    view.installEventFilter(&recorder);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const auto settle = [&] {
        recorder.painted.clear();
        for (int i = 0; i < 3; ++i) // a label found beyond the repainted region comes in a second paint
            QCoreApplication::processEvents();
        const QRegion painted = recorder.painted[&view];
        recorder.painted.clear();
        QCoreApplication::processEvents();
        EXPECT_TRUE(recorder.painted[&view].isEmpty()) << "the paints end until something changes";
        return painted;
    };
    const auto showHottestAt = [&](int x) {
        auto frame = flatFrame(W, H, 25.0f);
        setHottest(*frame, x, H / 2, 1170.0f); // a wide label
        view.setFrame(frame);
        view.renderFrame();
        return settle();
    };
    const auto windowIsTrue = [&] {
        const QImage shown = view.screen()->grabWindow(view.winId()).toImage().convertToFormat(QImage::Format_RGB32);
        return shown == view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QPoint farLeft(5, 12), farRight(995, 12);
    showHottestAt(W / 2);
    const QRegion plain = showHottestAt(W / 2);
    EXPECT_TRUE(plain.contains(view.imageToWidget(QPoint(0, 0))) && plain.contains(view.imageToWidget(QPoint(W - 1, H - 1))));
    EXPECT_FALSE(plain.contains(farLeft) || plain.contains(farRight)) << "the margins are left alone";

    showHottestAt(W - 1); // its marker and label right of the picture
    const QImage out = view.grab().toImage();
    ASSERT_GT(brightPixels(out, QRect(view.imageToWidget(QPoint(W - 1, 0)).x() + 50, 0, 60, 24)), 20) << "a label far out";
    EXPECT_TRUE(windowIsTrue()) << "the label out in the margin is shown whole";
    showHottestAt(W - 1);
    EXPECT_TRUE(windowIsTrue()) << "and repainted with the next frame";
    showHottestAt(W - 9); // a pixel of the view to the left and back: partly where it was
    EXPECT_TRUE(windowIsTrue()) << "moved";
    showHottestAt(W - 1);
    EXPECT_TRUE(windowIsTrue()) << "moved back";
    showHottestAt(0);
    EXPECT_TRUE(windowIsTrue()) << "its place is cleared when it has gone";
    EXPECT_FALSE(showHottestAt(0).contains(farRight)) << "and then left alone";

    view.showNoCamera();
    settle();
    EXPECT_TRUE(showHottestAt(0).contains(farLeft)) << "the first frame after the notice covers it whole";
    EXPECT_TRUE(windowIsTrue());

    view.resize(1000, 240); // room for a chart, whose number goes right of the picture
    showHottestAt(0);
    const ViewGeometry& geometry = view.viewGeometry();
    const QRect picture(geometry.marginX, geometry.marginY, geometry.areaWidth, geometry.areaHeight);
    view.armChartRectTool();
    QTest::mousePress(&view, Qt::LeftButton, {}, view.imageToWidget(QPoint(200, 40)));
    QMouseEvent stretch(QEvent::MouseMove, view.imageToWidget(QPoint(W - 1, 120)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &stretch);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, view.imageToWidget(QPoint(W - 1, 120)));
    showHottestAt(0);
    ASSERT_GT(brightPixels(view.grab().toImage(), QRect(picture.right() + 17, 0, 40, 240)), 5) << "the chart's number";
    view.closeChart(0);
    showHottestAt(0);
    EXPECT_TRUE(windowIsTrue()) << "a closed chart's number is gone";
}

TEST_F(View, SearchAndChartRectanglesFromTheSameDrag)
{
    view.armSearchRectTool();
    drag(at(10, 10), at(20, 15));
    ASSERT_EQ(view.searchRegionList().size(), 1);
    EXPECT_EQ(view.searchRegionList()[0], QRect(10, 10, 18, 13)) << "8 pixels larger than the span";
    EXPECT_EQ(view.armedTool(), ViewPort::Tool::None);
    view.armSearchRectTool();
    drag(at(W - 20, H - 10), at(W - 1, H - 1));
    ASSERT_EQ(view.searchRegionList().size(), 2);
    EXPECT_EQ(view.searchRegionList()[1], QRect(W - 20, H - 10, 20, 10)) << "no larger than the frame";

    view.armChartRectTool();
    drag(at(10, 10), at(20, 15));
    ASSERT_NE(view.chart(0), nullptr);
    EXPECT_EQ(view.chart(0)->referenceRect(), QRect(10, 10, 10, 5));
    EXPECT_TRUE(view.chart(0)->isSingleSeries());
}

// A rectangle drawn across the middle keeps its shape on the board where most of it lies, with
// its twin on the other; one wider than a board is refused, visibly; a drag without width
// draws nothing and says nothing.
TEST_F(View, BoardCompareChartsLieWhollyOnOneBoardAndGetAShiftedTwin)
{
    view.setBoardCompare(true);
    QSignalSpy refused(&view, &ViewPort::regionRefused);
    struct Case
    {
        int from, to;  // dragged columns, W = 256
        QRect reference; // expected, rows 40..59
        int refusals;  // so far
    } cases[] = {{100, 140, QRect(88, 40, 40, 20), 0},
                 {110, 170, QRect(0, 40, 60, 20), 0},
                 {30, 200, QRect(), 1},
                 {60, 60, QRect(), 1}};
    for (const Case& c : cases) {
        view.armChartRectTool();
        drag(at(c.from, 40), at(c.to, 60));
        EXPECT_EQ(refused.count(), c.refusals) << c.from << ".." << c.to;
        if (c.reference.isNull()) {
            EXPECT_EQ(view.chart(2), nullptr) << "no region";
            continue;
        }
        chartDialog* chart = nullptr;
        for (int slot = 0; slot < 3; ++slot)
            if (view.chart(slot) && view.chart(slot)->referenceRect() == c.reference)
                chart = view.chart(slot);
        ASSERT_NE(chart, nullptr) << c.from << ".." << c.to;
        EXPECT_EQ(chart->testRect(), c.reference.translated(128, 0));
        EXPECT_FALSE(chart->isSingleSeries());
    }
    view.armChartRectTool();
    QTest::mousePress(&view, Qt::LeftButton, {}, at(200, 40));
    EXPECT_EQ(view.armedTool(), ViewPort::Tool::None) << "a press right of the middle disarms";
}

TEST_F(View, ThreeRegionsAndThreeChartsAtMostAndTheLowestFreeSlotIsReused)
{
    for (int i = 0; i < 3; ++i) {
        view.armSearchRectTool();
        drag(at(10 + 20 * i, 10), at(15 + 20 * i, 15));
        view.armChartRectTool();
        drag(at(10 + 20 * i, 100), at(15 + 20 * i, 110));
    }
    view.armSearchRectTool();
    EXPECT_EQ(view.armedTool(), ViewPort::Tool::None);
    view.armChartRectTool();
    EXPECT_EQ(view.armedTool(), ViewPort::Tool::None);
    view.closeChart(1);
    QApplication::processEvents();
    view.armPolygonTool();
    ASSERT_EQ(view.armedTool(), ViewPort::Tool::Polygon);
    for (QPoint p : {at(100, 100), at(140, 100), at(120, 150)})
        click(p);
    click(at(120, 150), Qt::RightButton);
    ASSERT_NE(view.chart(1), nullptr);
    EXPECT_EQ(view.chart(1)->referencePolygon().size(), 3);
    EXPECT_EQ(view.chart(1)->windowTitle().isEmpty(), true);
    EXPECT_EQ(view.chart(1)->findChild<QLabel*>("title")->text(), "#2");
}

TEST_F(View, PolygonsNeedThreeVertices)
{
    view.armPolygonTool();
    click(at(100, 100));
    click(at(140, 100));
    QTest::mouseDClick(&view, Qt::LeftButton, {}, at(140, 100));
    EXPECT_EQ(view.chart(0), nullptr);
    EXPECT_EQ(view.armedTool(), ViewPort::Tool::None);
}

TEST_F(View, MovingKeepsRegionsInsideAndResizingFlips)
{
    view.armSearchRectTool();
    drag(at(100, 50), at(120, 70)); // (100, 50, 28, 28)
    ASSERT_EQ(view.searchRegionList()[0], QRect(100, 50, 28, 28));

    // Selected, its left edge dragged 40 pixels right, past the right edge: it flips.
    click(at(110, 60));
    ASSERT_TRUE(view.currentSelection().active);
    drag(at(100, 64), at(140, 64));
    EXPECT_EQ(view.searchRegionList()[0], QRect(128, 50, 12, 28));

    // Moved far right it stops with its left edge at W - 1 - width.
    drag(at(132, 60), at(255, 60));
    EXPECT_EQ(view.searchRegionList()[0].left(), W - 1 - 12);
    EXPECT_EQ(view.searchRegionList()[0].width(), 12);
}

TEST_F(View, PointsLabelsAndResets)
{
    view.armPointTool();
    click(at(0, 50));
    ASSERT_EQ(view.measurementPoints().size(), 1) << "column 0 is a column like the others";
    EXPECT_EQ(view.measurementPoints()[0], QPoint(0, 50));
    view.armPointTool();
    click(at(60, 100));
    ASSERT_EQ(view.measurementPoints().size(), 2);
    EXPECT_EQ(view.measurementPoints()[1], QPoint(60, 100));
    view.setOrientation(90, true, false);
    view.resetModes();
    EXPECT_EQ(view.measurementPoints().size(), 2) << "points survive a mode change";
    view.resetAll();
    EXPECT_TRUE(view.measurementPoints().isEmpty());
    EXPECT_EQ(view.viewGeometry().rotation, 0);
    EXPECT_FALSE(view.viewGeometry().mirrorH);
}

TEST_F(View, RegionFindAddsTheMiddleNinthAndGreysTheRest)
{
    view.setRegionFind(true);
    ASSERT_EQ(view.searchRegionList().size(), 1);
    EXPECT_EQ(view.searchRegionList()[0], QRect(W / 3, H / 3, W / 3, H / 3));
}

TEST_F(View, MouseReadoutFollowsThePointer)
{
    move(at(60, 100));
    EXPECT_EQ(view.hoverPosition(), QPoint(60, 100));
    view.clearHover();
    EXPECT_EQ(view.hoverPosition(), QPoint(-1, -1));
    // A painted frame with every overlay kind does not trip over anything.
    view.armPointTool();
    click(at(60, 100));
    view.setBoardCompare(true);
    view.armPolygonTool();
    for (QPoint p : {at(10, 10), at(40, 10), at(20, 40)})
        click(p);
    click(at(20, 40), Qt::RightButton);
    ASSERT_NE(view.chart(0), nullptr);
    // The frame is black: the polygon's outline and its twin right of the middle show.
    const QImage shown = view.grab().toImage();
    EXPECT_GT(brightPixels(shown, QRect(at(10, 10), at(40, 40))), 20);
    EXPECT_GT(brightPixels(shown, QRect(at(10 + W / 2, 10), at(40 + W / 2, 40))), 20);
}

TEST_F(View, AFrameOfAnotherSizeKeepsWhatFitsAndDropsTheRest)
{
    view.armPointTool();
    click(at(50, 50));
    view.armPointTool();
    click(at(200, 150));
    view.armSearchRectTool();
    drag(at(100, 90), at(192, 142)); // (100, 90, 100, 60)
    view.armSearchRectTool();
    drag(at(170, 130), at(182, 142)); // entirely below and right of 160 x 120
    view.armChartRectTool();
    drag(at(10, 10), at(50, 40));
    view.armPolygonTool();
    for (QPoint p : {at(20, 60), at(200, 150), at(30, 100)})
        click(p);
    click(at(30, 100), Qt::RightButton);
    view.armChartRectTool();
    drag(at(150, 100), at(200, 150));
    ASSERT_EQ(view.measurementPoints().size(), 2);
    ASSERT_EQ(view.searchRegionList().size(), 2);
    ASSERT_TRUE(view.chart(0) && view.chart(1) && view.chart(2));
    move(at(120, 20));
    ASSERT_EQ(view.hoverPosition(), QPoint(120, 20));

    // The camera announced 256 x 192 but another delivers 160 x 120: its frames rule.
    auto small = flatFrame(160, 120, 30.0f);
    setHottest(*small, 159, 119, 55.0f);
    view.setFrame(small);
    view.renderFrame();
    EXPECT_EQ(view.frameSize(), QSize(160, 120));
    EXPECT_EQ(view.measurementPoints(), QVector<QPoint>({QPoint(50, 50)}));
    EXPECT_EQ(view.searchRegionList(), QVector<QRect>({QRect(100, 90, 60, 30)}));
    EXPECT_EQ(view.chart(0)->referenceRect(), QRect(10, 10, 40, 30));
    EXPECT_EQ(view.chart(1), nullptr) << "a polygon reaching outside is closed";
    EXPECT_EQ(view.chart(2)->referenceRect(), QRect(150, 100, 10, 20));
    EXPECT_EQ(view.hoverPosition(), QPoint(-1, -1));
    QApplication::processEvents();
    view.chart(2)->handleTimeout();
    EXPECT_FLOAT_EQ(float(view.chart(2)->referenceSeries().last().y()), 55.0f) << "sampled from the new frame";
    EXPECT_EQ(view.shownImage().size(), QSize(160, 120));
    // Back and forth many times with overlays painted: every read stays inside the frame
    // (AddressSanitizer builds watch this).
    for (int swap = 0; swap < 50; ++swap) {
        auto frame = swap % 2 ? flatFrame(160, 120, 30.0f) : flatFrame(W, H, 25.0f);
        view.setFrame(frame);
        view.renderFrame();
        view.armPointTool();
        click(at(40 + swap, 40));
        move(at(100, 60));
        view.grab();
        view.chart(0)->handleTimeout();
    }
    EXPECT_EQ(view.frameSize(), QSize(160, 120));
}

TEST_F(View, NoCameraHidesEveryReadoutUntilTheNextFrame)
{
    move(at(60, 100));
    ASSERT_EQ(view.hoverPosition(), QPoint(60, 100));
    const QPoint hot = view.imageToWidget(QPoint(60, 100));
    const QRect label(hot.x(), hot.y() + 4, 80, 30);
    ASSERT_GT(brightPixels(view.grab().toImage(), label), 40) << "the hottest point is labelled";

    view.showNoCamera();
    EXPECT_EQ(view.hoverPosition(), QPoint(-1, -1));
    move(at(61, 100));
    EXPECT_EQ(view.hoverPosition(), QPoint(-1, -1)) << "no readout of temperatures that are gone";
    EXPECT_TRUE(std::isnan(view.regionAverage(QRect(0, 0, W, H))));
    const QImage shown = view.grab().toImage();
    EXPECT_EQ(brightPixels(shown, label), 0) << "no label";
    EXPECT_GT(brightPixels(shown, QRect(0, 300, 1024, 160)), 100) << "the notice in the middle";

    view.setFrame(flatFrame(W, H, 25.0f));
    EXPECT_FALSE(view.noCameraShown());
    move(at(62, 100));
    EXPECT_EQ(view.hoverPosition(), QPoint(62, 100));
}

TEST(ChartWidgetRange, RoundsThePeakUp)
{
    ChartWidget chart;
    chart.setYTop(39);
    EXPECT_EQ(chart.yMaximum(), 50);
    chart.setYTop(40);
    EXPECT_EQ(chart.yMaximum(), 60);
    chart.setYTop(57);
    EXPECT_EQ(chart.yMaximum(), 70);
    chart.setUnit("F");
    EXPECT_EQ(chart.yMinimum(), 32);
    EXPECT_EQ(chart.yMaximum(), 70 * 1.8 + 32);
}

TEST(ChartWidgetLine, SamplesWithoutAValueAreNotDrawnAsADiveToTheAxis)
{
    ChartWidget chart;
    chart.setReferenceData({QPointF(597, -274.0), QPointF(598, std::nan("")), QPointF(599, 41.5), QPointF(600, 42.0)});
    const QVector<QPointF> drawn = chart.referenceLinePoints();
    ASSERT_EQ(drawn.size(), 2);
    EXPECT_EQ(drawn[0], QPointF(599, 41.5));
}

TEST_F(View, ChartsSampleTheLastMinuteAndSurviveEmptyPolygons)
{
    view.armPolygonTool();
    // A polygon that contains no pixel: its average is not a number.
    for (QPoint p : {at(10, 10), at(10, 10), at(10, 10)})
        click(p);
    click(at(10, 10), Qt::RightButton);
    chartDialog* chart = view.chart(0);
    ASSERT_NE(chart, nullptr);
    chart->findChild<QPushButton*>("aveTemp")->click();
    for (int i = 0; i < 700; ++i)
        chart->handleTimeout(); // 70 seconds of samples
    const QVector<QPointF>& series = chart->referenceSeries();
    ASSERT_EQ(series.size(), chartDialog::kSamples);
    EXPECT_EQ(series.first().x(), 0);
    EXPECT_EQ(series.last().x(), 600);
    EXPECT_TRUE(std::isnan(series.last().y()));
    EXPECT_TRUE(chart->testSeries().isEmpty()) << "one series only outside board compare";
    // The empty region still carries its number beside it.
    EXPECT_GT(brightPixels(view.grab().toImage(), QRect(at(10, 10) - QPoint(0, 20), QSize(30, 24))), 5);
}

// Both quantities are sampled all along: switching shows the other one's whole minute, never
// the two mixed in one line, and nothing that was not measured.
TEST_F(View, ChartsKeepMaximumAndAverageApartAndKeepSamplingWhilePaused)
{
    view.armChartRectTool();
    drag(at(50, 90), at(70, 110)); // holds the 70 degree pixel on a 25 degree bench
    chartDialog* chart = view.chart(0);
    ASSERT_NE(chart, nullptr);
    chart->findChild<QPushButton*>("pause")->click();
    for (int i = 0; i < 100; ++i)
        chart->handleTimeout();
    EXPECT_TRUE(chart->isPaused());
    ASSERT_EQ(chart->referenceSeries().size(), 100) << "every sample taken while paused, and no other";
    for (const QPointF& p : chart->referenceSeries())
        ASSERT_FLOAT_EQ(float(p.y()), 70.0f);
    chart->findChild<QPushButton*>("aveTemp")->click();
    const float average = view.regionAverage(chart->referenceRect());
    ASSERT_EQ(chart->referenceSeries().size(), 100);
    for (const QPointF& p : chart->referenceSeries())
        ASSERT_FLOAT_EQ(float(p.y()), average);
    EXPECT_LT(average, 26.0f);
}

} // namespace

namespace {

TEST_F(View, TheDeleteIconRemovesTheSelectedObject)
{
    view.armPointTool();
    click(at(60, 100));
    click(at(60, 100)); // selects it
    ASSERT_TRUE(view.currentSelection().active);
    view.grab(); // painting places the delete icon
    const QRect icon = view.deleteIconRect();
    ASSERT_FALSE(icon.isEmpty());
    click(icon.center());
    EXPECT_TRUE(view.measurementPoints().isEmpty());
    EXPECT_FALSE(view.currentSelection().active);
}

TEST_F(View, ChartInSlotThreeIsNumberThreeAndScreenshotsAreSaved)
{
    for (int i = 0; i < 3; ++i) {
        view.armChartRectTool();
        drag(at(20 + 70 * i, 80), at(70 + 70 * i, 120));
    }
    ASSERT_NE(view.chart(2), nullptr);
    EXPECT_EQ(view.chart(2)->findChild<QLabel*>("title")->text(), "#3");
    view.armSearchRectTool();
    drag(at(30, 20), at(60, 50));
    view.armPointTool();
    click(at(120, 160));
    for (int i = 0; i < 30; ++i)
        view.chart(0)->handleTimeout();
    // For a person to look at: the view with its overlays and a chart.
    QDir().mkpath("screenshots");
    const QPixmap shot = view.grab();
    ASSERT_TRUE(shot.save("screenshots/view_overlays.png"));
    ASSERT_TRUE(view.chart(0)->grab().save("screenshots/chart.png"));
    // The frame is black (an all-black palette): what is not black is overlay. The point's
    // blue marker and its label sit where they belong.
    const QImage image = shot.toImage();
    const QPoint point = view.imageToWidget(QPoint(120, 160));
    EXPECT_EQ(image.pixelColor(point + QPoint(-4, 0)), QColor(Qt::blue));
    int labelPixels = 0;
    for (int y = point.y() + 8; y < point.y() + 26; ++y)
        for (int x = point.x() + 4; x < point.x() + 60; ++x)
            labelPixels += image.pixelColor(x, y).lightness() > 200;
    EXPECT_GT(labelPixels, 40);
}

} // namespace
