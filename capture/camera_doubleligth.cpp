#include "capture/camera_doubleligth.h"

#include "capture/tcal_module.h"
#include "capture/uvccommands.h"
#include "core/configmanager.h"
#include "core/globals.h"
#include "core/log.h"
#include "libtcdual.h"
#include "libtctemp.h"
#include "pipeline/serialnumber.h"
#include "pipeline/temperature.h"
#include "pipeline/temperaturecorrection.h"
#include "pipeline/temperaturespan.h"
#include "platform/threadname.h"

#include <QFile>
#include <QThread>
#include <QTimer>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>

namespace {

constexpr uint32_t kIrVendor = 0x0BDA, kIrProduct = 0x5830;
constexpr uint32_t kVisibleVendor = 0x1BCF, kVisibleProduct = 0x28C4;
constexpr int kManualSaveMs = 1500;
constexpr auto kCycle = std::chrono::milliseconds(5);
const char kColourMapName[] = "Custom_Color_Map";
const std::array<float, 6> kIdentity{1, 0, 0, 0, 1, 0};

int64_t now()
{
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

QString fourcc(uint64_t format)
{
    QString text;
    for (int i = 0; i < 4; ++i)
        text += QLatin1Char(char((format >> (8 * i)) & 0xFF));
    return text;
}

} // namespace

Camera_DoubleLigth::Camera_DoubleLigth(FusedFrameCallback sink, QObject* parent)
    : QObject(parent), frameSink(std::move(sink)), manualTimer(new QTimer(this))
{
    manualTimer->setSingleShot(true);
    manualTimer->setInterval(kManualSaveMs);
    connect(manualTimer, &QTimer::timeout, this, &Camera_DoubleLigth::SaveManualValue);
}

Camera_DoubleLigth::~Camera_DoubleLigth()
{
    close();
}

// ---------------------------------------------------------------- devices

bool Camera_DoubleLigth::createHandles(Stream& stream, const char* failed, const char* succeeded)
{
    if (stream.uvc)
        return true;
    stream.uvc = tcuvc_create_handle();
    stream.cmd = stream.uvc ? tccmd_create_handle(stream.uvc, 1) : nullptr;
    if (!stream.uvc || !stream.cmd || tcuvc_camera_init(stream.uvc) < 0) {
        LOG_WARNING(LOG_CAMERA) << failed;
        closeStream(stream, ""); // tried afresh next time
        return false;
    }
    LOG_INFO(LOG_CAMERA) << succeeded;
    return true;
}

bool Camera_DoubleLigth::selectDevice(Stream& stream, uint32_t vendor, uint32_t product)
{
    tcuvc_device_entry_t list[TCUVC_MAX_DEVICES] = {};
    const int count = tcuvc_camera_list(stream.uvc, list);
    for (int i = 0; i < count; ++i) {
        if (list[i].vendor_id == vendor && list[i].product_id == product) {
            stream.entry = list[i];
            return true;
        }
    }
    return false;
}

bool Camera_DoubleLigth::isPresent()
{
    if (!createHandles(ir, "ir_initail fail", "ir_initail success"))
        return false;
    Stream probe;
    probe.uvc = ir.uvc;
    const bool found = selectDevice(probe, kIrVendor, kIrProduct);
    std::lock_guard<std::mutex> guard(nameMutex);
    irName = found && probe.entry.name ? QString::fromLatin1(probe.entry.name).left(63) : QString();
    return found;
}

QString Camera_DoubleLigth::deviceName() const
{
    std::lock_guard<std::mutex> guard(nameMutex);
    return irName;
}

bool Camera_DoubleLigth::isAttached()
{
    return irOpen && tcuvc_camera_attached(ir.uvc) == 1;
}

bool Camera_DoubleLigth::open()
{
    if (ir.open || vl.open)
        close();
    if (!createHandles(ir, "ir_initail fail", "ir_initail success") ||
        !createHandles(vl, "vl_initail fail", "vl_initail success"))
        return false;
    {
        std::lock_guard<std::mutex> guard(workerMutex);
        stopRequested = false;
    }
    if (!openInfrared()) {
        irOpen = false;
        LOG_WARNING(LOG_CAMERA) << "ir camera open failed!";
        close();
        return false;
    }
    irOpen = true;
    if (!openVisible()) {
        vlOpen = false;
        close();
        return false;
    }
    {
        std::unique_lock<std::shared_mutex> guard(lock);
        fusedRgba.assign(size_t(kVisibleWidth) * kVisibleHeight * 4, 0);
        fusedRgb.assign(size_t(kVisibleWidth) * kVisibleHeight * 3, 0);
        alignedKelvin.assign(size_t(kVisibleWidth) * kVisibleHeight, 0);
        haveFused = false;
        loadRecord();
        configureFusion();
    }
    const tcuvc_callback_t callback{vl.uvc, &Camera_DoubleLigth::onVisibleFrame, this};
    if (tcuvc_camera_stream_start(vl.uvc, &vl.params, &callback) < 0) {
        LOG_WARNING(LOG_CAMERA) << "camera stream start failed";
        close();
        return false;
    }
    vlOpen = true;
    worker = std::thread(&Camera_DoubleLigth::runWorker, this);
    return true;
}

bool Camera_DoubleLigth::openInfrared()
{
    // The module settles after it is listed before it takes an open.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    tcuvc_device_entry_t list[TCUVC_MAX_DEVICES] = {};
    if (tcuvc_camera_list(ir.uvc, list) <= 0) {
        LOG_INFO(LOG_CAMERA) << "list is empty";
        return false;
    }
    if (!selectDevice(ir, kIrVendor, kIrProduct)) {
        LOG_INFO(LOG_CAMERA) << "pid vid is empty";
        return false;
    }
    uint8_t info[TCUVC_INFO_BYTES] = {};
    if (tcuvc_camera_info_get(ir.uvc, &ir.entry, info) < 0) {
        LOG_WARNING(LOG_CAMERA) << "tcuvc_camera_info_get error";
        return false;
    }
    if (tcuvc_camera_open_same(ir.uvc, &ir.entry, 0) < 0) {
        LOG_WARNING(LOG_CAMERA) << "tcuvc_camera_open_same error";
        return false;
    }
    ir.open = true;
    ir.params = uvccommands::streamParameters(ir.entry, info);

    TcalModule::bindTableFiles(ir.cmd, "bindFileFail");
    const CalibrationTables tables = TcalModule::load(ir.cmd, Uvc256, lowTemperatureMode);
    if (!irPipeline.open(Uvc256, int(ir.params.width), int(ir.params.height), ir.cmd, tables)) {
        LOG_INFO(LOG_CAMERA) << "infrared stream size" << ir.params.width << ir.params.height << "does not fit";
        return false;
    }
    {
        std::unique_lock<std::shared_mutex> guard(lock);
        const size_t n = size_t(kIrWidth) * kIrHeight;
        ir8.assign(n, 0);
        irKelvin.assign(n, 0);
    }
    irStamp = 0;
    const tcuvc_callback_t callback{ir.uvc, &Camera_DoubleLigth::onIrFrame, this};
    if (tcuvc_camera_stream_start(ir.uvc, &ir.params, &callback) < 0) {
        LOG_WARNING(LOG_CAMERA) << "uvc_camera_stream_start error";
        return false;
    }
    if (y16_preview_start(ir.cmd, 0, 5) < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (y16_preview_start(ir.cmd, 0, 5) < 0)
            LOG_WARNING(LOG_CAMERA) << "y16 to TNR failed";
    }
    return true;
}

bool Camera_DoubleLigth::openVisible()
{
    tcuvc_device_entry_t list[TCUVC_MAX_DEVICES] = {};
    if (tcuvc_camera_list(vl.uvc, list) <= 0) {
        LOG_WARNING(LOG_CAMERA) << "tcuvc_camera_list error";
        return false;
    }
    if (!selectDevice(vl, kVisibleVendor, kVisibleProduct)) {
        LOG_WARNING(LOG_CAMERA) << "Get_dev_index_with_pid_vid error";
        return false;
    }
    uint8_t info[TCUVC_INFO_BYTES] = {};
    int result = tcuvc_camera_info_get(vl.uvc, &vl.entry, info);
    if (result < 0) {
        LOG_WARNING(LOG_CAMERA) << "tcuvc_camera_info_get error! error is " << result;
        return false;
    }
    result = tcuvc_camera_open_same(vl.uvc, &vl.entry, 0);
    if (result < 0) {
        LOG_WARNING(LOG_CAMERA) << "tcuvc_camera_open_same error! error is " << result;
        return false;
    }
    vl.open = true;
    vl.params = uvccommands::streamParameters(vl.entry, info);
    if (vl.params.format != TCUVC_FORMAT_MJPG)
        LOG_INFO(LOG_CAMERA) << "visible stream format" << fourcc(vl.params.format) << "is not MJPG, nothing fused";
    std::unique_lock<std::shared_mutex> guard(lock);
    visibleImage.assign(size_t(kVisibleWidth) * kVisibleHeight * 3, 0);
    vlStamp = 0;
    return true;
}

void Camera_DoubleLigth::closeStream(Stream& stream, const char* failed)
{
    if (stream.open) {
        // Only a stream that was started can fail to close.
        const bool started = &stream == &vl ? vlOpen.load() : irStamp != 0;
        if (tcuvc_camera_stream_close(stream.uvc, 0) < 0 && started)
            LOG_WARNING(LOG_CAMERA) << failed;
        tcuvc_camera_close(stream.uvc);
        stream.open = false;
    }
    if (stream.uvc) {
        tcuvc_camera_release(stream.uvc);
        if (stream.cmd)
            tccmd_delete_handle(stream.cmd);
        tcuvc_delete_handle(stream.uvc);
    }
    stream = Stream();
}

void Camera_DoubleLigth::close()
{
    {
        std::lock_guard<std::mutex> guard(workerMutex);
        stopRequested = true;
    }
    workerWake.notify_all();
    if (worker.joinable())
        worker.join();
    const bool wasOpen = ir.open || vl.open;
    closeStream(vl, "vl close stream failed");
    closeStream(ir, "ir close stream failed");
    irOpen = vlOpen = false;
    irPipeline.close();
    std::atomic_store(&correctedTable, std::shared_ptr<const std::vector<float>>());
    // The timer belongs to the GUI thread; a save it still runs finds the camera closed.
    QMetaObject::invokeMethod(manualTimer, "stop", Qt::QueuedConnection);
    std::unique_lock<std::shared_mutex> guard(lock);
    manualActive = false;
    haveFused = false;
    tcdual_align_fusion_destroy();
    if (wasOpen)
        LOG_INFO(LOG_CAMERA) << "close camera";
}

// ---------------------------------------------------------------- record and fusion set-up

void Camera_DoubleLigth::loadRecord()
{
    QString path = ConfigManager::getInstance()->storage().linkRecord;
    if (!QFile::exists(path)) {
        LOG_INFO(LOG_CAMERA) << "the uart calib result file is not exist";
        path = gAppDir + QStringLiteral("/calib_result.bin");
        if (!QFile::exists(path)) {
            LOG_INFO(LOG_CAMERA) << "the default calib result file is not exist";
            return;
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        LOG_WARNING(LOG_CAMERA) << "cannot read" << path << "-" << file.errorString();
        return;
    }
    // Only a whole record: a short file would leave the rest of another record in place.
    const QByteArray bytes = file.read(kRecordBytes);
    if (bytes.size() < kRecordBytes) {
        LOG_INFO(LOG_CAMERA) << "calibration record" << path << "holds" << bytes.size() << "bytes, not"
                             << kRecordBytes << "- previous record kept";
        return;
    }
    std::memcpy(calibRecord.data(), bytes.constData(), kRecordBytes);
}

void Camera_DoubleLigth::configureFusion()
{
    tcdual_align_fusion_set_tot_disparity(kTotalDisparity);
    const int result = tcdual_align_fusion_init(kVisibleHeight, kVisibleWidth, kIrHeight, kIrWidth, kVisibleHeight,
                                                kVisibleWidth, calibRecord.data(), manualCoefficients.data());
    if (result == TCDUAL_NOMINAL_ALIGNMENT)
        LOG_INFO(LOG_CAMERA) << "no valid calibration record, images aligned by their centres";
    else if (result < 0)
        LOG_WARNING(LOG_CAMERA) << "tcdual_align_fusion_init failed:" << result;
    tcdual_align_fusion_set_mode(fusionMode);
    tcdual_align_fusion_set_disparity(disparity);
    if (fusionMode == TCDUAL_MODE_DETAIL)
        tcdual_align_fusion_set_LPY_detail(lpyDetail);
    else if (fusionMode == TCDUAL_MODE_MEAN)
        tcdual_align_fusion_set_MEAN_weight(meanWeight);
    tcdual_align_fusion_set_color(kColourMapName);
}

void Camera_DoubleLigth::loadColourMap()
{
    std::unique_lock<std::shared_mutex> guard(lock);
    if (!colourMapSet) {
        QFile file(QStringLiteral(":/RGB_Map_Data/lut_12.dat"));
        const QByteArray map = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (map.size() != int(colourMap.size())) {
            LOG_WARNING(LOG_CAMERA) << "fusion colour map unreadable, grey used";
            return;
        }
        std::copy(map.cbegin(), map.cend(), colourMap.begin());
    }
    tcdual_align_fusion_add_color(kColourMapName, colourMap.data());
    tcdual_align_fusion_set_color(kColourMapName);
}

void Camera_DoubleLigth::setColourMap(const uint8_t* map)
{
    if (!map)
        return;
    std::unique_lock<std::shared_mutex> guard(lock);
    std::copy(map, map + colourMap.size(), colourMap.begin());
    colourMapSet = true;
    if (haveFused) { // the fusion runs: its map changes with the next frame
        tcdual_align_fusion_add_color(kColourMapName, colourMap.data());
        tcdual_align_fusion_set_color(kColourMapName);
    }
}

std::array<uint8_t, Camera_DoubleLigth::kRecordBytes> Camera_DoubleLigth::record() const
{
    std::shared_lock<std::shared_mutex> guard(lock);
    return calibRecord;
}

// ---------------------------------------------------------------- settings

void Camera_DoubleLigth::reloadRecord()
{
    std::unique_lock<std::shared_mutex> guard(lock);
    if (!isOpen())
        return;
    loadRecord();
    configureFusion();
    LOG_INFO(LOG_CAMERA) << "calibration record reloaded";
}

void Camera_DoubleLigth::setFusionMode(int mode)
{
    if (mode < TCDUAL_MODE_BLEND || mode > TCDUAL_MODE_DETAIL)
        return; // a mode the library does not have: the current one stays
    std::unique_lock<std::shared_mutex> guard(lock);
    fusionMode = mode;
    tcdual_align_fusion_set_mode(mode);
    if (mode == TCDUAL_MODE_DETAIL)
        tcdual_align_fusion_set_LPY_detail(lpyDetail);
    else if (mode == TCDUAL_MODE_MEAN)
        tcdual_align_fusion_set_MEAN_weight(meanWeight);
}

void Camera_DoubleLigth::setLpyDetail(int value, bool apply)
{
    std::unique_lock<std::shared_mutex> guard(lock);
    lpyDetail = value;
    if (apply)
        tcdual_align_fusion_set_LPY_detail(value);
}

int Camera_DoubleLigth::getLpyDetail() const
{
    std::shared_lock<std::shared_mutex> guard(lock);
    return lpyDetail;
}

int Camera_DoubleLigth::getMeanWeight() const
{
    std::shared_lock<std::shared_mutex> guard(lock);
    return meanWeight;
}

void Camera_DoubleLigth::setMeanWeight(int value, bool apply)
{
    std::unique_lock<std::shared_mutex> guard(lock);
    meanWeight = value;
    if (apply)
        tcdual_align_fusion_set_MEAN_weight(value);
}

void Camera_DoubleLigth::setDisparity(int value)
{
    std::unique_lock<std::shared_mutex> guard(lock);
    disparity = std::clamp(value, kMinDisparity, kMaxDisparity);
    tcdual_align_fusion_set_disparity(disparity);
}

void Camera_DoubleLigth::setManualCoefficients(const std::array<float, 6>& coefficients)
{
    std::unique_lock<std::shared_mutex> guard(lock);
    manualCoefficients = coefficients;
}

std::array<float, 6> Camera_DoubleLigth::getManualCoefficients() const
{
    std::shared_lock<std::shared_mutex> guard(lock);
    return manualCoefficients;
}

bool Camera_DoubleLigth::setTemperatureRange(bool on, bool tablesRequired)
{
    if (!irOpen || !uvccommands::switchRange(irPipeline, ir.cmd, Uvc256, on, tablesRequired))
        return false;
    lowTemperatureMode = on;
    return true;
}

void Camera_DoubleLigth::sendCorrection(const SensorCorrection& correction, float transmittance)
{
    if (!irOpen)
        return;
    std::atomic_store(&correctedTable, uvccommands::applyCorrection(ir.cmd, DualLight, correction, transmittance));
}

bool Camera_DoubleLigth::resetCalibration()
{
    return irOpen && ooc_b_update(ir.cmd, 0) == 0;
}

QByteArray Camera_DoubleLigth::readSerial()
{
    if (!irOpen)
        return QByteArray();
    uint8_t info[64] = {};
    if (get_device_info(ir.cmd, 7, info) != 0)
        return QByteArray();
    return serialFromDeviceInfo(info);
}

// ---------------------------------------------------------------- manual alignment

void Camera_DoubleLigth::manualMove(int direction)
{
    manualTimer->stop();
    {
        std::unique_lock<std::shared_mutex> guard(lock);
        if (direction == 0 || direction == 1) {
            // The live fusion shows every step; the library draws no picture of its own here.
            if (!manualActive && !ir8.empty() && !visibleImage.empty())
                manualActive = tcdual_align_fusion_manual_init(visibleImage.data(), ir8.data(), nullptr) == 0;
            tcdual_align_fusion_manual_translate(0.0f, direction == 0 ? 1.0f : -1.0f, nullptr);
        } else if (direction == 2 || direction == 3) {
            disparity = std::clamp(disparity + (direction == 2 ? 1 : -1), kMinDisparity, kMaxDisparity);
        } else {
            return;
        }
        tcdual_align_fusion_set_disparity(disparity);
    }
    manualTimer->start();
}

void Camera_DoubleLigth::SaveManualValue()
{
    manualTimer->stop();
    std::array<float, 6> coefficients;
    {
        std::unique_lock<std::shared_mutex> guard(lock);
        if (!isOpen())
            return; // closed while the adjustment waited: nothing of it is in the library
        const float* finished = tcdual_align_fusion_manual_finish();
        std::copy(finished, finished + 6, manualCoefficients.begin());
        manualActive = false;
        coefficients = manualCoefficients;
        configureFusion();
    }
    storeAlignment(coefficients);
    LOG_INFO(LOG_CAMERA) << "manual alignment saved, disparity" << disparity;
}

void Camera_DoubleLigth::storeAlignment(const std::array<float, 6>& coefficients) const
{
    ConfigManager* config = ConfigManager::getInstance();
    for (int i = 0; i < 6; ++i)
        config->setDCameraValue(QStringLiteral("manual%1").arg(i), QString::number(double(coefficients[size_t(i)]), 'f', 6));
    config->setDCameraValue(QStringLiteral("FusionTotDis"), QString::number(disparity));
}

void Camera_DoubleLigth::manualReset()
{
    manualTimer->stop();
    std::unique_lock<std::shared_mutex> guard(lock);
    if (manualActive)
        tcdual_align_fusion_manual_finish();
    manualActive = false;
    manualCoefficients = kIdentity;
    disparity = kDefaultDisparity;
    if (isOpen())
        configureFusion();
    guard.unlock();
    // Kept: the next start begins from the factory alignment too.
    storeAlignment(kIdentity);
}

// ---------------------------------------------------------------- frames

void Camera_DoubleLigth::onIrFrame(void* frame, void* user)
{
    auto* self = static_cast<Camera_DoubleLigth*>(user);
    // The chain works on the pipeline's own buffers, which only this thread touches; the
    // fusion's copies are taken under the lock.
    if (!self->irPipeline.processFrame(static_cast<const uint8_t*>(frame)))
        return;
    std::shared_lock<std::shared_mutex> guard(self->lock);
    const size_t n = self->ir8.size();
    const uint8_t* picture = self->irPipeline.image();
    const uint16_t* kelvin = self->irPipeline.temperatureData();
    std::copy(picture, picture + n, self->ir8.begin());
    std::copy(kelvin, kelvin + n, self->irKelvin.begin());
    self->irHighRange = self->irPipeline.lastFrameHighRange();
    self->irStamp = now();
    ++self->irFrames;
}

void Camera_DoubleLigth::onVisibleFrame(void* frame, void* user)
{
    auto* self = static_cast<Camera_DoubleLigth*>(user);
    const tcuvc_stream_params_t& params = self->vl.params;
    if (params.format != TCUVC_FORMAT_MJPG)
        return;
    // Decoded outside the lock: the worker need not wait for it.
    cv::Mat decoded;
    try {
        decoded = cv::imdecode(cv::Mat(1, int(params.frame_bytes), CV_8UC1, frame), cv::IMREAD_COLOR);
    } catch (const cv::Exception&) {
        decoded.release();
    }
    if (decoded.cols != kVisibleWidth || decoded.rows != kVisibleHeight) {
        // A broken or foreign picture: the previous one stays, unstamped.
        if (!self->badPictureLogged.exchange(true))
            LOG_WARNING(LOG_CAMERA) << "visible frame unreadable:" << decoded.cols << "x" << decoded.rows;
        return;
    }
    std::shared_lock<std::shared_mutex> guard(self->lock);
    cv::Mat visible(kVisibleHeight, kVisibleWidth, CV_8UC3, self->visibleImage.data());
    cv::cvtColor(decoded, visible, cv::COLOR_BGR2RGB);
    self->vlStamp = now();
    ++self->vlFrames;
}

void Camera_DoubleLigth::runWorker()
{
    setCurrentThreadName("orvik-fusion");
    LOG_INFO(LOG_CAMERA) << "start camera";
    {
        std::unique_lock<std::mutex> guard(workerMutex);
        if (workerWake.wait_for(guard, startDelay, [this] { return stopRequested; }))
            return;
    }
    loadColourMap();
    const int64_t started = now();
    uint64_t fusedIr = 0;
    bool stalled = false;
    while (true) {
        {
            std::unique_lock<std::mutex> guard(workerMutex);
            if (workerWake.wait_for(guard, kCycle, [this] { return stopRequested; }))
                break;
        }
        const int64_t limit = std::chrono::duration_cast<Clock::duration>(kStaleAfter).count();
        const int64_t t = now();
        // A stream gets as long for its first frame as between two.
        const int64_t irAt = irStamp ? irStamp.load() : started, vlAt = vlStamp ? vlStamp.load() : started;
        const bool fresh = t - irAt <= limit && t - vlAt <= limit;
        if (fresh && (irStamp == 0 || vlStamp == 0))
            continue; // not both there yet
        if (!fresh) {
            // Once per stall: a cycle every 5 ms would fill the log.
            if (!stalled)
                LOG_INFO(LOG_CAMERA) << "vl or ir exception";
            stalled = true;
            continue;
        }
        if (stalled)
            LOG_INFO(LOG_CAMERA) << "vl and ir frames arrive again";
        stalled = false;
        // Once per infrared frame: the temperatures' pace; the photograph changes little.
        if (irFrames == fusedIr)
            continue;
        fusedIr = irFrames;
        if (fuseOnce() && frameSink)
            frameSink();
    }
    LOG_INFO(LOG_CAMERA) << "stop camera";
}

void Camera_DoubleLigth::setTemperatureSpan(bool on, float lowCelsius, float highCelsius)
{
    spanLow = lowCelsius;
    spanHigh = highCelsius;
    spanOn = on;
}

bool Camera_DoubleLigth::fuseOnce()
{
    // Fused on during a manual adjustment too: each step shows at once on the live picture,
    // temperatures moved with it.
    std::unique_lock<std::shared_mutex> guard(lock);
    if (spanOn) {
        // Coloured by the temperatures the readings show: corrected, to the camera's 1/16 K.
        const TemperatureSpan span{spanLow, spanHigh};
        const auto table = std::atomic_load(&correctedTable);
        const bool exact = table && table->size() == 65536;
        irFiltered.resize(irKelvin.size());
        for (size_t i = 0; i < irFiltered.size(); ++i)
            irFiltered[i] = span.index(exact ? (*table)[irKelvin[i]] : celsiusFromKelvin16(irKelvin[i]));
    } else {
        // Filtered into a copy: a frame fused twice (a new visible frame) is not filtered twice.
        irFiltered = ir8;
        if (imageMode.enhance())
            ImageMode::enhanceImage(irFiltered.data(), kIrWidth, kIrHeight);
        else if (imageMode.highContrast())
            ImageMode::highContrastImage(irFiltered.data(), kIrWidth, kIrHeight);
    }
    if (tcdual_align_fusion_process(visibleImage.data(), irFiltered.data(), irKelvin.data(), fusedRgba.data(),
                                    alignedKelvin.data()) != 0)
        return false;
    const size_t n = size_t(kVisibleWidth) * kVisibleHeight;
    for (size_t i = 0; i < n; ++i) {
        fusedRgb[3 * i] = fusedRgba[4 * i];
        fusedRgb[3 * i + 1] = fusedRgba[4 * i + 1];
        fusedRgb[3 * i + 2] = fusedRgba[4 * i + 2];
    }
    fusedHighRange = irHighRange.load();
    haveFused = true;
    return true;
}

bool Camera_DoubleLigth::extractFrame(Frame& frame, bool imageOnly)
{
    std::shared_lock<std::shared_mutex> guard(lock);
    if (!haveFused)
        return false;
    frame.resize(kVisibleWidth, kVisibleHeight);
    frame.kind = DualLight;
    frame.highRange = fusedHighRange;
    frame.rgb = fusedRgb;
    cv::cvtColor(cv::Mat(kVisibleHeight, kVisibleWidth, CV_8UC3, fusedRgb.data()),
                 cv::Mat(kVisibleHeight, kVisibleWidth, CV_8UC1, frame.image.data()), cv::COLOR_RGB2GRAY);
    if (imageOnly) {
        frame.dropTemperatures();
        return true;
    }
    return fillTemperatures(alignedKelvin.data(), DualLight, frame, std::atomic_load(&correctedTable).get());
}
