#include "view/superresnet.h"

#include <QFile>

#include <opencv2/imgproc.hpp>

#include <stdexcept>

namespace {

// Pixels mirrored around the frame for a network OpenCV runs, whose reach is not known: what
// the shipped model looks across, so that at least a network like it sees no zero padding at
// the frame's edges. Our engine mirrors exactly what its network looks across.
constexpr int kOpenCvContext = 5;

// How far the enlargement may depart from bicubic interpolation of the camera's frame, in grey
// levels: room to take the camera's noise off and to steepen an edge, never enough to dim a
// small hot part into its bench or to draw one that is not there. (Unbounded, the network
// shipped before took a hot part three camera pixels wide from 255 down to 155 on a flat
// bench, where bicubic keeps 225.) Chosen on the training's validation frames, where 4 to 6
// levels gain most; the training holds the network as the program does.
constexpr int kMostFromBicubic = 4;

} // namespace

bool SuperResNet::load(const QString& modelPath, QString* error)
{
    ready = false;
    notOwnEngine.clear();
    try {
        network = cv::dnn::readNetFromTensorflow(QFile::encodeName(modelPath).toStdString());
        std::string why;
        if (!engine.build(network, &why))
            notOwnEngine = QString::fromStdString(why);
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

cv::Mat SuperResNet::networkOutput(const cv::Mat& input)
{
    if (engine.ready()) {
        const int context = engine.context();
        cv::copyMakeBorder(input, padded, context, context, context, context, cv::BORDER_REFLECT_101);
        engine.run(padded, enlargedByEngine);
        return enlargedByEngine;
    }
    cv::copyMakeBorder(input, padded, kOpenCvContext, kOpenCvContext, kOpenCvContext, kOpenCvContext,
                       cv::BORDER_REFLECT_101);
    network.setInput(cv::dnn::blobFromImage(padded, 1.0 / 255.0));
    cv::Mat out = network.forward();
    if (out.dims != 4 || out.size[1] != 1 || out.size[2] != 2 * padded.rows || out.size[3] != 2 * padded.cols)
        throw std::runtime_error("the network's output is not one channel of twice the input's size");
    cv::Mat(out.size[2], out.size[3], CV_32F, out.ptr<float>()).convertTo(enlargedPadded, CV_8U, 255.0);
    return enlargedPadded(cv::Rect(2 * kOpenCvContext, 2 * kOpenCvContext, 2 * input.cols, 2 * input.rows));
}

void SuperResNet::enlarge(const cv::Mat& input, cv::Mat& output)
{
    const cv::Mat network = networkOutput(input);
    cv::resize(input, bicubic, network.size(), 0, 0, cv::INTER_CUBIC);
    cv::subtract(bicubic, cv::Scalar(kMostFromBicubic), lowest); // saturating, as 8-bit pixels
    cv::add(bicubic, cv::Scalar(kMostFromBicubic), highest);
    cv::max(network, lowest, output);
    cv::min(output, highest, output);
}

void SuperResNet::upsample(const cv::Mat& input, cv::Mat& output)
{
    static const cv::Mat sharpen = (cv::Mat_<signed char>(3, 3) << 0, -1, 0, -1, 5, -1, 0, -1, 0);
    enlarge(input, enlarged);
    cv::filter2D(enlarged, sharpened, -1, sharpen, cv::Point(-1, -1), 0.0);
    cv::bilateralFilter(sharpened, output, 11, 5.0, 5.0);
}
