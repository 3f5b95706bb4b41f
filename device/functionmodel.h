#pragma once

#include "core/usersettings.h"
#include "device/detectionprogram.h"
#include "device/detectionreport.h"
#include "device/framepublisher.h"
#include "pipeline/frame.h"
#include "pipeline/imagemode.h"
#include "pipeline/orientation.h"
#include "pipeline/sensorcorrection.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class Camera_DoubleLigth;
class QTimer;
class VideoDevice;
class serialport;
class uarthandle;

// The device manager: finds out which camera is attached (with the detection program),
// connects and disconnects it on a worker thread, holds the newest frame's results and
// hands them to the main window, and keeps the camera's range, orientation and settings.
class FunctionModel : public QObject
{
    Q_OBJECT

public:
    // How the worker reaches the detection program; tests swap in their own.
    struct DetectionControl
    {
        std::function<bool()> running;
        std::function<void()> start; // after the result file is emptied
        std::function<void()> stop;
    };
    struct Options
    {
        int loopIntervalMs = 500;
        int frequencyReadMs = 45000; // how often the K7-22's command interval is read again
        DetectionControl detection; // empty members: the real program, our own child
    };

    explicit FunctionModel(QObject* parent = nullptr);
    FunctionModel(const Options& options, QObject* parent = nullptr);
    ~FunctionModel() override;

    void setImageMode(int mode);
    int getImageMode() const { return imageMode.enhance() ? 1 : (imageMode.highContrast() ? 2 : 0); }
    // The slider's window for the dual-light camera, which colours its fusion itself.
    void setTemperatureSpan(bool on, float lowCelsius, float highCelsius);
    void flipHorizontal();
    void flipVertical();
    void resetOrientation();
    // The orientation saved at the last shutdown, applied at start.
    void setOrientation(int rotation, bool hFlip, bool vFlip);
    // true: the high-temperature range. False when refused.
    bool setLowTemperatureMode(bool on);
    bool resetCalibration(); // whether the camera took the command
    // The sensor correction: stored in the settings by the settings dialog, applied to the camera
    // at once and at every connection; read back as it is in use.
    void updateSensorParameters(float emiss, float refltmp, float airtmp, float humi, float distance, float fix);
    void readSensorParameters(float& emiss, float& refltmp, float& airtmp, float& humi, float& fix,
                              const uint8_t* tauTable, float& distance);
    SensorCorrection sensorCorrection() const;
    void setImageOnly(bool on) { imageOnly = on; }
    // The diagnosis mode: PcbaQuickFind, HeatField or BoardCompare. False (and nothing
    // changes) when it is already the mode or no such mode exists.
    enum FunctionMode
    {
        PcbaQuickFind = 0,
        HeatField = 1,
        BoardCompare = 2,
    };
    bool setFunctionMode(int mode);
    int getFunctionMode() const { return functionMode; }

    int getModelIndex() const { return modelIndex; }
    int getDeviceKind() const;
    bool isConnected() const { return connected; }
    bool isK722() const;
    bool getLowTemperatureMode() const { return lowTemperatureMode; }
    int getTempRangeMin() const { return tempRangeMin; }
    int getTempRangeMax() const { return tempRangeMax; }
    int getRotation() const { return orientation.rotation(); }
    bool getHFlip() const { return orientation.hFlip(); }
    bool getVFlip() const { return orientation.vFlip(); }
    uint16_t getTauValue() const { return tauValue; }

    // The user's choices read at construction, saved at destruction (GUI thread).
    const UserSettings& userSettings() const { return settings; }
    QString getTempUnit() const { return settings.temperatureUnit; }
    QString getImagePath() const { return settings.snapshotFolder; }
    QString getVideoPath() const { return settings.videoFolder; }
    QString getWarningSoundName() const { return settings.alarmSound; }
    int getSoundIntervalSeconds() const { return settings.alarmRepeatSeconds; }
    bool getMouseTemp() const { return settings.mouseReadoutOff; }
    int getThreeDLevel() const { return settings.heatFieldLevel; }
    bool getHighTempAlarm() const { return settings.alarmOn; }
    QString getHighTempThreshold() const { return settings.alarmThreshold; }
    bool getMaxTempTrack() const { return settings.trackHottest; }
    bool getMinTempTrack() const { return settings.trackColdest; }
    void setTempUnitValue(const QString& unit) { settings.temperatureUnit = unit; }
    void setImagePath(const QString& path) { settings.snapshotFolder = path; }
    void setVideoPath(const QString& path) { settings.videoFolder = path; }
    void setWarningSoundName(const QString& name) { settings.alarmSound = name; }
    void setSoundIntervalSeconds(int seconds) { settings.alarmRepeatSeconds = seconds; }
    void setMouseTemp(bool off) { settings.mouseReadoutOff = off; }
    void setThreeDLevel(int level) { settings.heatFieldLevel = level; }
    void setHighTempAlarm(bool on) { settings.alarmOn = on; }
    void setHighTempThreshold(const QString& threshold) { settings.alarmThreshold = threshold; }
    void setMaxTempTrack(bool on) { settings.trackHottest = on; }
    void setMinTempTrack(bool on) { settings.trackColdest = on; }

