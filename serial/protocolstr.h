#pragma once

#include <QByteArray>

#include <cstdint>

// Frames of the camera's serial calibration link, both directions:
//   'D', group (1..76), command, a fourth byte, 16-bit payload length (high byte first),
//   then the payload (none in requests, 1..256 bytes in replies). No checksum.
class protocolstr
{
public:
    static constexpr uint8_t kStart = 0x44;       // 'D'
    static constexpr uint8_t kLinkGroup = 0x4C;   // 'L'
    static constexpr uint8_t kHandshake = 0x41;   // 'A'
    static constexpr uint8_t kReadRecord = 0x52;  // 'R'
    static constexpr int kLargestPayload = 256;

    // The six bytes of a request.
    static QByteArray request(uint8_t group, uint8_t command, uint8_t fourth = 0, uint16_t length = 0);
    static QByteArray handshake() { return request(kLinkGroup, kHandshake); }
    static QByteArray readRecord() { return request(kLinkGroup, kReadRecord); }
};
