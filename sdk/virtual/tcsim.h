#pragma once
// The virtual cameras as tests and tools see them: the registry, ground truth and what a
// camera received. Not part of the SDK the program links against.
#include "registry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tcsim {

// Ground truth (degC, image size, row-major) of the frame with that index of the plugged-in
// camera with that serial; false when there is no such camera.
bool truth(const std::string& serial, int64_t frameIndex, std::vector<float>& out);
// Emissivity of the surface each pixel sees (image size; 1 where the scene has no materials).
bool surfaceEmissivity(const std::string& serial, std::vector<float>& out);
// Index of the newest frame the camera rendered (inside a frame callback: that frame's);
// -1 before the first frame or when there is no such camera.
int64_t currentFrameIndex(const std::string& serial);
// Command words the camera accepted through its zoom control, oldest first.
std::vector<int> cameraCommands(const std::string& serial);
// Renders one frame of that camera without streaming (benchmarks); empty when absent.
std::vector<uint16_t> renderFrame(const std::string& serial, int64_t frameIndex);

} // namespace tcsim
