#pragma once
// The virtual world's own radiometry, apart from the SDK's model so that the SDK's errors show:
// in-band radiance of a black body over 8..14 um (flat response), Planck's law integrated
// numerically, tabulated every 0.05 K from 150 to 1200 K and interpolated.
namespace tcsim {

// In-band radiance, W m^-2 sr^-1, of a black body at the given temperature (K).
double bandRadiance(double kelvin);
// The black body's temperature (K) for an in-band radiance; clamped to the table.
double bandTemperature(double radiance);

} // namespace tcsim
