#pragma once
// Temporal-spatial edge-preserving denoiser for 16-bit images (one process-wide instance).
//
// Per pixel, a recursive temporal filter blends the new value with the previous result:
//   k = sigma * exp(-(d / gamma_f)^2),  d = new - previous,  result = new + k (previous - new)
// so a still scene is averaged over frames and a moving edge is not smeared. A 3 x 3
// bilateral filter follows, with spatial weights exp(-r^2 / (2 sigma_s^2)) and range weights
// exp(-(dv / gamma_r)^2 / 2). denoise(F, G) filters F in place; G is scratch of the same size.
#include <stdint.h>

namespace tcdenoise {

// Returns 0, or negative for a size outside 1..4096 or a strength outside 0..1.
int init(int height, int width, float sigma);
// Names: "sigma" (temporal strength 0..1), "sigma_s", "gamma_r", "gamma_f" (positive).
// Returns 0, or negative for an unknown name or bad value.
int setParams(const char* name, float value);
// Returns 0, or negative before init or on null pointers.
int denoise(uint16_t* image, uint16_t* scratch);
// Frees the state; the next frame after init starts without history.
void release();

} // namespace tcdenoise
