#pragma once
/* Temperatures of the K7-22 camera.
 *
 * A K7-22 frame is 256 x 196 little-endian words: rows 0..191 the raw image, rows 192..195
 * parameter lines. Row 192: word 0 magic 0x4B37, word 1 layout version (1 or 2), word 4 maximum
 * and word 7 minimum raw value of the image, words 8..9 offset o and 10..11 gain g (IEEE float,
 * low word first), word 12 housing temperature (K * 16), word 13 band constant b (K), word 14
 * (layout 2 only) band offset f (K * 16, signed; layout 1 states a single wavelength, f = 0,
 * b = c2 / wavelength). Row 193 words 32..39: serial number, 16 ASCII bytes. The camera's
 * black-body calibration:
 *   raw = o + g S_cam(T),   S_cam(T) = 1 / (exp(b / (T + f)) - 1),  T in K,
 * gives the apparent temperature T_app. The correction parameters then give the object
 * temperature in the 8..14 um band's radiance S (b = 1538, f = 18.8125, whatever the camera
 * states):
 *   S_obj = (S(T_app) - (1 - e) t S(Tr) - (1 - t) S(Ta)) / (e t),   T_obj = S^-1(S_obj) + fix
 * with t the two-band atmospheric transmittance for humidity, air temperature and distance
 * (see libtctemp.h). For a camera whose black-body calibration holds, the correction stays
 * within 0.05 K of Planck's law integrated over the band from -20 to 150 degC and within
 * 0.25 % above, up to 550 degC, for emissivity >= 0.5 and distances to 10 m; below emissivity
 * 0.5 the error grows as 1 / emissivity. Results: 0 success, negative failure. Device index 0 only. */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

int DataInit(int width, int height);
/* Reads the calibration words of a frame; until then GetTmpData fails. */
int UpdateParam(int device, const uint16_t* frame, const char* deviceName, const char* model);
/* Temperatures in degC of every pixel, the extremes with their positions (first in row
 * order), mean (a) and housing temperature (b) in degC. */
int GetTmpData(int device, const uint16_t* frame, float* maxTemp, int* maxX, int* maxY, float* minTemp,
               int* minX, int* minY, float* a, float* b, float* temperatures);
/* Defaults: emissivity 1, reflected and air 25 degC, humidity 0.5, distance 0 m, fix 0. */
int UpdateFixParam(float emiss, float refltmp, float airtmp, float humi, uint16_t distance, float fix);
int GetFixParam(float* emiss, float* refltmp, float* airtmp, float* humi, uint16_t* distance, float* fix);

#define K7_FRAME_WIDTH 256
#define K7_FRAME_HEIGHT 196
#define K7_IMAGE_HEIGHT 192

#ifdef __cplusplus
}
#endif
