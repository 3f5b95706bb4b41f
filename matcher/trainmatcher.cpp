// line2d_train: the shape matcher's class file from board images, for the PCB registration.
//   line2d_train <class id> <output.yaml> <image> [<image> ...]
// Each image (grey or colour) becomes one template pyramid, trained as the registration's
// detector matches: 200 features, T = {2, 4}, thresholds 30.
#include "matcher/line2dtrain.h"

#include <opencv2/imgcodecs.hpp>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <class id> <output.yaml> <image> [<image> ...]\n", argv[0]);
        return 2;
    }
    const line2d::Detector detector(200, {2, 4}, 30.0f, 30.0f);
    std::vector<line2d::TemplatePyramid> pyramids;
    for (int i = 3; i < argc; ++i) {
        const cv::Mat image = cv::imread(argv[i], cv::IMREAD_COLOR);
        if (image.empty()) {
            std::fprintf(stderr, "line2d_train: cannot read %s\n", argv[i]);
            return 1;
        }
        pyramids.push_back(line2d::train(detector, image));
        for (const line2d::Template& level : pyramids.back())
            if (level.features.empty()) {
                std::fprintf(stderr, "line2d_train: %s has too few strong edges at level %d\n", argv[i],
                             level.pyramid_level);
                return 1;
            }
        std::printf("%s: %zu features at full resolution\n", argv[i], pyramids.back()[0].features.size());
    }
    cv::FileStorage file(argv[2], cv::FileStorage::WRITE);
    if (!file.isOpened()) {
        std::fprintf(stderr, "line2d_train: cannot write %s\n", argv[2]);
        return 1;
    }
    line2d::writeClass(file, argv[1], pyramids);
    return 0;
}
