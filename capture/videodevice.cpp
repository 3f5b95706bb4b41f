#include "capture/videodevice.h"

#include "capture/tcal_module.h"
#include "capture/uvccommands.h"
#include "core/configmanager.h"
#include "core/log.h"
#include "K7Dll.h"
#include "libtctemp.h"
#include "pipeline/devicemodel.h"
#include "pipeline/k7frame.h"
#include "pipeline/serialnumber.h"
#include "pipeline/temperaturecorrection.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

namespace {

constexpr int kMaxVideoInputs = 16;

bool matchesUvcFilter(const tcuvc_device_entry_t& e)
{
    return e.name && ((e.product_id == 0x5840 && e.vendor_id == 0x0BDA) || e.product_id == 0x5830);
}

bool isK722Name(const char* name)
{
    return std::strcmp(name, "K7-22") == 0 || std::strcmp(name, "Z8R") == 0;
}

} // namespace

VideoDevice::VideoDevice(FrameReadyCallback sink) : frameSink(std::move(sink))
{
    DataInit(K7Frame::kWidth, K7Frame::kImageHeight); // the K7-22's temperature library
    createHandles();
    lowTemperatureMode = ConfigManager::getInstance()->getEquipmentValue(QStringLiteral("LowTemperatureMode"));
}

VideoDevice::~VideoDevice()
{
    closeCamera();
    releaseHandles();
}

void VideoDevice::createHandles()
{
    uvcHandle = tcuvc_create_handle();
    cmdHandle = tccmd_create_handle(uvcHandle, 1);
    tcuvc_camera_init(uvcHandle);
}

void VideoDevice::releaseHandles()
{
    tcuvc_camera_release(uvcHandle);
    tccmd_delete_handle(cmdHandle);
    tcuvc_delete_handle(uvcHandle);
    cmdHandle = nullptr;
    uvcHandle = nullptr;
}

DeviceKind VideoDevice::kind() const
{
    return modelIndex > 0 && modelIndex < kDeviceModelCount ? deviceModelTable()[size_t(modelIndex)].kind : None;
}

bool VideoDevice::isPresent(int row)
{
    modelIndex = row;
    if (openKind() != None) {
        lastPresence = openCameraAttached();
        return lastPresence;
    }
    // The path guards one open camera against the other; a path left by a presence test
    // whose camera never opened must not lock the other out.
    path = Path::None;
    deviceName.clear();
    const DeviceKind k = kind();
    bool present = false;
    if (k == DirectShowY16)
        present = isPresentVideoInput();
    else if (k == Uvc384 || k == Uvc256 || k == Uvc160)
        present = isPresentUvc();
    lastPresence = present;
    return present;
}

bool VideoDevice::openCameraAttached()
{
    if (openKind() != DirectShowY16)
        return tcuvc_camera_attached(uvcHandle) == 1;
    if (selectedVideoInput >= entries.size())
        return false;
    vi_device_info_t devices[kMaxVideoInputs] = {};
    const int count = vi_list_devices(devices, kMaxVideoInputs);
    for (int i = 0; i < count; ++i)
        if (entries[selectedVideoInput].path == devices[i].path)
            return true;
    return false;
}

bool VideoDevice::findUvcEntry(tcuvc_device_entry_t& entry)
{
    tcuvc_device_entry_t list[TCUVC_MAX_DEVICES] = {};
    if (tcuvc_camera_list(uvcHandle, list) < 0) {
        if (lastPresence)
            LOG_INFO(LOG_CAMERA) << "list is empty";
        return false;
    }
    for (const tcuvc_device_entry_t& candidate : list) {
        if (matchesUvcFilter(candidate)) {
            entry = candidate;
            return true;
        }
    }
    if (lastPresence)
        LOG_INFO(LOG_CAMERA) << "pid vid is empty";
    return false;
}

