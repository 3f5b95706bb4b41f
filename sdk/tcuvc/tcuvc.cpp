#include "libtcuvc.h"

#include "handletable.h"
#include "uvcdevice.h"
#include "world.h"

#include <cstring>
#include <set>
#include <string>

namespace tcuvc {
namespace {

tcsdk::HandleTable<Handle>& handles()
{
    static auto* table = new tcsdk::HandleTable<Handle>;
    return *table;
}

// Device names handed out in list entries stay valid for the life of the process.
const char* intern(const std::string& name)
{
    static std::mutex mutex;
    static auto* names = new std::set<std::string>;
    std::lock_guard<std::mutex> lock(mutex);
    return names->insert(name).first->c_str();
}

bool isUvc(const tcsim::VirtualCamera& camera)
{
    return camera.spec().kind >= 2 && camera.spec().kind <= 5;
}

bool matches(const tcsim::VirtualCamera& camera, const tcuvc_device_entry_t& entry)
{
    const tcsim::DeviceSpec& spec = camera.spec();
    return spec.productId == entry.product_id && spec.vendorId == entry.vendor_id && entry.name &&
           spec.uvcName == entry.name;
}

std::vector<std::shared_ptr<tcsim::VirtualCamera>> uvcDevices()
{
    std::vector<std::shared_ptr<tcsim::VirtualCamera>> found;
    for (auto& camera : tcsim::World::instance().devices())
        if (isUvc(*camera))
            found.push_back(camera);
    return found;
}

uint64_t formatOf(const tcsim::VirtualCamera& camera)
{
    if (camera.spec().visiblePart)
        return camera.spec().visibleMjpg ? TCUVC_FORMAT_MJPG : TCUVC_FORMAT_YUYV;
    return camera.spec().kind == 4 ? TCUVC_FORMAT_YUYV : TCUVC_FORMAT_Y16;
}

std::shared_ptr<Handle> initialised(const tcuvc_handle_t* handle)
{
    auto h = resolve(handle);
    if (!h)
        return nullptr;
    std::lock_guard<std::mutex> lock(h->mutex);
    return h->initialised ? h : nullptr;
}

} // namespace

std::shared_ptr<Handle> resolve(const tcuvc_handle_t* handle)
{
    return handle ? handles().find(handle) : nullptr;
}

std::shared_ptr<tcsim::VirtualCamera> openDevice(const tcuvc_handle_t* handle)
{
    auto h = resolve(handle);
    if (!h)
        return nullptr;
    std::lock_guard<std::mutex> lock(h->mutex);
    return h->device;
}

} // namespace tcuvc

using namespace tcuvc;

