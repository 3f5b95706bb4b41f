#include "pipeline/serialnumber.h"

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
