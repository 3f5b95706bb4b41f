// The main window's commands, keys, temperature alarm and diagnosis modes, driven with real
// clicks and keys on the real window. Frames are made up where a temperature must be exact,
// and come from virtual cameras where the device manager has to act on a camera.
#include "core/configmanager.h"
#include "tests/support/livewindow.h"
#include "tests/support/testframes.h"
#include "view/chartdialog.h"
#include "view/hot3dwidget.h"
#include "view/temphint.h"
#include "view/thermometer.h"
#include "view/verrangerslider.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolTip>
#include <QUrl>

// Stands in for the desktop's browser and mail program.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

namespace {

const auto* environment = AppDirEnvironment::install();

class Commands : public LiveWindow
{
protected:
    void SetUp() override
    {
        QFile::remove(gAppDir + "/Config/LocalSetting.ini");
        gLanguageIndex = 0;
        LiveWindow::SetUp();
    }
    // The window as if a 256 x 192 camera were connected, showing a 25 degC scene.
    void openConnected()
    {
        open();
        window->GetCameraSize(256, 192, 15);
        window->setConnectState(true);
        feed(25.0f);
    }
    void feed(float hottest)
    {
        auto frame = flatFrame(256, 192, 25.0f);
        setHottest(*frame, 100, 80, hottest);
        window->presentFrame(frame);
    }
    const OrvikForm& ui() const { return window->form(); }
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    bool frameIsRed() const { return ui().stackedWidget->styleSheet().contains("255, 0, 0"); }
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            window->alarmSound();
            window->screenFlicker();
        }
    }
};

TEST_F(Commands, AlarmSoundsOnceAboveTheThresholdAndTheFrameBlinksEveryOtherSecond)
{
    openConnected();
    ui().tempAlarmValue->setText("50.0");
    QTest::keyClick(window.get(), Qt::Key_A);
    ASSERT_TRUE(window->alarmArmed());
    EXPECT_TRUE(ui().tempAlarm->isChecked());

    feed(50.0f);
    tick(3);
    EXPECT_EQ(window->alarmSoundPlayer().starts(), 0) << "equal is not above";
    EXPECT_FALSE(frameIsRed());

    feed(50.1f);
    bool red[6];
    const QSize viewSize = view->size();
    for (bool& r : red) {
        tick();
        r = frameIsRed();
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(view->size(), viewSize) << "the image does not jump while the frame blinks";
    }
    EXPECT_EQ(window->alarmSoundPlayer().starts(), 1) << "once per arming";
    // An open chart window lies inside the framed area but never carries the frame.
    click(ui().polygonRegion);
    for (QPoint p : {QPoint(10, 10), QPoint(60, 10), QPoint(30, 50)})
        clickImage(p);
    clickImage(QPoint(30, 50), Qt::RightButton);
    ASSERT_NE(view->chart(0), nullptr);
    tick(frameIsRed() ? 2 : 1);
    ASSERT_TRUE(frameIsRed());
    const QWidget* chartPages = view->chart(0)->findChild<QStackedWidget*>("stackedWidget");
    const QImage chart = view->chart(0)->grab().toImage();
    EXPECT_NE(chart.pixelColor(chartPages->geometry().topLeft() + QPoint(1, 1)), QColor(255, 0, 0));
    const QSoundEffect& player = window->alarmSoundPlayer().effect();
    EXPECT_EQ(player.source(), QUrl("qrc:/Sound/01-Chime.wav"));
    EXPECT_EQ(player.loopCount(), 5) << "the alarm's seconds";
    EXPECT_DOUBLE_EQ(player.volume(), 0.5);
    for (int i = 1; i < 6; ++i)
        EXPECT_NE(red[i], red[i - 1]) << "the frame changes at every tick: " << i;

    // Armed again only by switching off and on; switching off clears the frame at once.
    QTest::keyClick(window.get(), Qt::Key_A);
    EXPECT_FALSE(frameIsRed());
    QTest::keyClick(window.get(), Qt::Key_A);
    tick();
    EXPECT_EQ(window->alarmSoundPlayer().starts(), 2);
}

