#pragma once
// Synthetic photographs of circuit boards for the shape matcher and the registration: a board
// of solder mask on a bench, with packages, pads and traces laid out from a seed.
#include <opencv2/imgproc.hpp>

#include <random>

inline cv::Mat boardImage(cv::Size size, unsigned seed, cv::Rect board = cv::Rect())
{
    std::mt19937 random(seed);
    auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    cv::Mat image(size, CV_8UC1, cv::Scalar(50));
    if (board.empty())
        board = cv::Rect(size.width / 10, size.height / 10, size.width * 8 / 10, size.height * 8 / 10);
    cv::rectangle(image, board, cv::Scalar(120), cv::FILLED);
    const int parts = 8 + uniform(0, 6);
    for (int i = 0; i < parts; ++i) {
        const int w = uniform(board.width / 16, board.width / 5), h = uniform(board.height / 16, board.height / 5);
        const cv::Point at(board.x + uniform(4, board.width - w - 4), board.y + uniform(4, board.height - h - 4));
        cv::rectangle(image, cv::Rect(at, cv::Size(w, h)), cv::Scalar(uniform(15, 40)), cv::FILLED);
        cv::rectangle(image, cv::Rect(at - cv::Point(3, 3), cv::Size(w + 6, h + 6)), cv::Scalar(220), 1);
    }
    const int traces = 6 + uniform(0, 6);
    for (int i = 0; i < traces; ++i) {
        const cv::Point a(board.x + uniform(0, board.width), board.y + uniform(0, board.height));
        const cv::Point b = uniform(0, 1) ? cv::Point(board.x + uniform(0, board.width), a.y)
                                          : cv::Point(a.x, board.y + uniform(0, board.height));
        cv::line(image, a, b, cv::Scalar(180), 2);
    }
    return image;
}

// The board of a photograph (800 x 600, colour) as a thermal camera of 256 x 192 sees the bench:
// smaller, shifted, turned a little and blurred by its optics.
inline cv::Matx23d thermalCameraView()
{
    cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(400, 300), 2.0, 0.3);
    m.at<double>(0, 2) += 128 - 400 + 6;
    m.at<double>(1, 2) += 96 - 300 - 4;
    return cv::Matx23d(m);
}

inline cv::Mat thermalViewOf(const cv::Mat& photo)
{
    cv::Mat grey, thermal;
    cv::cvtColor(photo, grey, cv::COLOR_BGR2GRAY);
    cv::warpAffine(grey, thermal, thermalCameraView(), cv::Size(256, 192), cv::INTER_AREA, cv::BORDER_REPLICATE);
    cv::GaussianBlur(thermal, thermal, cv::Size(3, 3), 0);
    return thermal;
}

inline cv::Mat boardPhoto(unsigned seed, cv::Rect board = cv::Rect(100, 75, 600, 450))
{
    cv::Mat colour;
    cv::cvtColor(boardImage({800, 600}, seed, board), colour, cv::COLOR_GRAY2BGR);
    return colour;
}
