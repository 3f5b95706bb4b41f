#pragma once
// Tests that need virtual cameras plug them in through the in-process registry.
#include "libtccmd.h"
#include "libtcuvc.h"
#include "sdk/virtual/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

class SimFixture : public ::testing::Test
{
protected:
    void TearDown() override
    {
        if (cmd)
            tccmd_delete_handle(cmd);
        if (uvc)
            tcuvc_delete_handle(uvc);
        tcsim::clearRegistryText();
    }

    void plug(const std::string& registry) { tcsim::setRegistryText(registry); }

    // Opens the first listed device whose name pointer matches; fills entry.
    bool openFirst()
    {
        uvc = tcuvc_create_handle();
        if (tcuvc_camera_init(uvc) < 0 || tcuvc_camera_list(uvc, list) < 1)
            return false;
        entry = list[0];
        cmd = tccmd_create_handle(uvc, 1);
        return cmd && tcuvc_camera_open_same(uvc, &entry, 0) >= 0;
    }

    tcuvc_stream_params_t streamParams()
    {
        uint8_t info[TCUVC_INFO_BYTES] = {};
        tcuvc_camera_info_get(uvc, &entry, info);
        tcuvc_stream_params_t p{};
        p.device = entry;
        std::memcpy(&p.format, info, 8);
        std::memcpy(&p.width, info + 8, 4);
        std::memcpy(&p.height, info + 12, 4);
        std::memcpy(&p.fps, info + 20, 4);
        p.frame_bytes = p.width * p.height * 2;
        p.timeout_ms = 1000;
        return p;
    }

    tcuvc_handle_t* uvc = nullptr;
    tccmd_handle_t* cmd = nullptr;
    tcuvc_device_entry_t list[TCUVC_MAX_DEVICES] = {};
    tcuvc_device_entry_t entry{};
};
