#include "pipeline/serialnumber.h"

#include <algorithm>
#include <cctype>

QByteArray serialFromDeviceInfo(const uint8_t info[64])
{
    QByteArray serial;
    for (int i = 0; i < 63 && info[i] != 0; ++i) {
        if (!std::isalnum(info[i]) || info[i] > 127)
            return placeholderSerial();
        serial.append(char(info[i]));
    }
    return serial;
}

QString displayIdentifier(const QByteArray& serial)
{
    static const char kDisplayKey[] = "KTRVMZHQDLXE";
    static const char kHexDigits[] = "0123456789ABCDEF";
    QString identifier;
    const int length = std::min(int(serial.size()), 63);
    for (int i = 0; i < length; ++i) {
        const auto byte = uint8_t(serial[i]);
        if (length <= 6) {
            const uint8_t x = byte ^ uint8_t(kDisplayKey[i]);
            identifier += QLatin1Char(kHexDigits[x >> 4]);
            identifier += QLatin1Char(kHexDigits[x & 15]);
        } else {
            identifier += QLatin1Char(kHexDigits[(byte ^ uint8_t(kDisplayKey[0])) & 15]);
        }
    }
    return identifier;
}
