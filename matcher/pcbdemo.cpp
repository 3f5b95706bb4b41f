// pcb_demo: the board-registration demo files for the virtual bench board ("<camera>
// bench=1"): the matcher's class trained on the scene's thermal picture and a photograph of
// the board.
//   pcb_demo <PCB folder>
// writes <folder>/test_temple.yaml, <folder>/test_infom.yaml and
// <folder>/2Dpicture/demo_board.png. The orientations the matcher compares do not depend on
// how temperatures become grey levels, so the scene's own temperatures train it.
#include "matcher/line2dtrain.h"
#include "sdk/virtual/dualview.h"
#include "sdk/virtual/registry.h"
#include "sdk/virtual/scene.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <string>
#include <sys/stat.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <PCB folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    ::mkdir(folder.c_str(), 0755);
    ::mkdir((folder + "/2Dpicture").c_str(), 0755);
    const tcsim::DeviceSpec spec = tcsim::parseRegistry("Vesk_R_M bench=1\n").front();

    const tcsim::Scene scene(spec, spec.width(), spec.height());
    cv::Mat celsius(spec.height(), spec.width(), CV_32F, const_cast<float*>(scene.base().data())), thermal;
    cv::normalize(celsius, thermal, 0, 255, cv::NORM_MINMAX, CV_8U);
    const line2d::Detector detector(200, {2, 4}, 30.0f, 30.0f);
    cv::FileStorage classFile(folder + "/test_temple.yaml", cv::FileStorage::WRITE);
    cv::FileStorage infoFile(folder + "/test_infom.yaml", cv::FileStorage::WRITE);
    if (!classFile.isOpened() || !infoFile.isOpened()) {
        std::fprintf(stderr, "pcb_demo: cannot write in %s\n", folder.c_str());
        return 1;
    }
    line2d::writeClass(classFile, "test", {line2d::train(detector, thermal)});
    infoFile << "infos" << "[" << "{" << "scale" << 1.0f << "angle" << 0.0f << "}" << "]";

    const std::vector<uint8_t> rgb = tcsim::renderPhoto(spec);
    cv::Mat bgr;
    cv::cvtColor(cv::Mat(600, 800, CV_8UC3, const_cast<uint8_t*>(rgb.data())), bgr, cv::COLOR_RGB2BGR);
    if (!cv::imwrite(folder + "/2Dpicture/demo_board.png", bgr)) {
        std::fprintf(stderr, "pcb_demo: cannot write the photograph\n");
        return 1;
    }
    return 0;
}
