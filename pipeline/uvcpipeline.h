#pragma once

#include "libtccmd.h"
#include "pipeline/calibrationtables.h"
#include "pipeline/devicekind.h"
#include "pipeline/ispcontext.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// The device half of the frame pipeline for the UVC cameras, run on the stream thread: the
// per-device buffers and the per-frame chains of the Y16 kinds (2, 3) and the in-frame kind (4).
// After a delivered frame, temperatureData() holds the frame's raw temperatures (kelvin * 16,
// or kelvin * 64 for kind 4) and image() its 8-bit picture, both width() x height().
class UvcPipeline
{
public:
    explicit UvcPipeline(IspContext& isp = IspContext::shared());
    ~UvcPipeline();
    UvcPipeline(const UvcPipeline&) = delete;
    UvcPipeline& operator=(const UvcPipeline&) = delete;

    // Allocates the buffers for a stream of streamWidth x streamHeight 16-bit pixels and, for
    // the Y16 kinds, sets up the ISP with the tables. cmd answers the sensor temperature. Kind
    // 4 streams a picture of its own size above its temperatures.
    bool open(DeviceKind kind, int streamWidth, int streamHeight, tccmd_handle_t* cmd,
              const CalibrationTables& tables);
    void close();
    bool isOpen() const { return deviceKind != None; }

    // Runs the chain of the kind on one frame; false when the frame is dropped.
    bool processFrame(const uint8_t* frame);

    // A change of measuring range: frames are dropped from beginRangeSwitch() on, including
    // any frame already under way, until settleFrames frames have arrived after
    // endRangeSwitch(). So no delivered frame mixes a raw image taken with one gain with the
    // tables of the other range, whatever the camera still had queued. Any thread.
    void beginRangeSwitch();
    // The tables of the new range (ignored by kind 4, which the camera calibrates itself).
    void replaceTables(const CalibrationTables& tables);
    void endRangeSwitch(int settleFrames);

    DeviceKind kind() const { return deviceKind; }
    int width() const { return imageWidth; }
    int height() const { return imageHeight; }
    int frameCounter() const { return frames; }
    // The measuring range of the tables that corrected the last delivered frame.
    bool lastFrameHighRange() const { return lastHighRange; }
    const uint16_t* temperatureData() const;
    const uint8_t* image() const;
    // The sensor correction's degC of every raw temperature word, or null: none (any thread;
    // an opening drops it, since it belongs to a kind).
    void setTemperatureCorrection(std::shared_ptr<const std::vector<float>> table);
    std::shared_ptr<const std::vector<float>> temperatureCorrection() const;

private:
    bool runChain(const uint8_t* frame);
    bool processY16(const uint8_t* frame);
    bool process160(const uint8_t* frame);

    IspContext& isp;
    DeviceKind deviceKind = None;
    tccmd_handle_t* cmd = nullptr;
    int imageWidth = 0, imageHeight = 0;
    int frames = 0;
    bool lastHighRange = false;
    std::atomic<bool> tablesHighRange{false};
    std::atomic<bool> switchingRange{false};
    std::atomic<unsigned> rangeSwitches{0};
    std::atomic<int> settleFramesLeft{0};
    // Y16: F, G, A, B, DDE output, RGB. Kind 4: F, the two halves, RGB.
    std::vector<uint16_t> f, g, a, b, ddeOut, imageHalf, temperatureHalf;
    std::vector<uint8_t> rgb;
    std::shared_ptr<const std::vector<float>> correction; // through atomic_load and atomic_store
};
