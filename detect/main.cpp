// The device-detection program: every 500 ms, and at once when udev tells of a video device
// that comes or goes, it looks for an attached camera and writes its product line and model
// name into NameConfig.ini when they change, beside itself or in the folder
// ORVIK_DETECTION_DIR names, with its log in "log" there. It ends
// soon after the application that owns it: the process given by ORVIK_OWNER_PID, otherwise
// the one that started it.
#include "core/log.h"
#include "core/logmanager.h"
#include "detect/cameradetector.h"
#include "detect/detectionloop.h"
#include "detect/hotplugmonitor.h"
#include "platform/process.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

namespace {

constexpr int kIntervalMs = 500;
constexpr int kOwnerGraceMs = 3000;

// The parent is watched by being our parent: its process id may be reused once it is gone,
// but a new process with that id is never the parent of an orphan.
bool ownerAlive(qint64 ownerPid, qint64 startingParent)
{
    if (ownerPid == startingParent)
        return parentProcessId() == ownerPid;
    return processAlive(ownerPid);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The owner names the folder for the result and the log when its own cannot be written.
    const QString given = qEnvironmentVariable("ORVIK_DETECTION_DIR");
    const QString dir = given.isEmpty() ? QCoreApplication::applicationDirPath() : given;
    QDir().mkpath(dir);
    LogManager::getInstance()->setLogDir(dir + QStringLiteral("/log"));
    LogManager::getInstance()->setLogEnabled(true);

    // The system's devices, or the tree ORVIK_SYSFS_ROOT names instead of /sys.
    const QString sysfs = qEnvironmentVariable("ORVIK_SYSFS_ROOT", QStringLiteral("/sys"));
    CameraDetector detector(
        loadUsbRules(QCoreApplication::applicationDirPath() + QStringLiteral("/detect_rules.txt")),
        sysfs + QStringLiteral("/bus/usb/devices"));
    const QString resultPath = dir + QStringLiteral("/NameConfig.ini");
    const qint64 startingParent = parentProcessId();
    const qint64 givenOwner = qEnvironmentVariable("ORVIK_OWNER_PID").toLongLong();
    const qint64 ownerPid = givenOwner > 0 ? givenOwner : startingParent;
    LOG_INFO(LOG_OTHER) << "detection started, owner" << ownerPid;

    DetectionLoop detection(detector, resultPath, kIntervalMs);
    HotplugMonitor hotplug(udevVideoSource());
    detection.watch(&hotplug);
    int ownerMissingMs = 0;
    QTimer ownerWatch;
    QObject::connect(&ownerWatch, &QTimer::timeout, [&] {
        ownerMissingMs = ownerAlive(ownerPid, startingParent) ? 0 : ownerMissingMs + kIntervalMs;
        if (ownerMissingMs >= kOwnerGraceMs) {
            LOG_INFO(LOG_OTHER) << "owner gone, detection ends";
            app.quit();
        }
    });
    ownerWatch.start(kIntervalMs);
    QTimer::singleShot(0, &detection, &DetectionLoop::start);
    return app.exec();
}
