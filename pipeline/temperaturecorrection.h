#pragma once

#include "pipeline/devicekind.h"
#include "pipeline/sensorcorrection.h"

#include <cstdint>
#include <memory>
#include <vector>

// degC of every raw temperature word of a camera kind (kelvin x 64 for the in-frame cameras,
// kelvin x 16 otherwise), with the part of the sensor correction the camera does not apply
// itself, computed in the band's radiance:
//   object radiance = (M - (1 - t) S(air) - t (1 - e) S(reflected)) / (t e),
// M the radiance the camera received, t the air's transmittance over the path. The in-frame
// cameras apply nothing: M is their reading's radiance. The Y16 cameras correct emissivity and
// reflection themselves, in steps of 1/128 of emissivity and whole kelvin of reflection (at
// copper's 0.05, a step of either is 3 K at 80 degC): M is undone from their reading with what
// they were sent, and the correction made here with what was asked for.
class TemperatureCorrection
{
public:
    using Table = std::vector<float>; // 65,536 entries, one per raw word

    // Whether a camera of this kind corrects emissivity and reflection itself, and the
    // emissivity it takes for the one asked for.
    static bool cameraCorrectsSurface(DeviceKind kind);
    static float cameraEmissivity(float emissivity);
    static float cameraReflected(float celsius);
    // What a camera that corrects the surface itself applies: emissivity, reflected degC.
    struct CameraSurface
    {
        float emissivity = 1.0f;
        float reflected = 25.0f;
    };
    // What such a camera applies when it took what was asked for.
    static CameraSurface cameraSurface(const SensorCorrection& asked);
    // transmittance: of the air over the path (0..1], as the SDK's tables give it; applied: what
    // the camera read back (a command it refused leaves its earlier values in use; a camera of
    // any kind that reads back an emissivity below 1 is taken to apply it).
    static std::shared_ptr<const Table> build(DeviceKind kind, const SensorCorrection& correction,
                                              float transmittance);
    static std::shared_ptr<const Table> build(DeviceKind kind, const SensorCorrection& correction,
                                              float transmittance, const CameraSurface& applied);
};
