// The 3D heat field on a real (virtual) X display with OpenGL: its size rules, its mouse and
// a rendered surface in the palette's colours.
#include "pipeline/devicemodel.h"
#include "view/custominputhandler.h"
#include "view/hot3dwidget.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QtDataVisualization/Q3DCamera>
#include <QtDataVisualization/Q3DScene>
#include <QtDataVisualization/Q3DSurface>

#include <gtest/gtest.h>

#include <numeric>

using namespace QtDataVisualization;

namespace {

FramePtr gradientFrame(int w, int h)
{
    auto frame = std::make_shared<Frame>();
    frame->resize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            frame->image[size_t(y) * w + x] = uint8_t(x * 255 / (w - 1));
    return frame;
}

int dualLightRow()
{
    for (const DeviceModel& model : deviceModelTable())
        if (model.kind == DualLight)
            return model.id;
    return -1;
}

TEST(Hot3DWidget, TheDualLightCameraAlwaysGivesA256x192Surface)
{
    Hot3DWidget widget;
    ASSERT_GT(dualLightRow(), 0);
    widget.setCameraGeometry(800, 600, dualLightRow());
    EXPECT_EQ(widget.heights().width(), 256);
    EXPECT_EQ(widget.heights().height(), 192);
    widget.setFrame(gradientFrame(800, 600));
    EXPECT_EQ(widget.heights().width(), 256) << "a frame of another size changes nothing";
    EXPECT_EQ(widget.heights().smoothed()[255], 0);

    // The camera's fused 800 x 600 picture stands on the infrared module's grid.
    auto fused = std::make_shared<Frame>(*gradientFrame(800, 600));
    fused->kind = DualLight;
    widget.setFrame(fused);
    EXPECT_EQ(widget.heights().width(), 256);
    EXPECT_GT(widget.heights().smoothed()[255], 240) << "the picture's right edge on the grid's right edge";
    EXPECT_LT(widget.heights().smoothed()[0], 15);
}

TEST(Hot3DWidget, LateFramesOfTheOldCameraAreLeftOutAndChangesShowAtOnce)
{
    Hot3DWidget widget;
    widget.setFrame(gradientFrame(100, 50));
    EXPECT_EQ(widget.heights().width(), 100) << "before any camera is announced the frames set the size";
    widget.setCameraGeometry(160, 120, 14);
    widget.setFrame(gradientFrame(160, 120));
    widget.setFrame(gradientFrame(256, 192)); // the camera before, still on its way
    EXPECT_EQ(widget.heights().width(), 160);
    EXPECT_EQ(widget.heights().smoothed()[159], 255) << "still the announced camera's frame";

    uint8_t blue[768] = {};
    for (int i = 0; i < 256; ++i)
        blue[3 * i + 2] = uint8_t(i);
    widget.setPalette(blue);
    EXPECT_EQ(widget.heights().rgb()[3 * 159 + 2], 255) << "recoloured without waiting for a frame";
    widget.clear();
    EXPECT_EQ(widget.heights().smoothed()[159], 0) << "no camera: nothing stands";
}

TEST(Hot3DWidget, RendersTheSurfaceInThePalettesColoursAndALeftDragTurnsIt)
{
    Hot3DWidget widget;
    widget.resize(640, 480);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    ASSERT_TRUE(widget.hasGraph()) << "OpenGL under Xvfb";
    uint8_t palette[768];
    for (int i = 0; i < 256; ++i) { // black to pure red: no colour of the default theme
        palette[3 * i] = uint8_t(i);
        palette[3 * i + 1] = 0;
        palette[3 * i + 2] = 0;
    }
    widget.setPalette(palette);
    widget.setCameraGeometry(256, 192, 15);
    widget.setFrame(gradientFrame(256, 192));
    QTest::qWait(300);
    const QImage shot = widget.surface()->renderToImage(0, QSize(320, 240));
    ASSERT_FALSE(shot.isNull());
    int greenish = 0, reddish = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            greenish += c.green() > 60 && c.green() > 2 * c.red() && c.green() > 2 * c.blue();
            reddish += c.red() > 60 && c.red() > 2 * c.green();
        }
    EXPECT_GT(reddish, shot.width() * shot.height() / 20) << "the surface is drawn in the palette";
    EXPECT_EQ(greenish, 0);

    auto* handler = qobject_cast<CustomInputHandler*>(widget.surface()->activeInputHandler());
    ASSERT_NE(handler, nullptr);
    // A left drag turns the camera, as a right drag does by default.
    Q3DCamera* camera = widget.surface()->scene()->activeCamera();
    const float before = camera->xRotation();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(100, 100), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    handler->mousePressEvent(&press, QPoint(100, 100));
    for (int x = 110; x <= 200; x += 10) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 100), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        handler->mouseMoveEvent(&move, QPoint(x, 100));
    }
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(200, 100), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    handler->mouseReleaseEvent(&release, QPoint(200, 100));
    EXPECT_NE(camera->xRotation(), before);
}

} // namespace
