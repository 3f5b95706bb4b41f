#pragma once
/* UVC device access of the infrared module SDK. Results: >= 0 success, negative failure.
 * Handles are independent; a handle that was deleted, or a call out of order (stream before
 * open), fails with a negative result. Each open device streams on a thread of its own and
 * calls the registered function once per frame; tcuvc_camera_stream_close joins that thread,
 * so no call arrives after it returns. From inside that function, stream_close, close and
 * delete_handle of a USB device are refused with TCUVC_ERROR_BUSY and change nothing. */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tcuvc_handle tcuvc_handle_t;

/* Failures of the V4L2 devices (real cameras) name their cause; the virtual cameras keep
 * their small negative results. */
#define TCUVC_ERROR_IO (-5)             /* the device failed a request */
#define TCUVC_ERROR_ACCESS (-13)        /* the device node refuses this user (no read/write permission) */
#define TCUVC_ERROR_BUSY (-16)          /* another program streams from the device */
#define TCUVC_ERROR_GONE (-19)          /* the device was unplugged */
#define TCUVC_ERROR_INVALID (-22)       /* the device does not offer what was asked */
#define TCUVC_ERROR_NOT_SUPPORTED (-95) /* the device has no such function */

#define TCUVC_MAX_DEVICES 64
#define TCUVC_INFO_BYTES 4864
#define TCUVC_STREAM_ENTRY_BYTES 152

/* 16 bytes. name stays valid for the life of the process. */
typedef struct
{
    uint32_t product_id;
    uint32_t vendor_id;
    const char* name;
} tcuvc_device_entry_t;

/* Stream information entry, 152 bytes: format (uint64 fourcc) at 0, width (uint32) at 8,
 * height (uint32) at 12, frame rate (uint32) at 20; the rest is zero. */

/* 48 bytes. */
typedef struct
{
    tcuvc_device_entry_t device;
    uint64_t format;
    uint32_t width;
    uint32_t height;
    uint32_t frame_bytes; /* width * height * 2 */
    uint32_t fps;
    uint32_t timeout_ms;
    uint32_t reserved;
} tcuvc_stream_params_t;

typedef void (*tcuvc_frame_fn)(void* frame, void* user);

typedef struct
{
    tcuvc_handle_t* handle;
    tcuvc_frame_fn function;
    void* user;
} tcuvc_callback_t;

#define TCUVC_FORMAT_Y16 0x20363159u  /* 'Y','1','6',' ' */
#define TCUVC_FORMAT_YUYV 0x56595559u /* 'Y','U','Y','V' */
/* Compressed frames: the JPEG picture, then zeros to the end of the width * height * 2 byte
 * frame buffer; a decoder finds the picture's end itself. */
#define TCUVC_FORMAT_MJPG 0x47504A4Du /* 'M','J','P','G' */

tcuvc_handle_t* tcuvc_create_handle(void);
int tcuvc_camera_init(tcuvc_handle_t* handle);
/* Fills up to 64 entries in list order, the virtual cameras first, then the USB cameras of
 * the system (V4L2 capture nodes); returns the number of devices. */
int tcuvc_camera_list(tcuvc_handle_t* handle, tcuvc_device_entry_t* list);
/* Fills the 4,864-byte buffer with the stream entries of the first device equal to entry
 * (same product id, vendor id and name); returns the number of entries. */
int tcuvc_camera_info_get(tcuvc_handle_t* handle, const tcuvc_device_entry_t* entry, uint8_t* info);
/* Index among the listed devices equal to entry, in list order, of the device at list
 * position listPosition; negative when it is not equal. */
int tcuvc_get_same_idx(tcuvc_handle_t* handle, const tcuvc_device_entry_t* entry, int listPosition);
/* Opens the index-th device equal to entry. One device per handle. */
int tcuvc_camera_open_same(tcuvc_handle_t* handle, const tcuvc_device_entry_t* entry, int index);
/* The device node ("/dev/video2", NUL-terminated, at most size bytes) of the index-th device
 * equal to entry: 0, TCUVC_ERROR_NOT_SUPPORTED for a virtual camera, another negative result
 * when there is no such device. */
int tcuvc_camera_node(tcuvc_handle_t* handle, const tcuvc_device_entry_t* entry, int index, char* node, int size);
/* Whether the device open on the handle is attached: 1 attached, 0 gone or unusable (unplugged,
 * or its stream failed; it delivers nothing more, and is best closed),
 * negative when no device is open on the handle. Another device of the same kind plugged in
 * meanwhile does not count. */
int tcuvc_camera_attached(tcuvc_handle_t* handle);
int tcuvc_camera_stream_start(tcuvc_handle_t* handle, const tcuvc_stream_params_t* params,
                              const tcuvc_callback_t* callback);
int tcuvc_camera_stream_close(tcuvc_handle_t* handle, int reserved);
int tcuvc_camera_close(tcuvc_handle_t* handle);
/* Closes whatever is still open on the handle. */
void tcuvc_camera_release(tcuvc_handle_t* handle);
void tcuvc_delete_handle(tcuvc_handle_t* handle);

#ifdef __cplusplus
}
#endif
