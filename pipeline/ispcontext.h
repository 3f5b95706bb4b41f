#pragma once

#include "libtcisp.h"
#include "pipeline/calibrationtables.h"
#include "pipeline/devicekind.h"

#include <mutex>
#include <vector>

// The ISP modules of the Y16 cameras, their parameter blocks and the calibration tables
// they read. One per process in the program: only one camera is open at a time.
//
// New tables are swapped in under tableMutex, which the frame chain holds while it corrects
// temperatures, so every frame is corrected with one table set from start to end.
class IspContext
{
public:
    struct Buffers
    {
        uint16_t* frame;     // F: the 14-bit frame
        uint16_t* image;     // G: denoiser scratch, AGC output, finally the 8-bit image
        uint16_t* corrected; // A
        uint16_t* kelvin16;  // B
        uint16_t* ddeOutput;
    };

    static IspContext& shared();

    IspContext() = default;
    ~IspContext();
    IspContext(const IspContext&) = delete;
    IspContext& operator=(const IspContext&) = delete;

    // Set-up for kinds 2, 3 and 5 with the tables of the measuring range. kt/bt and NUC are
    // left out when the tables lack them (nothing is known to correct with).
    void setUp(DeviceKind kind, const CalibrationTables& tables, const Buffers& buffers);
    void tearDown();
    bool isSetUp() const { return ready; }

    // Swaps in the tables of another measuring range between two frames. A table the set
    // lacks keeps its previous content.
    void replaceTables(const CalibrationTables& tables);

    // The temperature half of a frame: kt/bt (F -> A, and the corrected counts back into F for
    // the picture), environment (A -> B), B copied to A, NUC (A -> B, kelvin * 16). A given
    // sensor temperature word is stored first.
    void correctTemperatures(int frameNumber, const uint16_t* sensorTemperature);

    // The picture half; each returns the module's result (0 success).
    int extractDetail();
    int gainControl();
    int enhanceDetail();
    void* agcOutput() const { return agcHandle.output; }
    void* ddeInput() const { return ddeHandle.input; }
    void* ddeOutput() const { return ddeHandle.output; }

    uint16_t sensorTemperatureWord() const { return ktbtParam.vtemp; }

private:
    // Copies the valid tables into the module buffers and re-initialises kt/bt and NUC.
    void applyTables(const CalibrationTables& tables);

    bool ready = false;
    bool shadingTablesCurrent = false; // kt, bt and their header came with the tables in use
    Buffers buffers{};
    isp_image_size_t size{};
    std::vector<uint16_t> detailBuffer;
    std::vector<uint16_t> kt, bt, nuc;
    detail_extract_param_t detailParam{3, 1.0f};
    agc_param_t agcParam{2.5e-5f, 3.0e-5f, 1.0e-4f, 1.0e-4f, 150, 0.8f, 0.25f, 5};
    dde_param_t ddeParam{0.0f, 96.0f, 48.0f, 0, 10, 30, 100};
    ktbt_param_t ktbtParam{};
    nuc_t_param_t nucParam{};
    env_correct_param_t envParam{};
    isp_handle_t detailHandle{}, agcHandle{}, ddeHandle{}, ktbtHandle{}, nucHandle{}, envHandle{};
    std::mutex tableMutex;
};
