#include "pipeline/ispcontext.h"

#include "core/log.h"
#include "tcdenoise.h"

#include <algorithm>
#include <cstring>

IspContext& IspContext::shared()
{
    static IspContext* const context = new IspContext; // used by capture threads until exit
    return *context;
}

IspContext::~IspContext()
{
    tearDown();
}

void IspContext::setUp(DeviceKind kind, const CalibrationTables& tables, const Buffers& b)
{
    tearDown();
    std::lock_guard<std::mutex> lock(tableMutex);
    const FrameSize frame = ispImageSize(kind);
    size = {uint16_t(frame.width), uint16_t(frame.height), 2};
    buffers = b;
    detailBuffer.assign(size_t(frame.width) * frame.height, 0);
    kt.assign(CalibrationTables::kKtBtWords, 0);
    bt.assign(CalibrationTables::kKtBtWords, 0);
    nuc.assign(CalibrationTables::kNucWords, 0);

    tcdenoise::init(frame.height, frame.width, 0.5f);
    detail_extract_init(&detailHandle, 0, &detailParam, &size, b.frame, detailBuffer.data(), 0, 0);
    agc_init(&agcHandle, 1, &agcParam, &size, b.frame, b.image, 0, 0);
    dde_init(&ddeHandle, 0, &ddeParam, &size, b.image, b.ddeOutput, 0, 0);
    ktbtParam = {{0, 0, 4096}, 0, kt.data(), uint32_t(kt.size() * 2), bt.data(), uint32_t(bt.size() * 2)};
    nucParam = {nuc.data(), uint32_t(nuc.size() * 2)};
    applyTables(tables);
    envParam = {16384, 16384, 4800, 4800, nuc.data(), uint16_t(nuc.size())};
    env_correct_init(&envHandle, 0, &envParam, &size, b.corrected, b.kelvin16, 0, 0);
    tcdenoise::setParams("sigma", 0.5f);
    tcdenoise::setParams("sigma_s", 7.0f);
    tcdenoise::setParams("gamma_r", 500.0f);
    tcdenoise::setParams("gamma_f", 100.0f);
    ready = true;
}

void IspContext::applyTables(const CalibrationTables& tables)
{
    shadingTablesCurrent = tables.headerValid && tables.ktValid() && tables.btValid();
    if (tables.headerValid)
        std::copy(tables.header, tables.header + 3, ktbtParam.cal);
    if (tables.ktValid())
        std::copy(tables.kt.begin(), tables.kt.end(), kt.begin());
    if (tables.btValid())
        std::copy(tables.bt.begin(), tables.bt.end(), bt.begin());
    if (tables.nucValid())
        std::copy(tables.nuc.begin(), tables.nuc.end(), nuc.begin());
    // Re-initialising expands the new kt/bt grids; a module whose tables were never valid
    // fails its init, and the chain then ignores its result as designed.
    const bool ktbtReady = ktbt_init(&ktbtHandle, 0, &ktbtParam, &size, buffers.frame, buffers.corrected, 0, 0) == 0;
    const bool nucReady = nuc_t_init(&nucHandle, 0, &nucParam, &size, buffers.corrected, buffers.kelvin16, 0, 0) == 0;
    if (!ktbtReady || !nucReady)
        LOG_INFO(LOG_FLOW) << "calibration tables incomplete, kt/bt ready" << ktbtReady << "nuc ready" << nucReady;
}

void IspContext::replaceTables(const CalibrationTables& tables)
{
    std::lock_guard<std::mutex> lock(tableMutex);
    if (ready)
        applyTables(tables);
}

void IspContext::tearDown()
{
    std::lock_guard<std::mutex> lock(tableMutex);
    if (!ready)
        return;
    agc_destory(&agcHandle);
    nuc_t_destory(&nucHandle);
    dde_destory(&ddeHandle);
    ktbt_destory(&ktbtHandle);
    detail_extract_destory(&detailHandle);
    env_correct_destory(&envHandle);
    tcdenoise::release();
    detailBuffer = {};
    ready = false;
}

void IspContext::correctTemperatures(int frameNumber, const uint16_t* sensorTemperature)
{
    std::lock_guard<std::mutex> lock(tableMutex);
    if (sensorTemperature)
        ktbtParam.vtemp = *sensorTemperature;
    const size_t bytes = size_t(size.width) * size.height * 2;
    // Failures of these three steps are ignored: the frame still goes through.
    // The picture is made from the counts with the sensor's shading and drift taken out, as the
    // temperatures are: left in, the lens fall-off shows a cool corner brighter than a warm
    // part, worst in the high range where a kelvin is few counts.
    // Only with this range's own tables: grids kept from the other range would distort it.
    if (ktbt_process(&ktbtHandle, 0, frameNumber) == 0 && shadingTablesCurrent)
        std::memcpy(buffers.frame, buffers.corrected, bytes);
    env_correct_process(&envHandle, 0);
    std::memcpy(buffers.corrected, buffers.kelvin16, bytes);
    nuc_t_process(&nucHandle, 0);
}

int IspContext::extractDetail()
{
    return detail_extract_process(&detailHandle, 0);
}

int IspContext::gainControl()
{
    return agc_process(&agcHandle, 0);
}

int IspContext::enhanceDetail()
{
    return dde_process(&ddeHandle, 0);
}
