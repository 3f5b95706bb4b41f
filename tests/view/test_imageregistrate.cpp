// The PCB registration on synthetic boards: a photograph brought onto the thermal picture, and
// runs that must fail (another board, no or a damaged template file) without harm.
#include "matcher/line2dtrain.h"
#include "tests/support/appdirenvironment.h"
#include "tests/support/boardimages.h"
#include "view/imageregistrate.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>

namespace {

const auto* environment = AppDirEnvironment::install();

const cv::Rect kBoard(100, 75, 600, 450); // in the 800 x 600 photograph

class Registration : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(gAppDir + "/PCB").removeRecursively();
        ASSERT_TRUE(QDir().mkpath(gAppDir + "/PCB/2Dpicture"));
        photo = boardPhoto(21);
        thermal = thermalViewOf(photo);
        // The class the technician trained beforehand on this board's thermal picture.
        const line2d::Detector trainer(200, {2, 4}, 30, 30);
        cv::FileStorage file((gAppDir + "/PCB/test_temple.yaml").toStdString(), cv::FileStorage::WRITE);
        line2d::writeClass(file, "test", {line2d::train(trainer, thermal)});
        file.release();
        registration = std::make_unique<imageRegistrate>();
        registration->setTemplateFiles("test_temple.yaml", "test_infom.yaml");
    }

    bool run(const cv::Mat& picture)
    {
        const QString path = gAppDir + "/PCB/2Dpicture/board.png";
        cv::imwrite(path.toStdString(), picture);
        registration->setPictureName("board.png");
        registration->setThermalImage(thermal);
        EXPECT_TRUE(registration->start());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !registration->isRunning(); }, 10000));
        failure = registration->failure();
        return registration->isFinished();
    }

    cv::Mat photo, thermal;
    std::unique_ptr<imageRegistrate> registration;
    QString failure;
};