bool VideoDevice::isPresentUvc()
{
    if (path == Path::VideoInput)
        return false;
    if (!uvcHandle)
        LOG_INFO(LOG_CAMERA) << "tcuvc is null";
    tcuvc_device_entry_t entry{};
    if (!findUvcEntry(entry))
        return false;
    deviceName = entry.name;
    path = Path::Uvc;
    return true;
}

bool VideoDevice::isPresentVideoInput()
{
    if (path == Path::Uvc)
        return false;
    vi_device_info_t devices[kMaxVideoInputs] = {};
    const int count = vi_list_devices(devices, kMaxVideoInputs);
    if (count < 0) {
        LOG_WARNING(LOG_CAMERA) << "CreateClassEnumerator failed";
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const char* name = devices[i].description[0] ? devices[i].description : devices[i].friendly_name;
        if (expectedName == QLatin1String(kK722Name) && isK722Name(name)) {
            deviceName = kK722Name;
            path = Path::VideoInput;
            return true;
        }
    }
    return false;
}

bool VideoDevice::openCamera()
{
    refusal = Refusal::None;
    bool opened = false;
    if (path == Path::VideoInput)
        opened = openVideoInput();
    else if (path == Path::Uvc)
        opened = openUvc(kind() == Uvc160);
    if (opened) {
        openedKind = path == Path::VideoInput ? DirectShowY16 : kind();
        loggedRefusal.clear();
    }
    return opened;
}

bool VideoDevice::refuse(Refusal why, const QString& device, const QString& detail)
{
    refusal = why;
    refusedName = device;
    const QString line = device + QStringLiteral(": ") + detail;
    if (line != loggedRefusal) {
        loggedRefusal = line;
        LOG_WARNING(LOG_CAMERA) << "camera refused," << line;
    }
    return false;
}

bool VideoDevice::openUvc(bool halves)
{
    if (halves)
        LOG_INFO(LOG_CAMERA) << "连接160设备";
    // The camera settles after it is listed before it takes an open.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    tcuvc_device_entry_t entry{};
    if (!findUvcEntry(entry))
        return false;
    deviceName = entry.name;
    char node[64] = {};
    const bool deviceNode = tcuvc_camera_node(uvcHandle, &entry, 0, node, sizeof node) == 0;
    // A real camera names itself as its maker chose; a virtual one is the module by its name.
    if (!deviceNode && deviceName != kUvcName)
        return false;
    const QString device = deviceNode ? QString::fromLocal8Bit(node) : QString::fromLatin1(deviceName);
    const QString access =
        QStringLiteral("permission denied: the user needs read and write access to the device "
                       "(a udev rule with TAG+=\"uaccess\" for the camera, or the group video)");
    uint8_t info[TCUVC_INFO_BYTES] = {};
    const int streams = tcuvc_camera_info_get(uvcHandle, &entry, info);
    if (streams == TCUVC_ERROR_ACCESS)
        return refuse(Refusal::AccessDenied, device, access);
    if (streams < 0) {
        LOG_WARNING(LOG_CAMERA) << (halves ? "160获取相机信息失败" : "uvc info get failed");
        return false;
    }
    const int opened = tcuvc_camera_open_same(uvcHandle, &entry, 0);
    if (opened == TCUVC_ERROR_ACCESS)
        return refuse(Refusal::AccessDenied, device, access);
    if (opened < 0) {
        LOG_WARNING(LOG_CAMERA) << "openFail";
        return false;
    }
    selectedEntry = entry;

    // The picture of the table row: the in-frame cameras stream it above their temperatures.
    const DeviceKind k = halves ? Uvc160 : kind();
    const FrameSize picture = halves ? modelFrameSize(modelIndex) : ispImageSize(k);
    const int streamHeight = halves ? 2 * picture.height : picture.height;
    if (!uvccommands::chooseStream(entry, info, streams, halves ? TCUVC_FORMAT_YUYV : TCUVC_FORMAT_Y16,
                                   picture.width, streamHeight, streamParameters)) {
        tcuvc_camera_close(uvcHandle);
        return refuse(Refusal::NoStream, device,
                      QStringLiteral("offers no %1 stream of %2 x %3")
                          .arg(QLatin1String(halves ? "YUYV" : "Y16"))
                          .arg(picture.width)
                          .arg(streamHeight));
    }

    CalibrationTables tables;
    tables.highRange = lowTemperatureMode;
    if (!halves) {
        TcalModule::bindTableFiles(cmdHandle);
        tables = TcalModule::load(cmdHandle, k, lowTemperatureMode);
        // Raw counts become temperatures only through the camera's own tables.
        if (!tables.headerValid || !tables.ktValid() || !tables.btValid() || !tables.nucValid()) {
            tcuvc_camera_close(uvcHandle);
            return refuse(
                Refusal::NoCalibration, device,
                QStringLiteral("its calibration tables cannot be read, so its counts give no temperatures"));
        }
    }
    if (!pipeline.open(k, int(streamParameters.width), int(streamParameters.height), cmdHandle, tables)) {
        LOG_INFO(LOG_CAMERA) << "stream size" << streamParameters.width << streamParameters.height
                             << "does not fit the camera";
        tcuvc_camera_close(uvcHandle);
        return false;
    }
    const tcuvc_callback_t callback{uvcHandle, &VideoDevice::onUvcFrame, this};
    if (tcuvc_camera_stream_start(uvcHandle, &streamParameters, &callback) < 0) {
        if (halves)
            LOG_WARNING(LOG_CAMERA) << "callback failed";
        pipeline.close();
        tcuvc_camera_close(uvcHandle);
        return false;
    }
    if (!halves) {
        y16Preview = true;
        if (y16_preview_start(cmdHandle, 0, 5) < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            y16_preview_start(cmdHandle, 0, 5);
        }
    }
    return true;
}

