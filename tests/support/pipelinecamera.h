#pragma once
// A virtual camera with the device half of the pipeline behind it, as the program chains it:
// raw frames in, temperatures out. For the physics tests and the accuracy report.
#include "capture/tcal_module.h"
#include "capture/uvccommands.h"
#include "K7Dll.h"
#include "libtccmd.h"
#include "pipeline/frame.h"
#include "pipeline/k7frame.h"
#include "pipeline/uvcpipeline.h"
#include "sdk/virtual/tcsim.h"
#include "tests/support/k7calibrationframe.h"
#include "tests/support/virtualcamera.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

// One virtual camera and the pipeline that turns its raw frames into temperatures, in the
// low (-20..150 degC) or the high range.
class PipelineCamera
{
public:
    PipelineCamera(const std::string& camera, DeviceKind kind, const std::string& serial,
                    const std::string& options = "", bool highRange = false)
        : kind(kind), serial(serial)
    {
        const std::string line = camera + " serial=" + serial + " " + options + "\n";
        if (kind == DirectShowY16) {
            tcsim::setRegistryText(line);
            ready = DataInit(256, 192) == 0;
            return;
        }
        uvc = std::make_unique<OpenVirtualCamera>(line);
        ready = uvc->ok() && set_prop_tpd_params(uvc->command(), 5, highRange ? 0 : 1) == 0 &&
                TcalModule::bindTableFiles(uvc->command());
        const FrameSize size = ispImageSize(kind);
        ready = ready && pipeline.open(kind, size.width, kind == Uvc160 ? 2 * size.height : size.height,
                                       uvc->command(), TcalModule::load(uvc->command(), kind, highRange));
    }
    ~PipelineCamera()
    {
        if (kind == DirectShowY16) {
            restoreK7Correction();
            tcsim::clearRegistryText();
        }
    }
    bool ok() const { return ready; }
    // The camera's command handle; null for the K7-22.
    tccmd_handle_t* command() const { return uvc ? uvc->command() : nullptr; }

    // The reflected temperature and the emissivity the temperatures are corrected for, where
    // the program corrects them for the camera's kind: in the K7-22's library, in a Y16 camera
    // itself, in the pipeline for the in-frame cameras.
    bool setCorrection(double emissivity, double reflectedCelsius)
    {
        SensorCorrection correction;
        correction.emissivity = float(emissivity);
        correction.reflected = float(reflectedCelsius);
        correction.ambient = float(reflectedCelsius); // the room the surface reflects
        if (kind == DirectShowY16)
            return UpdateFixParam(correction.emissivity, correction.reflected, correction.ambient, 0.5f, 0, 0.0f) == 0;
        pipeline.setTemperatureCorrection(uvccommands::applyCorrection(uvc->command(), kind, correction, 1.0f));
        return true;
    }

    // Temperatures of frame index (degC), empty on failure.
    std::vector<float> temperatures(int64_t index)
    {
        const std::vector<uint16_t> raw = tcsim::renderFrame(serial, index);
        rawRepeated = !raw.empty() && raw == lastRaw;
        lastRaw = raw;
        const auto* bytes = reinterpret_cast<const uint8_t*>(raw.data());
        Frame result;
        if (kind == DirectShowY16) {
            std::vector<uint8_t> picture;
            if (raw.empty() || !K7Frame::refreshParameters(bytes, "K7-22") || !K7Frame::decode(bytes, result, picture))
                return {};
        } else if (raw.empty() || !pipeline.processFrame(bytes) || !extractUvcFrame(pipeline, result)) {
            return {};
        }
        return result.temperatures;
    }
    // Whether the last frame's raw words were the previous frame's again.
    bool repeated() const { return rawRepeated; }
    std::vector<float> truth(int64_t index) const
    {
        std::vector<float> out;
        tcsim::truth(serial, index, out);
        return out;
    }

private:
    DeviceKind kind;
    std::string serial;
    bool ready = false;
    std::vector<uint16_t> lastRaw;
    bool rawRepeated = false;
    std::unique_ptr<OpenVirtualCamera> uvc;
    UvcPipeline pipeline;
};

