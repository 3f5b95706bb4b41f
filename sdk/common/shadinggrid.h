#pragma once
// The coarse grids of the kt/bt tables: word 0 is (columns << 8) | rows, then the node values
// row by row. Nodes span the image corners; pixels are interpolated bilinearly.
#include <cstddef>
#include <cstdint>

namespace tcsdk {

constexpr int kGridColumns = 40;
constexpr int kGridRows = 30;
constexpr std::size_t kGridTableWords = 1 + kGridColumns * kGridRows; // 1,201

// Expands a grid table to width x height values (node value * scale; signed nodes read as
// int16). Returns false when the header does not describe a grid that fits the table.
bool expandGrid(const uint16_t* table, std::size_t words, bool isSigned, float scale, int width, int height,
                float* out);

} // namespace tcsdk
