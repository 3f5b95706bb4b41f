// The board registration as the view shows it: the photograph over the live picture, until it
// is removed.
#include "matcher/line2dtrain.h"
#include "tests/support/appdirenvironment.h"
#include "tests/support/boardimages.h"
#include "tests/support/testframes.h"
#include "view/viewport.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

namespace {

const auto* environment = AppDirEnvironment::install();

TEST(ViewRegistration, ThePhotographLiesOverTheLivePictureUntilRemoved)
{
    const cv::Mat photo = boardPhoto(21), thermal = thermalViewOf(photo);
    ASSERT_TRUE(QDir().mkpath(gAppDir + "/PCB/2Dpicture"));
    const line2d::Detector trainer(200, {2, 4}, 30, 30);
    cv::FileStorage file((gAppDir + "/PCB/test_temple.yaml").toStdString(), cv::FileStorage::WRITE);
    line2d::writeClass(file, "test", {line2d::train(trainer, thermal)});
    file.release();
    const QString picture = gAppDir + "/PCB/2Dpicture/board.png";
    ASSERT_TRUE(cv::imwrite(picture.toStdString(), photo));

    ViewPort view;
    view.resize(640, 480);
    EXPECT_FALSE(view.startRegistration(picture)) << "no frame to register with";
    view.setCameraGeometry(256, 192, 15);
    auto frame = flatFrame(256, 192, 30.0f);
    std::copy(thermal.datastart, thermal.dataend, frame->image.begin());
    view.setFrame(frame);
    view.renderFrame();
    const QImage live = view.shownImage();

    QSignalSpy finished(&view, &ViewPort::registrationFinished);
    ASSERT_TRUE(view.startRegistration(picture));
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_TRUE(finished.front().at(0).toBool()) << finished.front().at(1).toString().toStdString();
    EXPECT_TRUE(view.registrationShown());
    const QImage overlaid = view.shownImage();
    EXPECT_NEAR(double(overlaid.width()) / overlaid.height(), double(live.width()) / live.height(), 0.01)
        << "the picture keeps its shape, so measurements keep their places";
    EXPECT_GT(overlaid.width(), live.width()) << "the photograph's detail, not the frame's grid";

    // Flipped, the overlay follows the picture.
    view.setOrientation(0, true, false);
    view.renderFrame();
    EXPECT_TRUE(view.registrationShown());
    EXPECT_EQ(view.shownImage(), overlaid.mirrored(true, false));

    view.removeRegistration();
    EXPECT_FALSE(view.registrationShown());
    EXPECT_EQ(view.shownImage(), live);
}

} // namespace
