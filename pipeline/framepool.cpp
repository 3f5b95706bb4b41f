#include "pipeline/framepool.h"

namespace {

// The producer, the newest frame waiting for presentation and the one on screen; one more
// covers a consumer that lets go late.
constexpr size_t kIdleFramesKept = 4;

} // namespace

FramePool::FramePool() : store(std::make_shared<Store>()) {}

std::shared_ptr<Frame> FramePool::acquire()
{
    std::unique_ptr<Frame> frame;
    {
        std::lock_guard<std::mutex> lock(store->mutex);
        if (!store->idle.empty()) {
            frame = std::move(store->idle.back());
            store->idle.pop_back();
        } else {
            ++store->created;
        }
    }
    if (!frame)
        frame = std::make_unique<Frame>();
    const std::weak_ptr<Store> home = store;
    return std::shared_ptr<Frame>(frame.release(), [home](Frame* done) {
        std::unique_ptr<Frame> owned(done);
        if (const std::shared_ptr<Store> s = home.lock()) {
            std::lock_guard<std::mutex> lock(s->mutex);
            if (s->idle.size() < kIdleFramesKept)
                s->idle.push_back(std::move(owned));
        }
    });
}

int FramePool::created() const
{
    std::lock_guard<std::mutex> lock(store->mutex);
    return store->created;
}