TEST_F(Commands, TheTimersDriveTheAlarmOnTheirOwn)
{
    openConnected();
    click(ui().tempAlarm);
    feed(80.0f);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->alarmSoundPlayer().starts() == 1; }, 2500));
    EXPECT_TRUE(QTest::qWaitFor([&] { return frameIsRed(); }, 2500));
}

TEST_F(Commands, TypingTheThresholdFreezesTheAlarmAndABadThresholdRaisesNone)
{
    openConnected();
    QApplication::setActiveWindow(window.get());
    click(ui().tempAlarm);
    feed(80.0f);
    ui().tempAlarmValue->setFocus();
    ASSERT_TRUE(ui().tempAlarmValue->hasFocus());
    tick(4);
    EXPECT_EQ(window->alarmSoundPlayer().starts(), 0);
    EXPECT_FALSE(frameIsRed());
    // Keys are typing there, not commands.
    QTest::keyClick(ui().tempAlarmValue, Qt::Key_A);
    EXPECT_TRUE(window->alarmArmed());

    // A click outside the field ends the editing.
    QTest::mouseClick(ui().viewport, Qt::LeftButton);
    EXPECT_FALSE(ui().tempAlarmValue->hasFocus());
    ui().tempAlarmValue->setText("abc");
    tick(4);
    EXPECT_EQ(window->alarmSoundPlayer().starts(), 0) << "no number is no threshold, not 0 degC";
    ui().tempAlarmValue->setText("79,5");
    tick(2);
    EXPECT_EQ(window->alarmSoundPlayer().starts(), 1) << "a decimal comma is read";
}

TEST_F(Commands, EnterEndsTheTypingAndTheThresholdIsKeptAsItsReaderTakesIt)
{
    openConnected();
    QApplication::setActiveWindow(window.get());
    click(ui().tempAlarm);
    feed(80.0f);
    ui().tempAlarmValue->setFocus();
    ui().tempAlarmValue->clear();
    QTest::keyClicks(ui().tempAlarmValue, "79,5");
    tick();
    EXPECT_EQ(window->alarmSoundPlayer().starts(), 0) << "still typing";
    QTest::keyClick(ui().tempAlarmValue, Qt::Key_Return);
    EXPECT_FALSE(ui().tempAlarmValue->hasFocus());
    tick();
    EXPECT_EQ(window->alarmSoundPlayer().starts(), 1) << "79.5 is below 80";
    window.reset();
    open();
    EXPECT_EQ(ui().tempAlarmValue->text(), "79.5") << "kept across a restart, with a point";
}

TEST_F(Commands, AlarmKeyWithoutACameraOnlySwitchesOffAndTheStateOutlivesARestart)
{
    open();
    QTest::keyClick(window.get(), Qt::Key_A);
    EXPECT_FALSE(window->alarmArmed()) << "cannot be armed without a camera";
    click(ui().tempAlarm);
    EXPECT_FALSE(ui().tempAlarm->isChecked()) << "the refused button does not stay pressed";

    window->setConnectState(true);
    QTest::keyClick(window.get(), Qt::Key_A);
    window->setConnectState(false);
    QTest::keyClick(window.get(), Qt::Key_A);
    EXPECT_FALSE(window->alarmArmed()) << "switched off without a camera";
    QTest::keyClick(window.get(), Qt::Key_A); // refused again
    window->setConnectState(true);
    click(ui().tempAlarm);
    ui().tempAlarmValue->setText("61.5");
    QTest::keyClick(ui().tempAlarmValue, Qt::Key_Enter);
    window.reset();

    open();
    EXPECT_TRUE(window->alarmArmed());
    EXPECT_TRUE(ui().tempAlarm->isChecked());
    EXPECT_EQ(ui().tempAlarmValue->text(), "61.5");
}

