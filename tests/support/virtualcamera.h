#pragma once
// A virtual camera opened through the SDK for tests of the code above it.
#include "libtccmd.h"
#include "libtcuvc.h"
#include "sdk/virtual/registry.h"

#include <string>

class OpenVirtualCamera
{
public:
    // Plugs in the registry text and opens its first UVC camera.
    explicit OpenVirtualCamera(const std::string& registry)
    {
        tcsim::setRegistryText(registry);
        uvc = tcuvc_create_handle();
        tcuvc_camera_init(uvc);
        tcuvc_device_entry_t list[TCUVC_MAX_DEVICES] = {};
        if (tcuvc_camera_list(uvc, list) > 0 && tcuvc_camera_open_same(uvc, &list[0], 0) >= 0)
            cmd = tccmd_create_handle(uvc, 1);
    }
    ~OpenVirtualCamera()
    {
        tccmd_delete_handle(cmd);
        tcuvc_delete_handle(uvc);
        tcsim::clearRegistryText();
    }
    OpenVirtualCamera(const OpenVirtualCamera&) = delete;
    OpenVirtualCamera& operator=(const OpenVirtualCamera&) = delete;

    bool ok() const { return cmd != nullptr; }
    tccmd_handle_t* command() const { return cmd; }

private:
    tcuvc_handle_t* uvc = nullptr;
    tccmd_handle_t* cmd = nullptr;
};
