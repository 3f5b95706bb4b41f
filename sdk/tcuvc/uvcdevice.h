#pragma once
// What a tcuvc handle holds; shared with tccmd, whose commands go to the handle's device.
#include "libtcuvc.h"
#include "virtualcamera.h"

#include <memory>
#include <mutex>

namespace tcuvc {

struct Handle
{
    std::mutex mutex; // never held while a stream is joined
    bool initialised = false;
    bool streaming = false;
    std::shared_ptr<tcsim::VirtualCamera> device;
};

// The live handle behind the pointer, or null.
std::shared_ptr<Handle> resolve(const tcuvc_handle_t* handle);
// The device open on the handle, or null.
std::shared_ptr<tcsim::VirtualCamera> openDevice(const tcuvc_handle_t* handle);

} // namespace tcuvc
