#pragma once
/* Camera commands of the infrared module SDK, answered by the device open on the UVC handle
 * the command handle was made from. Results: 0 success (y16_preview_start: >= 0), negative
 * failure (no open device, bad arguments, a deleted handle). A V4L2 device (a real camera
 * through the kernel's driver) answers get_device_info from its USB descriptors and every
 * other command, which needs the vendor's extension unit, at once with
 * TCUVC_ERROR_NOT_SUPPORTED. */
#include <stdint.h>

#include "libtcuvc.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tccmd_handle tccmd_handle_t;

tccmd_handle_t* tccmd_create_handle(tcuvc_handle_t* uvc, int type);
void tccmd_delete_handle(tccmd_handle_t* cmd);

/* Item 7: serial number, NUL-terminated ASCII in a 64-byte buffer. Item 1: product name. */
int get_device_info(tccmd_handle_t* cmd, int item, uint8_t* buffer64);

/* TPD parameters: 1 reflected temperature (K), 2 ambient temperature (K), 3 emissivity * 128
 * (1..128), 4 environment correction on (1) or off (0), 5 gain: 1 low-temperature range
 * (about -20..150 degC), 0 high-temperature range (about 0..550 degC). */
int set_prop_tpd_params(tccmd_handle_t* cmd, int id, uint16_t value);
int get_prop_tpd_params(tccmd_handle_t* cmd, int id, uint16_t* value);

/* Automatic shutter: 0 on (1) or off (0), 1 minimum interval (s), 2 maximum interval (min),
 * 3 temperature step that forces a shutter (K * 10). Changes last until the device is
 * closed unless saved with spi_config_save. */
int set_prop_auto_shutter_params(tccmd_handle_t* cmd, int id, uint16_t value);
int get_prop_auto_shutter_params(tccmd_handle_t* cmd, int id, uint16_t* value);
/* Saves the shutter settings in the camera (section 12). */
int spi_config_save(tccmd_handle_t* cmd, int section);

/* Reads the camera's flash. */
int spi_read(tccmd_handle_t* cmd, uint32_t address, uint32_t length, uint8_t* buffer);
/* Recomputes the offset correction against the closed shutter: the offset drift accumulated
 * since the last correction is gone from the next frame on. */
int ooc_b_update(tccmd_handle_t* cmd, int reserved);
/* Switches the stream to raw Y16 (source 0, format 5); Y16 cameras deliver no frames before. */
int y16_preview_start(tccmd_handle_t* cmd, int source, int format);
/* Sensor (housing) temperature, K * 16. */
int cur_vtemp_get(tccmd_handle_t* cmd, uint16_t* value);

#ifdef __cplusplus
}
#endif
