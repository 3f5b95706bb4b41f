#pragma once
/* The system's video-input devices (the cameras a desktop capture framework lists) as seen
 * by this machine: the virtual cameras of the device registry. A device delivers whole
 * samples to a callback on a streaming thread of its own between vi_run and vi_stop;
 * vi_stop joins it. Camera controls are set with vi_set_camera_control. Results: 0 success,
 * negative failure. */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct
{
    char friendly_name[128];
    char description[128]; /* empty when the device has none */
    char path[128];
} vi_device_info_t;

typedef struct vi_device vi_device_t;
typedef void (*vi_sample_fn)(const uint8_t* buffer, int length, void* user);

#define VI_CAMERA_CONTROL_ZOOM 3
#define VI_FLAGS_MANUAL 2

/* Fills up to max entries; returns the number of devices. */
int vi_list_devices(vi_device_info_t* devices, int max);
vi_device_t* vi_open(const char* path);
int vi_get_format(vi_device_t* device, int* width, int* height);
int vi_set_callback(vi_device_t* device, vi_sample_fn function, void* user);
int vi_run(vi_device_t* device);
int vi_stop(vi_device_t* device);
int vi_set_camera_control(vi_device_t* device, int property, int32_t value, int flags);
void vi_close(vi_device_t* device);

#ifdef __cplusplus
}
#endif
