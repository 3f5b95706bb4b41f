#pragma once
// The dual-light camera's two views of one bench: where its infrared module's pixels fall in
// its visible camera's picture, and that picture, a photograph of the board (solder mask,
// packages, copper, silkscreen; colours, not heat).
#include "dualrecord.h"
#include "registry.h"

#include <cstdint>
#include <vector>

namespace tcsim {

// The camera's factory record: the two cameras' geometry at infinite distance and the
// parallax of its baseline at total disparity.
constexpr int kDualTotalDisparity = 300;
// The disparity at which the bench lies: where the record with this disparity brings the two
// views into register.
constexpr int kDualBenchDisparity = 110;
tcsdk::DualGeometry dualGeometry();

// Infrared pixel coordinates (centres at integers) of what the visible pixel (X, Y) shows.
void visibleToInfrared(double X, double Y, double& x, double& y);

// The visible picture, RGB888, 800 x 600.
std::vector<uint8_t> renderPhoto(const DeviceSpec& spec);

} // namespace tcsim
