#pragma once
#include "pipeline/frame.h"
#include "pipeline/framepool.h"

#include <QMutex>

#include <atomic>
#include <functional>

// Hands the newest frame of the capture thread to the GUI thread. A frame waits until the GUI
// takes it; a newer one replaces it, and one queued presentation at a time is enough, so a slow
// GUI sees fewer frames, never older ones. Frames come from a pool of their own.
class FramePublisher
{
public:
    // queuePresentation: called on the capture thread when a frame waits and none was queued.
    explicit FramePublisher(std::function<void()> queuePresentation) : queue(std::move(queuePresentation)) {}

    // Capture thread: a frame to fill; one filled, numbered within the connection.
    std::shared_ptr<Frame> acquire() { return pool.acquire(); }
    void publish(std::shared_ptr<Frame> frame);
    // The next frame published is the connection's first.
    void startConnection() { framesOfConnection = 0; }
    // GUI thread: the waiting frame (null when none); a frame published after this call queues
    // a presentation of its own.
    FramePtr take();
    // The waiting frame is dropped (a frame of the previous camera or range).
    void drop();

private:
    std::function<void()> queue;
    QMutex mutex;
    FramePtr latest;
    std::atomic<bool> presentationQueued{false};
    FramePool pool;                  // capture thread
    uint64_t framesOfConnection = 0; // capture thread
};
