// The device manager's worker thread: finds out which camera is attached (with the detection
// program), connects and disconnects it, and watches for it to go.
#include "capture/camera_doubleligth.h"
#include "capture/videodevice.h"
#include "core/configmanager.h"
#include "core/globals.h"
#include "core/log.h"
#include "device/functionmodel.h"
#include "pipeline/devicemodel.h"
#include "platform/threadname.h"
#include "serial/serialport.h"
#include "serial/uarthandle.h"

#include <QTime>

namespace {

constexpr int kScansBeforeRestart = 20;
constexpr int kScansWhileRunning = 1200;
constexpr int kQuickRoundsAfterLoss = 10;

} // namespace

void FunctionModel::workerLoop()
{
    setCurrentThreadName("orvik-worker");
    {
        std::lock_guard<std::mutex> lock(workerMutex);
        paused = false;
    }
    const auto interval = std::chrono::milliseconds(options.loopIntervalMs);
    // Right after a camera is lost the next one (a twin left attached, a swap) is usually
    // reported at once: look again sooner for a few rounds.
    const auto quickInterval = std::min(interval, std::chrono::milliseconds(100));
    while (true) {
        {
            std::unique_lock<std::mutex> lock(workerMutex);
            workerWake.wait(lock, [this] { return !paused || stopRequested; });
            if (stopRequested)
                break;
        }
        scanStep();
        detectionStep();
        connectionStep();
        const bool quick = quickRounds > 0 && !connected;
        quickRounds = connected ? 0 : std::max(quickRounds - 1, 0);
        std::unique_lock<std::mutex> lock(workerMutex);
        if (workerWake.wait_for(lock, quick ? quickInterval : interval, [this] { return stopRequested; }))
            break;
    }
    const QTime now = QTime::currentTime();
    LOG_INFO(LOG_FUNCTION) << "Time:"
                           << QString::asprintf("%02d:%02d:%02d %03d", now.hour(), now.minute(), now.second(),
                                                now.msec());
}

void FunctionModel::scanStep()
{
    if (connected) {
        scanCount = 0;
        return;
    }
    ++scanCount;
    emit ConnectErr(tr("正在扫描设备......"));
    if (!options.detection.running()) {
        if (scanCount >= kScansBeforeRestart) {
            LOG_INFO(LOG_FUNCTION) << "Exceedconnect:" << scanCount;
            scanCount = 0;
            startDetection();
        }
        return;
    }
    if (scanCount > kScansWhileRunning) {
        stopDetection();
        startDetection();
        scanCount = 0;
    }
}

namespace {

// Text from outside (a result file) in a log line: long values shortened.
QString forLog(const QString& text)
{
    constexpr int kLongest = 64;
    return text.size() <= kLongest ? text : text.left(kLongest) + QStringLiteral("...(%1 characters)").arg(text.size());
}

} // namespace

void FunctionModel::detectionStep()
{
    const DetectionReport::Camera& reported = detectionReport.current();
    const QString productName = reported.productName;
    const QString cameraName = reported.cameraName;
    if (cameraName.isEmpty() || cameraName == deviceModelTable()[size_t(modelIndex.load())].cameraName)
        return;
    // The open camera streams on until it is gone; a new name is acted on after that, so no
    // size or row of another camera is announced while its frames still arrive.
    if (connected)
        return;
    emit ConnectErr(tr("检测到设备，正在等待连接，请稍候......"));
    if (productName != gProductName) {
        emit ConnectErr(tr("设备和软件不匹配!请检查软件或设备。"));
        modelIndex = 0;
        // One restart lets the program write the file afresh; after that the same camera
        // stays ignored until another one is reported.
        const QString camera = productName + QLatin1Char('/') + cameraName;
        if (camera != mismatchedCamera) {
            mismatchedCamera = camera;
            LOG_INFO(LOG_FUNCTION) << "camera is not match " + gProductName + "! CameraType is " + forLog(cameraName);
            restartDetection();
        }
        return;
    }
    mismatchedCamera.clear();
    const int row = findDeviceModel(cameraName, productName);
    if (row < 0)
        return;
    const DeviceKind kind = deviceModelTable()[size_t(row)].kind;
    const FrameSize size = modelFrameSize(row);
    emit sendCameraSize(size.width, size.height, row);
    LOG_INFO(LOG_FUNCTION) << (kind == Uvc384 ? "检测到384" : kind == Uvc160 ? "检测到160" : kind == DualLight ? "检测到双光" : "检测到256");
    {
        std::lock_guard<std::recursive_mutex> lock(cameraMutex);
        videoDevice->setExpectedName(cameraName);
    }
    modelIndex = row;
    scanCount = 0;
}

