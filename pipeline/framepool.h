#pragma once

#include "pipeline/frame.h"

#include <memory>
#include <mutex>
#include <vector>

// Frames for one producer, recycled: a frame returns to the pool when its last holder lets go
// of it, so a stream allocates its buffers once however long it runs and however the
// consumer keeps frames. Frames still held when the pool goes are simply freed.
class FramePool
{
public:
    FramePool();

    // A frame nobody else holds, for the producer to fill before handing it on.
    std::shared_ptr<Frame> acquire();
    // Frames made so far.
    int created() const;

private:
    struct Store
    {
        std::mutex mutex;
        std::vector<std::unique_ptr<Frame>> idle;
        int created = 0;
    };
    std::shared_ptr<Store> store;
};
