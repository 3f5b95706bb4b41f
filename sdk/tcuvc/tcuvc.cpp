#include "handletable.h"
#include "libtcuvc.h"
#include "uvcdevice.h"
#include "world.h"

#include <cstdio>
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

std::vector<std::shared_ptr<tcsim::VirtualCamera>> uvcDevices()
{
    std::vector<std::shared_ptr<tcsim::VirtualCamera>> found;
    for (auto& camera : tcsim::World::instance().devices())
        if (isUvc(*camera))
            found.push_back(camera);
    return found;
}

// One listed device: a virtual camera, or a V4L2 device of the system after them.
struct Listed
{
    std::shared_ptr<tcsim::VirtualCamera> virtualCamera;
    v4l2::DeviceInfo device;
    uint32_t productId, vendorId;
    std::string name;

    bool matches(const tcuvc_device_entry_t& entry) const
    {
        return productId == entry.product_id && vendorId == entry.vendor_id && entry.name &&
               name == entry.name;
    }
};

std::vector<Listed> listed()
{
    std::vector<Listed> all;
    for (auto& camera : uvcDevices())
        all.push_back(
            {camera, {}, camera->spec().productId, camera->spec().vendorId, camera->spec().uvcName});
    for (v4l2::DeviceInfo& device : v4l2::listDevices())
        all.push_back({nullptr, device, device.productId, device.vendorId, device.product});
    return all;
}

// The index-th listed device equal to entry, or null.
const Listed* sameDevice(const std::vector<Listed>& all, const tcuvc_device_entry_t& entry, int index)
{
    int seen = 0;
    for (const Listed& candidate : all)
        if (candidate.matches(entry) && seen++ == index)
            return &candidate;
    return nullptr;
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

std::shared_ptr<v4l2::Camera> openCamera(const tcuvc_handle_t* handle)
{
    auto h = resolve(handle);
    if (!h)
        return nullptr;
    std::lock_guard<std::mutex> lock(h->mutex);
    return h->camera;
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
    int count = 0;
    for (const Listed& device : listed()) {
        if (count == TCUVC_MAX_DEVICES)
            break;
        list[count++] = {device.productId, device.vendorId, intern(device.name)};
    }
    return count;
}

int tcuvc_camera_info_get(tcuvc_handle_t* handle, const tcuvc_device_entry_t* entry, uint8_t* info)
{
    if (!initialised(handle) || !entry || !info)
        return -1;
    const std::vector<Listed> all = listed();
    const Listed* device = sameDevice(all, *entry, 0);
    if (device && !device->virtualCamera)
        return v4l2::streamEntries(device->device, info);
    if (device) {
        const std::shared_ptr<tcsim::VirtualCamera>& camera = device->virtualCamera;
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
    const std::vector<Listed> all = listed();
    if (listPosition < 0 || listPosition >= int(all.size()) || !all[size_t(listPosition)].matches(*entry))
        return -2;
    int index = 0;
    for (int i = 0; i < listPosition; ++i)
        index += all[size_t(i)].matches(*entry) ? 1 : 0;
    return index;
}

int tcuvc_camera_open_same(tcuvc_handle_t* handle, const tcuvc_device_entry_t* entry, int index)
{
    auto h = initialised(handle);
    if (!h || !entry || index < 0)
        return -1;
    const std::vector<Listed> all = listed();
    const Listed* device = sameDevice(all, *entry, index);
    if (!device)
        return -2;
    {
        std::lock_guard<std::mutex> lock(h->mutex);
        if (h->device || h->camera)
            return -3; // one device per handle
    }
    if (!device->virtualCamera) {
        std::shared_ptr<v4l2::Camera> camera;
        const int result = v4l2::Camera::open(device->device, camera);
        if (result < 0)
            return result;
        std::lock_guard<std::mutex> lock(h->mutex);
        if (h->device || h->camera)
            return -3;
        h->camera = std::move(camera);
        return 0;
    }
    const std::shared_ptr<tcsim::VirtualCamera> chosen = device->virtualCamera;
    std::lock_guard<std::mutex> lock(h->mutex);
    if (h->device || h->camera)
        return -3;
    if (!chosen->claim(h.get()))
        return -4; // open elsewhere
    h->device = chosen;
    return 0;
}

int tcuvc_camera_node(tcuvc_handle_t* handle, const tcuvc_device_entry_t* entry, int index, char* node,
                      int size)
{
    if (!initialised(handle) || !entry || !node || size <= 0)
        return -1;
    const std::vector<Listed> all = listed();
    const Listed* device = sameDevice(all, *entry, index);
    if (!device)
        return -2;
    if (device->virtualCamera)
        return TCUVC_ERROR_NOT_SUPPORTED;
    std::snprintf(node, size_t(size), "%s", device->device.node.c_str());
    return 0;
}

int tcuvc_camera_attached(tcuvc_handle_t* handle)
{
    if (const std::shared_ptr<v4l2::Camera> camera = openCamera(handle))
        return camera->attached();
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
    std::shared_ptr<v4l2::Camera> camera;
    {
        std::lock_guard<std::mutex> lock(h->mutex);
        if ((!h->device && !h->camera) || h->streaming)
            return -2;
        camera = h->camera;
        if (camera)
            h->streaming = true; // claimed while the stream starts outside the lock
    }
    if (camera) {
        const int result = camera->startStream(*params, callback->function, callback->user);
        if (result < 0) {
            std::lock_guard<std::mutex> lock(h->mutex);
            h->streaming = false;
        }
        return result;
    }
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
    device->startStream(
        [function, user](const uint8_t* data, int) { function(const_cast<uint8_t*>(data), user); });
    return 0;
}

int tcuvc_camera_stream_close(tcuvc_handle_t* handle, int)
{
    auto h = resolve(handle);
    if (!h)
        return -1;
    std::shared_ptr<tcsim::VirtualCamera> device;
    std::shared_ptr<v4l2::Camera> camera;
    {
        std::lock_guard<std::mutex> lock(h->mutex);
        if (!h->streaming)
            return -2;
        camera = h->camera;
        if (camera && camera->onStreamThread())
            return TCUVC_ERROR_BUSY; // the stream keeps running: the handle says so still
        h->streaming = false;
        device = h->device;
    }
    if (camera)
        return camera->stopStream();
    device->stopStream();
    return 0;
}

int tcuvc_camera_close(tcuvc_handle_t* handle)
{
    auto h = resolve(handle);
    if (!h)
        return -1;
    std::shared_ptr<tcsim::VirtualCamera> device;
    std::shared_ptr<v4l2::Camera> camera;
    bool wasStreaming = false;
    {
        std::lock_guard<std::mutex> lock(h->mutex);
        if (!h->device && !h->camera)
            return -2;
        // The frame function may not close: the camera would end on its own stream thread.
        if (h->camera && h->camera->onStreamThread())
            return TCUVC_ERROR_BUSY;
        camera = std::move(h->camera);
        h->camera.reset();
        device = std::move(h->device);
        h->device.reset();
        wasStreaming = h->streaming;
        h->streaming = false;
    }
    if (camera) {
        camera->stopStream(); // the node closes with the last reference
        return 0;
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
    // Refused from inside the frame function, as a close is: the handle stays usable.
    if (handles().find(handle) && tcuvc_camera_close(handle) != TCUVC_ERROR_BUSY)
        handles().remove(handle);
}

} // extern "C"
