#include "app/orvik.h"
#include "core/configmanager.h"
#include "device/functionmodel.h"
#include "tests/support/appdirenvironment.h"
#include "tests/support/testframes.h"
#include "view/viewport.h"

#include <QApplication>
#include <QScreen>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QSettings>
#include <QTranslator>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const auto* environment = AppDirEnvironment::install();

QVariant stored(const QString& key)
{
    return QSettings(gAppDir + "/Config/LocalSetting.ini", QSettings::IniFormat).value(key);
}

class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(gAppDir + "/Config/LocalSetting.ini");
        gLanguageIndex = 0;
    }
};

TEST_F(MainWindow, WindowSizeFollowsTheScreenItWasLastUsedOn)
{
    ConfigManager* config = ConfigManager::getInstance();
    EXPECT_EQ(Orvik::chooseWindowSize(QSize(1920, 1080)), QSize(1270, 685));
    EXPECT_EQ(stored("ScreenSize/Width").toInt(), 1920);
    EXPECT_EQ(stored("SoftwareSize/Height").toInt(), 685);
    config->setSoftwareSize(1500, 900);
    EXPECT_EQ(Orvik::chooseWindowSize(QSize(1920, 1080)), QSize(1500, 900)) << "same screen: stored size";
    EXPECT_EQ(Orvik::chooseWindowSize(QSize(1024, 768)), QSize(1270, 685)) << "another screen: the default";
    EXPECT_EQ(stored("ScreenSize/Width").toInt(), 1024);
}

TEST_F(MainWindow, EdgeHitRule)
{
    const QSize window(1270, 685);
    EXPECT_FALSE(Orvik::edgesAt(QPoint(0, 300), window)) << "the outermost column is no edge";
    for (int x = 1; x <= 4; ++x)
        EXPECT_EQ(Orvik::edgesAt(QPoint(x, 300), window), Qt::LeftEdge) << x;
    EXPECT_FALSE(Orvik::edgesAt(QPoint(5, 300), window));
    EXPECT_EQ(Orvik::edgesAt(QPoint(1268, 683), window), Qt::RightEdge | Qt::BottomEdge);
    EXPECT_EQ(Orvik::edgesAt(QPoint(2, 2), window), Qt::LeftEdge | Qt::TopEdge);
    EXPECT_FALSE(Orvik::edgesAt(QPoint(1270, 300), window));
}

TEST_F(MainWindow, GeometryIsSavedAndRestoredUnlessSwitchedOff)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect saved(screen.left() + 40, screen.top() + 50, screen.width() - 60, screen.height() - 70);
    {
        Orvik window;
        window.setGeometry(saved);
    }
    EXPECT_EQ(stored("SoftwareLocation/Left").toInt(), saved.left());
    EXPECT_EQ(stored("SoftwareSize/Width").toInt(), saved.width());
    {
        Orvik window;
        EXPECT_EQ(window.geometry(), saved);
    }
    ConfigManager::getInstance()->setEquipmentValue("SaveWinPos", true);
    {
        Orvik window;
        EXPECT_NE(window.geometry().topLeft(), saved.topLeft()) << "not restored";
        window.setGeometry(saved.translated(10, 10));
    }
    EXPECT_EQ(stored("SoftwareLocation/Left").toInt(), saved.left()) << "not saved";
}

TEST_F(MainWindow, ASavedGeometryBeyondTheScreenIsFittedToIt)
{
    ConfigManager* config = ConfigManager::getInstance();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    config->setSoftwareLocation(2147483600, 2147483600);
    config->setSoftwareSize(50000, 50000);
    {
        Orvik window;
        EXPECT_TRUE(screen.contains(window.geometry())) << "restored inside the screen";
    }
    config->setScreenSize(QGuiApplication::primaryScreen()->geometry().width(),
                          QGuiApplication::primaryScreen()->geometry().height());
    config->setSoftwareSize(50000, 50000);
    config->setSoftwareLocation(0, 0);
    Orvik window;
    EXPECT_LE(window.width(), screen.width()) << "the stored size of this screen, but no larger than it";
    EXPECT_LE(window.height(), screen.height());
}

TEST_F(MainWindow, LanguageZeroInstallsNoTranslatorAndWritesNothing)
{
    {
        Orvik window;
        EXPECT_FALSE(stored("Language/language").isValid());
        EXPECT_EQ(window.form().connectHint->text(), QString::fromUtf8("设备未连接"));
        window.form().language->setCurrentIndex(1);
        EXPECT_EQ(window.form().connectHint->text(), "Device not connected");
        EXPECT_EQ(window.form().snapImage->text(), "Snapshot") << "the form's own texts too";
        EXPECT_EQ(window.form().winTitle->text(), "Pellin Thermal Imaging");
        EXPECT_EQ(stored("Language/language").toString(), "1");
        window.form().language->setCurrentIndex(2);
        EXPECT_EQ(window.form().snapImage->text(), "Captura");
        window.form().language->setCurrentIndex(0);
        EXPECT_EQ(window.form().snapImage->text(), QString::fromUtf8("抓拍图片"));
    }
}

