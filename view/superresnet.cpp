#include "view/superresnet.h"

#include <QFile>

#include <opencv2/imgproc.hpp>

namespace {

// Pixels mirrored around the frame before the network runs and cut off after it: what the
// network looks across (2 for its 5 x 5 layer, 1 for its one mapping layer, 2 for the
// transposed convolution), so no output sees the zeros its convolutions pad with (the training
// never showed it those).
constexpr int kContext = 5;

} // namespace

bool SuperResNet::load(const QString& modelPath, QString* error)
{
    ready = false;
    try {
        network.readModel(QFile::encodeName(modelPath).toStdString());
        network.setModel("fsrcnn", 2);
        ready = true;
    } catch (const cv::Exception& e) {
        if (error)
            *error = QString::fromStdString(e.msg);
    } catch (const std::exception& e) { // out of memory for a model file of any size
        if (error)
            *error = QString::fromLocal8Bit(e.what());
    }
    return ready;
}

cv::Mat SuperResNet::enlarge(const cv::Mat& input)
{
    cv::copyMakeBorder(input, padded, kContext, kContext, kContext, kContext, cv::BORDER_REFLECT_101);
    network.upsample(padded, enlargedPadded);
    return enlargedPadded(cv::Rect(2 * kContext, 2 * kContext, 2 * input.cols, 2 * input.rows));
}

void SuperResNet::upsampleOnly(const cv::Mat& input, cv::Mat& output)
{
    enlarge(input).copyTo(output);
}

void SuperResNet::upsample(const cv::Mat& input, cv::Mat& output)
{
    static const cv::Mat sharpen = (cv::Mat_<signed char>(3, 3) << 0, -1, 0, -1, 5, -1, 0, -1, 0);
    const cv::Mat enlarged = enlarge(input);
    cv::filter2D(enlarged, sharpened, -1, sharpen, cv::Point(-1, -1), 0.0);
    cv::bilateralFilter(sharpened, output, 11, 5.0, 5.0);
}
