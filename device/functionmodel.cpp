#include "device/functionmodel.h"

#include "capture/camera_doubleligth.h"
#include "capture/transmittance.h"
#include "capture/videodevice.h"
#include "core/configmanager.h"
#include "core/globals.h"
#include "core/log.h"
#include "pipeline/devicemodel.h"
#include "pipeline/serialnumber.h"
#include "platform/threadname.h"
#include "serial/serialport.h"
#include "serial/uarthandle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

// Letters mixed into the serial number for the identifier shown to the user.
const char kDisplayKey[] = "KTRVMZHQDLXE";
const char kHexDigits[] = "0123456789ABCDEF";
constexpr int kScansBeforeRestart = 20;
constexpr int kScansWhileRunning = 1200;
constexpr int kQuickRoundsAfterLoss = 10;

} // namespace

FunctionModel::FunctionModel(QObject* parent) : FunctionModel(Options(), parent) {}

FunctionModel::FunctionModel(const Options& opts, QObject* parent) : QObject(parent), options(opts)
{
    qRegisterMetaType<FramePtr>("FramePtr"); // for receivers on other threads
    if (!options.detection.running)
        options.detection.running = [this] { return detectionProgram.running(); };
    if (!options.detection.start)
        options.detection.start = [this] { detectionProgram.start(); };
    if (!options.detection.stop)
        options.detection.stop = [this] { detectionProgram.stop(); };

    initVariable();
    createChildren();
    initEquitMessage();
    createFolders();
    initMode();
    createTimers();
}

void FunctionModel::initVariable()
{
    modelIndex = 0;
    scanCount = 0;
    refreshParameters = true;
    setSerial(QByteArray());
    LOG_INFO(LOG_FUNCTION) << "InitVariable";
}

void FunctionModel::createChildren()
{
    videoDevice = std::make_unique<VideoDevice>(
        [this](const uint8_t* data, int length) { onCameraFrame(data, length); });
    dualCamera = std::make_unique<Camera_DoubleLigth>([this] { onDualFrame(); });
    uartHandle = std::make_unique<uarthandle>();
    serialPort = new serialport(uartHandle.get(), this);
    connect(uartHandle.get(), &uarthandle::IsShakeHandsMsg, serialPort, &serialport::ShankHandHandleSlots);
    connect(uartHandle.get(), &uarthandle::IsReadDataMsg, serialPort, &serialport::ReadCalDataSlots);
    connect(this, &FunctionModel::serportStart, serialPort, &serialport::QTimerStart);
    connect(this, &FunctionModel::serportStop, serialPort, &serialport::QTimerStop);
    // A record that comes after the camera opened (a camera swapped for another) aligns it.
    connect(serialPort, &serialport::recordStored, this, [this] { dualCamera->reloadRecord(); });
    LOG_INFO(LOG_FUNCTION) << "CreateChildren";
}

// The sensor correction the settings hold (their defaults where a value is missing or out of
// its domain).
SensorCorrection FunctionModel::storedCorrection()
{
    ConfigManager* config = ConfigManager::getInstance();
    const auto value = [config](const char* key) { return config->getSettingOrDefault(QLatin1String(key)).toFloat(); };
    return SensorCorrection{value("emiss"), value("refltmp"), value("airtmp"), value("humi"), value("distan"), value("fix")};
}

