// The settings dialog on the running program with a virtual camera: a new emissivity reaches
// the camera and moves the hottest temperature as radiometry says it must.
#include "livewindow.h"
#include "settingdialog.h"

#include <QLineEdit>
#include <QPushButton>

#include <cmath>

namespace {

const auto* environment = AppDirEnvironment::install();

// Radiance of a black body over the 8-14 um band (arbitrary units), by Simpson's rule.
double bandRadiance(double kelvin)
{
    const double c1 = 1.191042e8, c2 = 1.4387752e4; // W um^4 / (m^2 sr), um K
    const int steps = 600;
    const double from = 8.0, to = 14.0, h = (to - from) / steps;
    double sum = 0.0;
    for (int i = 0; i <= steps; ++i) {
        const double lambda = from + i * h;
        const double value = c1 / (std::pow(lambda, 5) * (std::exp(c2 / (lambda * kelvin)) - 1.0));
        sum += value * (i == 0 || i == steps ? 1 : (i % 2 ? 4 : 2));
    }
    return sum * h / 3.0;
}

// The temperature a camera set to emissivity e reports for a black body at `celsius` in front
// of surroundings at `reflected`: e L(T) + (1 - e) L(Tr) = L(true).
double reading(double celsius, double e, double reflected)
{
    const double target = (bandRadiance(celsius + 273.15) - (1.0 - e) * bandRadiance(reflected + 273.15)) / e;
    double low = 200.0, high = 1200.0;
    for (int i = 0; i < 100; ++i) {
        const double middle = (low + high) / 2;
        (bandRadiance(middle) < target ? low : high) = middle;
    }
    return (low + high) / 2 - 273.15;
}

class SettingsLive : public LiveWindow
{
protected:
    void TearDown() override
    {
        gProductName = QStringLiteral("Orvik");
        LiveWindow::TearDown();
    }
    float hottestAfterSettling()
    {
        QTest::qWait(1500);
        return view->regionMaximum(QRect(QPoint(0, 0), view->frameSize())).value;
    }
};

TEST_F(SettingsLive, ALowerEmissivityRaisesAWarmSurfacesReadingByTheRadiometricAmount)
{
    ASSERT_TRUE(openWith("Vesk_R_M serial=EMISS1 scene=hotspot hot=80 hotx=0.5019607843 hoty=0.5026178010 ambient=25 netd=0 fps=25\n", "Vesk_R_M",
                         QSize(256, 192)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->deviceManagerForTests()->isConnected(); }, 5000));
    const float before = hottestAfterSettling();
    ASSERT_NEAR(before, 80.0f, 0.5f) << "a black body read at emissivity 1";

    // The correction group is offered with the dual-light product only.
    gProductName = QStringLiteral("Veltrace");
    settingDialog dialog(window.get(), window.get());
    dialog.findChild<QLineEdit*>("emission")->setText("0.80");
    QTest::mouseClick(dialog.findChild<QPushButton*>("apply"), Qt::LeftButton);
    const float after = hottestAfterSettling();
    const double expected = reading(before, 0.80, 25.0);
    RecordProperty("hottest_at_0_80", std::to_string(after));
    RecordProperty("radiometric_expectation", std::to_string(expected));
    EXPECT_GT(after, before + 5.0f) << "a lower emissivity reads a warm surface warmer";
    EXPECT_NEAR(after, expected, 1.5) << "within the band model's reach";
}

} // namespace