void VideoDevice::onUvcFrame(void* frame, void* user)
{
    auto* self = static_cast<VideoDevice*>(user);
    if (self->pipeline.processFrame(static_cast<const uint8_t*>(frame)) && self->frameSink)
        self->frameSink(nullptr, 0);
}

bool VideoDevice::openVideoInput()
{
    LOG_INFO(LOG_CAMERA) << "initializeGraph";
    LOG_INFO(LOG_CAMERA) << "initializeVideo";
    vi_device_info_t devices[kMaxVideoInputs] = {};
    const int count = vi_list_devices(devices, kMaxVideoInputs);
    if (count < 0)
        LOG_WARNING(LOG_CAMERA) << "CreateClassEnumerator failed";
    for (int i = 0; i < count; ++i) {
        const char* name = devices[i].description[0] ? devices[i].description : devices[i].friendly_name;
        if (!isK722Name(name))
            continue;
        LOG_INFO(LOG_CAMERA) << "initialize device";
        vi_device_t* device = vi_open(devices[i].path);
        if (!device) {
            LOG_WARNING(LOG_CAMERA) << "Fail to add source filter for moniker of current graph for device";
            continue;
        }
        VideoInputEntry entry{device, QByteArray(devices[i].path), 0, 0, false};
        if (vi_get_format(device, &entry.width, &entry.height) != 0 ||
            vi_set_callback(device, &VideoDevice::onVideoInputSample, this) != 0) {
            LOG_WARNING(LOG_CAMERA) << "Fail to set callback function of sample grabber for device";
            vi_close(device);
            continue;
        }
        entries.push_back(entry);
    }
    if (entries.empty()) {
        LOG_INFO(LOG_CAMERA) << "Fpga_connectDevice, bRet=" << -1;
        return false;
    }
    selectedVideoInput = 0;
    return true;
}

void VideoDevice::onVideoInputSample(const uint8_t* buffer, int length, void* user)
{
    auto* self = static_cast<VideoDevice*>(user);
    if (self->frameSink)
        self->frameSink(buffer, length);
}

void VideoDevice::sendStartupCommands()
{
    if (!isK722() || selectedVideoInput >= entries.size())
        return;
    for (int command : {0x8020, 0x8004, 0x8000})
        sendCameraCommand(command);
    VideoInputEntry& entry = entries[selectedVideoInput];
    entry.running = vi_run(entry.device) == 0;
}

