#pragma once

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>

#include <string>
#include <vector>

// The forward pass of an FSRCNN x2 network on one thread: convolutions with PReLU, then a
// 9 x 9 transposed convolution of stride 2 computed as four 5 x 5 convolutions, one for each
// output phase. Every layer takes only the pixels it can see in full (no zero padding), over
// strips of rows that stay in the cache. The weights are the ones OpenCV reads from the
// model file; the result is OpenCV's to rounding.
class FsrcnnEngine
{
public:
    // Takes the weights of net; false, with the reason, when net is not of that form.
    bool build(cv::dnn::Net& net, std::string* why);
    bool ready() const { return !layers.empty(); }
    // How far an output looks beyond its own input pixel, in input pixels: run() needs the
    // image with that many pixels more on every side.
    int context() const { return reach; }
    // padded: 8-bit, one channel, (h + 2 context) x (w + 2 context); output: 8-bit 2h x 2w.
    void run(const cv::Mat& padded, cv::Mat& output);

private:
    struct Convolution
    {
        int inputs = 0, outputs = 0, size = 0;
        std::vector<float> weights; // [output][input][row][column]
        std::vector<float> bias, slope; // slope: PReLU's for negative values
    };
    // One strip's feature maps: channel after channel, rows of `columns` floats.
    struct Maps
    {
        int rows = 0, columns = 0;
        std::vector<float> values;
        void shape(int c, int r, int w);
        float* row(int channel, int y) { return values.data() + (size_t(channel) * rows + y) * columns; }
    };

    void convolve(const Convolution& layer, Maps& in, Maps& out);
    // The strip's high-resolution rows from the last maps, into output rows 2 first ...
    void upsample(Maps& maps, int first, cv::Mat& enlarged);

    std::vector<Convolution> layers;
    // The transposed convolution by phase (2 row parity + column parity): per channel, the 5 x 5
    // taps its phase reads around the input pixel, zero where the 9 x 9 kernel has none.
    std::vector<float> phaseTaps; // [phase][channel][5][5]
    int features = 0;
    float upsampleBias = 0.0f;
    int reach = 0;
    Maps strip, other;
    std::vector<float> accumulators;
    std::vector<const float*> inputRows;
    cv::Mat enlargedFloat;
};
