#include "detect/cameradetector.h"

#include "pipeline/devicemodel.h"
#include "sdk/virtual/registry.h"

#include <QDir>
#include <QFile>
#include <cstring>

namespace {

QString readLine(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readLine()).trimmed() : QString();
}

} // namespace

CameraDetector::CameraDetector(QVector<UsbRule> rules, QString usbRoot)
    : rules(std::move(rules)), usbRoot(std::move(usbRoot)), uvc(tcuvc_create_handle())
{
    tcuvc_camera_init(uvc);
}

CameraDetector::~CameraDetector()
{
    tcuvc_delete_handle(uvc);
}

CameraDetector::Found CameraDetector::detect()
{
    const std::vector<tcsim::DeviceSpec> virtualCameras = tcsim::readRegistry();
    if (!virtualCameras.empty())
        return {QString::fromStdString(virtualCameras.front().product),
                QString::fromStdString(virtualCameras.front().cameraName)};
    const Found byRule = fromUsb();
    return byRule.cameraName.isEmpty() ? fromInFrameCameras() : byRule;
}

CameraDetector::Found CameraDetector::fromInFrameCameras()
{
    tcuvc_device_entry_t list[TCUVC_MAX_DEVICES] = {};
    const int count = std::max(tcuvc_camera_list(uvc, list), 0);
    for (int position = 0; position < count; ++position) {
        const tcuvc_device_entry_t& device = list[position];
        const auto vendor = uint16_t(device.vendor_id), product = uint16_t(device.product_id);
        const int anySize = findInFrameModel(vendor, product, 0, 0);
        if (anySize < 0)
            continue;
        uint8_t info[TCUVC_INFO_BYTES] = {};
        const int streams = tcuvc_camera_info_get(uvc, &device, info);
        // A camera whose node refuses this user is reported all the same, so that connecting
        // to it says why it fails; one that fails otherwise (busy, settling after its plug)
        // is asked again next round rather than guessed.
        if (streams < 0 && streams != TCUVC_ERROR_ACCESS)
            continue;
        int row = streams < 0 ? anySize : -1;
        for (int i = 0; i < streams && row < 0; ++i) {
            const uint8_t* entry = info + i * TCUVC_STREAM_ENTRY_BYTES;
            uint64_t format = 0;
            uint32_t width = 0, height = 0;
            std::memcpy(&format, entry, 8);
            std::memcpy(&width, entry + 8, 4);
            std::memcpy(&height, entry + 12, 4);
            if (format == TCUVC_FORMAT_YUYV && height % 2 == 0)
                row = findInFrameModel(vendor, product, int(width), int(height / 2));
        }
        if (row < 0)
            continue;
        const DeviceModel& model = deviceModelTable()[size_t(row)];
        return {model.productName, model.cameraName};
    }
    return {};
}

CameraDetector::Found CameraDetector::fromUsb() const
{
    if (rules.isEmpty())
        return {};
    const QStringList devices = QDir(usbRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& device : devices) {
        const QString dir = usbRoot + QLatin1Char('/') + device;
        bool vidOk = false, pidOk = false;
        const uint vid = readLine(dir + QStringLiteral("/idVendor")).toUInt(&vidOk, 16);
        const uint pid = readLine(dir + QStringLiteral("/idProduct")).toUInt(&pidOk, 16);
        if (!vidOk || !pidOk)
            continue;
        const QString product = readLine(dir + QStringLiteral("/product"));
        for (const UsbRule& rule : rules) {
            if (rule.vendorId == vid && rule.productId == pid &&
                (rule.productContains.isEmpty() || product.contains(rule.productContains)))
                return {rule.productName, rule.cameraName};
        }
    }
    return {};
}
