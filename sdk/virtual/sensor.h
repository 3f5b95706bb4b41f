#pragma once
// The radiometric model of the virtual Y16 cameras and the calibration tables they carry.
//
// Radiance is the in-band radiance of the world's own physics (bandphysics.h), not the SDK's
// model. A pixel sees the scene through a window of transmittance 0.98 at ambient temperature. The
// camera's environment correction (TPD parameters) turns that into the corrected radiance
// S_c, and the sensor answers with counts affine in S_c: N = 1000 + 14000 (S_c - S_lo) /
// (S_hi - S_lo) over the range of the gain, falling (M = 16383 - N) for the 256 x 192
// sensor. Shading is a smooth gain and offset over the frame and the offset drifts with the
// housing temperature:
//   raw = M / kt(x, y) + bt(x, y) + cal1 / 256 (vtemp - cal0) + offset drift + noise
// kt(x, y) and bt(x, y) are smooth fields over the frame (u, v from -0.5 to 0.5 between the
// corner pixels); the flash tables sample them on their grid, hold the drift calibration and
// the inverse of the response (counts -> K * 16), so the ISP chain recovers the corrected
// temperature as far as its grid interpolation and its table allow.
#include <cstdint>
#include <vector>

namespace tcsim {

struct Response
{
    double lowCelsius, highCelsius;
    double sLow, sHigh;
    bool falling;

    double countOf(double radiance) const;   // M
    double radianceOf(double count) const;   // inverse of countOf
    double countsPerKelvin(double celsius) const; // |dM/dT|
};

// gain 1: the low-temperature range, about -20..150 degC; gain 0: about -10..550 degC.
Response responseFor(int kind, int gain);

struct TpdParams
{
    int reflectedK = 298;
    int ambientK = 298;
    int emissivity128 = 128;
    int environmentOn = 1;
    int gain = 1;
};

constexpr double kWindowTransmittance = 0.98;

// Radiance after the window and the camera's environment correction.
double correctedRadiance(double sceneKelvin, double worldAmbientKelvin, const TpdParams& tpd);

// One table set in host order: header (vtemp at calibration, drift Q8, kt unit), kt and bt
// grids of 1,201 words and the 8,192-entry NUC table.
struct CalibrationSet
{
    uint16_t header[3];
    std::vector<uint16_t> kt, bt, nuc;
    double phase; // of the offset pattern
};

double shadingGain(double u, double v);
double shadingOffset(double u, double v, double phase);

CalibrationSet makeCalibrationSet(const Response& response, uint32_t seed);

struct FlashLayout
{
    uint32_t header, kt, bt, nuc;
};

// The "Low" set (gain 0) or the "High" set (gain 1) of a kind.
FlashLayout flashLayout(int kind, bool lowSet);

constexpr uint32_t kFlashBytes = 0x150000;

// Erased flash (0xFF) with both sets written big-endian at their addresses.
std::vector<uint8_t> buildFlash(int kind, const CalibrationSet& lowSet, const CalibrationSet& highSet);

} // namespace tcsim
