#pragma once
// Opaque handles that survive misuse: the caller's pointer is only a key. A deleted or
// foreign pointer finds nothing, and an object being used on one thread stays alive while
// another thread deletes its handle.
#include <map>
#include <memory>
#include <mutex>

namespace tcsdk {

template <class Impl> class HandleTable
{
public:
    template <class Handle> Handle* add(std::shared_ptr<Impl> impl)
    {
        std::lock_guard<std::mutex> lock(mutex);
        void* key = impl.get();
        objects[key] = std::move(impl);
        return static_cast<Handle*>(key);
    }
    std::shared_ptr<Impl> find(const void* handle)
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = objects.find(handle);
        return it == objects.end() ? nullptr : it->second;
    }
    std::shared_ptr<Impl> remove(const void* handle)
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = objects.find(handle);
        if (it == objects.end())
            return nullptr;
        std::shared_ptr<Impl> impl = std::move(it->second);
        objects.erase(it);
        return impl;
    }

private:
    std::mutex mutex;
    std::map<const void*, std::shared_ptr<Impl>> objects;
};

} // namespace tcsdk
