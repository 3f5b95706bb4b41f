#pragma once
// Radiometry from first principles, to check the camera SDK against: Planck's law integrated
// over the 8..14 um band (flat response), grey bodies, the two-band atmospheric
// transmittance, and the inversion from measured radiance to object temperature by root
// finding. Deliberately shares nothing with the SDK; slow and exact rather than fast.
#include <algorithm>
#include <cmath>

namespace planck {

constexpr double kFirstRadiation = 1.191042972e8; // 2 h c^2, W um^4 m^-2 sr^-1
constexpr double kSecondRadiation = 14387.7736;   // h c / k, um K
constexpr double kBandFrom = 8.0, kBandTo = 14.0;  // um
constexpr double kZeroCelsius = 273.15;

// Spectral radiance, W m^-2 sr^-1 um^-1.
inline double spectralRadiance(double micrometres, double kelvin)
{
    const double square = micrometres * micrometres;
    return kFirstRadiation / (square * square * micrometres) / std::expm1(kSecondRadiation / (micrometres * kelvin));
}

// In-band radiance by composite Simpson's rule, W m^-2 sr^-1; 120 panels keep it within
// 1e-9 of the integral from 200 to 900 K.
inline double bandRadiance(double kelvin)
{
    constexpr int panels = 120;
    const double h = (kBandTo - kBandFrom) / panels;
    double sum = spectralRadiance(kBandFrom, kelvin) + spectralRadiance(kBandTo, kelvin);
    for (int i = 1; i < panels; ++i)
        sum += (i % 2 ? 4.0 : 2.0) * spectralRadiance(kBandFrom + i * h, kelvin);
    return sum * h / 3.0;
}

// Temperature (K) of the black body with in-band radiance l, by bisection in 100..2000 K; NaN
// when it lies outside.
inline double blackBodyTemperature(double l)
{
    double low = 100.0, high = 2000.0;
    if (!(l >= bandRadiance(low) && l <= bandRadiance(high)))
        return std::nan("");
    while (high - low > 1e-7) {
        const double middle = 0.5 * (low + high);
        (bandRadiance(middle) < l ? low : high) = middle;
    }
    return 0.5 * (low + high);
}

// Two-band model of the atmosphere's transmittance in the long-wave window, with its published
// coefficients: water vapour w (from relative humidity and air temperature) and the square
// root of the path length.
inline double atmosphericTransmittance(double humidity, double airCelsius, double metres)
{
    const double t = airCelsius;
    const double vapour =
        humidity * std::exp(1.5587 + 6.939e-2 * t - 2.7816e-4 * t * t + 6.8455e-7 * t * t * t);
    const double path = std::sqrt(std::max(metres, 0.0)), water = std::sqrt(vapour);
    const double x = 1.9;
    return x * std::exp(-path * (0.006569 - 0.002276 * water)) +
           (1.0 - x) * std::exp(-path * (0.01262 - 0.00667 * water));
}

struct Surroundings
{
    double emissivity;
    double reflectedKelvin;
    double airKelvin;
    double transmittance;
};

// What reaches the camera from a grey body through the air.
inline double measuredRadiance(double objectKelvin, const Surroundings& s)
{
    return s.transmittance * (s.emissivity * bandRadiance(objectKelvin) +
                              (1.0 - s.emissivity) * bandRadiance(s.reflectedKelvin)) +
           (1.0 - s.transmittance) * bandRadiance(s.airKelvin);
}

// Object temperature (K) that makes the camera measure l, by bisection in 100..2000 K; NaN when
// it lies outside.
inline double objectTemperature(double l, const Surroundings& s)
{
    double low = 100.0, high = 2000.0;
    if (!(l >= measuredRadiance(low, s) && l <= measuredRadiance(high, s)))
        return std::nan("");
    while (high - low > 1e-7) {
        const double middle = 0.5 * (low + high);
        (measuredRadiance(middle, s) < l ? low : high) = middle;
    }
    return 0.5 * (low + high);
}

} // namespace planck
