#pragma once

#include <cstdint>
#include <vector>

// The pictures behind the 3D heat field: the frame's grey levels spread over the slider's
// window, box-smoothed, and coloured through the palette. Heights and colours of one frame.
class HeatFieldImage
{
public:
    // Buffers for a width x height surface; the windowed heights start at 0.
    void setSize(int width, int height);
    void setGrayWindow(float low, float high) { grayLow = low, grayHigh = high; }
    // Level 1 (or less) leaves the picture unsmoothed; level n averages (2n - 1)^2 blocks.
    void setSmoothing(int level) { radius = level - 1; }
    // palette: 768 bytes, copied.
    void setPalette(const uint8_t* palette);

    // A degenerate window (high <= low) keeps the previous frame's heights.
    void setFrame(const uint8_t* gray);

    int width() const { return w; }
    int height() const { return h; }
    const std::vector<uint8_t>& windowed() const { return windowedValues; }
    const std::vector<uint8_t>& smoothed() const { return smoothedValues; }
    const std::vector<uint8_t>& rgb() const { return rgbValues; }

private:
    void smooth();

    int w = 0, h = 0;
    float grayLow = 0.0f, grayHigh = 1.0f;
    int radius = 0;
    uint8_t palette[768] = {};
    std::vector<uint8_t> windowedValues, smoothedValues, rgbValues;
    std::vector<uint32_t> sums; // (w + 1) x (h + 1) running sums of the windowed values
};
