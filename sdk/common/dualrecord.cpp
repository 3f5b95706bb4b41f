#include "dualrecord.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tcsdk {
namespace {

constexpr char kMark[4] = {'T', 'C', 'D', 'A'};
constexpr uint32_t kVersion = 1;
constexpr size_t kReservedAt = 56, kChecksumAt = 188;

template <class T> void put(uint8_t* at, T value)
{
    std::memcpy(at, &value, sizeof value);
}

template <class T> T get(const uint8_t* at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

uint32_t crc32(const uint8_t* data, size_t length)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::array<uint8_t, kDualRecordBytes> encodeDualRecord(const DualGeometry& g)
{
    std::array<uint8_t, kDualRecordBytes> record{};
    uint8_t* r = record.data();
    std::memcpy(r, kMark, 4);
    put<uint32_t>(r + 4, kVersion);
    put<uint32_t>(r + 8, uint32_t(g.irWidth));
    put<uint32_t>(r + 12, uint32_t(g.irHeight));
    put<uint32_t>(r + 16, uint32_t(g.visibleWidth));
    put<uint32_t>(r + 20, uint32_t(g.visibleHeight));
    for (int i = 0; i < 6; ++i)
        put<float>(r + 24 + 4 * i, g.affine[i]);
    put<float>(r + 48, g.parallax[0]);
    put<float>(r + 52, g.parallax[1]);
    put<uint32_t>(r + kChecksumAt, crc32(r, kChecksumAt));
    return record;
}

bool decodeDualRecord(const uint8_t* r, DualGeometry& geometry)
{
    if (!r || std::memcmp(r, kMark, 4) != 0 || get<uint32_t>(r + 4) != kVersion ||
        get<uint32_t>(r + kChecksumAt) != crc32(r, kChecksumAt))
        return false;
    // The camera's own sizes, and zeros where the layout has them: anything else is bytes that
    // happen to carry a sound checksum, not a record of this camera.
    const DualGeometry camera;
    DualGeometry g;
    g.irWidth = int(get<uint32_t>(r + 8));
    g.irHeight = int(get<uint32_t>(r + 12));
    g.visibleWidth = int(get<uint32_t>(r + 16));
    g.visibleHeight = int(get<uint32_t>(r + 20));
    if (g.irWidth != camera.irWidth || g.irHeight != camera.irHeight || g.visibleWidth != camera.visibleWidth ||
        g.visibleHeight != camera.visibleHeight ||
        std::any_of(r + kReservedAt, r + kChecksumAt, [](uint8_t b) { return b != 0; }))
        return false;
    for (int i = 0; i < 6; ++i)
        g.affine[i] = get<float>(r + 24 + 4 * i);
    g.parallax[0] = get<float>(r + 48);
    g.parallax[1] = get<float>(r + 52);
    for (float v : g.affine)
        if (!std::isfinite(v))
            return false;
    if (!std::isfinite(g.parallax[0]) || !std::isfinite(g.parallax[1]))
        return false;
    // A map that folds the image onto a line cannot be inverted.
    if (std::fabs(g.affine[0] * g.affine[4] - g.affine[1] * g.affine[3]) < 1e-6f)
        return false;
    geometry = g;
    return true;
}

} // namespace tcsdk
