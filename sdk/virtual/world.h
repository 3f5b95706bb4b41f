#pragma once
// All virtual cameras of this process. A camera object lives as long as anyone holds it; the
// registry decides which of them are plugged in.
#include "virtualcamera.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tcsim {

class World
{
public:
    static World& instance();

    // The plugged-in cameras in registry order (reads the registry).
    std::vector<std::shared_ptr<VirtualCamera>> devices();
    bool present(const std::string& key);
    // A plugged-in camera by serial number, or null.
    std::shared_ptr<VirtualCamera> bySerial(const std::string& serial);

private:
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<VirtualCamera>> cameras;
};

} // namespace tcsim
