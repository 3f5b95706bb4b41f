#pragma once
/* Format conversions of the infrared module SDK. Counts are pixels; every function returns 0
 * on success and a negative value on a null pointer or a negative count. In-place use
 * (in == out) is allowed for y16_to_y14 and rgb_to_bgr. */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Raw Y16 words carry the 14-bit sample left-justified: out = in >> 2. */
int y16_to_y14(const uint16_t* in, int count, uint16_t* out);
/* 14-bit display levels to gray RGB888: each channel = min(in, 16383) >> 6. */
int y14_to_rgb(const uint16_t* in, int count, uint8_t* rgb);
/* 14-bit display levels to 8-bit gray: min(in, 16383) >> 6. */
int y14_to_y8(const uint16_t* in, int count, uint8_t* out);
/* YUYV (Y0 U Y1 V per two pixels, full-range BT.601) to RGB888. count must be even. */
int yuv422_to_rgb(const uint8_t* in, int count, uint8_t* rgb);
/* Swaps the first and third byte of every 3-byte pixel. */
int rgb_to_bgr(const uint8_t* in, int count, uint8_t* out);
/* Splits a combined frame: the first imageBytes go to image, the next temperatureBytes to
 * temperatures. */
int raw_data_cut(const uint8_t* frame, int imageBytes, int temperatureBytes, uint8_t* image,
                 uint8_t* temperatures);

#ifdef __cplusplus
}
#endif
