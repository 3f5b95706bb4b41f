#include "world.h"

namespace tcsim {

World& World::instance()
{
    static World* const world = new World; // outlives every stream thread at exit
    return *world;
}

std::vector<std::shared_ptr<VirtualCamera>> World::devices()
{
    const std::vector<DeviceSpec> specs = readRegistry();
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::shared_ptr<VirtualCamera>> plugged;
    for (const DeviceSpec& spec : specs) {
        std::shared_ptr<VirtualCamera>& camera = cameras[spec.key()];
        // A line whose options changed is another camera; one in use stays until released.
        if (!camera || (!camera->spec().sameOptions(spec) && camera.use_count() == 1))
            camera = std::make_shared<VirtualCamera>(spec);
        plugged.push_back(camera);
    }
    return plugged;
}

bool World::present(const std::string& key)
{
    for (const DeviceSpec& spec : readRegistry())
        if (spec.key() == key)
            return true;
    return false;
}

std::shared_ptr<VirtualCamera> World::bySerial(const std::string& serial)
{
    for (const auto& camera : devices())
        if (camera->spec().serial == serial)
            return camera;
    return nullptr;
}

} // namespace tcsim
