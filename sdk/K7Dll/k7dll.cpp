#include "K7Dll.h"

#include "radiometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

struct Calibration
{
    float offset = 0, gain = 0;
    tcsdk::BandModel band = tcsdk::kBand8to14;
    bool operator==(const Calibration& o) const
    {
        return offset == o.offset && gain == o.gain && band.b == o.band.b && band.f == o.band.f;
    }
};

struct FixParameters
{
    float emiss = 1.0f, refltmp = 25.0f, airtmp = 25.0f, humi = 0.5f;
    uint16_t distance = 0;
    float fix = 0.0f;
};

struct K7State
{
    std::mutex mutex;
    int width = 0, height = 0;
    bool calibrated = false;
    Calibration calibration;
    FixParameters fix;
    std::vector<float> celsiusOfRaw; // 65,536 entries, rebuilt when anything changes
    bool tableValid = false;

    void rebuildTable()
    {
        celsiusOfRaw.resize(65536);
        // The camera's curve gives the black-body temperature it was calibrated for; the
        // reflection and the air are taken out in the band's radiance, whatever curve the
        // camera states.
        const tcsdk::BandModel& band = tcsdk::kBand8to14;
        const double e = std::clamp<double>(fix.emiss, 0.01, 1.0);
        const double tau = tcsdk::transmittance(tcsdk::kTauBandL, fix.humi, fix.airtmp, fix.distance);
        const double reflected = tcsdk::radiance(fix.refltmp + tcsdk::kKelvinOffset, band);
        const double air = tcsdk::radiance(fix.airtmp + tcsdk::kKelvinOffset, band);
        for (int raw = 0; raw < 65536; ++raw) {
            const double apparent =
                tcsdk::temperatureOfRadiance((raw - calibration.offset) / calibration.gain, calibration.band);
            const double s = tcsdk::radiance(apparent, band);
            const double object = (s - (1 - e) * tau * reflected - (1 - tau) * air) / (e * tau);
            celsiusOfRaw[raw] =
                float(tcsdk::temperatureOfRadiance(object, band) - tcsdk::kKelvinOffset + fix.fix);
        }
        tableValid = true;
    }
};

K7State& state()
{
    static auto* s = new K7State;
    return *s;
}

// Calibration words a camera can have sent: a normal gain and an offset inside the raw word,
// and between 0 and 100 degC a span of raw counts that fits the word and resolves the degrees.
// A gain of 1e-35 passes "gain > 0" and fills the table with infinities.
bool plausible(const Calibration& c)
{
    if (!std::isnormal(c.gain) || c.gain < 0.0f || !std::isfinite(c.offset) || std::fabs(c.offset) > 65535.0f ||
        !(c.band.b > 0) || !(c.band.f > -200.0) || !std::isfinite(c.band.f))
        return false;
    const double span = double(c.gain) * (tcsdk::radiance(373.15, c.band) - tcsdk::radiance(273.15, c.band));
    return span >= 10.0 && span <= 65535.0;
}

const uint16_t* parameterLines(const uint16_t* frame, const K7State& s)
{
    return frame + size_t(s.width) * s.height;
}

} // namespace

extern "C" {

int DataInit(int width, int height)
{
    if (width != K7_FRAME_WIDTH || height != K7_IMAGE_HEIGHT)
        return -1;
    K7State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.width = width;
    s.height = height;
    s.calibrated = false;
    return 0;
}

int UpdateParam(int device, const uint16_t* frame, const char*, const char*)
{
    K7State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (device != 0 || !frame || s.width == 0)
        return -1;
    const uint16_t* lines = parameterLines(frame, s);
    if (lines[0] != 0x4B37 || (lines[1] != 1 && lines[1] != 2))
        return -2;
    Calibration c;
    std::memcpy(&c.offset, lines + 8, 4);
    std::memcpy(&c.gain, lines + 10, 4);
    // Layout 1 states a single wavelength; layout 2 adds the band offset.
    c.band = {double(lines[13]), lines[1] == 2 ? int16_t(lines[14]) / 16.0 : 0.0};
    if (!plausible(c))
        return -3;
    if (!s.calibrated || !(c == s.calibration)) {
        s.calibration = c;
        s.tableValid = false;
    }
    s.calibrated = true;
    return 0;
}

int GetTmpData(int device, const uint16_t* frame, float* maxTemp, int* maxX, int* maxY, float* minTemp, int* minX,
               int* minY, float* a, float* b, float* temperatures)
{
    K7State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (device != 0 || !frame || !maxTemp || !maxX || !maxY || !minTemp || !minX || !minY || !a || !b ||
        !temperatures || !s.calibrated)
        return -1;
    if (!s.tableValid)
        s.rebuildTable();
    const int n = s.width * s.height;
    const float* table = s.celsiusOfRaw.data();
    int hottest = 0, coldest = 0;
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        const float t = table[frame[i]];
        temperatures[i] = t;
        sum += t;
        if (t > temperatures[hottest])
            hottest = i;
        if (t < temperatures[coldest])
            coldest = i;
    }
    *maxTemp = temperatures[hottest];
    *maxX = hottest % s.width;
    *maxY = hottest / s.width;
    *minTemp = temperatures[coldest];
    *minX = coldest % s.width;
    *minY = coldest / s.width;
    *a = float(sum / n);
    *b = float(parameterLines(frame, s)[12] / 16.0 - tcsdk::kKelvinOffset);
    return 0;
}

int UpdateFixParam(float emiss, float refltmp, float airtmp, float humi, uint16_t distance, float fix)
{
    if (!(emiss > 0.0f && emiss <= 1.0f) || !(humi >= 0.0f && humi <= 1.0f) || !std::isfinite(refltmp) ||
        !std::isfinite(airtmp) || !std::isfinite(fix))
        return -1;
    K7State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.fix = FixParameters{emiss, refltmp, airtmp, humi, distance, fix};
    s.tableValid = false;
    return 0;
}

int GetFixParam(float* emiss, float* refltmp, float* airtmp, float* humi, uint16_t* distance, float* fix)
{
    if (!emiss || !refltmp || !airtmp || !humi || !distance || !fix)
        return -1;
    K7State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    *emiss = s.fix.emiss;
    *refltmp = s.fix.refltmp;
    *airtmp = s.fix.airtmp;
    *humi = s.fix.humi;
    *distance = s.fix.distance;
    *fix = s.fix.fix;
    return 0;
}

} // extern "C"
