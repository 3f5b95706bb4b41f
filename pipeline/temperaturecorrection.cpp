#include "pipeline/temperaturecorrection.h"

#include "pipeline/temperature.h"

#include <algorithm>
#include <cmath>

namespace {

// In-band radiance of a black body (8..14 um), up to a constant factor, in the fitted Planck
// form the cameras' calibration uses: S(T) = 1 / (exp(b / (T + f)) - 1), T in kelvin.
constexpr double kBandB = 1538.0, kBandF = 18.8125, kZeroCelsius = 273.15;
// Below the low range of every camera kind, degC.
constexpr double kLowestReading = -40.0;

double radiance(double celsius)
{
    return 1.0 / std::expm1(kBandB / (celsius + kZeroCelsius + kBandF));
}

double celsiusOfRadiance(double s)
{
    // A reading at or below what the surroundings alone send cannot be told apart from them:
    // it shows as the floor, not as a number near absolute zero that would stretch every scale.
    return s <= 0.0 ? kLowestReading : std::max(kLowestReading, kBandB / std::log1p(1.0 / s) - kBandF - kZeroCelsius);
}

} // namespace

bool TemperatureCorrection::cameraCorrectsSurface(DeviceKind kind)
{
    return kind == Uvc384 || kind == Uvc256 || kind == DualLight;
}

float TemperatureCorrection::cameraEmissivity(float emissivity)
{
    return std::clamp(std::round(emissivity * 128.0f), 1.0f, 128.0f) / 128.0f;
}

float TemperatureCorrection::cameraReflected(float celsius)
{
    return float(std::round(celsius + kZeroCelsius) - kZeroCelsius);
}

TemperatureCorrection::CameraSurface TemperatureCorrection::cameraSurface(const SensorCorrection& asked)
{
    return {cameraEmissivity(asked.emissivity), cameraReflected(asked.reflected)};
}

std::shared_ptr<const TemperatureCorrection::Table> TemperatureCorrection::build(DeviceKind kind,
                                                                                 const SensorCorrection& c,
                                                                                 float transmittance)
{
    return build(kind, c, transmittance,
                 cameraCorrectsSurface(kind) ? cameraSurface(c) : CameraSurface{1.0f, c.reflected});
}

std::shared_ptr<const TemperatureCorrection::Table> TemperatureCorrection::build(DeviceKind kind,
                                                                                 const SensorCorrection& c,
                                                                                 float transmittance,
                                                                                 const CameraSurface& applied)
{
    auto table = std::make_shared<Table>(65536);
    const bool inFrame = kind == Uvc160;
    const double e = std::clamp<double>(c.emissivity, 0.01, 1.0);
    // Also a camera told a black body that keeps an emissivity of its own applies it.
    const bool surfaceSent = cameraCorrectsSurface(kind) || applied.emissivity < 1.0f;
    const double sent = surfaceSent ? std::clamp<double>(applied.emissivity, 1.0 / 128, 1.0) : 1.0;
    const double tau = std::clamp<double>(transmittance, 0.01, 1.0);
    const double reflected = radiance(c.reflected), air = radiance(c.ambient);
    const double reflectedSent = surfaceSent ? radiance(applied.reflected) : reflected;
    // The camera's own correction as asked (a black body needs no reflection), and no air.
    const bool identity = e == sent && (e == 1.0 || reflected == reflectedSent) && tau == 1.0;
    for (int raw = 0; raw < 65536; ++raw) {
        const double reading = inFrame ? celsiusFromKelvin64(uint16_t(raw)) : celsiusFromKelvin16(uint16_t(raw));
        double celsius = reading;
        if (!identity) {
            const double received = sent * radiance(reading) + (1 - sent) * reflectedSent;
            celsius = celsiusOfRadiance((received - (1 - tau) * air - tau * (1 - e) * reflected) / (tau * e));
        }
        (*table)[size_t(raw)] = float(celsius + c.offset);
    }
    return table;
}
