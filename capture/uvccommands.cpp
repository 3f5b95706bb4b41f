#include "capture/uvccommands.h"

#include "capture/tcal_module.h"
#include "core/log.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace uvccommands {
namespace {

// A value for a 16-bit camera parameter: the nearest step, kept inside the word.
uint16_t cameraWord(double value)
{
    return uint16_t(std::clamp<long>(std::lround(value), 0, 65535));
}

} // namespace

tcuvc_stream_params_t streamParameters(const tcuvc_device_entry_t& device, const uint8_t* info)
{
    tcuvc_stream_params_t parameters{};
    parameters.device = device;
    std::memcpy(&parameters.format, info, 8);
    std::memcpy(&parameters.width, info + 8, 4);
    std::memcpy(&parameters.height, info + 12, 4);
    std::memcpy(&parameters.fps, info + 20, 4);
    parameters.frame_bytes = parameters.width * parameters.height * 2;
    parameters.timeout_ms = 1000;
    return parameters;
}

bool chooseStream(const tcuvc_device_entry_t& device, const uint8_t* info, int count, uint64_t format,
                  int width, int height, tcuvc_stream_params_t& parameters)
{
    for (int i = 0; i < std::min(count, TCUVC_INFO_BYTES / TCUVC_STREAM_ENTRY_BYTES); ++i) {
        const tcuvc_stream_params_t offered = streamParameters(device, info + i * TCUVC_STREAM_ENTRY_BYTES);
        if (offered.format == format && int(offered.width) == width && int(offered.height) == height) {
            parameters = offered;
            return true;
        }
    }
    return false;
}

std::optional<TemperatureCorrection::CameraSurface> sendCorrection(tccmd_handle_t* cmd, float emissivity,
                                                                   float reflected, float ambient)
{
    // Rounded to the camera's step: truncation made 0.95 an emissivity of 0.945.
    const bool sent = set_prop_tpd_params(cmd, 3, cameraWord(emissivity * 128.0)) == 0 &&
                      set_prop_tpd_params(cmd, 4, 1) == 0 &&
                      set_prop_tpd_params(cmd, 2, cameraWord(double(ambient) + 273.15)) == 0 &&
                      set_prop_tpd_params(cmd, 1, cameraWord(double(reflected) + 273.15)) == 0;
    if (!sent)
        LOG_INFO(LOG_CAMERA) << "sensor correction not taken by the camera, its values read back";
    // A refused command leaves the camera's earlier values in use: what it reads back is what
    // its temperatures carry.
    uint16_t emissivity128 = 0, reflectedK = 0, on = 0;
    if (get_prop_tpd_params(cmd, 3, &emissivity128) != 0 || get_prop_tpd_params(cmd, 1, &reflectedK) != 0 ||
        get_prop_tpd_params(cmd, 4, &on) != 0 || emissivity128 < 1 || emissivity128 > 128) {
        LOG_WARNING(LOG_CAMERA) << "camera does not read back its sensor correction";
        return std::nullopt;
    }
    if (on == 0)
        return TemperatureCorrection::CameraSurface{1.0f, reflected};
    return TemperatureCorrection::CameraSurface{emissivity128 / 128.0f, float(reflectedK - 273.15)};
}

std::shared_ptr<const TemperatureCorrection::Table> applyCorrection(tccmd_handle_t* cmd, DeviceKind kind,
                                                                    const SensorCorrection& correction,
                                                                    float transmittance)
{
    // The in-frame cameras are told a black body: a correction stored in one earlier would
    // otherwise be applied twice.
    const bool surface = TemperatureCorrection::cameraCorrectsSurface(kind);
    const auto applied = sendCorrection(cmd, surface ? correction.emissivity : 1.0f, correction.reflected,
                                        correction.ambient);
    const TemperatureCorrection::CameraSurface asked =
        surface ? TemperatureCorrection::cameraSurface(correction)
                : TemperatureCorrection::CameraSurface{1.0f, correction.reflected};
    if (!surface && applied && applied->emissivity < 1.0f)
        LOG_INFO(LOG_CAMERA) << "camera keeps emissivity" << applied->emissivity << ", readings corrected for it";
    return TemperatureCorrection::build(kind, correction, transmittance, applied.value_or(asked));
}

void setAutoShutter(tccmd_handle_t* cmd, uint16_t value)
{
    set_prop_auto_shutter_params(cmd, 0, value);
    uint16_t current = 0;
    get_prop_auto_shutter_params(cmd, 2, &current);
    if (current >= 10) {
        LOG_INFO(LOG_CAMERA) << "shutter max is" << current;
        set_prop_auto_shutter_params(cmd, 2, value);
        spi_config_save(cmd, 12);
    } else if (current == 0) {
        set_prop_auto_shutter_params(cmd, 0, value);
    }
}

bool switchRange(UvcPipeline& pipeline, tccmd_handle_t* cmd, DeviceKind kind, bool high, bool tablesRequired)
{
    CalibrationTables tables;
    tables.highRange = high;
    if (kind != Uvc160) {
        tables = TcalModule::load(cmd, kind, high);
        // Half a set would correct every later frame with tables of both ranges.
        const bool whole = tables.headerValid && tables.ktValid() && tables.btValid() && tables.nucValid();
        if (!whole && tablesRequired) {
            LOG_INFO(LOG_CAMERA) << "calibration tables of the range could not be read, range unchanged";
            return false;
        }
        if (!whole)
            LOG_INFO(LOG_CAMERA) << "calibration tables of the range incomplete, temperatures may be off";
    }
    // Frames a camera took with the old gain may still be queued in its driver and arrive after
    // the command; they are dropped together with those taken while the tables change.
    constexpr int kFramesQueuedInCamera = 4;
    pipeline.beginRangeSwitch();
    set_prop_tpd_params(cmd, 5, high ? 0 : 1);
    pipeline.replaceTables(tables);
    setAutoShutter(cmd, 1);
    pipeline.endRangeSwitch(kFramesQueuedInCamera);
    return true;
}

} // namespace uvccommands