TEST_F(Commands, AMissingSoundPlaysNothing)
{
    openConnected();
    window->setStorageAndAlarm(gAppDir, gAppDir, "missing.wav", 3);
    click(ui().tempAlarm);
    feed(90.0f);
    tick(2);
    EXPECT_EQ(window->alarmSoundPlayer().starts(), 0);
    EXPECT_TRUE(frameIsRed()) << "the frame still warns";
    window->setStorageAndAlarm(gAppDir, gAppDir, "08-Bell.wav", 3);
    QTest::keyClick(window.get(), Qt::Key_A);
    QTest::keyClick(window.get(), Qt::Key_A);
    tick();
    EXPECT_EQ(window->alarmSoundPlayer().effect().source(), QUrl("qrc:/Sound/08-Bell.wav"));
    EXPECT_EQ(window->alarmSoundPlayer().effect().loopCount(), 3);
}

TEST_F(Commands, TheAlarmWatchesTheFramesTheHeatFieldShows)
{
    openConnected();
    click(ui().tempAlarm);
    click(ui().hotField);
    feed(95.0f);
    tick();
    EXPECT_EQ(window->alarmSoundPlayer().starts(), 1);
}

TEST_F(Commands, ResetWhileLeakFindIsOnRestoresTheDefaultView)
{
    openConnected();
    click(ui().palette3);
    click(ui().highContrast);
    click(ui().vFlip);
    click(ui().hFlip);
    ASSERT_TRUE(view->viewGeometry().mirrorV);
    QTest::keyClick(window.get(), Qt::Key_M);
    ASSERT_TRUE(window->leakFindOn());
    ASSERT_TRUE(ui().leakFind->isChecked());

    click(ui().rotate);
    EXPECT_FALSE(window->leakFindOn());
    EXPECT_FALSE(ui().leakFind->isChecked());
    EXPECT_TRUE(ui().palette1->isChecked());
    EXPECT_TRUE(ui().universal->isChecked());
    FunctionModel* device = window->deviceManagerForTests();
    EXPECT_EQ(device->getRotation(), 0);
    EXPECT_FALSE(device->getHFlip());
    EXPECT_FALSE(device->getVFlip());
    EXPECT_FALSE(view->viewGeometry().mirrorV);
    EXPECT_FALSE(view->viewGeometry().mirrorH);
    EXPECT_EQ(ui().tempRange->lowFraction(), 0.0f) << "the slider left leak mode";
    // Palette 1 again: its cold end is black, where palette 3 showed grey.
    auto frame = flatFrame(256, 192, 25.0f, 0);
    setHottest(*frame, 1, 1, 40.0f);
    window->presentFrame(frame);
    EXPECT_EQ(view->shownImage().pixelColor(100, 100), QColor(0, 0, 0));
}

TEST_F(Commands, ModeTableShowsAndHidesTheTools)
{
    openConnected();
    click(ui().hotField);
    EXPECT_FALSE(ui().snapImage->isEnabled());
    for (QPushButton* tool : {ui().pointTemp, ui().rectTemp, ui().polygonRegion, ui().regionFind, ui().leakFind})
        EXPECT_FALSE(tool->isVisibleTo(window.get())) << tool->objectName().toStdString();
    EXPECT_EQ(ui().stackedWidget->currentIndex(), 1);
    // No OpenGL on this platform: a notice instead of the surface, and the program goes on.
    EXPECT_FALSE(ui().widget3D->hasGraph());
    auto* notice = ui().widget3D->findChild<QLabel*>("noOpenGl");
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    auto frozen = flatFrame(256, 192, 25.0f);
    setHottest(*frozen, 3, 3, 99.0f);
    window->presentFrame(frozen);
    EXPECT_NE(view->regionMaximum(QRect(0, 0, 256, 192)).value, 99.0f) << "the heat field takes the frames";

    click(ui().hotField); // refused: already the mode
    EXPECT_TRUE(ui().hotField->isChecked());
    EXPECT_EQ(ui().stackedWidget->currentIndex(), 1);

    click(ui().boardCompare);
    EXPECT_TRUE(ui().snapImage->isEnabled());
    EXPECT_TRUE(ui().pointTemp->isVisibleTo(window.get()));
    EXPECT_FALSE(ui().leakFind->isVisibleTo(window.get()));
    click(ui().pcba_quickFind);
    for (QPushButton* tool : {ui().pointTemp, ui().rectTemp, ui().polygonRegion, ui().regionFind, ui().leakFind})
        EXPECT_TRUE(tool->isVisibleTo(window.get())) << tool->objectName().toStdString();
    EXPECT_EQ(ui().stackedWidget->currentIndex(), 0);
    int checked = 0;
    for (QPushButton* mode : {ui().pcba_quickFind, ui().boardCompare, ui().hotField})
        checked += mode->isChecked();
    EXPECT_EQ(checked, 1) << "the modes exclude each other";
}

