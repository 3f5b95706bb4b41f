#include "libtccmd.h"

#include "handletable.h"
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
    if (!device || !buffer64)
        return -1;
    std::string text;
    if (item == 7)
        text = device->spec().serial;
    else if (item == 1)
        text = device->spec().cameraName;
    else
        return -2;
    std::memset(buffer64, 0, 64);
    std::memcpy(buffer64, text.data(), std::min<size_t>(63, text.size()));
    return 0;
}

int set_prop_tpd_params(tccmd_handle_t* cmd, int id, uint16_t value)
{
    auto device = deviceOf(cmd);
    return device ? device->setTpd(id, value) : -1;
}

int get_prop_tpd_params(tccmd_handle_t* cmd, int id, uint16_t* value)
{
    auto device = deviceOf(cmd);
    return device ? device->getTpd(id, value) : -1;
}

int set_prop_auto_shutter_params(tccmd_handle_t* cmd, int id, uint16_t value)
{
    auto device = deviceOf(cmd);
    return device ? device->setShutterParam(id, value) : -1;
}

int get_prop_auto_shutter_params(tccmd_handle_t* cmd, int id, uint16_t* value)
{
    auto device = deviceOf(cmd);
    return device ? device->getShutterParam(id, value) : -1;
}

int spi_config_save(tccmd_handle_t* cmd, int section)
{
    auto device = deviceOf(cmd);
    return device ? device->saveConfig(section) : -1;
}

int spi_read(tccmd_handle_t* cmd, uint32_t address, uint32_t length, uint8_t* buffer)
{
    auto device = deviceOf(cmd);
    return device ? device->readFlash(address, length, buffer) : -1;
}

int ooc_b_update(tccmd_handle_t* cmd, int)
{
    auto device = deviceOf(cmd);
    if (!device)
        return -1;
    device->offsetUpdate();
    return 0;
}

int y16_preview_start(tccmd_handle_t* cmd, int source, int format)
{
    auto device = deviceOf(cmd);
    if (!device || source != 0 || format != 5 || device->spec().kind == 4 || device->spec().visiblePart)
        return -1;
    return device->startY16Preview();
}

int cur_vtemp_get(tccmd_handle_t* cmd, uint16_t* value)
{
    auto device = deviceOf(cmd);
    if (!device || !value)
        return -1;
    *value = device->housingWord();
    return 0;
}

} // extern "C"
