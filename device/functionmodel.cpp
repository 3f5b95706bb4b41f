#include "device/functionmodel.h"

#include "capture/camera_doubleligth.h"
#include "capture/transmittance.h"
#include "capture/videodevice.h"
#include "core/configmanager.h"
#include "core/globals.h"
#include "core/log.h"
#include "pipeline/devicemodel.h"
#include "pipeline/serialnumber.h"
#include "serial/serialport.h"
#include "serial/uarthandle.h"

#include <QDir>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cmath>

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
    settings = config->readUserSettings();
    // These product lines have no high range.
    if (settings.highRange && (gProductName == QLatin1String("Quell_IR") || gProductName == QLatin1String("Harrow_IR"))) {
        settings.highRange = false;
        config->writeUserSettings(settings);
    }
    const bool low = settings.highRange;
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
         {storage.calibration, storage.detection, settings.snapshotFolder, settings.videoFolder, pcb + QStringLiteral("/2DImage"),
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
    frames.drop();
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
    settings.highRange = lowTemperatureMode;
    config->writeUserSettings(settings);
    const bool rotationSavingOff = config->getEquipmentValue(QStringLiteral("SaveRotate"));
    config->setEquipmentValue(QStringLiteral("SaveRotate"), rotationSavingOff);
    if (!rotationSavingOff) {
        config->setSettingValue(QStringLiteral("RotateAngle"), QString::number(orientation.rotation()));
        config->setEquipmentValue(QStringLiteral("HorizontalFlip"), orientation.hFlip());
        config->setEquipmentValue(QStringLiteral("VerticalFlip"), orientation.vFlip());
    }
    LOG_INFO(LOG_FUNCTION) << "UninitEquitMessage";
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
    std::shared_ptr<Frame> frame = frames.acquire();
    if (!videoDevice->extractFrame(data, *frame))
        return;
    frame->modelIndex = modelIndex;
    imageMode.apply(*frame);
    if (imageOnly)
        frame->dropTemperatures();
    frames.publish(std::move(frame));
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
    std::shared_ptr<Frame> frame = frames.acquire();
    if (!dualCamera->extractFrame(*frame, imageOnly))
        return;
    frame->modelIndex = modelIndex;
    frames.publish(std::move(frame));
}

void FunctionModel::presentFrame()
{
    if (FramePtr frame = frames.take())
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
    return ::displayIdentifier(serial);
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
