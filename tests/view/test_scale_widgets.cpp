#include "tests/support/paintrecorder.h"
#include "view/alertbox.h"
#include "view/horrangerslider.h"
#include "view/scaletext.h"
#include "view/thermometer.h"
#include "view/verrangerslider.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

void mouse(QWidget& w, QEvent::Type type, const QPoint& p, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent event(type, p, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

TEST(VerRangerSlider, LeakModePlacesTheWindowAroundTheHottestPixel)
{
    VerRangerSlider slider;
    slider.resize(70, 436);
    slider.setUnitAndQuickFindRange("C", 0, 150);
    slider.setFrameRange(20.0f, 60.0f);
    slider.setLeakMode(true);
    EXPECT_FLOAT_EQ(slider.lowFraction(), 58.0f / 150);
    EXPECT_FLOAT_EQ(slider.highFraction(), 61.0f / 150);
    // For the image the window is re-expressed in the frame's span (20..60).
    EXPECT_NEAR(slider.lowWindowFraction(), (58.0 - 20) / 40, 1e-5);
    EXPECT_NEAR(slider.highWindowFraction(), (61.0 - 20) / 40, 1e-5);
    // A new quick-find range keeps the handles' temperatures.
    slider.setQuickFindRange(0, 100);
    EXPECT_NEAR(slider.temperatureAt(slider.lowFraction()), 58.0, 1e-4);
    EXPECT_NEAR(slider.temperatureAt(slider.highFraction()), 61.0, 1e-4);
    slider.setFrameRange(30.0f, 30.0f);
    EXPECT_EQ(slider.highWindowFraction(), 1.0f) << "a negligible frame span";
    EXPECT_EQ(slider.lowWindowFraction(), 0.0f);
    slider.setLeakMode(false);
    EXPECT_EQ(slider.lowFraction(), 0.0f);
    EXPECT_EQ(slider.highFraction(), 1.0f);
}

TEST(VerRangerSlider, WindowFractionsAndKeyboardSteps)
{
    VerRangerSlider slider;
    slider.resize(70, 436);
    slider.setFrameRange(20.0f, 40.0f);
    slider.setFractions(0.25f, 0.75f);
    EXPECT_EQ(slider.lowWindowFraction(), 0.25f);
    EXPECT_FLOAT_EQ(slider.temperatureAt(slider.lowFraction()), 25.0f);
    EXPECT_FLOAT_EQ(slider.temperatureAt(slider.highFraction()), 35.0f);
    slider.nudge(true);
    EXPECT_NEAR(slider.temperatureAt(slider.lowFraction()), 25.2, 1e-4);
    slider.nudgeBoth(true);
    EXPECT_NEAR(slider.temperatureAt(slider.highFraction()), 35.2, 1e-4);
    EXPECT_NEAR(slider.highFraction() - slider.lowFraction(), 0.49f, 1e-5) << "the width is kept";
    slider.setFractions(0.5f, 1.0f);
    slider.nudgeBoth(true);
    EXPECT_EQ(slider.highFraction(), 1.0f) << "at the top it stays";
    EXPECT_FLOAT_EQ(slider.lowFraction(), 0.5f);
    slider.setFrameRange(30.0f, 30.0f);
    slider.nudge(false);
    EXPECT_FLOAT_EQ(slider.lowFraction(), 0.5f) << "no span, no step";
}

TEST(VerRangerSlider, DraggingTheUpperKnobMovesTheHighHandle)
{
    VerRangerSlider slider;
    slider.resize(70, 436); // bar 400 pixels
    slider.setFrameRange(20.0f, 40.0f);
    slider.grab(); // paints, which lays out the knobs
    mouse(slider, QEvent::MouseButtonPress, QPoint(24, 9));
    mouse(slider, QEvent::MouseMove, QPoint(24, 118), Qt::LeftButton);
    EXPECT_NEAR(slider.highFraction(), 1.0 - 100.0 / 400, 1e-5);
    mouse(slider, QEvent::MouseButtonRelease, QPoint(24, 118), Qt::NoButton);
}

TEST(HorRangerSlider, HandlesStayTwentyApart)
{
    HorRangerSlider slider;
    slider.resize(180, 30); // usable 160 pixels over -10..150: one degree per pixel
    EXPECT_EQ(slider.minimumValue(), -10);
    EXPECT_EQ(slider.maximumValue(), 150);
    int lastLow = 0, lastHigh = 0;
    slider.setValuesChanged([&](int low, int high) {
        lastLow = low;
        lastHigh = high;
    });
    slider.setValues(20, 60);
    slider.grab();
    mouse(slider, QEvent::MouseButtonPress, QPoint(10 + 30 - 5, 10)); // the left handle
    mouse(slider, QEvent::MouseMove, QPoint(10 + 65, 10), Qt::LeftButton); // 55: within 20 of 60
    EXPECT_EQ(slider.lowValue(), 55);
    EXPECT_EQ(slider.highValue(), 75) << "the high handle is pushed up";
    EXPECT_EQ(lastLow, 55);
    EXPECT_EQ(lastHigh, 75);
    mouse(slider, QEvent::MouseButtonRelease, QPoint(10 + 65, 10), Qt::NoButton);

    slider.setValues(110, 140);
    slider.grab();
    mouse(slider, QEvent::MouseButtonPress, QPoint(10 + 120 - 5, 10));
    mouse(slider, QEvent::MouseMove, QPoint(10 + 145, 10), Qt::LeftButton); // 135 pushes high past 150
    EXPECT_EQ(slider.highValue(), 150);
    EXPECT_EQ(slider.lowValue(), 130) << "at the maximum the pair stays 20 apart";
}

TEST(ThermoMeter, LeakModeMarkersFollowTheExtremes)
{
    ThermoMeter meter;
    meter.resize(70, 428); // bar 400 pixels
    meter.setUnitAndQuickFindRange("C", 0, 100);
    meter.setFrameRange(25.0f, 60.0f);
    meter.setLeakMode(true);
    meter.grab();
    EXPECT_EQ(meter.maxMarker(), 428 - 14 - 240);
    EXPECT_EQ(meter.minMarker(), 428 - 14 - 100);
    meter.setFrameRange(25.0f, 120.0f); // above the scale: no marker
    meter.grab();
    EXPECT_EQ(meter.maxMarker(), -1);
    meter.setLeakMode(false);
    meter.grab();
    EXPECT_EQ(meter.maxMarker(), -1);
}

// A new frame repaints only the readings of the thermometer and the slider that change, and the
// window then shows what a full repaint draws: no reading is left half overwritten.
TEST(ScaleWidgets, ANewFrameRepaintsOnlyTheChangedReadings)
{
    QWidget window;
    window.resize(160, 440);
    auto* meter = new ThermoMeter(&window);
    meter->setGeometry(0, 0, 70, 428);
    auto* slider = new VerRangerSlider(&window);
    slider->setGeometry(80, 0, 70, 436);
    slider->setFractions(0.3f, 0.8f);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    PaintRecorder recorder;
    meter->installEventFilter(&recorder);
    slider->installEventFilter(&recorder);
    const auto shownIsFresh = [&window] {
        const QImage shown = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
        return shown == window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    const struct
    {
        float low, high;
        bool meterPainted, sliderPainted;
    } frames[] = {
        {20.0f, 60.0f, true, true}, {20.04f, 60.0f, false, false}, // every reading as it was
        {20.04f, 60.3f, true, true},  {19.1f, 60.3f, true, true},  {-274.0f, -274.0f, true, true},
        {25.0f, 25.0f, true, true},
    };
    for (const auto& f : frames) {
        SCOPED_TRACE(testing::Message() << f.low << " .. " << f.high);
        recorder.painted.clear();
        meter->setFrameRange(f.low, f.high);
        slider->setFrameRange(f.low, f.high);
        QTest::qWait(30);
        for (QWidget* w : {static_cast<QWidget*>(meter), static_cast<QWidget*>(slider)}) {
            const QRegion region = recorder.painted[w];
            EXPECT_EQ(!region.isEmpty(), w == meter ? f.meterPainted : f.sliderPainted) << w->metaObject()->className();
            EXPECT_LT(area(region), w->width() * w->height() / 4) << w->metaObject()->className();
        }
        EXPECT_TRUE(shownIsFresh());
    }
    // The same temperatures in another unit, which comes with the quick-find range.
    meter->setUnitAndQuickFindRange("F", 0, 150);
    slider->setUnitAndQuickFindRange("F", 0, 150);
    meter->setFrameRange(25.0f, 25.0f);
    slider->setFrameRange(25.0f, 25.0f);
    QTest::qWait(30);
    EXPECT_TRUE(shownIsFresh());
}

// A reading drawn from its laid-out text is what drawText writes in the scale's font, from a new
// layout and from the one kept. (That it lies in the band a change repaints, the widgets' test
// of their repaints shows.)
TEST(ScaleText, AReadingLooksAsWritten)
{
    ScaleText scaleText;
    const QPoint baseline(10, 30);
    QImage blank(120, 50, QImage::Format_RGB32);
    blank.fill(Qt::darkBlue);
    for (const char* text : {"36.5°C", "-40.0°F", "1234.5°C", "36.5°C"}) {
        SCOPED_TRACE(text);
        QImage written = blank.copy(), drawn = blank.copy();
        QPainter direct(&written);
        direct.setPen(QPen(Qt::white, 2));
        direct.setFont(scaleText.font());
        direct.drawText(baseline, QString::fromUtf8(text));
        direct.end();
        QPainter laidOut(&drawn);
        laidOut.setPen(QPen(Qt::white, 2));
        scaleText.draw(laidOut, baseline, QString::fromUtf8(text), blank.width());
        laidOut.end();
        EXPECT_EQ(drawn, written);
        EXPECT_NE(drawn, blank) << "a reading was drawn";
    }
    // With less room than the text needs, it is written smaller, whole, inside the room.
    for (const int room : {40, 36}) {
        SCOPED_TRACE(room);
        QImage drawn = blank.copy();
        QPainter painter(&drawn);
        painter.setPen(QPen(Qt::white, 2));
        scaleText.draw(painter, baseline, QString::fromUtf8("1071.8°F"), baseline.x() + room);
        painter.end();
        int left = drawn.width(), right = -1;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (drawn.pixel(x, y) != blank.pixel(x, y)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        EXPECT_GE(left, baseline.x());
        EXPECT_LE(right, baseline.x() + room);
        EXPECT_GT(right, baseline.x() + room * 3 / 4) << "the whole reading, not a part of it";
    }
}

// Ranges from damaged settings reach these widgets only after validation, but even the
// extremes of an int must not overflow their arithmetic (sanitizer builds watch this).
TEST(ThermoMeter, ExtremeRangesNeitherOverflowNorPlaceMarkers)
{
    ThermoMeter meter;
    meter.resize(70, 428);
    meter.setUnitAndQuickFindRange("C", INT_MIN, INT_MAX);
    meter.setFrameRange(25.0f, 60.0f);
    meter.setLeakMode(true);
    meter.grab();
    // The middle of a span of 4e9 degrees: both extremes sit half way up the bar.
    EXPECT_NEAR(meter.maxMarker(), 428 / 2, 2);
    EXPECT_EQ(meter.maxMarker(), meter.minMarker());
    meter.setUnitAndQuickFindRange("C", INT_MAX, INT_MIN); // upside down
    meter.grab();
    EXPECT_GE(meter.minMarker(), -1);
    EXPECT_LT(meter.minMarker(), 428);

    VerRangerSlider slider;
    slider.resize(60, 428);
    slider.setUnitAndQuickFindRange("C", INT_MIN, INT_MAX);
    slider.setFrameRange(25.0f, 60.0f);
    slider.setLeakMode(true);
    slider.grab();
    EXPECT_TRUE(std::isfinite(slider.temperatureAt(0.5f)));
}

TEST(AlertBox, FixedSizeAndBothButtonsClose)
{
    for (const char* button : {"ok", "cancel"}) {
        AlertBox box;
        EXPECT_EQ(box.size(), QSize(348, 263));
        EXPECT_EQ(box.findChild<QLabel*>("notFound")->text(), QString::fromUtf8("找不到文件夹路径"));
        box.show();
        box.findChild<QPushButton*>(button)->click();
        EXPECT_FALSE(box.isVisible());
    }
}

} // namespace
