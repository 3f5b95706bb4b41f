#pragma once

#include "devicekind.h"

#include <cstdint>
#include <vector>

class UvcPipeline;

// What one frame gives the rest of the program: temperatures in degC (row-major), the
// 8-bit picture and the hottest and coldest pixel (positions in the unrotated frame).
struct FrameResult
{
    std::vector<float> temperatures;
    std::vector<uint8_t> image;
    int imageBytes = 0;
    int temperatureCount = 0;
    float maxTemp = 0.0f, minTemp = 0.0f;
    int maxX = 0, maxY = 0, minX = 0, minY = 0;

    bool allocated() const { return !temperatures.empty(); }
    // Buffers for a connection, zeroed; the counts the device reports.
    void allocate(int temperatureCount, int imageBytes);
    void release();
};

// Temperatures, extremes and picture of the frame the pipeline just delivered. The result
// must be allocated with the device's counts (the stream size for the UVC kinds: kind 4
// reports both halves, its temperatures and picture fill the first half). False when the
// pipeline holds no frame or the result is too small.
bool extractUvcFrame(const UvcPipeline& pipeline, FrameResult& result);
