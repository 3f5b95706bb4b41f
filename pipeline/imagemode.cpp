#include "pipeline/imagemode.h"

#include "core/log.h"
#include "pipeline/localcontrast.h"

#include <opencv2/imgproc.hpp>

#include <exception>

void ImageMode::set(int mode)
{
    enhanceOn = mode == 1;
    highContrastOn = mode == 2;
}

void ImageMode::apply(Frame& frame) const
{
    if (frame.pixels() <= 0)
        return;
    if (enhanceOn)
        enhanceImage(frame.image.data(), frame.width, frame.height);
    else if (highContrastOn)
        highContrastImage(frame.image.data(), frame.width, frame.height);
}

void ImageMode::enhanceImage(uint8_t* image, int width, int height)
{
    try {
        cv::Mat picture(height, width, CV_8UC1, image);
        const cv::Mat kernel = (cv::Mat_<signed char>(3, 3) << 0, -1, 0, -1, 5, -1, 0, -1, 0);
        cv::Mat sharpened, smoothed;
        cv::filter2D(picture, sharpened, picture.depth(), kernel, cv::Point(-1, -1), 0, cv::BORDER_REFLECT_101);
        cv::bilateralFilter(sharpened, smoothed, 11, 11.0, 0.0, cv::BORDER_REFLECT_101);
        smoothed.copyTo(picture);
    } catch (const std::exception& e) {
        LOG_WARNING(LOG_CAMERA) << "enhance failed:" << e.what();
    }
}

void ImageMode::highContrastImage(uint8_t* image, int width, int height)
{
    try {
        // One per capture thread: it keeps its buffers between frames.
        static thread_local LocalContrast contrast(10.0f, 8, 8);
        contrast.apply(image, width, height);
    } catch (const std::exception& e) {
        LOG_WARNING(LOG_CAMERA) << "high contrast failed:" << e.what();
    }
}
