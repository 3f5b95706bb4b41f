#include "detect/hotplugmonitor.h"

#include "core/log.h"

#include <QSocketNotifier>
#include <libudev.h>

namespace {

class UdevSource : public HotplugSource
{
public:
    UdevSource()
    {
        context = udev_new();
        monitor = context ? udev_monitor_new_from_netlink(context, "udev") : nullptr;
        if (!monitor ||
            udev_monitor_filter_add_match_subsystem_devtype(monitor, "video4linux", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor) < 0) {
            release();
            return;
        }
        descriptor = udev_monitor_get_fd(monitor);
    }
    ~UdevSource() override { release(); }
    int fd() const override { return descriptor; }
    bool receive(QString& action, QString& node) override
    {
        udev_device* device = monitor ? udev_monitor_receive_device(monitor) : nullptr;
        if (!device)
            return false;
        action = QString::fromLatin1(udev_device_get_action(device));
        node = QString::fromLocal8Bit(udev_device_get_devnode(device));
        udev_device_unref(device);
        return true;
    }

private:
    void release()
    {
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
        monitor = nullptr;
        context = nullptr;
        descriptor = -1;
    }

    struct udev* context = nullptr;
    struct udev_monitor* monitor = nullptr;
    int descriptor = -1;
};

} // namespace

std::unique_ptr<HotplugSource> udevVideoSource()
{
    return std::make_unique<UdevSource>();
}

HotplugMonitor::HotplugMonitor(std::unique_ptr<HotplugSource> events, QObject* parent)
    : QObject(parent), source(std::move(events))
{
    if (!source || source->fd() < 0) {
        LOG_INFO(LOG_OTHER) << "no device events (udev unavailable): cameras are found by the periodic scan";
        return;
    }
    notifier = new QSocketNotifier(source->fd(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &HotplugMonitor::readEvents);
}

HotplugMonitor::~HotplugMonitor() = default;

void HotplugMonitor::readEvents()
{
    QString action, node;
    while (source->receive(action, node)) {
        LOG_INFO(LOG_OTHER) << "device event" << action << node;
        emit deviceChanged(action, node);
    }
}