extern "C" {

tcuvc_handle_t* tcuvc_create_handle(void)
{
    return handles().add<tcuvc_handle_t>(std::make_shared<Handle>());
}

int tcuvc_camera_init(tcuvc_handle_t* handle)
{
    auto h = resolve(handle);
    if (!h)
        return -1;
    std::lock_guard<std::mutex> lock(h->mutex);
    h->initialised = true;
    return 0;
}

int tcuvc_camera_list(tcuvc_handle_t* handle, tcuvc_device_entry_t* list)
{
    if (!initialised(handle) || !list)
        return -1;
    const auto devices = uvcDevices();
    int count = 0;
    for (const auto& camera : devices) {
        if (count == TCUVC_MAX_DEVICES)
            break;
        list[count++] = {camera->spec().productId, camera->spec().vendorId, intern(camera->spec().uvcName)};
    }
    return count;
}

int tcuvc_camera_info_get(tcuvc_handle_t* handle, const tcuvc_device_entry_t* entry, uint8_t* info)
{
    if (!initialised(handle) || !entry || !info)
        return -1;
    for (const auto& camera : uvcDevices()) {
        if (!matches(*camera, *entry))
            continue;
        std::memset(info, 0, TCUVC_INFO_BYTES);
        const uint64_t format = formatOf(*camera);
        const uint32_t width = uint32_t(camera->streamWidth());
        const uint32_t height = uint32_t(camera->streamHeight());
        const uint32_t fps = uint32_t(camera->spec().fps);
        std::memcpy(info, &format, 8);
        std::memcpy(info + 8, &width, 4);
        std::memcpy(info + 12, &height, 4);
        std::memcpy(info + 20, &fps, 4);
        return 1;
    }
    return -2;
}

int tcuvc_get_same_idx(tcuvc_handle_t* handle, const tcuvc_device_entry_t* entry, int listPosition)
{
    if (!initialised(handle) || !entry)
        return -1;
    const auto devices = uvcDevices();
    if (listPosition < 0 || listPosition >= int(devices.size()) || !matches(*devices[listPosition], *entry))
        return -2;
    int index = 0;
    for (int i = 0; i < listPosition; ++i)
        index += matches(*devices[i], *entry) ? 1 : 0;
    return index;
}

int tcuvc_camera_open_same(tcuvc_handle_t* handle, const tcuvc_device_entry_t* entry, int index)
{
    auto h = initialised(handle);
    if (!h || !entry || index < 0)
        return -1;
    std::shared_ptr<tcsim::VirtualCamera> chosen;
    int seen = 0;
    for (const auto& camera : uvcDevices())
        if (matches(*camera, *entry) && seen++ == index) {
            chosen = camera;
            break;
        }
    if (!chosen)
        return -2;
    std::lock_guard<std::mutex> lock(h->mutex);
    if (h->device)
        return -3; // one device per handle
    if (!chosen->claim(h.get()))
        return -4; // open elsewhere
    h->device = chosen;
    return 0;
}

int tcuvc_camera_attached(tcuvc_handle_t* handle)
{
    const std::shared_ptr<tcsim::VirtualCamera> device = openDevice(handle);
    if (!device)
        return -1;
    return tcsim::World::instance().present(device->spec().key()) ? 1 : 0;
}

int tcuvc_camera_stream_start(tcuvc_handle_t* handle, const tcuvc_stream_params_t* params,
                              const tcuvc_callback_t* callback)
{
    auto h = resolve(handle);
    if (!h || !params || !callback || !callback->function)
        return -1;
    std::shared_ptr<tcsim::VirtualCamera> device;
    {
        std::lock_guard<std::mutex> lock(h->mutex);
        if (!h->device || h->streaming)
            return -2;
        device = h->device;
        const uint32_t width = uint32_t(device->streamWidth()), height = uint32_t(device->streamHeight());
        if (params->width != width || params->height != height || params->frame_bytes != width * height * 2 ||
            params->format != formatOf(*device))
            return -3;
        h->streaming = true;
    }
    const tcuvc_frame_fn function = callback->function;
    void* const user = callback->user;
    device->startStream([function, user](const uint8_t* data, int) { function(const_cast<uint8_t*>(data), user); });
    return 0;
}

int tcuvc_camera_stream_close(tcuvc_handle_t* handle, int)
{
    auto h = resolve(handle);
    if (!h)
        return -1;
    std::shared_ptr<tcsim::VirtualCamera> device;
    {
        std::lock_guard<std::mutex> lock(h->mutex);
        if (!h->streaming)
            return -2;
        h->streaming = false;
        device = h->device;
    }
    device->stopStream();
    return 0;
}

int tcuvc_camera_close(tcuvc_handle_t* handle)
{
    auto h = resolve(handle);
    if (!h)
        return -1;
    std::shared_ptr<tcsim::VirtualCamera> device;
    bool wasStreaming = false;
    {
        std::lock_guard<std::mutex> lock(h->mutex);
        if (!h->device)
            return -2;
        device = std::move(h->device);
        h->device.reset();
        wasStreaming = h->streaming;
        h->streaming = false;
    }
    if (wasStreaming)
        device->stopStream();
    device->unclaim(h.get());
    return 0;
}

void tcuvc_camera_release(tcuvc_handle_t* handle)
{
    tcuvc_camera_close(handle);
}

void tcuvc_delete_handle(tcuvc_handle_t* handle)
{
    if (handles().find(handle)) {
        tcuvc_camera_close(handle);
        handles().remove(handle);
    }
}

} // extern "C"
