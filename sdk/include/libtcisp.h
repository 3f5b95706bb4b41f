#pragma once
/* Image-signal processing of the infrared module SDK.
 *
 * Every module has init / process / destroy. The caller owns the isp_handle_t record; init
 * fills it and keeps the input and output buffer addresses in it (callers read them back),
 * allocates the module's private state once, and process allocates nothing. All images are
 * width x height 16-bit words. Results: 0 success, negative failure (null pointer, a handle
 * that was never initialised or is destroyed, bad parameters).
 *
 * Chain of a Y16 camera: ktbt (raw -> corrected counts), env_correct (counts -> counts of the
 * object), nuc_t (counts -> kelvin * 16); for the picture: detail_extract, agc (14-bit ->
 * display levels 0..16383), dde (detail enhancement of display levels).
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct
{
    uint16_t width;
    uint16_t height;
    uint8_t bytes_per_pixel; /* always 2 */
} isp_image_size_t;

typedef struct
{
    void* input;
    void* output;
    void* state; /* the module's own; null when not initialised */
} isp_handle_t;

/* detail = gain * (in - box mean of (2 radius + 1)^2), stored as int16 words. */
typedef struct
{
    int32_t radius; /* 1..15 */
    float gain;
} detail_extract_param_t;

/* Mode 1: plateau histogram equalisation mixed with a linear stretch; mode 0: linear only.
 * Output: display levels 0..16383 (8-bit level * 64). */
typedef struct
{
    float low_cut;         /* fraction of pixels clipped at the dark end of the linear stretch */
    float high_cut;        /* ... at the bright end */
    float hist_low_cut;    /* fraction of pixels ignored at either end by the equalisation: */
    float hist_high_cut;   /*   isolated hot or dead pixels do not widen the mapping */
    int32_t plateau;       /* histogram bins are clipped at this count before accumulation */
    float equalise_weight; /* share of the equalised mapping, the rest is linear (0..1) */
    float smoothing;       /* per-frame weight of the new range limits (0..1]: 1 = no memory */
    int32_t max_gain;      /* display levels (of 255) at most over the band a flat surface's noise fills */
} agc_param_t;

/* Digital detail enhancement: the input is split by an edge-preserving (guided) filter into
 * base and detail; detail above the coring threshold is amplified. */
typedef struct
{
    float base_compress;   /* 0..1: pulls the base towards its mean (0 = keep) */
    float edge_threshold;  /* level difference treated as an edge, not detail */
    float coring;          /* detail smaller than this is noise and kept as is */
    int32_t radius_extra;  /* filter radius = 2 + radius_extra */
    int32_t gain_den;      /* detail gain = gain_num / gain_den */
    int32_t gain_num;
    int32_t mix_percent;   /* share of the enhanced image in the output, 0..100 */
} dde_param_t;

/* kt/bt correction: A = (F - bt(x, y) - drift) * kt(x, y) / cal[2], with
 * drift = cal[1] * (vtemp - cal[0]) / 256. kt and bt are 1,201-word tables: word 0 holds
 * (columns << 8) | rows of a grid spanning the image corners, then the grid values row by
 * row (kt unsigned, bt signed), interpolated bilinearly per pixel. The module reads vtemp
 * from this block at every frame, so callers refresh it in place. */
typedef struct
{
    uint16_t cal[3];   /* sensor temperature at calibration (K*16), drift (Q8), kt unit */
    uint16_t vtemp;    /* current sensor temperature word (K*16) */
    uint16_t* kt;
    uint32_t kt_bytes; /* 2,402 */
    uint16_t* bt;
    uint32_t bt_bytes; /* 2,402 */
} ktbt_param_t;

/* Environment correction in the count domain, where counts are affine in radiance:
 * C_obj = (C - (1 - e) t C(Tr) - (1 - t) C(Ta)) / (e t), C(T) found by inverting the NUC
 * table. e = emissivity / 16384, t = transmittance / 16384. The block is read every frame. */
typedef struct
{
    int32_t emissivity;    /* * 16384 */
    int32_t transmittance; /* * 16384 */
    int32_t reflected;     /* K * 16 */
    int32_t ambient;       /* K * 16 */
    uint16_t* nuc_table;
    uint16_t nuc_count;    /* entries, 8,192 */
} env_correct_param_t;

/* NUC with temperature: entry i of the 8,192-entry table is the temperature (K * 16) of
 * corrected count 2 i; odd counts are interpolated. The table is read every frame. */
typedef struct
{
    uint16_t* table;
    uint32_t bytes; /* 16,384 */
} nuc_t_param_t;

int detail_extract_init(isp_handle_t* h, int mode, const detail_extract_param_t* param,
                        const isp_image_size_t* size, void* in, void* out, int, int);
int detail_extract_process(isp_handle_t* h, int);
int detail_extract_destory(isp_handle_t* h);

int agc_init(isp_handle_t* h, int mode, const agc_param_t* param, const isp_image_size_t* size, void* in,
             void* out, int, int);
int agc_process(isp_handle_t* h, int);
int agc_destory(isp_handle_t* h);

int dde_init(isp_handle_t* h, int mode, const dde_param_t* param, const isp_image_size_t* size, void* in,
             void* out, int, int);
int dde_process(isp_handle_t* h, int);
int dde_destory(isp_handle_t* h);

int ktbt_init(isp_handle_t* h, int mode, ktbt_param_t* param, const isp_image_size_t* size, void* in,
              void* out, int, int);
/* frame: the caller's frame number; accepted for interface compatibility, not used. */
int ktbt_process(isp_handle_t* h, int, int frame);
int ktbt_destory(isp_handle_t* h);

int env_correct_init(isp_handle_t* h, int mode, env_correct_param_t* param, const isp_image_size_t* size,
                     void* in, void* out, int, int);
int env_correct_process(isp_handle_t* h, int);
int env_correct_destory(isp_handle_t* h);

int nuc_t_init(isp_handle_t* h, int mode, nuc_t_param_t* param, const isp_image_size_t* size, void* in,
               void* out, int, int);
int nuc_t_process(isp_handle_t* h, int);
int nuc_t_destory(isp_handle_t* h);

#define TCISP_KTBT_TABLE_BYTES 2402
#define TCISP_NUC_TABLE_BYTES 16384
#define TCISP_NUC_ENTRIES 8192

#ifdef __cplusplus
}
#endif