TEST_F(Registration, ThePhotographsOutlineLandsOnTheBoardWithinThreePixels)
{
    ASSERT_TRUE(run(photo)) << failure.toStdString();
    const cv::Mat registered = registration->registeredPicture();
    ASSERT_EQ(registered.size(), thermal.size());

    // Where the bench's corners are in the thermal picture, and where the photograph's went.
    cv::Mat edges;
    cv::Canny(registered, edges, 10, 210, 3);
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(edges, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
    ASSERT_FALSE(contours.empty());
    const auto largest = *std::max_element(contours.begin(), contours.end(), [](const auto& a, const auto& b) {
        return cv::minAreaRect(a).size.area() < cv::minAreaRect(b).size.area();
    });
    cv::Point2f found[4];
    cv::minAreaRect(largest).points(found);
    const cv::Matx23d view = thermalCameraView();
    for (const cv::Point2f corner : {cv::Point2f(kBoard.tl()), cv::Point2f(kBoard.br()),
                                     cv::Point2f(float(kBoard.x), float(kBoard.br().y)),
                                     cv::Point2f(float(kBoard.br().x), float(kBoard.y))}) {
        const cv::Point2f truth(float(view(0, 0) * corner.x + view(0, 1) * corner.y + view(0, 2)),
                                float(view(1, 0) * corner.x + view(1, 1) * corner.y + view(1, 2)));
        double nearest = 1e9;
        for (const cv::Point2f& p : found)
            nearest = std::min(nearest, double(cv::norm(p - truth)));
        EXPECT_LE(nearest, 3.0) << "corner " << truth.x << "," << truth.y;
    }
    EXPECT_FALSE(registration->getResult().isNull());
    const QImage view797 = registration->blendOverlay(QImage(256, 192, QImage::Format_RGB888));
    EXPECT_EQ(view797.size(), QSize(797, 597));
    EXPECT_TRUE(registration->getStatus().isEmpty());

    registration->reset();
    EXPECT_TRUE(registration->blendOverlay(QImage(256, 192, QImage::Format_RGB888)).isNull());
}

TEST_F(Registration, APhotographOfAnotherBoardOrTurnedOverFails)
{
    cv::Mat flipped;
    cv::flip(photo, flipped, 0); // the same outline, every part elsewhere
    EXPECT_FALSE(run(flipped));
    EXPECT_TRUE(failure.contains("parts")) << failure.toStdString();
    EXPECT_FALSE(run(boardPhoto(22, cv::Rect(175, 75, 450, 450)))); // a square board
    EXPECT_FALSE(failure.isEmpty());
    EXPECT_FALSE(registration->overlayReady());
}

TEST_F(Registration, NoOrADamagedTemplateFileEndsTheRunWithoutAResult)
{
    QFile::remove(gAppDir + "/PCB/test_temple.yaml");
    EXPECT_FALSE(run(photo));
    EXPECT_EQ(failure, "No test file");

    QFile damaged(gAppDir + "/PCB/broken.yaml");
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("%YAML:1.0\n---\nclass_id: test\ntemplate_pyramids:\n  - { template_id: 3, templates: [] }\n");
    damaged.close();
    registration->setTemplateFiles("broken.yaml", "");
    EXPECT_FALSE(run(photo));
    EXPECT_TRUE(failure.contains("template_id == expected_id")) << failure.toStdString();

    // A feature outside its template's box would have the sums read past their memories.
    QFile outside(gAppDir + "/PCB/outside.yaml");
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.write("%YAML:1.0\n---\nclass_id: test\ntemplate_pyramids:\n  - { template_id: 0, templates: [\n"
                  "    { width: 16, height: 16, tl_x: 0, tl_y: 0, pyramid_level: 0, features: [ [ 191, 143, 7 ] ] },\n"
                  "    { width: 8, height: 8, tl_x: 0, tl_y: 0, pyramid_level: 1, features: [ [ 1, 1, 2 ] ] } ] }\n");
    outside.close();
    registration->setTemplateFiles("outside.yaml", "");
    EXPECT_FALSE(run(photo));
    EXPECT_TRUE(failure.contains("readClass")) << failure.toStdString();

    QFile garbage(gAppDir + "/PCB/garbage.yaml");
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("{{{ not yaml at all \x01\x02");
    garbage.close();
    registration->setTemplateFiles("garbage.yaml", "");
    EXPECT_FALSE(run(photo));
    EXPECT_FALSE(failure.isEmpty());
}

// A class file on which the YAML parser never returns: the run fails with the reason within
// its bound, the view's calls meanwhile answer at once, and the registration can go away.
TEST_F(Registration, AClassFileTheParserNeverFinishesEndsTheRunAndNothingWaits)
{
    ASSERT_TRUE(QFile::copy(ORVIK_TEST_DATA "/registration/class-file-parser-hang.yaml", gAppDir + "/PCB/hang.yaml"));
    registration->setTemplateFiles("hang.yaml", "");
    cv::imwrite((gAppDir + "/PCB/2Dpicture/board.png").toStdString(), photo);
    registration->setPictureName("board.png");
    registration->setThermalImage(thermal);
    ASSERT_TRUE(registration->start());
    const auto started = std::chrono::steady_clock::now();
    while (registration->isRunning()) {
        const auto asked = std::chrono::steady_clock::now();
        registration->blendOverlay(QImage(64, 48, QImage::Format_RGB32), {});
        EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(500)) << "the view waited";
        ASSERT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
        QTest::qWait(50);
    }
    EXPECT_FALSE(registration->isFinished());
    EXPECT_TRUE(registration->failure().contains("abandoned")) << registration->failure().toStdString();
    registration.reset(); // returns: nothing joins the abandoned parser
}

TEST_F(Registration, AThermalPictureWithoutTheBoardIsLowSimilarity)
{
    thermal = cv::Mat(192, 256, CV_8UC1, cv::Scalar(50)); // the bench alone
    cv::Mat noise(thermal.size(), CV_8S);
    cv::randn(noise, 0, 4);
    cv::add(thermal, noise, thermal, cv::noArray(), CV_8U);
    EXPECT_FALSE(run(photo));
    EXPECT_EQ(failure, "Low similarity");

}

TEST_F(Registration, TheViewReadsWhileARunWritesAndGoingAwayEndsTheRun)
{
    const QString path = gAppDir + "/PCB/2Dpicture/board.png";
    cv::imwrite(path.toStdString(), photo);
    registration->setPictureName("board.png");
    registration->setThermalImage(thermal);
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(registration->start());
        EXPECT_FALSE(registration->start()) << "one run at a time";
        const QImage view(256, 192, QImage::Format_RGB888);
        while (registration->isRunning()) {
            registration->blendOverlay(view); // as the view does for every frame
            registration->getResult();
            registration->isFinished();
        }
        EXPECT_TRUE(registration->overlayReady());
    }
    ASSERT_TRUE(registration->start());
    const auto before = std::chrono::steady_clock::now();
    registration.reset(); // while it runs
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
}

} // namespace
