#include "videoinput.h"

#include "handletable.h"
#include "world.h"

#include <cstdio>
#include <cstring>

namespace {

struct Device
{
    std::mutex mutex;
    std::shared_ptr<tcsim::VirtualCamera> camera;
    vi_sample_fn function = nullptr;
    void* user = nullptr;
    bool running = false;
};

tcsdk::HandleTable<Device>& handles()
{
    static auto* table = new tcsdk::HandleTable<Device>;
    return *table;
}

const char kPathPrefix[] = "tcsim:";

void copyText(char* out, const std::string& text)
{
    std::snprintf(out, 128, "%s", text.c_str());
}

} // namespace

extern "C" {

int vi_list_devices(vi_device_info_t* devices, int max)
{
    if (!devices || max < 0)
        return -1;
    int count = 0;
    for (const auto& camera : tcsim::World::instance().devices()) {
        if (camera->spec().kind != 1 || count == max)
            continue;
        vi_device_info_t& info = devices[count++];
        copyText(info.friendly_name, camera->spec().z8r ? "Z8R" : "K7-22");
        copyText(info.description, camera->spec().z8r ? "Z8R" : "K7-22");
        copyText(info.path, kPathPrefix + camera->spec().key());
    }
    return count;
}

vi_device_t* vi_open(const char* path)
{
    if (!path || std::strncmp(path, kPathPrefix, sizeof kPathPrefix - 1) != 0)
        return nullptr;
    const std::string key = path + sizeof kPathPrefix - 1;
    for (const auto& camera : tcsim::World::instance().devices()) {
        if (camera->spec().key() != key || camera->spec().kind != 1)
            continue;
        auto device = std::make_shared<Device>();
        if (!camera->claim(device.get()))
            return nullptr;
        device->camera = camera;
        return handles().add<vi_device_t>(device);
    }
    return nullptr;
}

int vi_get_format(vi_device_t* handle, int* width, int* height)
{
    auto device = handles().find(handle);
    if (!device || !width || !height)
        return -1;
    *width = device->camera->streamWidth();
    *height = device->camera->streamHeight();
    return 0;
}

int vi_set_callback(vi_device_t* handle, vi_sample_fn function, void* user)
{
    auto device = handles().find(handle);
    if (!device)
        return -1;
    std::lock_guard<std::mutex> lock(device->mutex);
    if (device->running)
        return -2;
    device->function = function;
    device->user = user;
    return 0;
}

int vi_run(vi_device_t* handle)
{
    auto device = handles().find(handle);
    if (!device)
        return -1;
    std::lock_guard<std::mutex> lock(device->mutex);
    if (device->running)
        return 0;
    const vi_sample_fn function = device->function;
    void* const user = device->user;
    device->camera->startStream([function, user](const uint8_t* data, int bytes) {
        if (function)
            function(data, bytes, user);
    });
    device->running = true;
    return 0;
}

int vi_stop(vi_device_t* handle)
{
    auto device = handles().find(handle);
    if (!device)
        return -1;
    {
        std::lock_guard<std::mutex> lock(device->mutex);
        if (!device->running)
            return 0;
        device->running = false;
    }
    device->camera->stopStream();
    return 0;
}

int vi_set_camera_control(vi_device_t* handle, int property, int32_t value, int flags)
{
    auto device = handles().find(handle);
    if (!device || property != VI_CAMERA_CONTROL_ZOOM || flags != VI_FLAGS_MANUAL)
        return -1;
    return device->camera->cameraCommand(value);
}

void vi_close(vi_device_t* handle)
{
    auto device = handles().find(handle);
    if (!device)
        return;
    vi_stop(handle);
    device->camera->unclaim(device.get());
    handles().remove(handle);
}

} // extern "C"