void FunctionModel::initEquitMessage()
{
    ConfigManager* config = ConfigManager::getInstance();
    tempUnit = config->getSettingOrDefault(QStringLiteral("TempUnit"));
    imagePath = config->getPathOrDefault(QStringLiteral("ImagePath"));
    videoPath = config->getPathOrDefault(QStringLiteral("VideoPath"));
    warningSoundName = config->getSettingOrDefault(QStringLiteral("WarningSoundName"));
    soundIntervalSeconds = config->getSettingOrDefault(QStringLiteral("SoundIntervalSeconds")).toInt();
    mouseTemp = config->getEquipmentValue(QStringLiteral("MouseTemp"));
    config->setEquipmentValue(QStringLiteral("MouseTemp"), mouseTemp);
    threeDLevel = config->getSettingOrDefault(QStringLiteral("3DLevel")).toInt();
    highTempAlarm = config->getEquipmentValue(QStringLiteral("HighTempAlarm"));
    highTempThreshold = config->getSettingOrDefault(QStringLiteral("HighTempThreshold"));
    config->getSettingOrDefault(QStringLiteral("Frequency"));
    maxTempTrack = config->getEquipmentValue(QStringLiteral("MaxTempTrack"));
    minTempTrack = config->getEquipmentValue(QStringLiteral("MinTempTrack"));

    bool low = config->getEquipmentValue(QStringLiteral("LowTemperatureMode"));
    if (low && (gProductName == QLatin1String("Quell_IR") || gProductName == QLatin1String("Harrow_IR"))) {
        low = false;
        config->setEquipmentValue(QStringLiteral("LowTemperatureMode"), false);
    }
    lowTemperatureMode = low;
    int highMax = 0, highMin = 0, lowMax = 0, lowMin = 0;
    config->getFixedTempRange(true, highMax, highMin);
    config->getFixedTempRange(false, lowMax, lowMin);
    tempRangeMax = low ? highMax : lowMax;
    tempRangeMin = low ? highMin : lowMin;
    correction = storedCorrection();
    if (gProductName == QLatin1String("Veltrace"))
        readFusionSettings();
    LOG_INFO(LOG_FUNCTION) << "InitEquitMessage";
}

void FunctionModel::readFusionSettings()
{
    ConfigManager* config = ConfigManager::getInstance();
    dualCamera->storeFusionMode(storedFusionMode());
    // Values the file may hold but the fusion cannot use fall back to their defaults.
    auto number = [config](const char* key, int fallback, int low, int high) {
        bool ok = false;
        const int value = config->getDCameraValue(QLatin1String(key)).toInt(&ok);
        return ok && value >= low && value <= high ? value : fallback;
    };
    dualCamera->setDisparity(number("FusionTotDis", Camera_DoubleLigth::kDefaultDisparity,
                                    Camera_DoubleLigth::kMinDisparity, Camera_DoubleLigth::kMaxDisparity));
    dualCamera->setLpyDetail(number("LPYValue", 6, 0, 20), false);
    dualCamera->setMeanWeight(number("MEANValue", 88, 0, 100), false);
    std::array<float, 6> coefficients = dualCamera->getManualCoefficients();
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        const float value = config->getDCameraValue(QStringLiteral("manual%1").arg(i)).toFloat(&ok);
        if (ok && std::isfinite(value))
            coefficients[size_t(i)] = value;
    }
    dualCamera->setManualCoefficients(coefficients);
}

int FunctionModel::storedFusionMode()
{
    // Empty reads as 0; whatever is not a mode of the fusion is the first one.
    const int mode = ConfigManager::getInstance()->getDCameraValue(QStringLiteral("FusionModel")).toInt();
    return mode >= 1 && mode <= 3 ? mode : 1;
}

void FunctionModel::writeFusionSettings()
{
    ConfigManager* config = ConfigManager::getInstance();
    config->setDCameraValue(QStringLiteral("FusionModel"), QString::number(dualCamera->getFusionMode()));
    config->setDCameraValue(QStringLiteral("FusionTotDis"), QString::number(dualCamera->getDisparity()));
    config->setDCameraValue(QStringLiteral("LPYValue"), QString::number(dualCamera->getLpyDetail()));
    config->setDCameraValue(QStringLiteral("MEANValue"), QString::number(dualCamera->getMeanWeight()));
}

