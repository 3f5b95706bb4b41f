#pragma once
/* Temperature statistics and atmospheric transmittance of the infrared module SDK. */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct
{
    uint16_t width;
    uint16_t height;
} tctemp_size_t;

/* Inclusive pixel rectangle. */
typedef struct
{
    int32_t x0, y0, x1, y1;
} tctemp_rect_t;

typedef struct
{
    uint16_t max;     /* raw value, camera temperature unit */
    uint16_t min;
    uint16_t average; /* rounded mean over the rectangle */
    uint16_t reserved;
    int32_t max_x, max_y, min_x, min_y;
} tctemp_info_t;

/* Maximum, minimum and mean of the rectangle. Ties go to the first pixel in row order.
 * Returns 0, or a negative value for null pointers or a rectangle that is empty or leaves
 * the image. */
int get_rect_temp(const uint16_t* temperatures, tctemp_size_t size, tctemp_rect_t rect, tctemp_info_t* info);

/* Transmittance tables: 4,504 bytes, little-endian.
 *   0  char[4]  "TAU1"
 *   4  uint16   distance count  (17: distance d_k = (k * 0.5)^2 m, uniform in sqrt(distance))
 *   6  uint16   humidity count  (11: 0.0, 0.1, ... 1.0 relative humidity)
 *   8  uint16   temperature count (12)
 *  10  int16    first air temperature, degC (-20)
 *  12  uint16   air temperature step, degC (10)
 *  14  uint16   reserved
 *  16  uint16   tau[temperature][humidity][distance], transmittance * 16384
 * Values follow the two-band atmospheric model
 *   tau = X exp(-sqrt(d) (a1 + b1 sqrt(w))) + (1 - X) exp(-sqrt(d) (a2 + b2 sqrt(w)))
 *   w   = h exp(1.5587 + 0.06939 t - 0.00027816 t^2 + 0.00000068455 t^3)   (water vapour)
 * with the band constants of each table (scripts/gen_tau_tables.py).
 * read_tau interpolates the table linearly in air temperature, humidity and sqrt(distance),
 * clamping to the grid, and writes tau * 16384. Returns 0, or negative on a null pointer or a
 * table without the header. */
int read_tau(const uint8_t* table, float humidity, float ambient, float distance, uint16_t* tau);

#define TCTEMP_TAU_TABLE_BYTES 4504

#ifdef __cplusplus
}
#endif
