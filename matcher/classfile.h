#pragma once
#include <QString>
#include <memory>

namespace cv {
class FileStorage;
}

// A registration class or info file, parsed with a bound. OpenCV's YAML parser can loop for
// ever on a few bytes, so the file is parsed on a thread of its own, given kParseSeconds, and
// abandoned when it does not finish (left to its loop at the lowest priority until the program
// ends): the caller gets the reason, and nothing it waits on waits for the parser.
namespace classfile {

constexpr int kParseSeconds = 5;
constexpr qint64 kMaxBytes = qint64(64) << 20;

// The parsed file (which may not be open), or null with the reason in failure: one too large,
// one the parser rejects (whatever it throws) or does not finish in time.
std::shared_ptr<cv::FileStorage> read(const QString& path, QString& failure);

} // namespace classfile
