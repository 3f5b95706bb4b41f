#pragma once
// Closes the alert a click is about to raise modally and keeps its reason.
#include "alertbox.h"

#include <QApplication>
#include <QTimer>

#include <memory>
#include <optional>

using CaughtAlert = std::shared_ptr<std::optional<AlertBox::Reason>>;

// Call before the click; read after it. Empty when no alert came up.
inline CaughtAlert catchNextAlert()
{
    auto caught = std::make_shared<std::optional<AlertBox::Reason>>();
    QTimer::singleShot(0, [caught] {
        if (auto* alert = qobject_cast<AlertBox*>(QApplication::activeModalWidget())) {
            *caught = alert->reason();
            alert->close();
        }
    });
    return caught;
}
