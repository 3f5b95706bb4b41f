#pragma once
// Physics shared by the virtual cameras and the libraries that invert them: in-band
// radiance of a black body, and the two-band atmospheric transmittance model.
#include <cmath>

namespace tcsdk {

constexpr double kKelvinOffset = 273.15;
// c2 / wavelength for a 10 um band centre, in kelvin.
constexpr double kBandConstant = 1438.8;

// Relative in-band radiance of a black body at the given temperature (K).
inline double radiance(double kelvin, double bandConstant = kBandConstant)
{
    return 1.0 / std::expm1(bandConstant / kelvin);
}

// Inverse of radiance(); non-positive radiance has no temperature and maps to 1 K.
inline double temperatureOfRadiance(double s, double bandConstant = kBandConstant)
{
    if (s <= 0.0)
        return 1.0;
    return bandConstant / std::log1p(1.0 / s);
}

struct TauBand
{
    double x, a1, b1, a2, b2;
};

// Long-wave band constants of the two-band model; the high-temperature table uses a band
// weighted towards shorter wavelengths, where water vapour absorbs a little more.
constexpr TauBand kTauBandL{1.9, 0.006569, -0.002276, 0.012620, -0.00667};
constexpr TauBand kTauBandH{1.6, 0.007100, -0.002500, 0.013800, -0.00720};

// Water vapour content from relative humidity (0..1) and air temperature (degC).
inline double waterVapour(double humidity, double airC)
{
    return humidity *
           std::exp(1.5587 + 0.06939 * airC - 0.00027816 * airC * airC + 0.00000068455 * airC * airC * airC);
}

inline double transmittance(const TauBand& band, double humidity, double airC, double distance)
{
    const double rootD = std::sqrt(distance > 0.0 ? distance : 0.0);
    const double rootW = std::sqrt(waterVapour(humidity, airC));
    const double tau = band.x * std::exp(-rootD * (band.a1 + band.b1 * rootW)) +
                       (1.0 - band.x) * std::exp(-rootD * (band.a2 + band.b2 * rootW));
    return tau < 0.0 ? 0.0 : (tau > 1.0 ? 1.0 : tau);
}

} // namespace tcsdk