TEST_F(Commands, BoardCompareChartsCloseWhenTheModeIsLeft)
{
    openConnected();
    click(ui().boardCompare);
    for (int i = 0; i < 3; ++i) {
        click(ui().rectTemp);
        dragImage(QPoint(10 + 30 * i, 20), QPoint(30 + 30 * i, 50));
    }
    for (int slot = 0; slot < 3; ++slot)
        ASSERT_NE(view->chart(slot), nullptr) << slot;
    click(ui().pcba_quickFind);
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_EQ(view->chart(slot), nullptr) << slot;
    // In quick find the rectangle draws search regions, not charts.
    click(ui().rectTemp);
    dragImage(QPoint(10, 20), QPoint(30, 50));
    EXPECT_EQ(view->chart(0), nullptr);
    EXPECT_EQ(view->searchRegionList().size(), 1);
}

TEST_F(Commands, AModeChangeEndsTheArmedToolAndLeakFindStaysInTheQuickCheck)
{
    openConnected();
    click(ui().boardCompare);
    QTest::keyClick(window.get(), Qt::Key_M);
    EXPECT_FALSE(window->leakFindOn()) << "leak find belongs to the quick check";
    click(ui().rectTemp);
    ASSERT_EQ(view->armedTool(), ViewPort::Tool::ChartRect);
    click(ui().pcba_quickFind);
    EXPECT_EQ(view->armedTool(), ViewPort::Tool::None);
    dragImage(QPoint(10, 20), QPoint(30, 50));
    EXPECT_EQ(view->chart(0), nullptr) << "no chart drawn by the old mode's tool";
}

TEST_F(Commands, TheThresholdIsTypedInTheUnitShownAndKeptInCelsius)
{
    openConnected();
    click(ui().tempAlarm);
    window->changeTempUnit("F");
    EXPECT_EQ(ui().tempAlarmValue->text(), "122.0") << "50.0 degC";
    EXPECT_EQ(ui().label_temp->text(), QString::fromUtf8("°F"));
    ui().tempAlarmValue->setText("140");
    feed(59.9f);
    tick();
    EXPECT_EQ(window->alarmSoundPlayer().starts(), 0) << "140 degF is 60 degC";
    feed(60.1f);
    tick();
    EXPECT_EQ(window->alarmSoundPlayer().starts(), 1);
    QApplication::setActiveWindow(window.get());
    ui().tempAlarmValue->setFocus();
    QTest::keyClick(ui().tempAlarmValue, Qt::Key_Return);
    window->changeTempUnit("C");
    EXPECT_EQ(ui().tempAlarmValue->text(), "60.0");
    window.reset();
    open();
    EXPECT_EQ(ui().tempAlarmValue->text(), "60.0") << "kept in degC";
}

// A threshold is stored only when the whole text is a temperature the settings can keep; any
// other stays as typed, framed red with the reason in its tooltip, and changes nothing.
TEST_F(Commands, AThresholdIsStoredOnlyWhenItIsATemperatureOfItsDomain)
{
    openConnected();
    QApplication::setActiveWindow(window.get());
    QLineEdit* field = ui().tempAlarmValue;
    const QString before = ConfigManager::getInstance()->getSettingValue("HighTempThreshold");
    for (const char* text : {"1e9", "", "-", "12a", "-60"}) {
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(field->text(), text) << "as typed";
        EXPECT_TRUE(field->property("invalid").toBool()) << text;
        EXPECT_FALSE(field->toolTip().isEmpty()) << text;
        EXPECT_EQ(ConfigManager::getInstance()->getSettingValue("HighTempThreshold"), before) << text;
    }
    field->setFocus();
    field->clear();
    QTest::keyClicks(field, "65,5");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(field->property("invalid").toBool());
    EXPECT_EQ(ConfigManager::getInstance()->getSettingValue("HighTempThreshold"), "65.5");
}

