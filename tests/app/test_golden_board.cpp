// The golden-board difference through the real window: board compare's button, the keys that
// nudge the alignment, and a reference kept in a file; frames are the golden scene's truth with
// the camera's noise.
#include "sdk/virtual/registry.h"
#include "sdk/virtual/scene.h"
#include "tests/support/livewindow.h"
#include "tests/support/testframes.h"

#include <QPushButton>
#include <QTemporaryDir>

#include <random>

namespace {

const auto* environment = AppDirEnvironment::install();

class GoldenBoardWindow : public LiveWindow
{
protected:
    void SetUp() override
    {
        QFile::remove(gAppDir + "/Config/LocalSetting.ini");
        gLanguageIndex = 0;
        LiveWindow::SetUp();
        open();
        window->GetCameraSize(256, 192, 15);
        window->setConnectState(true);
        QTest::mouseClick(window->form().boardCompare, Qt::LeftButton);
    }
    static std::shared_ptr<Frame> sceneFrame(const std::string& options)
    {
        const tcsim::DeviceSpec spec = tcsim::parseRegistry("Vesk_R_M scene=golden " + options + "\n").at(0);
        const tcsim::Scene scene(spec, 256, 192);
        auto frame = flatFrame(256, 192, 25.0f);
        std::mt19937 rng(7);
        std::normal_distribution<float> noise(0.0f, 0.05f);
        for (size_t i = 0; i < frame->temperatures.size(); ++i)
            frame->temperatures[i] = scene.base()[i] + noise(rng);
        const auto [low, high] = std::minmax_element(frame->temperatures.begin(), frame->temperatures.end());
        frame->minTemp = *low;
        frame->maxTemp = *high;
        return frame;
    }
    static QPointF truth(const std::string& options, int part)
    {
        double x = 0, y = 0;
        tcsim::goldenPartCentre(tcsim::parseRegistry("Vesk_R_M scene=golden " + options + "\n").at(0), 256, 192, part, x, y);
        return QPointF(x - 0.5, y - 0.5);
    }
    void show(const std::shared_ptr<Frame>& frame)
    {
        for (int i = 0; i < 2; ++i)
            window->presentFrame(frame);
    }
    const DifferenceOverlay& overlay() const { return view->differenceOverlay(); }
    void key(int key, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(window.get(), Qt::Key(key), Qt::ShiftModifier);
    }
};

TEST_F(GoldenBoardWindow, MarksTheHotterPartWhereItLiesAndTheKeysMoveTheAlignment)
{
    const std::string placed = "shiftx=3 turn=2 faultpart=1 faultrise=5";
    QTest::mouseClick(window->form().goldenBoard, Qt::LeftButton);
    ASSERT_TRUE(window->goldenBoardOn());
    show(sceneFrame(placed));
    ASSERT_TRUE(overlay().aligned);
    ASSERT_EQ(overlay().areas.size(), 1);
    const QPointF at = truth(placed, 1);
    EXPECT_NEAR(overlay().areas[0].centre.x(), at.x(), 2.0);
    EXPECT_NEAR(overlay().areas[0].centre.y(), at.y(), 2.0);
    EXPECT_NEAR(overlay().areas[0].delta, 5.0f, 0.5f);
    // The picture: red where the part is hotter, the board's own grey where nothing differs.
    const QColor hot = view->shownImage().pixelColor(qRound(at.x()), qRound(at.y()));
    EXPECT_GT(hot.red(), hot.blue() + 60);
    const QColor same = view->shownImage().pixelColor(220, 150);
    EXPECT_LT(std::abs(same.red() - same.blue()) + std::abs(same.red() - same.green()), 6);

    // Nudged four pixels off, the boards' edges no longer lie on each other (Shift let go before
    // the arrow counts as held); reset, they do.
    key(Qt::Key_Right, 3);
    QTest::keyPress(window.get(), Qt::Key_Shift);
    QTest::keyPress(window.get(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyRelease(window.get(), Qt::Key_Shift);
    QTest::keyRelease(window.get(), Qt::Key_Right);
    show(sceneFrame(placed));
    EXPECT_GT(overlay().areas.size(), 1);
    key(Qt::Key_Backspace);
    show(sceneFrame(placed));
    EXPECT_EQ(overlay().areas.size(), 1);

    // Another mode ends the comparison and hides its buttons.
    QTest::mouseClick(window->form().pcba_quickFind, Qt::LeftButton);
    EXPECT_FALSE(window->goldenBoardOn());
    EXPECT_FALSE(overlay().on);
    EXPECT_FALSE(window->form().goldenBoard->isVisible());
}

TEST_F(GoldenBoardWindow, ComparesTheBoardInViewWithAReferenceFile)
{
    QTemporaryDir folder;
    const QString path = folder.path() + "/good.ovref";
    show(sceneFrame("single=1"));
    ASSERT_TRUE(window->saveReferenceTo(path));

    // A damaged reference is refused and nothing changes.
    QFile::copy(path, folder.path() + "/cut.ovref");
    QFile cut(folder.path() + "/cut.ovref");
    ASSERT_TRUE(cut.open(QIODevice::ReadWrite));
    cut.resize(cut.size() - 4);
    cut.close();
    EXPECT_FALSE(window->loadReferenceFrom(folder.path() + "/cut.ovref"));
    EXPECT_FALSE(window->goldenBoardOn());

    const std::string placed = "single=1 shiftx=-4 shifty=5 turn=-2 faultpart=0 faultrise=-4";
    ASSERT_TRUE(window->loadReferenceFrom(path));
    show(sceneFrame(placed));
    ASSERT_TRUE(overlay().aligned);
    EXPECT_EQ(overlay().testArea, QRect(0, 0, 256, 192)) << "the whole frame is the board under test";
    ASSERT_FALSE(overlay().areas.isEmpty());
    EXPECT_LT(overlay().areas[0].delta, -3.5f);
    const QPointF at = truth(placed, 0);
    EXPECT_NEAR(overlay().areas[0].centre.x(), at.x(), 2.0);
    EXPECT_NEAR(overlay().areas[0].centre.y(), at.y(), 2.0);

    // A board of another layout does not lie on the reference: no difference is shown.
    show(sceneFrame("single=1 layout=17"));
    EXPECT_FALSE(overlay().aligned);
    EXPECT_TRUE(overlay().areas.isEmpty());

    // Off forgets the file; a reference of another camera's size is refused.
    QTest::mouseClick(window->form().goldenBoard, Qt::LeftButton);
    EXPECT_FALSE(window->goldenBoardOn());
    window->GetCameraSize(384, 288, 15);
    auto large = flatFrame(384, 288, 30.0f);
    window->presentFrame(large);
    EXPECT_FALSE(window->loadReferenceFrom(path));
    EXPECT_FALSE(window->goldenBoardOn());
}

} // namespace
