#pragma once
#include <cstddef>
#include <cstdint>

// The air's transmittance between camera and bench (1/16384), looked up in a tau table of the
// camera's temperature library by humidity (0..1), air temperature (degC) and path (m).
namespace transmittance {

constexpr uint16_t kClearAir = 16384;
constexpr std::size_t kTableBytes = 4504; // what the library reads of a table

// False, with tau unchanged, for a table shorter than the library's or values it refuses.
bool lookUp(const uint8_t* table, std::size_t bytes, float humidity, float ambient, float distance, uint16_t& tau);

} // namespace transmittance
