#include "device/framepublisher.h"

void FramePublisher::publish(std::shared_ptr<Frame> frame)
{
    frame->index = framesOfConnection++;
    {
        QMutexLocker lock(&mutex);
        latest = std::move(frame);
    }
    if (!presentationQueued.exchange(true))
        queue();
}

FramePtr FramePublisher::take()
{
    // Cleared before taking, so a frame stored after this point queues a presentation of its own.
    presentationQueued = false;
    QMutexLocker lock(&mutex);
    return std::move(latest);
}

void FramePublisher::drop()
{
    QMutexLocker lock(&mutex);
    latest.reset();
}
