// The device manager with the real detection program: it starts it, the program finds the
// virtual camera, the camera connects, and the program is stopped with the manager.
#include "appdirenvironment.h"
#include "functionmodel.h"
#include "process.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const auto* environment = AppDirEnvironment::install();

TEST(RealDetectionProgram, StartedFoundTheCameraAndStoppedWithTheManager)
{
    QDir().mkpath(gAppDir + "/detecProcess");
    ASSERT_TRUE(QFile::copy(DETECT_PROGRAM, gAppDir + "/detecProcess/DetecApplication"));
    const QString registry = gAppDir + "/devices.txt";
    {
        QFile file(registry);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Lumo serial=REALDET\n");
    }
    ::setenv("TCSIM_DEVICES", registry.toLocal8Bit().constData(), 1);
    ASSERT_FALSE(processRunning("DetecApplication")) << "another copy runs on this machine";

    FunctionModel::Options options;
    options.loopIntervalMs = 20;
    auto model = std::make_unique<FunctionModel>(options);
    bool connected = false;
    QObject::connect(model.get(), &FunctionModel::setConnected, model.get(), [&](bool on) { connected = on; });
    // Twenty scans without the program start it; it reports the camera within its period.
    EXPECT_TRUE(QTest::qWaitFor([] { return processRunning("DetecApplication"); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return connected; }, 10000));
    model.reset();
    EXPECT_TRUE(QTest::qWaitFor([] { return !processRunning("DetecApplication"); }, 3000));
    ::unsetenv("TCSIM_DEVICES");
}

} // namespace