TEST_F(Commands, RegionFindStartsWithTheMiddleNinth)
{
    openConnected();
    click(ui().regionFind);
    ASSERT_TRUE(window->regionFindOn());
    ASSERT_EQ(view->searchRegionList().size(), 1);
    EXPECT_EQ(view->searchRegionList()[0], QRect(85, 64, 85, 64));
    feed(30.0f);
    const QImage& shown = view->shownImage();
    const QColor outside = shown.pixelColor(5, 5), inside = shown.pixelColor(128, 96);
    EXPECT_TRUE(outside.red() == outside.green() && outside.green() == outside.blue()) << "grey outside";
    EXPECT_NE(inside, QColor(128, 128, 128)) << "palette colour inside";
}

TEST_F(Commands, SuperResolutionWithoutTheModelSaysSoAndChangesNothing)
{
    ASSERT_FALSE(QFile::exists(gAppDir + "/RawRes.pb"));
    openConnected();
    click(ui().SuperModule);
    EXPECT_FALSE(window->superResolutionOn());
    EXPECT_FALSE(ui().SuperModule->isChecked());
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("超分辨率不可用：模型文件无法加载"));
    feed(30.0f); // the window goes on as before
    EXPECT_EQ(view->shownImage().size(), QSize(256, 192));
}

TEST_F(Commands, SuperResolutionShowsTheFrameEnlargedUntilSwitchedOff)
{
    const QString model = gAppDir + "/RawRes.pb";
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVIK_SR_MODEL), model));
    openConnected();
    QFile::remove(model); // loaded by now; the other cases run without it
    click(ui().SuperModule);
    ASSERT_TRUE(window->superResolutionOn());
    EXPECT_TRUE(ui().SuperModule->isCheckable() && ui().SuperModule->isChecked());
    EXPECT_TRUE(QTest::qWaitFor([&] {
        feed(30.0f);
        return view->shownImage().size() == QSize(512, 384);
    }, 10000));
    click(ui().SuperModule);
    EXPECT_FALSE(window->superResolutionOn());
    EXPECT_FALSE(ui().SuperModule->isChecked());
    feed(30.0f);
    EXPECT_EQ(view->shownImage().size(), QSize(256, 192));
}

// Leak find colours exactly the pixels above the window's floor (the hottest minus 2 degC),
// whatever grey level the image mode gave them.
TEST_F(Commands, LeakFindColoursOnlyPixelsAboveTheFloorByTemperature)
{
    openConnected();
    window->InitTemp("C", 0, 150);
    feed(70.0f);
    QTest::keyClick(window.get(), Qt::Key_M);
    ASSERT_TRUE(window->leakFindOn());

    auto frame = flatFrame(256, 192, 25.0f, 128);
    setHottest(*frame, 100, 80, 70.0f);
    frame->image[80 * 256 + 100] = 250;
    struct Probe
    {
        int x;
        float celsius;
        uint8_t grey;
        bool coloured;
    };
    const Probe probes[] = {{10, 67.9f, 250, false}, {20, 68.1f, 128, true}, {30, 69.5f, 240, true},
                            {40, 60.0f, 252, false}, {50, 25.0f, 128, false}};
    for (const Probe& p : probes) {
        frame->temperatures[size_t(p.x)] = p.celsius;
        frame->image[size_t(p.x)] = p.grey;
    }
    window->presentFrame(frame);
    const QImage& shown = view->shownImage();
    for (const Probe& p : probes) {
        const QColor c = shown.pixelColor(p.x, 0);
        const bool grey = c == QColor(p.grey, p.grey, p.grey);
        EXPECT_EQ(!grey, p.coloured) << p.celsius << " degC shown as " << c.name().toStdString();
    }
    EXPECT_NE(shown.pixelColor(100, 80), QColor(250, 250, 250)) << "the hottest pixel is coloured";

    // With region find too, leak find works inside the search regions: the probes lie
    // outside the middle ninth and turn grey; the hottest pixel lies inside it.
    click(ui().regionFind);
    window->presentFrame(frame);
    EXPECT_EQ(view->shownImage().pixelColor(20, 0), QColor(128, 128, 128));
    EXPECT_NE(view->shownImage().pixelColor(100, 80), QColor(250, 250, 250));
    auto cool = flatFrame(256, 192, 25.0f, 128);
    setHottest(*cool, 5, 5, 70.0f);
    window->presentFrame(cool);
    EXPECT_EQ(view->shownImage().pixelColor(128, 96), QColor(128, 128, 128)) << "below the floor inside a region";
    click(ui().regionFind);

    // Another measuring range keeps the window on the same temperatures.
    window->InitTemp("C", 0, 550);
    EXPECT_NEAR(ui().tempRange->temperatureAt(ui().tempRange->lowFraction()), 68.0f, 0.01f);
    window->presentFrame(frame);
    EXPECT_NE(view->shownImage().pixelColor(20, 0), QColor(128, 128, 128)) << "68.1 degC still coloured";
}

