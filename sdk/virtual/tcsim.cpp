#include "tcsim.h"

#include "world.h"

namespace tcsim {

bool truth(const std::string& serial, int64_t frameIndex, std::vector<float>& out)
{
    auto camera = World::instance().bySerial(serial);
    if (!camera)
        return false;
    camera->truth(frameIndex, out);
    return true;
}

bool surfaceEmissivity(const std::string& serial, std::vector<float>& out)
{
    auto camera = World::instance().bySerial(serial);
    if (!camera)
        return false;
    camera->surfaceEmissivity(out);
    return true;
}

int64_t currentFrameIndex(const std::string& serial)
{
    auto camera = World::instance().bySerial(serial);
    return camera ? camera->currentFrameIndex() : -1;
}

std::vector<int> cameraCommands(const std::string& serial)
{
    auto camera = World::instance().bySerial(serial);
    return camera ? camera->commands() : std::vector<int>();
}

std::vector<uint16_t> renderFrame(const std::string& serial, int64_t frameIndex)
{
    auto camera = World::instance().bySerial(serial);
    if (!camera)
        return {};
    std::vector<uint16_t> frame(size_t(camera->streamWidth()) * camera->streamHeight());
    camera->renderFrame(frameIndex, frame.data());
    return frame;
}

} // namespace tcsim
