#pragma once

#include "devicekind.h"
#include "sensorcorrection.h"

#include <cstdint>
#include <memory>
#include <vector>

// degC of every raw temperature word of a camera kind (kelvin x 64 for the in-frame cameras,
// kelvin x 16 otherwise), with the part of the sensor correction the camera does not apply
// itself, computed in the band's radiance:
//   object radiance = (S - (1 - e) t S(reflected) - (1 - t) S(air)) / (e t),
// t the air's transmittance over the path. The Y16 cameras correct emissivity and reflection
// themselves, so only the air and the offset are left for them; the in-frame cameras apply none.
class TemperatureCorrection
{
public:
    using Table = std::vector<float>; // 65,536 entries, one per raw word

    // Whether a camera of this kind corrects emissivity and reflection itself.
    static bool cameraCorrectsSurface(DeviceKind kind);
    // transmittance: of the air over the path (0..1], as the SDK's tables give it.
    static std::shared_ptr<const Table> build(DeviceKind kind, const SensorCorrection& correction,
                                              float transmittance);
};
