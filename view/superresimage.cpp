#include "view/superresimage.h"

#include "core/log.h"
#include "platform/threadname.h"

#include <opencv2/core.hpp>

SuperResImage::SuperResImage(SuperResSink* receiver, const QString& modelPath) : sink(receiver)
{
    input.resize(size_t(frameWidth) * frameHeight);
    if (!net.load(modelPath, &unavailable)) {
        // The log keeps a line up to its next "|"; OpenCV's reasons may hold one.
        LOG_WARNING(LOG_OTHER) << "super resolution unavailable: cannot load" << modelPath << ":"
                            << QString(unavailable).replace(QLatin1Char('|'), QLatin1Char('/'));
        return;
    }
    LOG_INFO(LOG_OTHER) << "super resolution model loaded:" << modelPath;
    if (!net.openCvReason().isEmpty())
        LOG_INFO(LOG_OTHER) << "super resolution runs the network in OpenCV, several times slower:"
                            << QString(net.openCvReason()).replace(QLatin1Char('|'), QLatin1Char('/'));
    try {
        worker = std::thread(&SuperResImage::run, this);
    } catch (const std::system_error& e) {
        unavailable = QString::fromLocal8Bit(e.what());
        net.unload();
        LOG_INFO(LOG_OTHER) << "super resolution unavailable: no thread for it:" << unavailable;
    }
}

SuperResImage::~SuperResImage()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        running = false;
    }
    frameReady.notify_all();
    if (worker.joinable())
        worker.join(); // at most one network run
}

void SuperResImage::setSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    std::lock_guard<std::mutex> lock(mutex);
    if (width == frameWidth && height == frameHeight)
        return;
    frameWidth = width;
    frameHeight = height;
    // A frame of the old size still queued would be read with the new one.
    frameQueued = false;
    input.assign(size_t(width) * height, 0);
}

void SuperResImage::setImage(const uint8_t* data, int size)
{
    if (!data || !available())
        return;
    std::lock_guard<std::mutex> lock(mutex);
    if (size != frameWidth * frameHeight)
        return;
    if (!waiting) {
        ++skipped;
        return;
    }
    // A frame queued but not yet taken is replaced: the worker takes the newest. Only the
    // worker leaves the waiting state, so a frame that setSize drops loses no wake-up.
    std::copy(data, data + size, input.begin());
    frameQueued = true;
    frameReady.notify_all();
}

int SuperResImage::framesTaken() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return taken;
}

int SuperResImage::framesSkipped() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return skipped;
}

// Waits for a frame and swaps it into the worker's own buffer, with the size it has; false
// when the worker is to end.
bool SuperResImage::takeFrame(int& width, int& height)
{
    std::unique_lock<std::mutex> lock(mutex);
    waiting = true;
    frameReady.wait(lock, [this] { return !running || frameQueued; });
    waiting = false;
    if (!running)
        return false;
    frameQueued = false;
    working.swap(input);
    input.resize(size_t(frameWidth) * frameHeight);
    width = frameWidth;
    height = frameHeight;
    ++taken;
    return true;
}

void SuperResImage::run()
{
    setCurrentThreadName("orvik-superres");
    int width = 0, height = 0;
    for (;;) {
        try {
            if (!takeFrame(width, height))
                return;
            const cv::Mat frame(height, width, CV_8UC1, working.data());
            net.upsample(frame, output);
            sink->setSuperResFrame(output.data, output.cols, output.rows);
        } catch (const std::exception& e) {
            // A frame that cannot be processed is skipped; one line is enough for a cause that
            // will repeat with every frame.
            if (!errorLogged)
                LOG_INFO(LOG_OTHER) << "super resolution skipped a frame:"
                                    << QString::fromLocal8Bit(e.what()).replace(QLatin1Char('|'), QLatin1Char('/'));
            errorLogged = true;
            continue;
        }
        emit updateImage();
    }
}
