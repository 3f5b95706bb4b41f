#pragma once
// Physics shared by the virtual cameras and the libraries that invert them: in-band
// radiance of a black body, and the two-band atmospheric transmittance model.
#include <algorithm>
#include <cmath>

namespace tcsdk {

constexpr double kKelvinOffset = 273.15;

// In-band radiance of a black body, up to a constant factor, in the fitted Planck form
//   S(T) = 1 / (exp(b / (T + f)) - 1),   T in K.
// A single wavelength (f = 0, b = c2 / wavelength) bends the curve: against Planck's law
// integrated over 8..14 um it puts emissivity and reflection corrections up to 1.9 K off at
// -20 degC and 1.5 K off at 550 degC (emissivity 0.5). b and f below were fitted to that integral
// (flat response) over 230..850 K: the fitted S stays within 0.03 % of proportional to it,
// a blackbody error under 0.025 K below 150 degC and under 0.08 K up to 575 degC, so a correction
// built on S follows the band's physics to that margin.
struct BandModel
{
    double b; // K
    double f; // K
};
constexpr BandModel kBand8to14{1538.0, 18.8125};

inline double radiance(double kelvin, const BandModel& band = kBand8to14)
{
    return 1.0 / std::expm1(band.b / (kelvin + band.f));
}

// Inverse of radiance(); radiance too small for any temperature above 1 K maps to 1 K.
inline double temperatureOfRadiance(double s, const BandModel& band = kBand8to14)
{
    if (s <= 0.0)
        return 1.0;
    return std::max(1.0, band.b / std::log1p(1.0 / s) - band.f);
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
