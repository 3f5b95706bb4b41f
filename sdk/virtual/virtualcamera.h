#pragma once
// One virtual camera: its scene, sensor, flash, settings and the stream thread that renders
// frames at the camera rate. Time inside the camera is the frame count over the frame rate,
// so a frame's content depends only on its index and the camera's settings.
#include "registry.h"
#include "scene.h"
#include "sensor.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tcsim {

class VirtualCamera
{
public:
    explicit VirtualCamera(const DeviceSpec& spec);
    ~VirtualCamera();
    VirtualCamera(const VirtualCamera&) = delete;
    VirtualCamera& operator=(const VirtualCamera&) = delete;

    const DeviceSpec& spec() const { return deviceSpec; }
    // Stream geometry in 16-bit words: the kind 4 stream stacks image and temperature halves,
    // the K7-22 adds four parameter lines.
    int streamWidth() const;
    int streamHeight() const;

    // One owner (an open handle) at a time.
    bool claim(const void* owner);
    void unclaim(const void* owner);
    bool claimedBy(const void* owner) const;

    using Sink = std::function<void(const uint8_t* data, int bytes)>;
    bool startStream(Sink sink);
    // Joins the stream thread; a call from inside the sink only stops delivery.
    void stopStream();
    bool streaming() const { return running.load(); }

    int setTpd(int id, int value);
    int getTpd(int id, uint16_t* value);
    int setShutterParam(int id, int value);
    int getShutterParam(int id, uint16_t* value);
    int saveConfig(int section);
    int readFlash(uint32_t address, uint32_t length, uint8_t* out);
    void offsetUpdate();
    int startY16Preview();
    uint16_t housingWord();
    // K7-22 command words through the zoom control.
    int cameraCommand(int value);
    std::vector<int> commands();

    int64_t currentFrameIndex() const { return frameIndex.load(); }
    // Ground truth of a frame (degC, image size; the infrared module's for a visible camera),
    // independent of the sensor.
    void truth(int64_t index, std::vector<float>& out);
    void surfaceEmissivity(std::vector<float>& out);

    // Renders frame index into the buffer (streamWidth * streamHeight words); used by the
    // stream thread and by benchmarks.
    void renderFrame(int64_t index, uint16_t* out);

private:
    struct Model; // scene, tables and per-pixel terms, built on first use
    void prepare();
    void rebuildSignal();
    void renderY16(double t, uint16_t* out);
    void render160(double t, uint16_t* out);
    void renderK7(double t, uint16_t* out);
    void renderVisible(uint16_t* out);
    // Starts an automatic shutter event when one is due; true while the shutter is closed.
    bool applyAutoShutter(double t);
    double housingKelvin(double t) const;
    // The offset is measured afresh at camera time t (a shutter event or a command).
    void shutterAt(double t);
    double timeOf(int64_t index) const { return double(index) / deviceSpec.fps; }
    void run(Sink sink);

    const DeviceSpec deviceSpec;
    mutable std::mutex mutex; // settings and the model
    std::unique_ptr<Model> model;
    const void* owner = nullptr;

    TpdParams tpd;
    uint16_t shutter[4] = {1, 3, 15, 20};
    uint16_t savedShutter[4] = {1, 3, 15, 20};
    bool y16Preview = false;
    bool previewFailed = false;
    double lastShutterTime = 0.0;
    double shutterHousing = 0.0;  // housing temperature (K) at the last shutter
    double shutterOpensAt = -1.0; // camera time the closed shutter opens again
    std::vector<int> commandLog;

    std::atomic<int64_t> frameIndex{-1};
    std::atomic<bool> running{false};
    std::atomic<bool> stopRequested{false};
    std::mutex wakeMutex;
    std::condition_variable wake;
    std::thread thread;
};

} // namespace tcsim