bool VideoDevice::sendCameraCommand(int value)
{
    if (!isK722() || selectedVideoInput >= entries.size())
        return false;
    return vi_set_camera_control(entries[selectedVideoInput].device, VI_CAMERA_CONTROL_ZOOM, value,
                                 VI_FLAGS_MANUAL) == 0;
}

bool VideoDevice::closeCamera()
{
    openedKind = None;
    bool closed = false;
    if (path == Path::VideoInput) {
        closeVideoInput();
        closed = true;
    } else if (path == Path::Uvc) {
        closed = closeUvc();
    }
    path = Path::None;
    deviceName.clear();
    return closed;
}

void VideoDevice::closeVideoInput()
{
    LOG_INFO(LOG_CAMERA) << "Fpga_disconnectDevice";
    for (VideoInputEntry& entry : entries)
        vi_close(entry.device); // stops and joins its stream first
    entries.clear();
    k7Picture.clear();
}

bool VideoDevice::closeUvc()
{
    LOG_INFO(LOG_CAMERA) << "close camera";
    if (tcuvc_camera_stream_close(uvcHandle, 0) < 0)
        LOG_WARNING(LOG_CAMERA) << "stream close failed";
    else
        tcuvc_camera_close(uvcHandle);
    LOG_INFO(LOG_CAMERA) << "Release_resources";
    y16Preview = false;
    pipeline.close();
    // Fresh handles, so the next connection starts clean.
    releaseHandles();
    createHandles();
    return true;
}

bool VideoDevice::setTemperatureRange(bool on, Tables need)
{
    if (!isUvc())
        return true;
    if (!uvccommands::switchRange(pipeline, cmdHandle, kind(), on, need == Tables::Required))
        return false;
    lowTemperatureMode = on;
    return true;
}

void VideoDevice::setAutoShutter(uint16_t value)
{
    if (isUvc())
        uvccommands::setAutoShutter(cmdHandle, value);
}

bool VideoDevice::acceptsFrame(const uint8_t* data, int length) const
{
    if (openKind() == DirectShowY16) {
        return selectedVideoInput < entries.size() &&
               K7Frame::acceptsFormat(entries[selectedVideoInput].width, entries[selectedVideoInput].height) && data &&
               length >= K7Frame::kBytes;
    }
    return openKind() != None && pipeline.isOpen();
}

QByteArray VideoDevice::readSerial(const uint8_t* data)
{
    if (openKind() == DirectShowY16)
        return data ? K7Frame::serial(data) : QByteArray();
    uint8_t info[64] = {};
    get_device_info(cmdHandle, 7, info);
    return serialFromDeviceInfo(info);
}

void VideoDevice::refreshParameters(const uint8_t* data)
{
    if (openKind() == DirectShowY16 && data)
        K7Frame::refreshParameters(data, kK722Name);
}

bool VideoDevice::extractFrame(const uint8_t* data, Frame& frame)
{
    if (openKind() == DirectShowY16)
        return data && K7Frame::decode(data, frame, k7Picture);
    return openKind() != None && extractUvcFrame(pipeline, frame);
}

void VideoDevice::updateSensorParameters(const SensorCorrection& c, float transmittance)
{
    const DeviceKind kind = openKind();
    if (kind == DirectShowY16) {
        // Its distance is whole metres.
        UpdateFixParam(c.emissivity, c.reflected, c.ambient, c.humidity, uint16_t(std::floor(c.distance + 0.5f)),
                       c.offset);
        return;
    }
    if (kind == None)
        return;
    pipeline.setTemperatureCorrection(uvccommands::applyCorrection(cmdHandle, kind, c, transmittance));
}

bool VideoDevice::resetCalibration()
{
    if (isUvc())
        return ooc_b_update(cmdHandle, 0) == 0;
    return isK722() && sendCameraCommand(0x8000);
}
