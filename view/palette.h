#pragma once

#include <cstdint>

// The colour tables: 256 entries of R, G, B (768 bytes), entry 0 the coldest end.
enum class PaletteFile
{
    Lut1,  // black through red and orange to white (palette button 1)
    Lut2,  // dark blue through magenta to white
    Lut3,  // near black through blue and violet to white (palette button 2)
    Lut4,  // dark blue through yellow-green to pale orange
    Lut5,  // black through orange to white
    Lut12, // grey ramp (palette button 3, the dual-light fusion colour map)
};

constexpr int kPaletteBytes = 768;

// Reads the whole resource file into the 768-byte buffer; false when it cannot be read.
bool loadPalette(PaletteFile file, uint8_t* palette);
