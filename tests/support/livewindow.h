#pragma once
// The real main window fed by a virtual camera, with a stand-in detection program that
// reports the camera named last (again after every restart, as the real one does).
#include "app/orvik.h"
#include "sdk/virtual/registry.h"
#include "tests/support/appdirenvironment.h"
#include "view/viewport.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>

class LiveWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(gAppDir + "/detecProcess");
        writeReport(QString());
        options.detection.running = [] { return true; };
        options.detection.start = [this] {
            std::lock_guard<std::mutex> lock(mutex);
            writeReport(reported);
        };
        options.detection.stop = [] {};
    }
    void TearDown() override
    {
        window.reset();
        tcsim::clearRegistryText();
    }
    void report(const QString& camera)
    {
        std::lock_guard<std::mutex> lock(mutex);
        reported = camera;
        writeReport(camera);
    }
    static void writeReport(const QString& camera)
    {
        QSettings file(gAppDir + "/detecProcess/NameConfig.ini", QSettings::IniFormat);
        file.setValue("productName", camera.isEmpty() ? QString() : gProductName);
        file.setValue("cameraName", camera);
    }
    void open()
    {
        window = std::make_unique<Orvik>(options);
        window->show();
        view = window->form().viewport;
    }
    // Opens the window with the camera of that registry line plugged in and waits for frames.
    bool openWith(const char* registryLine, const QString& camera, const QSize& frame)
    {
        tcsim::setRegistryText(registryLine);
        open();
        report(camera);
        return showsFramesOf(frame);
    }
    bool showsFramesOf(const QSize& size, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return !view->noCameraShown() && view->frameSize() == size; }, ms);
    }
    void clickImage(const QPoint& pixel, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(view, button, {}, view->imageToWidget(pixel) + QPoint(1, 1));
    }
    void dragImage(const QPoint& from, const QPoint& to)
    {
        const QPoint a = view->imageToWidget(from) + QPoint(1, 1), b = view->imageToWidget(to) + QPoint(1, 1);
        QTest::mousePress(view, Qt::LeftButton, {}, a);
        QMouseEvent move(QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        QTest::mouseRelease(view, Qt::LeftButton, {}, b);
    }

    FunctionModel::Options options;
    std::mutex mutex;
    QString reported;
    std::unique_ptr<Orvik> window;
    ViewPort* view = nullptr;
};
