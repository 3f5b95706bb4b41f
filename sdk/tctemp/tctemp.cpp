#include "libtctemp.h"
#include "vectorclones.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

struct TauHeader
{
    int distances, humidities, temperatures, firstTemperature, temperatureStep;
};

uint16_t word(const uint8_t* table, int index)
{
    return uint16_t(table[2 * index] | (table[2 * index + 1] << 8));
}

// Position of value on a uniform grid of count nodes: lower node and fraction, clamped.
void gridPosition(double value, double first, double step, int count, int& node, double& fraction)
{
    double g = (value - first) / step;
    if (!(g > 0.0))
        g = 0.0;
    if (g > count - 1)
        g = count - 1;
    node = int(g);
    if (node >= count - 1)
        node = count - 2;
    fraction = g - node;
}

} // namespace

extern "C" {

TC_VECTOR_CLONES int get_rect_temp(const uint16_t* temperatures, tctemp_size_t size, tctemp_rect_t rect, tctemp_info_t* info)
{
    if (!temperatures || !info)
        return -1;
    if (rect.x0 < 0 || rect.y0 < 0 || rect.x0 > rect.x1 || rect.y0 > rect.y1 || rect.x1 >= size.width ||
        rect.y1 >= size.height)
        return -2;
    // The first pixel (row by row) of the largest and of the smallest value: each row's
    // extremes and sum in one vectorised pass, the position looked up only in a row that
    // holds a new extreme.
    uint16_t maxValue = 0, minValue = 0xFFFF;
    int32_t maxX = rect.x0, maxY = rect.y0, minX = rect.x0, minY = rect.y0;
    uint64_t sum = 0;
    const int32_t width = rect.x1 - rect.x0 + 1;
    for (int32_t y = rect.y0; y <= rect.y1; ++y) {
        const uint16_t* row = temperatures + size_t(y) * size.width + rect.x0;
        uint16_t rowMax = 0, rowMin = 0xFFFF;
        uint32_t rowSum = 0;
        for (int32_t x = 0; x < width; ++x) {
            const uint16_t v = row[x];
            rowMax = v > rowMax ? v : rowMax;
            rowMin = v < rowMin ? v : rowMin;
            rowSum += v;
        }
        sum += rowSum;
        if (y == rect.y0 || rowMax > maxValue) {
            maxValue = rowMax;
            maxX = rect.x0 + int32_t(std::find(row, row + width, rowMax) - row);
            maxY = y;
        }
        if (y == rect.y0 || rowMin < minValue) {
            minValue = rowMin;
            minX = rect.x0 + int32_t(std::find(row, row + width, rowMin) - row);
            minY = y;
        }
    }
    const uint64_t count = uint64_t(rect.x1 - rect.x0 + 1) * uint64_t(rect.y1 - rect.y0 + 1);
    info->max = maxValue;
    info->min = minValue;
    info->average = uint16_t((sum + count / 2) / count);
    info->reserved = 0;
    info->max_x = maxX;
    info->max_y = maxY;
    info->min_x = minX;
    info->min_y = minY;
    return 0;
}

int read_tau(const uint8_t* table, float humidity, float ambient, float distance, uint16_t* tau)
{
    if (!table || !tau || std::memcmp(table, "TAU1", 4) != 0)
        return -1;
    const TauHeader h{word(table, 2), word(table, 3), word(table, 4), int16_t(word(table, 5)), word(table, 6)};
    if (h.distances < 2 || h.humidities < 2 || h.temperatures < 2 || h.temperatureStep == 0 ||
        8 + h.distances * h.humidities * h.temperatures > TCTEMP_TAU_TABLE_BYTES / 2)
        return -2;

    int ti, hi, di;
    double tf, hf, df;
    gridPosition(ambient, h.firstTemperature, h.temperatureStep, h.temperatures, ti, tf);
    gridPosition(humidity, 0.0, 1.0 / (h.humidities - 1), h.humidities, hi, hf);
    // Distance nodes are uniform in sqrt(distance): sqrt(d_k) = k * 0.5.
    gridPosition(std::sqrt(distance > 0 ? double(distance) : 0.0), 0.0, 0.5, h.distances, di, df);

    auto at = [&](int t, int hu, int d) { return double(word(table, 8 + (t * h.humidities + hu) * h.distances + d)); };
    double result = 0.0;
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b)
            for (int c = 0; c < 2; ++c) {
                const double weight = (a ? tf : 1 - tf) * (b ? hf : 1 - hf) * (c ? df : 1 - df);
                if (weight > 0.0)
                    result += weight * at(ti + a, hi + b, di + c);
            }
    *tau = uint16_t(std::lround(result));
    return 0;
}

} // extern "C"
