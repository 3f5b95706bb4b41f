#include "pipeline/k7frame.h"

#include "K7Dll.h"

#include <algorithm>
#include <cstring>
#include <vector>

QByteArray K7Frame::serial(const uint8_t* frame)
{
    const auto* text = reinterpret_cast<const char*>(frame + kSerialByte);
    return QByteArray(text, int(qstrnlen(text, 16)));
}

bool K7Frame::refreshParameters(const uint8_t* frame, const char* deviceName)
{
    return UpdateParam(0, reinterpret_cast<const uint16_t*>(frame), deviceName, "K7-22") == 0;
}

bool K7Frame::decode(const uint8_t* frame, Frame& out, std::vector<uint8_t>& picture)
{
    const uint16_t* words = reinterpret_cast<const uint16_t*>(frame);
    if (reinterpret_cast<uintptr_t>(frame) % alignof(uint16_t) != 0) {
        // Samples normally arrive aligned; an odd address is copied once into a buffer the
        // capture thread keeps.
        thread_local std::vector<uint16_t> aligned(kWidth * kHeight);
        std::memcpy(aligned.data(), frame, kBytes);
        words = aligned.data();
    }
    out.resize(kWidth, kImageHeight);
    out.kind = DirectShowY16;
    out.highRange = false;
    float unusedMean = 0.0f, unusedHousing = 0.0f;
    if (GetTmpData(0, words, &out.maxTemp, &out.maxX, &out.maxY, &out.minTemp, &out.minX, &out.minY, &unusedMean,
                   &unusedHousing, out.temperatures.data()) != 0 ||
        !out.temperaturesFinite())
        return false;
    const int high = words[kMaxWord];
    const int low = words[kMinWord];
    picture.resize(kImageWords);
    if (high != low) {
        // Words outside the camera's own extremes are clamped rather than wrapped round.
        for (int i = 0; i < kImageWords; ++i)
            picture[i] = uint8_t(std::clamp((int(words[i]) - low) * 255 / (high - low), 0, 255));
    }
    std::copy(picture.begin(), picture.end(), out.image.begin());
    return true;
}
