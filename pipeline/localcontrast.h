#pragma once

#include <cstdint>
#include <vector>

// Contrast-limited adaptive histogram equalisation that raises the contrast of structures, not
// of noise. Equalising the picture itself gives a flat surface the largest gain of all (its
// histogram is one spike) and turns its noise into blotches. So the picture is split by an
// edge-preserving (self-guided) filter into a base, where parts and edges live, and the fine
// detail, where the noise lives; only the base is equalised, tile by tile, its mapping
// interpolated between grey levels and between tiles, and the detail is added back as it was.
// The contrast limit is also held to what the noise allows: no grey level of the base gains
// so much that the picture's noise, or a small shift of the whole scene, would show as more
// than a couple of levels. Buffers are kept between pictures.
class LocalContrast
{
public:
    LocalContrast(float clipLimit, int tilesX, int tilesY);

    void apply(uint8_t* image, int width, int height);

private:
    struct Lerp
    {
        int first, second; // neighbouring samples
        float weight;      // of the second
    };
    static void interpolation(std::vector<Lerp>& table, int length, float scale, float offset, int count);
    void splitBase(const uint8_t* image, int width, int height);
    void boxMean(const float* in, float* out);
    // Deviation (grey levels) of the fine detail: the picture's noise.
    float detailNoise(const uint8_t* image, int width, int height) const;
    void buildTileMaps(int width, int height, float limit);

    float clipLimit;
    int tilesX, tilesY;
    std::vector<float> base;
    // The filter's half-size pictures and lines.
    int smallWidth = 0, smallHeight = 0;
    std::vector<float> mean, meanSquare, slope, offset, rowSums;
    std::vector<float> prefix, columnSums, columnShare, lineA, lineB;
    std::vector<Lerp> smallColumns, smallRows;
    // Per tile: 257 edges of the equalised levels; the tiles' places of the picture's columns
    // and rows.
    std::vector<float> maps;
    std::vector<Lerp> columns, rows;
};
