#pragma once

#include <QDBusConnection>

// Keeps the system and the display awake while the program runs, through the desktop's
// screen-saver inhibition on the given bus. The inhibition lasts as long as the bus
// connection, which for the session bus is the life of the process. Returns false, with a
// log line, when there is no bus or nobody to ask.
bool keepAwake(const QDBusConnection& bus = QDBusConnection::sessionBus());
