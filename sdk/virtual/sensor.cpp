#include "sensor.h"

#include "bandphysics.h"
#include "radiometry.h"
#include "shadinggrid.h"

#include <cmath>
#include <random>

namespace tcsim {
namespace {

constexpr double kCountLow = 1000.0, kCountSpan = 14000.0;

void putBigEndian(std::vector<uint8_t>& flash, uint32_t address, const uint16_t* words, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        flash[address + 2 * i] = uint8_t(words[i] >> 8);
        flash[address + 2 * i + 1] = uint8_t(words[i] & 0xFF);
    }
}

} // namespace

double Response::countOf(double radiance) const
{
    const double n = kCountLow + (radiance - sLow) / (sHigh - sLow) * kCountSpan;
    return falling ? 16383.0 - n : n;
}

double Response::radianceOf(double count) const
{
    const double n = falling ? 16383.0 - count : count;
    return sLow + (n - kCountLow) / kCountSpan * (sHigh - sLow);
}

double Response::countsPerKelvin(double celsius) const
{
    const double k = celsius + tcsdk::kKelvinOffset;
    return std::fabs(countOf(bandRadiance(k + 0.5)) - countOf(bandRadiance(k - 0.5)));
}

Response responseFor(int kind, int gain)
{
    Response r;
    r.lowCelsius = gain == 1 ? -20.0 : -10.0;
    r.highCelsius = gain == 1 ? 150.0 : 550.0;
    r.sLow = bandRadiance(r.lowCelsius + tcsdk::kKelvinOffset);
    r.sHigh = bandRadiance(r.highCelsius + tcsdk::kKelvinOffset);
    r.falling = kind != 2;
    return r;
}

double correctedRadiance(double sceneKelvin, double worldAmbientKelvin, const TpdParams& tpd)
{
    const double tau = kWindowTransmittance;
    const double measured =
        tau * bandRadiance(sceneKelvin) + (1.0 - tau) * bandRadiance(worldAmbientKelvin);
    if (!tpd.environmentOn)
        return measured;
    const double e = tpd.emissivity128 / 128.0;
    const double throughWindow = (measured - (1.0 - tau) * bandRadiance(tpd.ambientK)) / tau;
    return (throughWindow - (1.0 - e) * bandRadiance(tpd.reflectedK)) / e;
}

// What the camera's own correction leaves in its Y16 stream: a little lens fall-off towards the
// corners and a gentle offset pattern, which kt and bt sample on their grid.
double shadingGain(double u, double v)
{
    return 1.0 + 0.03 * (u * u + v * v);
}

double shadingOffset(double u, double v, double phase)
{
    return 12.0 * std::sin(3.0 * u + phase) * std::cos(2.0 * v);
}

CalibrationSet makeCalibrationSet(const Response& response, uint32_t seed)
{
    using tcsdk::kGridColumns;
    using tcsdk::kGridRows;
    CalibrationSet set;
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> jitter(-1.0, 1.0);

    set.header[0] = 4800; // housing at 300 K during calibration
    set.header[1] = uint16_t(int16_t(40 + int(jitter(random) * 8))); // counts per 1/16 K, Q8
    set.header[2] = 4096;                                            // kt unit

    set.kt.assign(tcsdk::kGridTableWords, 0);
    set.bt.assign(tcsdk::kGridTableWords, 0);
    set.kt[0] = set.bt[0] = uint16_t((kGridColumns << 8) | kGridRows);
    set.phase = jitter(random) * M_PI;
    for (int r = 0; r < kGridRows; ++r) {
        for (int c = 0; c < kGridColumns; ++c) {
            const double u = double(c) / (kGridColumns - 1) - 0.5, v = double(r) / (kGridRows - 1) - 0.5;
            set.kt[1 + r * kGridColumns + c] = uint16_t(std::lround(shadingGain(u, v) * set.header[2]));
            set.bt[1 + r * kGridColumns + c] = uint16_t(int16_t(std::lround(shadingOffset(u, v, set.phase))));
        }
    }

    set.nuc.resize(8192);
    for (int i = 0; i < 8192; ++i) {
        const double kelvin16 = bandTemperature(response.radianceOf(2.0 * i)) * 16.0;
        set.nuc[i] = uint16_t(std::lround(std::min(65535.0, kelvin16)));
    }
    return set;
}

FlashLayout flashLayout(int kind, bool lowSet)
{
    if (kind == 2)
        return lowSet ? FlashLayout{0x13D000, 0x137000, 0x138000, 0x139000}
                      : FlashLayout{0x144000, 0x13E000, 0x13F000, 0x140000};
    return lowSet ? FlashLayout{0xD7000, 0xD1000, 0xD2000, 0xD3000} : FlashLayout{0xDE000, 0xD8000, 0xD9000, 0xDA000};
}

std::vector<uint8_t> buildFlash(int kind, const CalibrationSet& lowSet, const CalibrationSet& highSet)
{
    std::vector<uint8_t> flash(kFlashBytes, 0xFF);
    for (bool low : {true, false}) {
        const CalibrationSet& set = low ? lowSet : highSet;
        const FlashLayout at = flashLayout(kind, low);
        uint16_t header[24] = {set.header[0], set.header[1], set.header[2]};
        putBigEndian(flash, at.header, header, 24);
        putBigEndian(flash, at.kt, set.kt.data(), set.kt.size());
        putBigEndian(flash, at.bt, set.bt.data(), set.bt.size());
        putBigEndian(flash, at.nuc, set.nuc.data(), set.nuc.size());
    }
    return flash;
}

} // namespace tcsim
