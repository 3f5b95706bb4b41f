#include "pipeline/uvcpipeline.h"

#include "libtcparse.h"
#include "pipeline/devicemodel.h"
#include "tcdenoise.h"

#include <cstring>

namespace {

constexpr int kSensorTemperatureInterval = 100;

} // namespace

UvcPipeline::UvcPipeline(IspContext& isp) : isp(isp) {}

UvcPipeline::~UvcPipeline()
{
    close();
}

bool UvcPipeline::open(DeviceKind kind, int width, int height, tccmd_handle_t* command,
                       const CalibrationTables& tables)
{
    close();
    if ((kind != Uvc384 && kind != Uvc256 && kind != Uvc160) || width <= 0 || height <= 0)
        return false;
    const bool halves = kind == Uvc160;
    // The stream must carry the kind's image; the two halves of an in-frame camera are a
    // picture of a size the table knows, stacked on its temperatures.
    const FrameSize image = halves ? FrameSize{width, height / 2} : ispImageSize(kind);
    if (halves ? height % 2 != 0 || !isInFrameSize(image.width, image.height)
               : width != image.width || height != image.height)
        return false;
    deviceKind = kind;
    cmd = command;
    imageWidth = image.width;
    imageHeight = image.height;
    frames = 0;
    tablesHighRange = tables.highRange;
    lastHighRange = tables.highRange;
    switchingRange = false;
    settleFramesLeft = 0;
    const size_t n = size_t(imageWidth) * imageHeight;
    f.assign(size_t(width) * height, 0);
    if (halves) {
        rgb.assign(n * 3, 0);
        imageHalf.assign(n, 0);
        temperatureHalf.assign(n, 0);
        return true;
    }
    g.assign(n, 0);
    a.assign(n, 0);
    b.assign(n, 0);
    ddeOut.assign(n, 0);
    isp.setUp(kind, tables, {f.data(), g.data(), a.data(), b.data(), ddeOut.data()});
    return true;
}

void UvcPipeline::setTemperatureCorrection(std::shared_ptr<const std::vector<float>> table)
{
    std::atomic_store(&correction, std::move(table));
}

std::shared_ptr<const std::vector<float>> UvcPipeline::temperatureCorrection() const
{
    return std::atomic_load(&correction);
}

void UvcPipeline::close()
{
    setTemperatureCorrection(nullptr);
    if (deviceKind == Uvc384 || deviceKind == Uvc256)
        isp.tearDown();
    deviceKind = None;
    cmd = nullptr;
    frames = 0;
    f = g = a = b = ddeOut = imageHalf = temperatureHalf = {};
    rgb = {};
}

void UvcPipeline::beginRangeSwitch()
{
    switchingRange = true;
    ++rangeSwitches;
}

void UvcPipeline::replaceTables(const CalibrationTables& tables)
{
    if (deviceKind == Uvc384 || deviceKind == Uvc256)
        isp.replaceTables(tables);
    tablesHighRange = tables.highRange;
}

void UvcPipeline::endRangeSwitch(int settleFrames)
{
    settleFramesLeft = settleFrames;
    switchingRange = false;
}

bool UvcPipeline::processFrame(const uint8_t* frame)
{
    // Counted before anything else is looked at: a switch that begins from here on changes
    // the count, whatever this frame saw of it.
    const unsigned switchesBefore = rangeSwitches;
    if (!frame || switchingRange)
        return false;
    int settling = settleFramesLeft;
    while (settling > 0 && !settleFramesLeft.compare_exchange_weak(settling, settling - 1)) {
    }
    if (settling > 0)
        return false;
    const bool highRange = tablesHighRange;
    if (!runChain(frame))
        return false;
    // A switch that began while this frame was under way may have changed the gain or the
    // tables halfway through it.
    if (switchingRange || rangeSwitches != switchesBefore)
        return false;
    lastHighRange = highRange;
    return true;
}

bool UvcPipeline::runChain(const uint8_t* frame)
{
    if (deviceKind == Uvc160)
        return process160(frame);
    if (deviceKind == Uvc384 || deviceKind == Uvc256)
        return processY16(frame);
    return false;
}

bool UvcPipeline::processY16(const uint8_t* frame)
{
    const int n = imageWidth * imageHeight;
    std::memcpy(f.data(), frame, size_t(n) * 2);
    y16_to_y14(f.data(), n, f.data());

    // The sensor temperature is a device command: read it on frames 0, 100, 200, ...
    const int frameNumber = frames++;
    uint16_t sensorTemperature = 0;
    const bool refresh = frameNumber % kSensorTemperatureInterval == 0 && cmd &&
                         cur_vtemp_get(cmd, &sensorTemperature) == 0;
    isp.correctTemperatures(frameNumber, refresh ? &sensorTemperature : nullptr);

    // The 384 x 288 sensor's counts rise with temperature; the others fall and are turned
    // round so that the picture shows hot as bright.
    if (deviceKind != Uvc384)
        for (int i = 0; i < n; ++i)
            f[i] = uint16_t(16383 - f[i]);

    if (isp.extractDetail() != 0)
        return false;
    tcdenoise::denoise(f.data(), g.data());
    std::memcpy(a.data(), b.data(), size_t(n) * 2);
    if (isp.gainControl() != 0)
        return false;
    if (isp.agcOutput() != isp.ddeInput())
        std::memcpy(isp.ddeInput(), isp.agcOutput(), size_t(n) * 2);
    if (isp.enhanceDetail() != 0)
        return false;
    // The grey picture is the display level of every count: what y14_to_rgb puts in each of
    // its three channels, taken without forming them.
    y14_to_y8(static_cast<const uint16_t*>(isp.ddeOutput()), n, reinterpret_cast<uint8_t*>(g.data()));
    return true;
}

bool UvcPipeline::process160(const uint8_t* frame)
{
    const int n = imageWidth * imageHeight;
    std::memcpy(f.data(), frame, size_t(n) * 4);
    const auto* bytes = reinterpret_cast<const uint8_t*>(f.data());
    raw_data_cut(bytes, n * 2, n * 2, reinterpret_cast<uint8_t*>(imageHalf.data()),
                 reinterpret_cast<uint8_t*>(temperatureHalf.data()));
    yuv422_to_rgb(reinterpret_cast<const uint8_t*>(imageHalf.data()), n, rgb.data());
    auto* grey = reinterpret_cast<uint8_t*>(imageHalf.data());
    for (int i = 0; i < n; ++i)
        grey[i] = rgb[3 * size_t(i)];
    ++frames;
    return true;
}

const uint16_t* UvcPipeline::temperatureData() const
{
    if (deviceKind == Uvc160)
        return temperatureHalf.data();
    return isOpen() ? b.data() : nullptr;
}

const uint8_t* UvcPipeline::image() const
{
    if (deviceKind == Uvc160)
        return reinterpret_cast<const uint8_t*>(imageHalf.data());
    return isOpen() ? reinterpret_cast<const uint8_t*>(g.data()) : nullptr;
}
