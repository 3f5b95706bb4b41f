#pragma once

// What lies between a surface and the camera's reading, as the technician states it: the
// surface's emissivity, the temperature it reflects, the air (temperature, relative humidity,
// path length) and a plain offset. A black body in still air at the defaults.
struct SensorCorrection
{
    float emissivity = 1.0f;
    float reflected = 25.0f; // degC
    float ambient = 25.0f;   // degC, the air's
    float humidity = 0.5f;   // 0..1
    float distance = 0.25f;  // metres
    float offset = 0.0f;     // K, added to every reading

    bool operator==(const SensorCorrection& o) const
    {
        return emissivity == o.emissivity && reflected == o.reflected && ambient == o.ambient &&
               humidity == o.humidity && distance == o.distance && offset == o.offset;
    }
    bool operator!=(const SensorCorrection& o) const { return !(*this == o); }
};
