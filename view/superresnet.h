#pragma once

#include <QString>

#include "view/fsrcnnengine.h"

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>

// The image work of super resolution: the FSRCNN x2 network, held within a few grey levels of
// bicubic interpolation, then a light sharpen and an edge-preserving smooth that takes the
// sharpen's ringing off flat areas.
class SuperResNet
{
public:
    // False, with OpenCV's reason in error, when the file is missing or not a model.
    bool load(const QString& modelPath, QString* error);
    bool loaded() const { return ready; }
    void unload() { ready = false; }
    // Empty when our own engine runs the network; otherwise why OpenCV runs it (a network not
    // of FSRCNN's form, at OpenCV's speed).
    const QString& openCvReason() const { return notOwnEngine; }

    // 8-bit one-channel input of w x h into output of 2w x 2h, same type. Throws
    // std::exception (cv::Exception from OpenCV, std::bad_alloc without memory) when the
    // image cannot be processed.
    void upsample(const cv::Mat& input, cv::Mat& output);
    // The network's enlargement held near bicubic, without the sharpen and smooth.
    void enlarge(const cv::Mat& input, cv::Mat& output);

private:
    // The network's own 2x image of input (a view into the member that holds it).
    cv::Mat networkOutput(const cv::Mat& input);

    cv::dnn::Net network;
    FsrcnnEngine engine;
    QString notOwnEngine;
    cv::Mat padded, enlargedPadded, enlargedByEngine, bicubic, lowest, highest, enlarged, sharpened;
    bool ready = false;
};