TEST_F(Commands, ArrowKeysNudgeTheSliderWhereverTheFocusIs)
{
    openConnected();
    auto frame = flatFrame(256, 192, 20.0f);
    setHottest(*frame, 1, 1, 40.0f);
    window->presentFrame(frame);
    VerRangerSlider* slider = ui().tempRange;
    const int language = ui().language->currentIndex();
    ui().palette2->setFocus();

    QTest::keyClick(ui().palette2, Qt::Key_Up);
    EXPECT_NEAR(slider->temperatureAt(slider->lowFraction()), 20.2f, 1e-4);
    EXPECT_FLOAT_EQ(slider->highFraction(), 1.0f) << "without Ctrl the low handle alone";
    QTest::keyClick(ui().palette2, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_NEAR(slider->temperatureAt(slider->lowFraction()), 20.0f, 1e-4);
    EXPECT_NEAR(slider->temperatureAt(slider->highFraction()), 39.8f, 1e-4) << "with Ctrl the whole window";
    QTest::keyClick(ui().language, Qt::Key_Down);
    EXPECT_EQ(ui().language->currentIndex(), language) << "the language box takes no arrow keys";
    // Ctrl let go before the arrow still moves the whole window.
    QTest::keyPress(ui().palette2, Qt::Key_Up, Qt::ControlModifier);
    QTest::keyRelease(ui().palette2, Qt::Key_Up);
    EXPECT_NEAR(slider->temperatureAt(slider->highFraction()), 40.0f, 1e-4);
    EXPECT_NEAR(slider->temperatureAt(slider->lowFraction()), 20.2f, 1e-4);
}

TEST_F(Commands, CameraCommandsWithoutACameraLeaveNoButtonPressed)
{
    open();
    for (QPushButton* button : {ui().regionFind, ui().leakFind, ui().tempAlarm, ui().High}) {
        click(button);
        EXPECT_FALSE(button->isChecked()) << button->objectName().toStdString();
    }
    EXPECT_TRUE(ui().Low->isChecked());
    click(ui().pointTemp);
    EXPECT_EQ(view->armedTool(), ViewPort::Tool::None);
}

TEST_F(Commands, TheImageKeepsItsOwnMouseEvents)
{
    openConnected();
    const QPoint before = window->pos();
    const QPoint centre = view->rect().center();
    QTest::mousePress(view, Qt::LeftButton, {}, centre);
    QMouseEvent move(QEvent::MouseMove, centre + QPoint(60, 40), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, {}, centre + QPoint(60, 40));
    QTest::mouseDClick(view, Qt::LeftButton, {}, centre);
    EXPECT_EQ(window->pos(), before) << "a drag on the image does not move the window";
    EXPECT_FALSE(window->isMaximized()) << "a double-click on the image does not maximise it";
}

TEST_F(Commands, AddressButtonsOpenTheProjectPageAndAMailToSupport)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    QDesktopServices::setUrlHandler("mailto", &catcher, "open");
    open();
    EXPECT_TRUE(ui().webSite->isVisibleTo(window.get()));
    EXPECT_FALSE(ui().webSite->text().isEmpty());
    EXPECT_TRUE(ui().emailAddress->isVisibleTo(window.get()));
    click(ui().webSite);
    click(ui().emailAddress);
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("mailto");
    ASSERT_EQ(catcher.opened.size(), 2);
    EXPECT_EQ(catcher.opened[0], QUrl(ConfigManager::getWebAddress()));
    EXPECT_EQ(catcher.opened[1], QUrl("mailto:" + ConfigManager::getSupportAddress()));
    EXPECT_EQ(ui().emailAddress->text(), ConfigManager::getSupportAddress());
    EXPECT_TRUE(ui().statusNotice->text().contains(ConfigManager::getSupportAddress())) << "said in the status line";
}

