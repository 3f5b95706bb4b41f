#include "handletable.h"
#include "libtccmd.h"
#include "uvcdevice.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

struct CommandHandle
{
    tcuvc_handle_t* uvc;
};

tcsdk::HandleTable<CommandHandle>& handles()
{
    static auto* table = new tcsdk::HandleTable<CommandHandle>;
    return *table;
}

// The device behind a command handle, or null when the handle or its UVC handle is gone or
// nothing is open.
std::shared_ptr<tcsim::VirtualCamera> deviceOf(tccmd_handle_t* cmd)
{
    auto handle = handles().find(cmd);
    return handle ? tcuvc::openDevice(handle->uvc) : nullptr;
}

// The V4L2 device behind a command handle, or null.
std::shared_ptr<tcuvc::v4l2::Camera> cameraOf(tccmd_handle_t* cmd)
{
    auto handle = handles().find(cmd);
    return handle ? tcuvc::openCamera(handle->uvc) : nullptr;
}

// The result of a command without a virtual camera: a V4L2 device answers the commands that
// need the vendor's extension unit with "not supported" at once; nothing open is a failure.
int withoutVirtualCamera(tccmd_handle_t* cmd)
{
    return cameraOf(cmd) ? TCUVC_ERROR_NOT_SUPPORTED : -1;
}

} // namespace

extern "C" {

tccmd_handle_t* tccmd_create_handle(tcuvc_handle_t* uvc, int)
{
    if (!tcuvc::resolve(uvc))
        return nullptr;
    return handles().add<tccmd_handle_t>(std::make_shared<CommandHandle>(CommandHandle{uvc}));
}

void tccmd_delete_handle(tccmd_handle_t* cmd)
{
    handles().remove(cmd);
}

int get_device_info(tccmd_handle_t* cmd, int item, uint8_t* buffer64)
{
    auto device = deviceOf(cmd);
    auto camera = device ? nullptr : cameraOf(cmd);
    if ((!device && !camera) || !buffer64)
        return -1;
    // A V4L2 device tells what its USB descriptors hold; the rest needs its extension unit.
    std::string text;
    if (item == 7)
        text = device ? device->spec().serial : camera->info().serial;
    else if (item == 1)
        text = device ? device->spec().cameraName : camera->info().product;
    else
        return camera ? TCUVC_ERROR_NOT_SUPPORTED : -2;
    std::memset(buffer64, 0, 64);
    std::memcpy(buffer64, text.data(), std::min<size_t>(63, text.size()));
    return 0;
}

int set_prop_tpd_params(tccmd_handle_t* cmd, int id, uint16_t value)
{
    auto device = deviceOf(cmd);
    return device ? device->setTpd(id, value) : withoutVirtualCamera(cmd);
}

int get_prop_tpd_params(tccmd_handle_t* cmd, int id, uint16_t* value)
{
    auto device = deviceOf(cmd);
    return device ? device->getTpd(id, value) : withoutVirtualCamera(cmd);
}

int set_prop_auto_shutter_params(tccmd_handle_t* cmd, int id, uint16_t value)
{
    auto device = deviceOf(cmd);
    return device ? device->setShutterParam(id, value) : withoutVirtualCamera(cmd);
}

int get_prop_auto_shutter_params(tccmd_handle_t* cmd, int id, uint16_t* value)
{
    auto device = deviceOf(cmd);
    return device ? device->getShutterParam(id, value) : withoutVirtualCamera(cmd);
}

int spi_config_save(tccmd_handle_t* cmd, int section)
{
    auto device = deviceOf(cmd);
    return device ? device->saveConfig(section) : withoutVirtualCamera(cmd);
}

int spi_read(tccmd_handle_t* cmd, uint32_t address, uint32_t length, uint8_t* buffer)
{
    auto device = deviceOf(cmd);
    return device ? device->readFlash(address, length, buffer) : withoutVirtualCamera(cmd);
}

int ooc_b_update(tccmd_handle_t* cmd, int)
{
    auto device = deviceOf(cmd);
    if (!device)
        return withoutVirtualCamera(cmd);
    device->offsetUpdate();
    return 0;
}

int y16_preview_start(tccmd_handle_t* cmd, int source, int format)
{
    auto device = deviceOf(cmd);
    if (!device)
        return withoutVirtualCamera(cmd);
    if (source != 0 || format != 5 || device->spec().kind == 4 || device->spec().visiblePart)
        return -1;
    return device->startY16Preview();
}

int cur_vtemp_get(tccmd_handle_t* cmd, uint16_t* value)
{
    auto device = deviceOf(cmd);
    if (!device)
        return withoutVirtualCamera(cmd);
    if (!value)
        return -1;
    *value = device->housingWord();
    return 0;
}

} // extern "C"