// Every text a user can see or hover over, in English and Spanish: none is left in Chinese.
TEST_F(MainWindow, NoChineseTextRemainsInTheOtherLanguages)
{
    Orvik window;
    auto chinese = [](const QString& text) {
        return std::any_of(text.begin(), text.end(), [](QChar c) {
            return (c.unicode() >= 0x3000 && c.unicode() <= 0x9fff) || (c.unicode() >= 0xff00 && c.unicode() <= 0xffef);
        });
    };
    for (int language : {1, 2}) {
        window.form().language->setCurrentIndex(language);
        EXPECT_FALSE(chinese(window.windowTitle()));
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(&window) || widget->window() != &window || widget == window.form().language)
                continue;
            QStringList texts{widget->toolTip()};
            if (auto* label = qobject_cast<QLabel*>(widget))
                texts << label->text();
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                texts << button->text();
                EXPECT_FALSE(button->toolTip().isEmpty()) << button->objectName().toStdString();
            }
            for (const QString& text : texts)
                EXPECT_FALSE(chinese(text)) << language << " " << widget->objectName().toStdString() << ": "
                                            << text.toStdString();
        }
    }
    EXPECT_FALSE(window.form().language->toolTip().isEmpty());
}

TEST_F(MainWindow, FramesGoToTheViewUnlessTheHeatFieldTakesThem)
{
    Orvik window;
    window.GetCameraSize(4, 2, 15);
    auto first = flatFrame(4, 2, 20.0f, 0);
    setHottest(*first, 3, 1, 40.0f);
    first->image[7] = 255;
    window.presentFrame(first);
    ViewPort* view = window.form().viewport;
    ASSERT_EQ(view->shownImage().size(), QSize(4, 2));
    // Palette 1 runs from black to white: the hot pixel is bright, the rest dark.
    EXPECT_GT(view->shownImage().pixelColor(3, 1).lightness(), 200);
    EXPECT_LT(view->shownImage().pixelColor(0, 0).lightness(), 30);
    EXPECT_FLOAT_EQ(view->regionMaximum(QRect(0, 0, 4, 2)).value, 40.0f);
    window.setHeatField(true);
    auto second = flatFrame(4, 2, 20.0f, 0);
    setHottest(*second, 3, 1, 90.0f);
    window.presentFrame(second);
    EXPECT_FLOAT_EQ(view->regionMaximum(QRect(0, 0, 4, 2)).value, 40.0f) << "the view keeps the last frame";
}

// A snapshot folder that cannot be written (here: below a plain file, which no one can
// create folders in) is named to the user once, at start.
TEST_F(MainWindow, AnUnwritableChosenFolderIsToldOnce)
{
    ConfigManager* config = ConfigManager::getInstance();
    QFile plain(gAppDir + "/plain");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    config->setPathValue("ImagePath", gAppDir + "/plain/Pictures");
    {
        Orvik window;
        window.show();
        QMessageBox* notice = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (notice = window.findChild<QMessageBox*>("folderNotice")) &&
                                                 notice->isVisible(); }, 3000));
        EXPECT_TRUE(notice->text().contains(gAppDir + "/plain/Pictures"));
        EXPECT_FALSE(notice->text().contains(config->getPathOrDefault("VideoPath"))) << "only what cannot be written";
        EXPECT_FALSE(notice->isModal()) << "the program goes on";
    }
    config->setPathValue("ImagePath", gAppDir + "/Picture");
    Orvik window;
    window.show();
    QTest::qWait(100);
    EXPECT_EQ(window.findChild<QMessageBox*>("folderNotice"), nullptr);
}

TEST_F(MainWindow, ALostCameraLeavesNothingThatLooksLive)
{
    Orvik window;
    ViewPort* view = window.form().viewport;
    EXPECT_TRUE(view->noCameraShown()) << "started without a camera";
    window.GetCameraSize(256, 192, 15);
    auto frame = flatFrame(256, 192, 25.0f);
    setHottest(*frame, 60, 100, 70.0f);
    window.presentFrame(frame);
    window.setConnectState(true);
    EXPECT_FALSE(view->noCameraShown());
    EXPECT_FLOAT_EQ(view->regionMaximum(QRect(0, 0, 256, 192)).value, 70.0f);

    window.setConnectState(false);
    EXPECT_TRUE(view->noCameraShown());
    EXPECT_EQ(view->regionMaximum(QRect(0, 0, 256, 192)).value, ViewPort::kNoFrame) << "no temperatures remain";
    EXPECT_EQ(view->hoverPosition(), QPoint(-1, -1));
    window.presentFrame(frame);
    EXPECT_FALSE(view->noCameraShown()) << "frames bring the picture back";
}

} // namespace