void FunctionModel::createFolders()
{
    const StorageFolders& storage = ConfigManager::getInstance()->storage();
    const QString pcb = storage.registration;
    for (const QString& folder :
         {storage.calibration, storage.detection, imagePath, videoPath, pcb + QStringLiteral("/2DImage"),
          pcb + QStringLiteral("/2Dpicture"), pcb + QStringLiteral("/hotimage")})
        if (!QDir(folder).exists() && !QDir().mkpath(folder))
            LOG_WARNING(LOG_FUNCTION) << "cannot create" << folder;
}

void FunctionModel::initMode()
{
    // The detection program is this manager's own child: started here, so the first camera
    // is reported at once rather than after the scans that restart a missing program.
    startDetection();
    worker = std::thread(&FunctionModel::workerLoop, this);
    LOG_INFO(LOG_FUNCTION) << "InitMode";
}

void FunctionModel::createTimers()
{
    appRunTimer = new QTimer(this);
    calibTimer = new QTimer(this);
    frequencyTimer = new QTimer(this);
    frequencyParamTimer = new QTimer(this);
    connect(appRunTimer, &QTimer::timeout, this, &FunctionModel::AppRunTime);
    connect(calibTimer, &QTimer::timeout, this, &FunctionModel::calibDevices);
    connect(frequencyTimer, &QTimer::timeout, this, &FunctionModel::frencDevice);
    connect(frequencyParamTimer, &QTimer::timeout, this, &FunctionModel::AutoGetFrequencyParame);
    appRunTimer->start(6000);
    frequencyParamTimer->start(options.frequencyReadMs);
}

FunctionModel::~FunctionModel()
{
    LOG_INFO(LOG_FUNCTION) << "~FunctionModel";
    // The worker first: it starts and stops the detection program too.
    stopWorker();
    DetectionProgram::emptyResultFile();
    stopDetection();
    uninitEquitMessage();
    for (QTimer* timer : {appRunTimer, calibTimer, frequencyTimer, frequencyParamTimer})
        timer->stop();
    {
        // Close first: the stream thread uses the device until closing has joined it.
        std::lock_guard<std::recursive_mutex> lock(cameraMutex);
        videoDevice->closeCamera();
        videoDevice.reset();
        dualCamera->close();
    }
    dropLatestFrame();
    delete serialPort; // before the parser it feeds
    serialPort = nullptr;
    uartHandle.reset();
    dualCamera.reset();
}

void FunctionModel::stopWorker()
{
    // Ended cooperatively: the worker finishes its step, never dies holding a lock or
    // halfway through opening a camera.
    {
        std::lock_guard<std::mutex> lock(workerMutex);
        stopRequested = true;
    }
    workerWake.notify_all();
    if (worker.joinable())
        worker.join();
}

void FunctionModel::uninitEquitMessage()
{
    ConfigManager* config = ConfigManager::getInstance();
    if (gProductName == QLatin1String("Veltrace"))
        writeFusionSettings();
    config->setEquipmentValue(QStringLiteral("LowTemperatureMode"), lowTemperatureMode);
    config->setEquipmentValue(QStringLiteral("HighTempAlarm"), highTempAlarm);
    config->setEquipmentValue(QStringLiteral("MaxTempTrack"), maxTempTrack);
    config->setEquipmentValue(QStringLiteral("MinTempTrack"), minTempTrack);
    const bool rotationSavingOff = config->getEquipmentValue(QStringLiteral("SaveRotate"));
    config->setEquipmentValue(QStringLiteral("SaveRotate"), rotationSavingOff);
    if (!rotationSavingOff) {
        config->setSettingValue(QStringLiteral("RotateAngle"), QString::number(orientation.rotation()));
        config->setEquipmentValue(QStringLiteral("HorizontalFlip"), orientation.hFlip());
        config->setEquipmentValue(QStringLiteral("VerticalFlip"), orientation.vFlip());
    }
    LOG_INFO(LOG_FUNCTION) << "UninitEquitMessage";
}

