#pragma once

#include <QByteArray>

#include <cstdint>

// The serial number a UVC camera reports as device information item 7 (a 64-byte buffer).
// Cameras with a serial that is not purely letters and digits are known by the placeholder.
QByteArray serialFromDeviceInfo(const uint8_t info[64]);

inline const char* placeholderSerial()
{
    return "123456";
}
