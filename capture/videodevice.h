#pragma once

#include "libtccmd.h"
#include "libtcuvc.h"
#include "pipeline/devicekind.h"
#include "pipeline/frame.h"
#include "pipeline/sensorcorrection.h"
#include "pipeline/uvcpipeline.h"
#include "videoinput.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class VideoDevice;

// Called on the capture thread once per frame: the raw sample for the K7-22, which the device
// manager decodes; null and 0 for the UVC kinds, whose results already lie in the device.
using FrameReadyCallback = std::function<void(const uint8_t* data, int length)>;

// Capture back-end of the single-stream cameras (kinds 1-4): finds the camera of a table row,
// opens it, runs the device half of the frame pipeline on its frames and closes it. The
// K7-22 is a video-input device driven by command words through its zoom control; the UVC
// cameras go through the SDK's device and command libraries.
//
// Not thread-safe: the device manager serialises opening, closing and commands.
class VideoDevice
{
public:
    static constexpr const char* kK722Name = "K7-22";
    static constexpr const char* kUvcName = "USB Camera";

    explicit VideoDevice(FrameReadyCallback frameSink);
    ~VideoDevice();
    VideoDevice(const VideoDevice&) = delete;
    VideoDevice& operator=(const VideoDevice&) = delete;

    // Whether the camera of a table row is there. While a camera is open: whether that very
    // camera is still attached, whatever else of its kind is plugged in.
    bool isPresent(int row);
    bool openCamera();
    bool closeCamera();
    // Why the last open failed when the camera itself cannot be used as it is, rather than
    // failed on the way (which the next attempt may mend): a device node the user may not
    // open, a Y16 camera whose calibration cannot be read (without it its counts are no
    // temperatures), a camera that does not stream its table row's picture. None after a
    // success.
    enum class Refusal
    {
        None,
        AccessDenied,
        NoCalibration,
        NoStream,
    };
    Refusal openRefusal() const { return refusal; }
    // The device node of a real camera ("/dev/video2"), otherwise the listed name.
    QString refusedDevice() const { return refusedName; }
    void setExpectedName(const QString& name) { expectedName = name; }
    void setLowTemperatureMode(bool on) { lowTemperatureMode = on; }
    // UVC: tables and gain of the measuring range (true: the high-temperature range). Frames
    // taken across the change are dropped. A switch (Required) changes nothing and returns
    // false when the range's tables cannot be read whole; at opening (BestEffort) the gain is
    // set whatever the tables, as the camera must run in its range in any case.
    enum class Tables
    {
        Required,
        BestEffort,
    };
    bool setTemperatureRange(bool on, Tables tables = Tables::Required);
    void setAutoShutter(uint16_t value);
    // K7-22: a command word through the zoom control of the selected entry.
    bool sendCameraCommand(int value);
    // K7-22: 0x8020, 0x8004, 0x8000, then the stream runs.
    void sendStartupCommands();

    bool isK722() const { return path == Path::VideoInput; }
    bool isUvc() const { return path == Path::Uvc; }
    DeviceKind kind() const;
    // The kind of the open camera; safe to ask from the capture thread.
    DeviceKind openKind() const { return DeviceKind(openedKind.load()); }

    // Whether a frame handed to the frame sink can be used: the K7-22's samples must be whole
    // frames of the designed format, a UVC camera's results must lie in its pipeline. Every
    // other question about the frame comes after this one.
    bool acceptsFrame(const uint8_t* data, int length) const;
    // Serial number: the K7-22's from the frame, a UVC camera's from its device information
    // (the placeholder when it is not letters and digits only); empty when the camera has none.
    QByteArray readSerial(const uint8_t* data);
    // K7-22: its calibration is re-read from this frame.
    void refreshParameters(const uint8_t* data);
    // Temperatures, extremes and picture of the current frame, at the frame's own size.
    bool extractFrame(const uint8_t* data, Frame& frame);

    // The sensor correction, for the open camera's kind: the K7-22 applies all of it in its
    // library; a Y16 camera corrects emissivity and reflection itself and the rest is taken
    // out of its temperatures here; the in-frame cameras' temperatures are corrected here
    // wholly. transmittance: of the air over the path.
    void updateSensorParameters(const SensorCorrection& correction, float transmittance);
    bool resetCalibration();

    tccmd_handle_t* commandHandle() const { return cmdHandle; }

private:
    struct VideoInputEntry
    {
        vi_device_t* device;
        QByteArray path;
        int width, height;
        bool running;
    };

    void createHandles();
    void releaseHandles();
    bool findUvcEntry(tcuvc_device_entry_t& entry);
    bool isPresentUvc();
    bool isPresentVideoInput();
    bool openCameraAttached();
    bool openUvc(bool halves);
    bool refuse(Refusal why, const QString& device, const QString& detail);
    bool openVideoInput();
    bool closeUvc();
    void closeVideoInput();
    static void onUvcFrame(void* frame, void* user);
    static void onVideoInputSample(const uint8_t* buffer, int length, void* user);

    FrameReadyCallback frameSink;
    int modelIndex = -1;
    // Set while a camera is open; the frame path reads this, never the names the worker
    // rewrites at every presence test.
    std::atomic<int> openedKind{None};
    bool lowTemperatureMode = false;
    QString expectedName;
    // Which back-end found the camera: it opens and closes it, whatever the camera's name.
    enum class Path
    {
        None,
        VideoInput,
        Uvc,
    };
    Path path = Path::None;
    QByteArray deviceName;
    tcuvc_handle_t* uvcHandle = nullptr;
    tccmd_handle_t* cmdHandle = nullptr;
    tcuvc_device_entry_t selectedEntry{};
    tcuvc_stream_params_t streamParameters{};
    bool y16Preview = false;
    UvcPipeline pipeline;
    std::vector<VideoInputEntry> entries;
    size_t selectedVideoInput = 0;
    std::vector<uint8_t> k7Picture; // kept between frames: a flat frame shows the previous one
    bool lastPresence = false; // log the presence lines only when the answer changes
    Refusal refusal = Refusal::None;
    QString refusedName;
    QString loggedRefusal; // a refusal repeated at every attempt is logged once
};