// ---------------------------------------------------------------- worker

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
        emit InitTempRange(tempUnit, min, max);
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
    dropLatestFrame();
    framesOfConnection = 0;
    emit SetDoubleModel(1);
    emit DoubleConnected(false);
}

// ---------------------------------------------------------------- detection program

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

// ---------------------------------------------------------------- frames

QByteArray FunctionModel::serial() const
{
    std::lock_guard<std::mutex> lock(serialMutex);
    return deviceSerial;
}

void FunctionModel::setSerial(const QByteArray& value)
{
    std::lock_guard<std::mutex> lock(serialMutex);
    deviceSerial = value.left(63);
}

void FunctionModel::onCameraFrame(const uint8_t* data, int length)
{
    // Nothing of a frame is read before it is known to be whole.
    if (!videoDevice->acceptsFrame(data, length))
        return;
    if (serial().isEmpty()) {
        learnSerial(videoDevice->readSerial(data));
        return;
    }
    if (!connected)
        return;
    if (refreshParameters.exchange(false))
        videoDevice->refreshParameters(data);
    std::shared_ptr<Frame> frame = framePool.acquire();
    if (!videoDevice->extractFrame(data, *frame))
        return;
    frame->modelIndex = modelIndex;
    frame->index = framesOfConnection++;
    imageMode.apply(*frame);
    if (imageOnly)
        frame->dropTemperatures();
    publish(std::move(frame));
}

void FunctionModel::learnSerial(QByteArray read)
{
    if (read.isEmpty()) {
        LOG_INFO(LOG_FUNCTION) << "camera reports no serial number, known as" << placeholderSerial();
        read = placeholderSerial();
    }
    setSerial(read);
    QMetaObject::invokeMethod(this, "checkSN", Qt::QueuedConnection);
}

void FunctionModel::onDualFrame()
{
    if (serial().isEmpty()) {
        learnSerial(dualCamera->readSerial());
        return;
    }
    if (!connected)
        return;
    std::shared_ptr<Frame> frame = framePool.acquire();
    if (!dualCamera->extractFrame(*frame, imageOnly))
        return;
    frame->modelIndex = modelIndex;
    frame->index = framesOfConnection++;
    publish(std::move(frame));
}

void FunctionModel::publish(std::shared_ptr<Frame> frame)
{
    {
        QMutexLocker lock(&frameMutex);
        latestFrame = std::move(frame);
    }
    if (!presentationQueued.exchange(true))
        QMetaObject::invokeMethod(this, "presentFrame", Qt::QueuedConnection);
}

void FunctionModel::dropLatestFrame()
{
    QMutexLocker lock(&frameMutex);
    latestFrame.reset();
}

void FunctionModel::presentFrame()
{
    // Cleared before taking, so a frame stored after this point queues a presentation of its own.
    presentationQueued = false;
    FramePtr frame;
    {
        QMutexLocker lock(&frameMutex);
        frame = std::move(latestFrame);
    }
    if (frame)
        emit frameReady(frame);
}

void FunctionModel::setImageMode(int mode)
{
    imageMode.set(mode);
    dualCamera->setImageMode(mode);
}

void FunctionModel::setTemperatureSpan(bool on, float lowCelsius, float highCelsius)
{
    dualCamera->setTemperatureSpan(on, lowCelsius, highCelsius);
}

void FunctionModel::setFusionMode(int mode)
{
    if (mode < 1 || mode > 3)
        return;
    dualCamera->setFusionMode(mode);
    // The next connection starts in the mode the user chose last.
    ConfigManager::getInstance()->setDCameraValue(QStringLiteral("FusionModel"), QString::number(mode));
}

int FunctionModel::getFusionMode() const
{
    return dualCamera->getFusionMode();
}

void FunctionModel::manualMove(int direction)
{
    if (dualCamera->isOpen())
        dualCamera->manualMove(direction);
}

