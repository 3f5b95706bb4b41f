#pragma once
// The cameras a virtual device can be: the model names of the supported camera table with
// their kind and product lines.
#include <string>

namespace tcsim {

struct CameraModel
{
    const char* cameraName;
    int kind;
};

const CameraModel* findModel(const std::string& cameraName);
// "Orvik" when that product line has the camera, otherwise the first line that has it.
std::string defaultProduct(const std::string& cameraName);

} // namespace tcsim
