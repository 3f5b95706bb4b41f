#pragma once

#include "pipeline/devicekind.h"

#include <cstdint>
#include <memory>
#include <vector>

class UvcPipeline;

// One processed camera frame: temperatures in degC (row-major, index y * width + x), the
// 8-bit picture and the hottest and coldest pixel (positions in the unrotated frame). It
// carries its own size, so nobody reads it with another camera's. Filled once on the capture
// thread, then handed over as a FramePtr and never changed.
struct Frame
{
    int width = 0, height = 0;
    DeviceKind kind = None;
    int modelIndex = 0;     // row of the camera in the device model table
    uint64_t index = 0;     // frames of the connection before this one
    bool highRange = false; // taken in the high-temperature measuring range
    std::vector<float> temperatures; // width * height, or empty: a picture without temperatures
    std::vector<uint8_t> image;      // width * height grey values
    // A picture in colour (the dual-light camera's fusion), width * height RGB888; empty for
    // the cameras whose grey picture the view colours.
    std::vector<uint8_t> rgb;
    float maxTemp = 0.0f, minTemp = 0.0f;
    int maxX = 0, maxY = 0, minX = 0, minY = 0;

    int pixels() const { return width * height; }
    bool hasTemperatures() const { return !temperatures.empty(); }
    // Buffers for a width x height frame (no colour picture); a frame of the same size keeps
    // its memory.
    void resize(int width, int height);
    // Only the picture is handed on: no temperatures, extremes 0.
    void dropTemperatures();
    // Whether every temperature and both extremes are numbers: the last check before a frame
    // is handed on, whatever camera it came from.
    bool temperaturesFinite() const;
};

using FramePtr = std::shared_ptr<const Frame>;

// Temperatures (degC) and extremes of a frame of the frame's size from raw temperatures
// (kelvin * 64 for kind 4, kelvin * 16 otherwise), through the sensor correction's table of
// every raw word when there is one. False when they cannot be read or are not all numbers.
bool fillTemperatures(const uint16_t* raw, DeviceKind kind, Frame& frame, const std::vector<float>* corrected = nullptr);

// Temperatures, extremes and picture of the frame the pipeline just delivered, at the size of
// the pipeline's image. False when the pipeline holds no frame.
bool extractUvcFrame(const UvcPipeline& pipeline, Frame& frame);
