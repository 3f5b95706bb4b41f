// The settings dialog on the running program with a virtual camera: a new emissivity reaches
// the camera and moves the hottest temperature as radiometry says it must.
#include "core/configmanager.h"
#include "sdk/virtual/serialresponder.h"
#include "sdk/virtual/tcsim.h"
#include "tests/support/livewindow.h"
#include "tools/settingdialog.h"

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

// Whatever the dialog and the settings file say is what the temperatures are computed with,
// after every OK, a restore, a reconnection and a restart (the dual-light camera, which cannot
// report its emissivity): a black body at 80 degC reads as radiometry says for each.
TEST_F(SettingsLive, TheEmissivityInUseIsTheOneTheSettingsHoldThroughEverything)
{
    gProductName = QStringLiteral("Veltrace");
    {
        QFile record(ConfigManager::getInstance()->storage().linkRecord);
        ASSERT_TRUE(record.open(QIODevice::WriteOnly));
        const std::vector<uint8_t> bytes = tcsim::SerialResponder::cameraRecord();
        record.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    }
    const char* line = "Bifold serial=EMSEQ scene=hotspot hot=80 hotx=0.5019607843 hoty=0.5026178010 ambient=25 netd=0\n";
    const auto connectedWithFrames = [&] {
        return QTest::qWaitFor([&] { return window->deviceManagerForTests()->isConnected(); }, 8000) &&
               showsFramesOf(QSize(800, 600));
    };
    ASSERT_TRUE(openWith(line, "Bifold", QSize(800, 600)));
    ASSERT_TRUE(connectedWithFrames());
    enum Action { Ok, Restore, Replug, Restart };
    const struct
    {
        Action action;
        float emissivity; // in use afterwards
    } steps[] = {{Ok, 0.95f}, {Ok, 0.98f}, {Ok, 0.5f}, {Restore, 1.0f}, {Ok, 0.9f}, {Replug, 0.9f}, {Restart, 0.9f}};
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << "step " << int(step.action) << " to " << step.emissivity);
        if (step.action == Ok || step.action == Restore) {
            settingDialog dialog(window.get(), window.get());
            if (step.action == Restore)
                QTest::mouseClick(dialog.findChild<QPushButton*>("defaultParam"), Qt::LeftButton);
            else
                dialog.findChild<QLineEdit*>("emission")->setText(QString::number(double(step.emissivity), 'f', 2));
            QTest::mouseClick(dialog.findChild<QPushButton*>("OK"), Qt::LeftButton);
        } else if (step.action == Replug) {
            tcsim::setRegistryText("");
            ASSERT_TRUE(QTest::qWaitFor([&] { return !window->deviceManagerForTests()->isConnected(); }, 5000));
            tcsim::setRegistryText(line);
            report("Bifold");
            ASSERT_TRUE(connectedWithFrames());
        } else {
            window.reset();
            open();
            report("Bifold");
            ASSERT_TRUE(connectedWithFrames());
        }
        EXPECT_NEAR(hottestAfterSettling(), reading(80.0, step.emissivity, 25.0), 0.5);
        EXPECT_FLOAT_EQ(ConfigManager::getInstance()->getSettingValue("emiss").toFloat(), step.emissivity);
        settingDialog shown(window.get(), window.get());
        EXPECT_FLOAT_EQ(shown.findChild<QLineEdit*>("emission")->text().toFloat(), step.emissivity) << "the dialog says so";
    }
    ConfigManager::getInstance()->setSettingValue("emiss", "1.0");
}

TEST_F(SettingsLive, ALowerEmissivityRaisesAWarmSurfacesReadingByTheRadiometricAmount)
{
    ASSERT_TRUE(openWith("Vesk_R_M serial=EMISS1 scene=hotspot hot=80 hotx=0.5019607843 hoty=0.5026178010 ambient=25 netd=0 fps=25\n", "Vesk_R_M",
                         QSize(256, 192)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->deviceManagerForTests()->isConnected(); }, 5000));
    const float before = hottestAfterSettling();
    ASSERT_NEAR(before, 80.0f, 0.5f) << "a black body read at emissivity 1";

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
