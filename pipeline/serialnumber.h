#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The serial number a UVC camera reports as device information item 7 (a 64-byte buffer).
// Cameras with a serial that is not purely letters and digits are known by the placeholder.
QByteArray serialFromDeviceInfo(const uint8_t info[64]);

// The identifier the window shows for a serial number, with the program's display key: two hex
// digits per byte for a serial of up to six bytes, one per byte for a longer one (63 at most).
QString displayIdentifier(const QByteArray& serial);

inline const char* placeholderSerial()
{
    return "123456";
}
