#pragma once
// What the UVC cameras are told, the same for every back-end that drives one: how to stream,
// and for the Y16 cameras (kinds 2 and 3, and the dual-light camera's infrared module) what
// goes through their command handle.
#include "libtccmd.h"
#include "libtcuvc.h"
#include "pipeline/devicekind.h"
#include "pipeline/temperaturecorrection.h"
#include "pipeline/uvcpipeline.h"

#include <optional>

namespace uvccommands {

// The stream of the first entry of a device's stream information (tcuvc_camera_info_get).
tcuvc_stream_params_t streamParameters(const tcuvc_device_entry_t& device, const uint8_t* info);
// The stream of the given format and size among a device's count entries; false when the
// device offers none (a camera lists several, the virtual cameras one).
bool chooseStream(const tcuvc_device_entry_t& device, const uint8_t* info, int count, uint64_t format,
                  int width, int height, tcuvc_stream_params_t& parameters);

// Emissivity, ambient and reflected temperature (degC) for the camera's correction; what the
// camera then applies, as it reads back, or nothing when it does not answer.
std::optional<TemperatureCorrection::CameraSurface> sendCorrection(tccmd_handle_t* cmd, float emissivity,
                                                                   float reflected, float ambient);
// The correction a Y16 camera applies (for the in-frame cameras none, their readings are
// corrected whole in the pipeline), sent, and the pipeline's table built on what it applies.
std::shared_ptr<const TemperatureCorrection::Table> applyCorrection(tccmd_handle_t* cmd, DeviceKind kind,
                                                                    const SensorCorrection& correction,
                                                                    float transmittance);
// The camera's automatic shutter on or off, saved in the camera when its stored interval is
// out of order.
void setAutoShutter(tccmd_handle_t* cmd, uint16_t value);

// The measuring range (true: the high range): its tables from the camera into the pipeline and
// the camera's gain. Frames taken across the change are dropped. With tablesRequired a range
// whose tables cannot be read whole is refused (false, nothing changed); otherwise the gain is
// set whatever the tables, as the camera must run in its range in any case.
bool switchRange(UvcPipeline& pipeline, tccmd_handle_t* cmd, DeviceKind kind, bool high, bool tablesRequired);

} // namespace uvccommands
