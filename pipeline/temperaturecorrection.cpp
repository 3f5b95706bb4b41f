#include "temperaturecorrection.h"

#include "temperature.h"

#include <algorithm>
#include <cmath>

namespace {

// In-band radiance of a black body (8..14 um), up to a constant factor, in the fitted Planck
// form the cameras' calibration uses: S(T) = 1 / (exp(b / (T + f)) - 1), T in kelvin.
constexpr double kBandB = 1538.0, kBandF = 18.8125, kZeroCelsius = 273.15;

double radiance(double celsius)
{
    return 1.0 / std::expm1(kBandB / (celsius + kZeroCelsius + kBandF));
}

double celsiusOfRadiance(double s)
{
    // Radiance too small for any temperature above 1 K (a hopeless correction) reads 1 K.
    return s <= 0.0 ? 1.0 - kZeroCelsius : std::max(1.0, kBandB / std::log1p(1.0 / s) - kBandF) - kZeroCelsius;
}

} // namespace

bool TemperatureCorrection::cameraCorrectsSurface(DeviceKind kind)
{
    return kind == Uvc384 || kind == Uvc256 || kind == DualLight;
}

std::shared_ptr<const TemperatureCorrection::Table> TemperatureCorrection::build(DeviceKind kind,
                                                                                 const SensorCorrection& c,
                                                                                 float transmittance)
{
    auto table = std::make_shared<Table>(65536);
    const bool inFrame = kind == Uvc160;
    const double e = cameraCorrectsSurface(kind) ? 1.0 : std::clamp<double>(c.emissivity, 0.01, 1.0);
    const double tau = std::clamp<double>(transmittance, 0.01, 1.0);
    const double reflected = radiance(c.reflected), air = radiance(c.ambient);
    const bool identity = e == 1.0 && tau == 1.0;
    for (int raw = 0; raw < 65536; ++raw) {
        const double apparent = inFrame ? celsiusFromKelvin64(uint16_t(raw)) : celsiusFromKelvin16(uint16_t(raw));
        double celsius = apparent;
        if (!identity) {
            const double object = (radiance(apparent) - (1 - e) * tau * reflected - (1 - tau) * air) / (e * tau);
            celsius = celsiusOfRadiance(object);
        }
        (*table)[size_t(raw)] = float(celsius + c.offset);
    }
    return table;
}