void FunctionModel::manualReset()
{
    if (dualCamera->isOpen())
        dualCamera->manualReset();
}

void FunctionModel::setFusionPalette(const unsigned char* palette)
{
    dualCamera->setColourMap(palette);
}

bool FunctionModel::isDualLightOpen() const
{
    return dualCamera->isOpen();
}

// ---------------------------------------------------------------- serial number

QString FunctionModel::displayIdentifier(const QByteArray& serial)
{
    QString identifier;
    const int length = std::min(int(serial.size()), 63);
    for (int i = 0; i < length; ++i) {
        const auto byte = uint8_t(serial[i]);
        if (length <= 6) {
            const uint8_t x = byte ^ uint8_t(kDisplayKey[i]);
            identifier += QLatin1Char(kHexDigits[x >> 4]);
            identifier += QLatin1Char(kHexDigits[x & 15]);
        } else {
            identifier += QLatin1Char(kHexDigits[(byte ^ uint8_t(kDisplayKey[0])) & 15]);
        }
    }
    return identifier;
}

void FunctionModel::checkSN()
{
    emit SetSN(displayIdentifier(serial()));
    calibTimer->start(3000);
    LOG_INFO(LOG_FUNCTION) << "device check success";
}

// ---------------------------------------------------------------- timers

void FunctionModel::AppRunTime()
{
    appRunTimer->stop();
    startupElapsed = true;
}

void FunctionModel::calibDevices()
{
    if (connected) {
        refreshParameters = true;
        std::lock_guard<std::recursive_mutex> lock(cameraMutex);
        videoDevice->sendCameraCommand(0x8000);
    }
    calibTimer->stop();
}

void FunctionModel::AutoGetFrequencyParame()
{
    if (!connected || !isK722())
        return;
    const int seconds = ConfigManager::getInstance()->getSettingOrDefault(QStringLiteral("Frequency")).toInt();
    // A setting that does not parse would make a timer that fires without pause.
    frequencyMs = (seconds > 0 ? seconds : 10) * 1000;
    // Restarting a running timer starts its countdown again: an interval longer than this
    // re-read would never be reached.
    if (!frequencyTimer->isActive() || frequencyTimer->interval() != frequencyMs)
        frequencyTimer->start(frequencyMs);
}

void FunctionModel::frencDevice()
{
    if (!isK722() || !connected)
        return;
    refreshParameters = true;
    std::lock_guard<std::recursive_mutex> lock(cameraMutex);
    videoDevice->sendCameraCommand(0x8000);
}

// ---------------------------------------------------------------- operations

int FunctionModel::getDeviceKind() const
{
    return deviceModelTable()[size_t(modelIndex.load())].kind;
}

bool FunctionModel::isK722() const
{
    std::lock_guard<std::recursive_mutex> lock(cameraMutex);
    return videoDevice && videoDevice->isK722();
}

bool FunctionModel::setLowTemperatureMode(bool on)
{
    if (!connected)
        return false;
    if (on && isK722()) {
        emit highRangeUnavailable();
        return false;
    }
    const int kind = getDeviceKind();
    if (kind >= DirectShowY16 && kind <= Uvc160) {
        std::lock_guard<std::recursive_mutex> lock(cameraMutex);
        if (!videoDevice->setTemperatureRange(on))
            return false;
    } else if (kind == DualLight) {
        std::lock_guard<std::recursive_mutex> lock(cameraMutex);
        if (!dualCamera->setTemperatureRange(on))
            return false;
    }
    ConfigManager* config = ConfigManager::getInstance();
    int max = 0, min = 0;
    config->getFixedTempRange(on, max, min);
    tempRangeMax = max;
    tempRangeMin = min;
    lowTemperatureMode = on;
    applyCorrection(); // the air's table of the new range
    const QString unit = config->getSettingOrDefault(QStringLiteral("TempUnit"));
    config->setEquipmentValue(QStringLiteral("LowTemperatureMode"), on);
    emit InitTempRange(unit, tempRangeMin, tempRangeMax);
    emit setTempUnit(unit);
    return true;
}

