// The live path through the real main window with virtual cameras: cameras of two sizes
// swapped back and forth under measurement objects, and a camera that goes away.
#include "tests/support/livewindow.h"
#include "view/chartdialog.h"
#include "view/thermometer.h"

#include <QLabel>

#include <cmath>

namespace {

const auto* environment = AppDirEnvironment::install();

class LivePath : public LiveWindow
{
protected:
    // A point, a search region, a rectangle chart and a polygon chart near the far corner of
    // the frame, where a smaller frame ends; and the pointer over the image.
    void placeObjects(const QSize& frame)
    {
        const int x = frame.width() - 30, y = frame.height() - 30;
        view->armPointTool();
        clickImage(QPoint(x + 20, y + 20));
        view->armSearchRectTool();
        dragImage(QPoint(x, y), QPoint(x + 15, y + 15));
        view->armChartRectTool();
        dragImage(QPoint(x - 20, y - 20), QPoint(x + 25, y + 25));
        view->armPolygonTool();
        for (QPoint p : {QPoint(x, 10), QPoint(x + 25, 20), QPoint(x + 5, y + 25)})
            clickImage(p);
        clickImage(QPoint(x + 5, y + 25), Qt::RightButton);
        QMouseEvent hover(QEvent::MouseMove, view->imageToWidget(QPoint(x + 10, y + 25)), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(view, &hover);
    }
};

TEST_F(LivePath, FiftySwapsOfCamerasOfTwoSizesUnderMeasurementObjects)
{
    options.loopIntervalMs = 20;
    tcsim::setRegistryText("Vesk_R_S serial=SWAPSMALL fps=50\n");
    open();
    report("Vesk_R_S");
    ASSERT_TRUE(showsFramesOf(QSize(160, 120)));
    for (int swap = 0; swap < 50; ++swap) {
        const bool toLarge = swap % 2 == 0;
        const QSize before = toLarge ? QSize(160, 120) : QSize(256, 192);
        const QSize after = toLarge ? QSize(256, 192) : QSize(160, 120);
        placeObjects(before);
        ASSERT_FALSE(view->measurementPoints().isEmpty());
        ASSERT_FALSE(view->searchRegionList().isEmpty());
        ASSERT_TRUE(view->chart(0) != nullptr);
        for (int slot = 0; slot < ViewPort::kChartSlots; ++slot)
            if (view->chart(slot))
                view->chart(slot)->handleTimeout();
        // One camera out and the other in, in one change.
        tcsim::setRegistryText(toLarge ? "Vesk_R_M serial=SWAPLARGE fps=50\n" : "Vesk_R_S serial=SWAPSMALL fps=50\n");
        report(toLarge ? "Vesk_R_M" : "Vesk_R_S");
        ASSERT_TRUE(showsFramesOf(after)) << "swap " << swap;
        view->grab(); // paints every overlay over the new frame
        for (int slot = 0; slot < ViewPort::kChartSlots; ++slot)
            if (view->chart(slot))
                view->chart(slot)->handleTimeout();
        const QRect image(QPoint(0, 0), after);
        for (const QPoint& point : view->measurementPoints())
            ASSERT_TRUE(image.contains(point)) << "swap " << swap;
        for (const QRect& region : view->searchRegionList())
            ASSERT_TRUE(image.contains(region)) << "swap " << swap;
        for (int slot = 0; slot < ViewPort::kChartSlots; ++slot) {
            if (!view->chart(slot))
                continue;
            const QPolygon polygon(view->chart(slot)->referencePolygon());
            ASSERT_TRUE(image.contains(polygon.isEmpty() ? view->chart(slot)->referenceRect() : polygon.boundingRect()))
                << "swap " << swap << " chart " << slot;
        }
        if (swap % 10 == 9)
            view->resetAll(); // room for new objects
    }
}

TEST_F(LivePath, AnUnpluggedCameraShowsTheNoCameraStateWithinASecond)
{
    tcsim::setRegistryText("Vesk_R_M serial=GONE fps=25\n");
    open();
    report("Vesk_R_M");
    ASSERT_TRUE(showsFramesOf(QSize(256, 192)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->form().connectHint->text() == QString::fromUtf8("设备已连接"); }, 5000));
    tcsim::setRegistryText("");
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->noCameraShown(); }, 1000));
    EXPECT_EQ(window->form().connectHint->text(), QString::fromUtf8("设备未连接"));
    EXPECT_TRUE(std::isnan(view->regionAverage(QRect(0, 0, 256, 192))));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->form().deviceId->text().isEmpty(); }, 1000));
}

} // namespace
