#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One set of calibration tables of a Y16 camera, host byte order. A table that could not be
// read stays empty; whoever applies the set then keeps the table it had.
struct CalibrationTables
{
    static constexpr std::size_t kKtBtWords = 1201;
    static constexpr std::size_t kNucWords = 8192;

    bool highRange = false; // the set of the high-temperature measuring range (the "Low" set)
    bool headerValid = false;
    uint16_t header[3] = {0, 0, 0}; // sensor temperature at calibration, drift, kt unit
    std::vector<uint16_t> kt, bt, nuc;

    bool ktValid() const { return kt.size() == kKtBtWords; }
    bool btValid() const { return bt.size() == kKtBtWords; }
    bool nucValid() const { return nuc.size() == kNucWords; }
};
