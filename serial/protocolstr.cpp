#include "serial/protocolstr.h"

QByteArray protocolstr::request(uint8_t group, uint8_t command, uint8_t fourth, uint16_t length)
{
    const char bytes[6] = {char(kStart), char(group), char(command), char(fourth), char(length >> 8), char(length & 0xFF)};
    return QByteArray(bytes, sizeof bytes);
}
