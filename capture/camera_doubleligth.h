#pragma once

#include "capture/videodevice.h"
#include "libtccmd.h"
#include "libtcuvc.h"
#include "pipeline/frame.h"
#include "pipeline/imagemode.h"
#include "pipeline/sensorcorrection.h"
#include "pipeline/uvcpipeline.h"

#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <vector>

class QTimer;

// The dual-light camera: an infrared module (256 x 192 Y16, the frame pipeline's infrared
// chain) and a visible camera (800 x 600 MJPG) fused by a worker thread into an 800 x 600
// picture with temperatures aligned to it. The alignment comes from the camera's record
// (received over its serial link) and the user's manual adjustment, saved 1.5 s after the
// last move.
//
// Threads: the device manager's worker opens and closes; the two stream threads fill their
// own buffers under the shared lock; the fusion worker takes the lock exclusively for each
// cycle and hands results to the frame sink; manual moves and setters come from the GUI thread.
class Camera_DoubleLigth : public QObject
{
    Q_OBJECT

public:
    static constexpr int kVisibleWidth = 800, kVisibleHeight = 600, kIrWidth = 256, kIrHeight = 192;
    static constexpr int kTotalDisparity = 300, kDefaultDisparity = 110;
    static constexpr int kMinDisparity = -kTotalDisparity / 4, kMaxDisparity = kTotalDisparity * 3 / 4;
    static constexpr int kRecordBytes = 192;
    static constexpr const char* kIrName = "USB Camera";

    // Called on the capture thread once per fused frame, which extractFrame() then takes.
    using FusedFrameCallback = std::function<void()>;
    explicit Camera_DoubleLigth(FusedFrameCallback frameSink, QObject* parent = nullptr);
    ~Camera_DoubleLigth() override;

    // The infrared module is listed; its name is kept (deviceName()).
    bool isPresent();
    QString deviceName() const;
    // While open: whether the infrared module that is open is still attached.
    bool isAttached();
    bool open();
    void close();
    bool isIrOpen() const { return irOpen; }
    bool isOpen() const { return irOpen && vlOpen; }

    void setFusionMode(int mode);
    void storeFusionMode(int mode) { fusionMode = mode; }
    int getFusionMode() const { return fusionMode; }
    void setLpyDetail(int value, bool apply);
    int getLpyDetail() const;
    int getMeanWeight() const;
    void setMeanWeight(int value, bool apply);
    void setDisparity(int value);
    int getDisparity() const { return disparity; }
    void setManualCoefficients(const std::array<float, 6>& coefficients);
    std::array<float, 6> getManualCoefficients() const;
    void setLowTemperatureMode(bool on) { lowTemperatureMode = on; }
    // Tables and gain of the infrared module for the measuring range (true: high range); see
    // uvccommands::switchRange. False, nothing changed, when refused or not open.
    bool setTemperatureRange(bool on, bool tablesRequired = true);
    // Emissivity, reflected and ambient temperature (degC) for the infrared module.
    // The camera corrects emissivity and reflection; the air and the offset are taken out of
    // its temperatures here. transmittance: of the air over the path.
    void sendCorrection(const SensorCorrection& correction, float transmittance);
    // A new record arrived while open: aligned by it from the next frame on.
    void reloadRecord();
    // The infrared picture's colours in the fusion (256 RGB entries); the grey ramp until set.
    void setColourMap(const uint8_t* map);
    void setImageMode(int mode) { imageMode.set(mode); }
    // While on, the infrared layer is coloured from the temperatures, linearly over the span
    // (the slider's narrowed window), instead of from its grey picture and image mode.
    void setTemperatureSpan(bool on, float lowCelsius, float highCelsius);
    bool resetCalibration();
    QByteArray readSerial();

    // 0 shift down, 1 shift up, 2 disparity + 1, 3 disparity - 1.
    void manualMove(int direction);
    void manualReset();

    // The newest fused result (on the frame sink's thread): aligned temperatures and the fused
    // picture at 800 x 600; without temperatures when imageOnly.
    bool extractFrame(Frame& frame, bool imageOnly);

    // The record in use (tests, diagnostics).
    std::array<uint8_t, kRecordBytes> record() const;
    // How long a stream may stay silent before fusion stops.
    static constexpr std::chrono::milliseconds kStaleAfter{2000};
    // Before the worker's first cycle; tests shorten it.
    void setStartDelay(std::chrono::milliseconds delay) { startDelay = delay; }

public slots:
    void SaveManualValue();

private:
    struct Stream
    {
        tcuvc_handle_t* uvc = nullptr;
        tccmd_handle_t* cmd = nullptr;
        tcuvc_device_entry_t entry{};
        tcuvc_stream_params_t params{};
        bool open = false;
    };

    bool createHandles(Stream& stream, const char* failed, const char* succeeded);
    bool selectDevice(Stream& stream, uint32_t vendor, uint32_t product);
    bool openInfrared();
    bool openVisible();
    void closeStream(Stream& stream, const char* failed);
    void loadRecord();
    // Applies record, coefficients, disparity, mode and its parameter; write lock held.
    void configureFusion();
    void loadColourMap();
    void storeAlignment(const std::array<float, 6>& coefficients) const;

    static void onIrFrame(void* frame, void* user);
    static void onVisibleFrame(void* frame, void* user);
    void runWorker();
    bool fuseOnce();

    FusedFrameCallback frameSink;
    Stream ir, vl;
    std::atomic<bool> irOpen{false}, vlOpen{false};
    QString irName;
    mutable std::mutex nameMutex;

    UvcPipeline irPipeline;
    ImageMode imageMode;
    std::shared_ptr<const std::vector<float>> correctedTable; // through atomic_load and atomic_store
    std::atomic<bool> spanOn{false};
    std::atomic<float> spanLow{0.0f}, spanHigh{0.0f};
    std::atomic<bool> lowTemperatureMode{false};

    // Guards every buffer below and the fusion library.
    mutable std::shared_mutex lock;
    std::array<uint8_t, kRecordBytes> calibRecord{};
    std::array<uint8_t, 768> colourMap{};
    bool colourMapSet = false;
    std::array<float, 6> manualCoefficients{1, 0, 0, 0, 1, 0};
    std::atomic<int> disparity{kDefaultDisparity};
    std::atomic<int> fusionMode{1};
    int lpyDetail = 6, meanWeight = 88;
    bool manualActive = false;
    std::vector<uint8_t> visibleImage;
    std::vector<uint8_t> ir8, irFiltered, fusedRgba, fusedRgb;
    std::vector<uint16_t> irKelvin, alignedKelvin;
    bool haveFused = false;
    std::atomic<bool> irHighRange{false}, fusedHighRange{false};

    using Clock = std::chrono::steady_clock;
    std::atomic<int64_t> irStamp{0}, vlStamp{0}; // Clock ticks; 0: no frame yet
    std::atomic<uint64_t> irFrames{0}, vlFrames{0};
    std::atomic<bool> badPictureLogged{false};

    std::thread worker;
    std::mutex workerMutex;
    std::condition_variable workerWake;
    bool stopRequested = false;
    std::chrono::milliseconds startDelay{2000};

    QTimer* manualTimer = nullptr;
};
