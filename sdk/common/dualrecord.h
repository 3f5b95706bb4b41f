#pragma once
// The dual-light camera's 192-byte alignment record, as the camera keeps it in its memory and
// sends it over its serial link. Little-endian:
//   0   4  "TCDA"
//   4   4  uint32 version, 1
//   8  16  uint32 infrared width, infrared height, visible width, visible height
//  24  24  float[6] affine map of an infrared pixel (x, y) onto the visible image at infinite
//          distance, row by row: u = a0 x + a1 y + a2, v = a3 x + a4 y + a5 (pixel centres at
//          integer coordinates)
//  48   8  float[2] parallax: the shift in visible pixels at disparity = total disparity; at
//          disparity d the infrared image lies shifted by d / total times this vector
//  56 132  zero
// 188   4  uint32 CRC-32 (IEEE 802.3) of bytes 0..187
// A record whose mark, version, sizes (the camera's 256 x 192 and 800 x 600), zeros or
// checksum do not match is not a record: blank or worn memory, or bytes that were never one.
#include <array>
#include <cstddef>
#include <cstdint>

namespace tcsdk {

constexpr size_t kDualRecordBytes = 192;

struct DualGeometry
{
    int irWidth = 256, irHeight = 192, visibleWidth = 800, visibleHeight = 600;
    float affine[6] = {1, 0, 0, 0, 1, 0};
    float parallax[2] = {0, 0};
};

std::array<uint8_t, kDualRecordBytes> encodeDualRecord(const DualGeometry& geometry);
// False when the bytes are no valid record; geometry is then unchanged.
bool decodeDualRecord(const uint8_t* bytes, DualGeometry& geometry);
uint32_t crc32(const uint8_t* data, size_t length);

} // namespace tcsdk
