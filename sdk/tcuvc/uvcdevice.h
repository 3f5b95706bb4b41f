#pragma once
// What a tcuvc handle holds; shared with tccmd, whose commands go to the handle's device.
#include "libtcuvc.h"
#include "v4l2camera.h"
#include "virtualcamera.h"

#include <memory>
#include <mutex>

namespace tcuvc {

struct Handle
{
    std::mutex mutex; // never held while a stream is joined
    bool initialised = false;
    bool streaming = false;
    std::shared_ptr<tcsim::VirtualCamera> device; // a virtual camera, or
    std::shared_ptr<v4l2::Camera> camera;         // a V4L2 device
};

// The live handle behind the pointer, or null.
std::shared_ptr<Handle> resolve(const tcuvc_handle_t* handle);
// The virtual camera open on the handle, or null.
std::shared_ptr<tcsim::VirtualCamera> openDevice(const tcuvc_handle_t* handle);
// The V4L2 device open on the handle, or null.
std::shared_ptr<v4l2::Camera> openCamera(const tcuvc_handle_t* handle);

} // namespace tcuvc
