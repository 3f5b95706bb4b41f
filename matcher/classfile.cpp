#include "matcher/classfile.h"
#include "core/log.h"
#include "platform/threadname.h"
#include <QFileInfo>
#include <opencv2/core/persistence.hpp>
#include <chrono>
#include <future>
#include <thread>

namespace classfile {

std::shared_ptr<cv::FileStorage> read(const QString& path, QString& failure)
{
    if (QFileInfo(path).size() > kMaxBytes) {
        failure = QStringLiteral("file larger than a class file may be: ") + QFileInfo(path).fileName();
        return nullptr;
    }
    auto result = std::make_shared<std::promise<std::shared_ptr<cv::FileStorage>>>();
    std::future<std::shared_ptr<cv::FileStorage>> parsed = result->get_future();
    std::thread([name = path.toStdString(), result] {
        setCurrentThreadName("orvik-yaml");
        lowerCurrentThreadPriority();
        try {
            result->set_value(std::make_shared<cv::FileStorage>(name, cv::FileStorage::READ));
        } catch (...) {
            result->set_exception(std::current_exception());
        }
    }).detach();
    if (parsed.wait_for(std::chrono::seconds(kParseSeconds)) != std::future_status::ready) {
        failure = QStringLiteral("file not read within %1 s, abandoned: ").arg(kParseSeconds) + QFileInfo(path).fileName();
        LOG_WARNING(LOG_OTHER) << failure;
        return nullptr;
    }
    try {
        return parsed.get();
    } catch (const std::exception& e) {
        failure = QStringLiteral("file not readable (%1): ").arg(QString::fromUtf8(e.what()).simplified()) +
                  QFileInfo(path).fileName();
        return nullptr;
    }
}

} // namespace classfile
