// The dual-light camera's serial link: the frame parser over any chunking, and the 192-byte
// alignment record the camera sends over it.
#include "fuzz/fuzzing.h"
#include "sdk/common/dualrecord.h"
#include "serial/frameparser.h"

namespace {

// A record is accepted only when it is exactly what the camera writes for its geometry:
// mark, version, sizes, zero reserved bytes and the checksum all as encoded.
void checkRecord(const uint8_t* bytes)
{
    tcsdk::DualGeometry geometry;
    if (!tcsdk::decodeDualRecord(bytes, geometry))
        return;
    const auto again = tcsdk::encodeDualRecord(geometry);
    FUZZ_REQUIRE(std::equal(again.begin(), again.end(), bytes), QStringLiteral("accepted record is not canonical"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses the chunk size the bytes arrive in.
    const int chunk = 1 + data[0] % 64;
    int frames = 0;
    FrameParser parser([&](const FrameParser::Frame& frame) {
        ++frames;
        FUZZ_REQUIRE(frame.group >= 1 && frame.group <= 76, QString::number(frame.group));
        FUZZ_REQUIRE(frame.payload.size() >= 1 && frame.payload.size() <= 256, QString::number(frame.payload.size()));
        if (size_t(frame.payload.size()) >= tcsdk::kDualRecordBytes)
            checkRecord(reinterpret_cast<const uint8_t*>(frame.payload.constData()));
    });
    const uint8_t* bytes = data + 1;
    const size_t length = size - 1;
    for (size_t at = 0; at < length; at += size_t(chunk))
        parser.feed(QByteArray(reinterpret_cast<const char*>(bytes + at), int(std::min(length - at, size_t(chunk)))));
    // A frame is at least seven bytes: there cannot be more frames than that allows.
    FUZZ_REQUIRE(size_t(frames) <= length / 7, QString::number(frames));
    if (length >= tcsdk::kDualRecordBytes)
        checkRecord(bytes);
    return 0;
}
