#pragma once
// Closes the alert a click is about to raise modally and keeps its reason.
#include "view/alertbox.h"

#include <QApplication>
#include <QTimer>

#include <optional>

// Make one before the click, read it after. Its timer dies with it, so a catcher whose click
// raised nothing never closes a later test's alert.
class AlertCatcher
{
public:
    AlertCatcher()
    {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* alert = qobject_cast<AlertBox*>(QApplication::activeModalWidget())) {
                caught = alert->reason();
                alert->close();
            }
        });
        timer.start(0);
    }
    const std::optional<AlertBox::Reason>& reason() const { return caught; }

private:
    QTimer timer;
    std::optional<AlertBox::Reason> caught;
};
