// The board registration's class files: parsed with the registration's bound, read into the
// shape matcher, and matched against a small thermal picture of a board.
#include "fuzz/fuzzing.h"
#include "matcher/classfile.h"
#include "matcher/line2d.h"
#include <opencv2/core/persistence.hpp>
#include <opencv2/imgproc.hpp>

namespace {

cv::Mat boardPicture()
{
    cv::Mat picture(72, 96, CV_8UC1, cv::Scalar(40));
    cv::rectangle(picture, cv::Rect(20, 14, 50, 36), cv::Scalar(170), cv::FILLED);
    cv::circle(picture, cv::Point(36, 30), 6, cv::Scalar(250), cv::FILLED);
    return picture;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzz::scratchPath(QStringLiteral("test_temple.yaml"));
    fuzz::writeFile(path, data, size);
    QString failure;
    const std::shared_ptr<cv::FileStorage> file = classfile::read(path, failure);
    if (!file || !file->isOpened())
        return 0;
    line2d::Detector detector(200, {2, 4}, 30.0f, 30.0f);
    std::string classId;
    try {
        detector.readClass(file->root());
        classId = std::string(file->root()["class_id"]);
    } catch (const std::exception&) {
        return 0; // the registration fails with the reason
    }
    // Every feature lies inside its template, in one of the eight orientations.
    const int templates = detector.numTemplates(classId);
    for (int id = 0; id < templates; ++id)
        for (const line2d::Template& level : detector.getTemplates(classId, id))
            for (const line2d::Feature& f : level.features)
                FUZZ_REQUIRE(f.x >= 0 && f.x < level.width && f.y >= 0 && f.y < level.height && f.label >= 0 && f.label < 8,
                             QStringLiteral("feature outside its template"));
    static const cv::Mat picture = boardPicture();
    for (const line2d::Match& m : detector.match(picture, 50.0f)) {
        FUZZ_REQUIRE(m.template_id >= 0 && m.template_id < detector.numTemplates(m.class_id),
                     QString::number(m.template_id));
        FUZZ_REQUIRE(m.similarity > 50.0f && m.similarity <= 100.0f, QString::number(m.similarity));
    }
    return 0;
}
