#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QSocketNotifier;

// Where device events come from: the system's udev, or a test's own events. A source with a
// descriptor below 0 has none to give.
class HotplugSource
{
public:
    virtual ~HotplugSource() = default;
    virtual int fd() const = 0;
    // One waiting event; false when none is waiting.
    virtual bool receive(QString& action, QString& node) = 0;
};

// udev's events of the video4linux subsystem, after udev has applied its rules (so a node
// is ready, with its permissions, when its "add" arrives).
std::unique_ptr<HotplugSource> udevVideoSource();

// Tells at once when a video device comes or goes: the descriptor of its source is watched in
// the event loop.
class HotplugMonitor : public QObject
{
    Q_OBJECT

public:
    explicit HotplugMonitor(std::unique_ptr<HotplugSource> source, QObject* parent = nullptr);
    ~HotplugMonitor() override;
    bool watching() const { return notifier != nullptr; }

signals:
    void deviceChanged(const QString& action, const QString& node);

private:
    void readEvents();

    std::unique_ptr<HotplugSource> source;
    QSocketNotifier* notifier = nullptr;
};
