// The device manager with the real detection program: it starts its own copy, the copy
// finds the virtual camera, the camera connects, and the copy ends with the manager. Another
// copy of the program on the machine is never touched.
#include "device/functionmodel.h"
#include "tests/support/appdirenvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const auto* environment = AppDirEnvironment::install();

// Children of this process running the program at that path.
QList<qint64> childrenRunning(const QString& program)
{
    QList<qint64> found;
    const QStringList tasks = QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks) {
        QFile children("/proc/self/task/" + task + "/children");
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& pid : children.readAll().split(' '))
            if (!pid.trimmed().isEmpty() && QFile::symLinkTarget("/proc/" + pid.trimmed() + "/exe") == program)
                found.append(pid.trimmed().toLongLong());
    }
    return found;
}

TEST(RealDetectionProgram, OwnCopyFindsTheCameraAndEndsWithTheManagerAnotherCopySurvives)
{
    QDir().mkpath(gAppDir + "/detecProcess");
    const QString program = gAppDir + "/detecProcess/DetecApplication";
    ASSERT_TRUE(QFile::copy(DETECT_PROGRAM, program));
    const QString registry = gAppDir + "/devices.txt";
    {
        QFile file(registry);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Lumo serial=REALDET\n");
    }
    ::setenv("TCSIM_DEVICES", registry.toLocal8Bit().constData(), 1);

    // Someone else's copy of the program, elsewhere, under the same name.
    QTemporaryDir elsewhere;
    const QString strangerProgram = elsewhere.path() + "/DetecApplication";
    ASSERT_TRUE(QFile::copy(DETECT_PROGRAM, strangerProgram));
    QProcess stranger;
    stranger.start(strangerProgram, QStringList());
    ASSERT_TRUE(stranger.waitForStarted(5000));

    FunctionModel::Options options;
    options.loopIntervalMs = 20;
    auto model = std::make_unique<FunctionModel>(options);
    bool connected = false;
    QObject::connect(model.get(), &FunctionModel::setConnected, model.get(), [&](bool on) { connected = on; });
    EXPECT_EQ(childrenRunning(program).size(), 1) << "started with the manager";
    EXPECT_TRUE(QTest::qWaitFor([&] { return connected; }, 10000));
    model.reset();
    EXPECT_TRUE(childrenRunning(program).isEmpty()) << "ended with the manager";
    EXPECT_EQ(stranger.state(), QProcess::Running) << "the other copy is left alone";
    stranger.kill();
    stranger.waitForFinished(5000);
    ::unsetenv("TCSIM_DEVICES");
}

} // namespace