void FunctionModel::connectionStep()
{
    std::unique_lock<std::recursive_mutex> lock(cameraMutex);
    const bool present = isPresent();
    if (connected && !present) {
        tearDownConnection();
        quickRounds = kQuickRoundsAfterLoss;
        // Outside the camera lock: ending the program may take a moment, and the GUI thread
        // must not wait for it to change the range or send a command.
        lock.unlock();
        restartDetection();
    } else if (connected && present) {
        if (!serial().isEmpty() && justConnected.exchange(false)) {
            emit setConnected(true);
            emit serportStop();
        }
    } else if (!connected && present) {
        emit ConnectErr(tr("设备正在连接中，请稍候......"));
        openCamera();
        emit ConnectErr(QString());
        // A refusal stays the last word until the camera connects or goes.
        const QString refused = connected ? QString() : refusalMessage();
        if (!refused.isEmpty())
            emit ConnectErr(refused);
        if (refused != refusal && !refused.isEmpty()) {
            LOG_WARNING(LOG_FUNCTION) << "camera refused:" << refused;
            emit cameraRefused(refused);
        }
        refusal = refused;
    } else if (!present) {
        refusal.clear();
    }
}

bool FunctionModel::isPresent()
{
    if (getDeviceKind() != DualLight)
        return videoDevice->isPresent(modelIndex);
    // While open: that very camera; otherwise any dual-light camera's infrared module.
    return dualCamera->isIrOpen() ? dualCamera->isAttached() : dualCamera->isPresent();
}

void FunctionModel::openDualLight()
{
    ++calibWaitCount;
    emit serportStart();
    LOG_INFO(LOG_FUNCTION) << "cnt:" << calibWaitCount;
    if (dualCamera->deviceName() != QLatin1String(Camera_DoubleLigth::kIrName)) {
        if (calibWaitCount == 1)
            LOG_INFO(LOG_FUNCTION) << "dual-light infrared module is named" << dualCamera->deviceName() << ", not connected";
        return;
    }
    if (!serialPort->hasCalibrationData()) {
        if (calibWaitCount <= kCalibrationWaits)
            return;
        emit GetPortDataErr(tr("未读到出厂标定数据，将使用默认数据，请检查串口连接情况！"));
    }
    calibWaitCount = 0;
    dualCamera->setLowTemperatureMode(lowTemperatureMode);
    emit DoubleConnected(true);
    const int mode = storedFusionMode();
    emit SetDoubleModel(mode);
    dualCamera->storeFusionMode(mode);
    if (!dualCamera->open()) // with the stored detail level and mean weight
        return;
    dualCamera->setTemperatureRange(lowTemperatureMode, false);
    correctOpenCamera();
    markConnected();
}

void FunctionModel::markConnected()
{
    // Set last: the first frame published is corrected and in its range.
    justConnected = true;
    refreshParameters = true;
    connected = true;
}

void FunctionModel::openCamera()
{
    const DeviceKind kind = DeviceKind(getDeviceKind());
    if (kind == DualLight) {
        openDualLight();
        return;
    }
    if (kind < DirectShowY16 || kind > Uvc160)
        return;
    videoDevice->setLowTemperatureMode(lowTemperatureMode);
    if (!videoDevice->openCamera())
        return;
    videoDevice->sendStartupCommands();
    if (videoDevice->isUvc()) {
        videoDevice->setTemperatureRange(lowTemperatureMode, VideoDevice::Tables::BestEffort);
    } else if (videoDevice->isK722()) {
        emit Sets0_40();
        ConfigManager* config = ConfigManager::getInstance();
        if (config->getEquipmentValue(QStringLiteral("LowTemperatureMode")))
            config->setEquipmentValue(QStringLiteral("LowTemperatureMode"), false);
        int max = 0, min = 0;
        config->getFixedTempRange(false, max, min);
        emit InitTempRange(settings.temperatureUnit, min, max);
    }
    correctOpenCamera();
    markConnected();
}

QString FunctionModel::refusalMessage() const
{
    if (getDeviceKind() == DualLight)
        return QString();
    const QString device = videoDevice->refusedDevice();
    switch (videoDevice->openRefusal()) {
    case VideoDevice::Refusal::AccessDenied:
        return tr("无法打开摄像头 %1：没有读写权限。请安装本软件的 udev 规则后重新插入摄像头，或将用户加入 "
                  "video 组。")
            .arg(device);
    case VideoDevice::Refusal::NoCalibration:
        return tr("摄像头 %1 的标定数据无法读取，无法测量温度，未连接。").arg(device);
    case VideoDevice::Refusal::NoStream:
        return tr("摄像头 %1 不提供所需的图像格式，未连接。").arg(device);
    case VideoDevice::Refusal::None:
        break;
    }
    return QString();
}

void FunctionModel::tearDownConnection()
{
    justConnected = false;
    connected = false;
    modelIndex = 0;
    videoDevice->setExpectedName(QString());
    videoDevice->closeCamera(); // no frame arrives after this
    if (dualCamera->isIrOpen())
        dualCamera->close();
    calibWaitCount = 0;
    emit setConnected(false);
    setSerial(QByteArray());
    emit SetSN(QString());
    frames.drop();
    frames.startConnection();
    emit SetDoubleModel(1);
    emit DoubleConnected(false);
}

void FunctionModel::startDetection()
{
    DetectionProgram::emptyResultFile();
    options.detection.start();
}

void FunctionModel::stopDetection()
{
    LOG_INFO(LOG_FUNCTION) << "KillProcess";
    options.detection.stop();
}

void FunctionModel::restartDetection()
{
    // A second copy would fight the first over the result file: stop it before starting.
    stopDetection();
    startDetection();
}
