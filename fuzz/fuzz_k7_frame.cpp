// K7-22 frames: the parameter lines below the image carry the calibration and the raw
// extremes; whatever they say, no temperature handed on is anything but finite.
#include "fuzz/fuzzing.h"
#include "K7Dll.h"
#include "pipeline/frame.h"
#include "pipeline/k7frame.h"
#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool initialised = DataInit(K7Frame::kWidth, K7Frame::kImageHeight) == 0;
    FUZZ_REQUIRE(initialised, QStringLiteral("DataInit"));
    // The input's first bytes are the parameter lines, the rest the image, repeated to fill it
    // (a plain ramp when there is none).
    constexpr size_t kImageBytes = size_t(K7Frame::kImageWords) * 2;
    constexpr size_t kLineBytes = size_t(K7Frame::kBytes) - kImageBytes;
    std::vector<uint16_t> frame(size_t(K7Frame::kBytes) / 2);
    auto* bytes = reinterpret_cast<uint8_t*>(frame.data());
    std::memcpy(bytes + kImageBytes, data, std::min(size, kLineBytes));
    if (size > kLineBytes) {
        const size_t image = size - kLineBytes;
        for (size_t i = 0; i < kImageBytes; ++i)
            bytes[i] = data[kLineBytes + i % image];
    } else {
        for (int i = 0; i < K7Frame::kImageWords; ++i)
            frame[size_t(i)] = uint16_t(8000 + i % 1000);
    }
    K7Frame::refreshParameters(bytes, "K7-22");
    Frame out;
    std::vector<uint8_t> picture;
    if (K7Frame::decode(bytes, out, picture)) {
        FUZZ_REQUIRE(out.temperaturesFinite(), QStringLiteral("a non-finite temperature"));
        FUZZ_REQUIRE(std::isfinite(out.maxTemp) && std::isfinite(out.minTemp), QStringLiteral("extremes"));
        FUZZ_REQUIRE(out.image.size() == size_t(K7Frame::kImageWords), QString::number(out.image.size()));
    }
    return 0;
}
