#pragma once
/* Dual-light fusion of the infrared module SDK: lays the infrared image over the visible one
 * and fuses them. One fusion per process; the calls are serialised inside.
 *
 * Images: visible RGB888 (visible width x height x 3), infrared 8-bit (infrared width x
 * height), infrared temperatures kelvin * 16 (infrared width x height), fused RGBA8888 and
 * aligned temperatures kelvin * 16 (visible width x height; the fused size equals the visible
 * size).
 *
 * Alignment: the 192-byte record (its layout is described in dualrecord.h of the SDK sources:
 * an affine map of infrared pixels onto the visible image at infinite distance and a parallax
 * vector) gives the factory alignment. The infrared image is then shifted by
 * disparity / total disparity times the parallax vector, which brings objects at the working
 * distance into register, and finally mapped by the six manual coefficients (a 2 x 3 affine
 * matrix in visible pixels, row by row; the identity is 1 0 0 0 1 0).
 *
 * Temperatures are carried over by nearest neighbour: every aligned temperature is one the
 * infrared camera measured. Visible pixels outside the infrared view take the nearest edge
 * pixel of the infrared image.
 *
 * Results: 0 success, negative failure (nothing changed). */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TCDUAL_RECORD_BYTES 192
/* Result of tcdual_align_fusion_init when the record is missing or invalid: the fusion runs
 * with the nominal alignment (the infrared image scaled to cover the visible view, centred). */
#define TCDUAL_NOMINAL_ALIGNMENT 1

/* Fusion modes. */
#define TCDUAL_MODE_BLEND 1  /* half infrared colour, half visible */
#define TCDUAL_MODE_MEAN 2   /* infrared colour weighted by the mean weight in percent */
#define TCDUAL_MODE_DETAIL 3 /* infrared colour with the visible image's detail (Laplacian
                                pyramid, three levels) added, scaled by the detail level / 6 */

int tcdual_align_fusion_init(int visibleHeight, int visibleWidth, int irHeight, int irWidth, int fusedHeight,
                             int fusedWidth, const uint8_t* record, const float* manualCoefficients);
int tcdual_align_fusion_set_mode(int mode);
/* A colour map of 256 RGB entries (768 bytes) for the infrared image, kept under its name. */
int tcdual_align_fusion_add_color(const char* name, const uint8_t* map);
int tcdual_align_fusion_set_color(const char* name);
int tcdual_align_fusion_set_tot_disparity(int total);
int tcdual_align_fusion_set_disparity(int disparity);
/* 0 ... 20 */
int tcdual_align_fusion_set_LPY_detail(int level);
/* 0 ... 100 */
int tcdual_align_fusion_set_MEAN_weight(int weight);

/* Manual alignment: manual_init keeps copies of the two images and draws the fused image;
 * each manual_translate moves the infrared image by (dx, dy) visible pixels and draws the
 * fused image again from the copies; manual_finish ends the adjustment and returns the six
 * manual coefficients (valid until the next call into the library). A null fused image is
 * not drawn (a caller that fuses live frames shows each step anyway). */
int tcdual_align_fusion_manual_init(const uint8_t* visible, const uint8_t* ir8, uint8_t* fusedRgba);
int tcdual_align_fusion_manual_translate(float dx, float dy, uint8_t* fusedRgba);
const float* tcdual_align_fusion_manual_finish(void);

int tcdual_align_fusion_process(const uint8_t* visible, const uint8_t* ir8, const uint16_t* irKelvin16,
                                uint8_t* fusedRgba, uint16_t* alignedKelvin16);
void tcdual_align_fusion_destroy(void);

#ifdef __cplusplus
}
#endif
