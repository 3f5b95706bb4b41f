// The detection program's result file as the device manager reads it.
#include "device/detectionreport.h"
#include "fuzz/fuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzz::scratchPath(QStringLiteral("NameConfig.ini"));
    fuzz::writeFile(path, data, size);
    // A new reader each time: one kept would see a file of the same size and time as unchanged.
    DetectionReport report(path);
    const DetectionReport::Camera& camera = report.current();
    if (qint64(size) > DetectionReport::kLargestReport)
        FUZZ_REQUIRE(camera.productName.isEmpty() && camera.cameraName.isEmpty(), QStringLiteral("a report too large was read"));
    FUZZ_REQUIRE(camera.productName.size() <= DetectionReport::kLargestReport &&
                     camera.cameraName.size() <= DetectionReport::kLargestReport,
                 QStringLiteral("a name longer than its file"));
    return 0;
}