// What users expect to see or find again: the flip buttons show a flip that is on, along the
// screen axis whatever the turn; palette and image mode come back at the next start; reset
// calibration says what it did.
TEST_F(Commands, FlipsShowPaletteAndModeReturnAndResetIsAcknowledged)
{
    openConnected();
    click(ui().hFlip);
    EXPECT_TRUE(ui().hFlip->isChecked());
    EXPECT_FALSE(ui().vFlip->isChecked());
    // Turned a quarter (as a start restores it): the frame's mirror is now vertical on screen.
    window->deviceManagerForTests()->setOrientation(90, true, false);
    window->showRotateParam(90, true, false);
    EXPECT_TRUE(ui().vFlip->isChecked());
    EXPECT_FALSE(ui().hFlip->isChecked());
    click(ui().vFlip); // along the screen's vertical axis: the same mirror off again
    EXPECT_FALSE(ui().vFlip->isChecked());
    EXPECT_FALSE(ui().hFlip->isChecked());

    click(ui().palette3);
    click(ui().highContrast);
    click(ui().ResetCalibration); // the window shows a picture, but no camera took the command
    EXPECT_EQ(ui().statusNotice->text(), QCoreApplication::translate("Orvik", "相机未接受重置校准命令"));
    window.reset();
    open();
    EXPECT_TRUE(ui().palette3->isChecked());
    EXPECT_TRUE(ui().highContrast->isChecked());
    EXPECT_EQ(window->deviceManagerForTests()->getImageMode(), 2);
}

// Range switches that the device manager must carry out on a real (virtual) camera.
TEST_F(Commands, HighRangeButtonsFollowTheDeviceManagersAnswer)
{
    ASSERT_TRUE(openWith("Vesk_R_M serial=RANGE1 fps=25\n", "Vesk_R_M", QSize(256, 192)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->deviceManagerForTests()->isConnected(); }, 5000));
    click(ui().High);
    EXPECT_TRUE(ui().High->isChecked());
    EXPECT_TRUE(window->deviceManagerForTests()->getLowTemperatureMode());
    click(ui().High); // already there: nothing happens
    EXPECT_TRUE(ui().High->isChecked());
    click(ui().Low);
    EXPECT_TRUE(ui().Low->isChecked());
    EXPECT_FALSE(window->deviceManagerForTests()->getLowTemperatureMode());
    const QString done = QCoreApplication::translate("Orvik", "已重置校准");
    EXPECT_TRUE(QTest::qWaitFor([&] { // once the window, too, has learnt of the connection
        click(ui().ResetCalibration);
        return ui().statusNotice->text() == done;
    }, 5000));
}

TEST_F(Commands, ACameraWithoutAHighRangeShowsTheNoticeAndKeepsLow)
{
    ASSERT_TRUE(openWith("K7-22 serial=K7RANGE fps=25\n", "K7-22", QSize(256, 192)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->deviceManagerForTests()->isConnected(); }, 5000));
    click(ui().High);
    EXPECT_TRUE(ui().Low->isChecked());
    EXPECT_FALSE(window->deviceManagerForTests()->getLowTemperatureMode());
    auto* notice = window->findChild<TempHint*>();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
}

} // namespace

#include "test_commands.moc"