    // The dual-light camera's fusion (GUI thread): mode 1-3, manual alignment (0 down, 1 up,
    // 2 disparity + 1, 3 disparity - 1) and its reset. Nothing happens without that camera.
    void setFusionMode(int mode);
    int getFusionMode() const;
    void manualMove(int direction);
    void manualReset();
    bool isDualLightOpen() const;
    // The colours (768 bytes) of the infrared picture in the dual-light fusion.
    void setFusionPalette(const unsigned char* palette);
    // Connection attempts of a dual-light camera may wait this many times for its record.
    static constexpr int kCalibrationWaits = 30;

    // The identifier shown for a serial number, with the program's display key.
    static QString displayIdentifier(const QByteArray& serial);

signals:
    // On the GUI thread, the newest frame since the last: its own size, camera, range and
    // extremes (no temperatures when only the picture is shown). The frame never changes; keep
    // the pointer as long as it is needed. Frames that came meanwhile were replaced, not queued.
    void frameReady(FramePtr frame);
    void SetSN(QString sn);
    void setConnected(bool connected);
    void RotateParam(int rote, bool hfilp, bool vfilp);
    void setTempUnit(QString unit);
    void sendCameraSize(int width, int high, int num);
    void InitTempRange(QString temp, int min, int max);
    void serportStart();
    void serportStop();
    void Sets0_40();
    void ConnectErr(QString mess);
    void GetPortDataErr(QString mess);
    void DoubleConnected(bool connected);
    void SetDoubleModel(int mode);
    // The high-temperature range was asked of a camera that has none: show the notice.
    void highRangeUnavailable();
    // The attached camera cannot be used as it is (a device node the user may not open, a
    // camera without its calibration): what the user must know, once per camera and cause.
    void cameraRefused(QString message);

private slots:
    void checkSN();
    void presentFrame();
    void AppRunTime();
    void calibDevices();
    void frencDevice();
    void AutoGetFrequencyParame();

private:
    void initVariable();
    void createChildren();
    void initEquitMessage();
    void createFolders();
    void initMode();
    void createTimers();
    void uninitEquitMessage();

    void workerLoop();
    void scanStep();
    void detectionStep();
    void connectionStep();
    void tearDownConnection(); // the detection program is restarted after it, by the caller
    void openCamera();
    static SensorCorrection storedCorrection();
    // The correction to the camera, as its kind takes it: once connected, and while connecting.
    void applyCorrection();
    void correctOpenCamera();
    void markConnected();
    QString refusalMessage() const;
    void openDualLight();
    bool isPresent();
    void readFusionSettings();
    static int storedFusionMode();
    void writeFusionSettings();

    void startDetection();
    void stopDetection();
    void restartDetection();
    void stopWorker();

    void onCameraFrame(const uint8_t* data, int length);
    void onDualFrame();
    // The first frame of a connection tells the serial number (or that there is none).
    void learnSerial(QByteArray read);
    QByteArray serial() const;
    void setSerial(const QByteArray& serial);

    Options options;
    DetectionProgram detectionProgram;
    DetectionReport detectionReport{DetectionProgram::resultFilePath()}; // worker thread
    std::unique_ptr<VideoDevice> videoDevice;
    std::unique_ptr<Camera_DoubleLigth> dualCamera;
    std::unique_ptr<uarthandle> uartHandle;
    serialport* serialPort = nullptr; // child
    int calibWaitCount = 0;          // worker thread: attempts that waited for the record

    // Worker thread.
    std::thread worker;
    std::mutex workerMutex;
    std::condition_variable workerWake;
    bool paused = false;
    bool stopRequested = false;
    // Opening, closing, range changes and commands act on the camera one at a time.
    mutable std::recursive_mutex cameraMutex;

    // Connection state.
    std::atomic<int> modelIndex{0};
    std::atomic<bool> connected{false};
    std::atomic<bool> justConnected{false};
    std::atomic<bool> refreshParameters{true};
    int scanCount = 0;
    int quickRounds = 0; // worker thread: rounds left at the short interval after a loss
    QString mismatchedCamera; // of another product line, reported once while it stays
    QString refusal;          // worker thread: why the camera was refused, reported once
    mutable std::mutex serialMutex;
    QByteArray deviceSerial;

    FramePublisher frames{[this] { QMetaObject::invokeMethod(this, "presentFrame", Qt::QueuedConnection); }};
    std::atomic<bool> imageOnly{false};
    ImageMode imageMode;

    int functionMode = PcbaQuickFind; // GUI thread

    // Range and orientation.
    std::atomic<bool> lowTemperatureMode{false};
    int tempRangeMin = 0, tempRangeMax = 0;
    Orientation orientation;
    uint16_t tauValue = 0;
    SensorCorrection correction; // in use: what the settings hold (under cameraMutex)

    UserSettings settings; // GUI thread
    int frequencyMs = 10000;
    bool startupElapsed = false;

    QTimer* appRunTimer = nullptr;
    QTimer* calibTimer = nullptr;
    QTimer* frequencyTimer = nullptr;
    QTimer* frequencyParamTimer = nullptr;
};
