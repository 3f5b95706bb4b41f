#include "cameradetector.h"

#include "registry.h"

#include <QDir>
#include <QFile>

namespace {

QString readLine(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readLine()).trimmed() : QString();
}

} // namespace

CameraDetector::CameraDetector(QVector<UsbRule> rules, QString usbRoot)
    : rules(std::move(rules)), usbRoot(std::move(usbRoot))
{
}

CameraDetector::Found CameraDetector::detect() const
{
    const std::vector<tcsim::DeviceSpec> virtualCameras = tcsim::readRegistry();
    if (!virtualCameras.empty())
        return {QString::fromStdString(virtualCameras.front().product),
                QString::fromStdString(virtualCameras.front().cameraName)};
    return fromUsb();
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