bool FunctionModel::setFunctionMode(int mode)
{
    if (mode == functionMode || mode < PcbaQuickFind || mode > BoardCompare)
        return false;
    functionMode = mode;
    LOG_INFO(LOG_FUNCTION) << "function mode" << mode;
    return true;
}

bool FunctionModel::resetCalibration()
{
    if (!connected)
        return false;
    refreshParameters = true;
    std::lock_guard<std::recursive_mutex> lock(cameraMutex);
    return getDeviceKind() == DualLight ? dualCamera->resetCalibration() : videoDevice->resetCalibration();
}

void FunctionModel::updateSensorParameters(float emiss, float refltmp, float airtmp, float humi, float distance,
                                           float fix)
{
    {
        std::lock_guard<std::recursive_mutex> lock(cameraMutex);
        correction = SensorCorrection{emiss, refltmp, airtmp, humi, distance, fix};
    }
    applyCorrection();
    calibTimer->start(100);
}

void FunctionModel::readSensorParameters(float& emiss, float& refltmp, float& airtmp, float& humi, float& fix,
                                         const uint8_t* tauTable, float& distance)
{
    // What the temperatures are computed with; the cameras cannot all tell it.
    std::lock_guard<std::recursive_mutex> lock(cameraMutex);
    emiss = correction.emissivity;
    refltmp = correction.reflected;
    airtmp = correction.ambient;
    humi = correction.humidity;
    fix = correction.offset;
    distance = correction.distance;
    if (getDeviceKind() != DirectShowY16)
        transmittance::lookUp(tauTable, transmittance::kTableBytes, humi, airtmp, distance, tauValue);
}

SensorCorrection FunctionModel::sensorCorrection() const
{
    std::lock_guard<std::recursive_mutex> lock(cameraMutex);
    return correction;
}

void FunctionModel::applyCorrection()
{
    std::lock_guard<std::recursive_mutex> lock(cameraMutex);
    if (connected) // otherwise the next connection applies it
        correctOpenCamera();
}

void FunctionModel::correctOpenCamera()
{
    std::lock_guard<std::recursive_mutex> lock(cameraMutex);
    // The path counts in whole metres, as the K7-22 takes it: a bench's few centimetres of air
    // change nothing.
    QFile file(lowTemperatureMode ? QStringLiteral(":/dat/tau_H.DAT") : QStringLiteral(":/dat/tau_L.DAT"));
    const QByteArray table = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    uint16_t tau = transmittance::kClearAir;
    if (!transmittance::lookUp(reinterpret_cast<const uint8_t*>(table.constData()), size_t(table.size()),
                               correction.humidity, correction.ambient, std::floor(correction.distance + 0.5f), tau))
        LOG_INFO(LOG_FUNCTION) << "no transmittance table, the air is left in";
    if (getDeviceKind() == DualLight)
        dualCamera->sendCorrection(correction, tau / float(transmittance::kClearAir));
    else
        videoDevice->updateSensorParameters(correction, tau / float(transmittance::kClearAir));
}

void FunctionModel::flipHorizontal()
{
    if (imageOnly)
        return;
    orientation.flipHorizontal();
    emit RotateParam(orientation.rotation(), orientation.hFlip(), orientation.vFlip());
}

void FunctionModel::flipVertical()
{
    if (imageOnly)
        return;
    orientation.flipVertical();
    emit RotateParam(orientation.rotation(), orientation.hFlip(), orientation.vFlip());
}

void FunctionModel::resetOrientation()
{
    orientation.reset();
}

void FunctionModel::setOrientation(int rotation, bool hFlip, bool vFlip)
{
    orientation.setRotation(rotation);
    orientation.setFlips(hFlip, vFlip);
}
