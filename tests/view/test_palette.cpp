#include "view/palette.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Palettes, LoadersFillTheBufferAndLut12IsTheGreyRamp)
{
    uint8_t palette[kPaletteBytes];
    ASSERT_TRUE(loadPalette(PaletteFile::Lut12, palette));
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(palette[3 * i] == i && palette[3 * i + 1] == i && palette[3 * i + 2] == i) << i;
    for (PaletteFile f : {PaletteFile::Lut1, PaletteFile::Lut2, PaletteFile::Lut3, PaletteFile::Lut4, PaletteFile::Lut5}) {
        std::memset(palette, 0x5A, sizeof palette);
        ASSERT_TRUE(loadPalette(f, palette));
        EXPECT_NE(std::memcmp(palette, palette + 3, 3), 0);
    }
    EXPECT_FALSE(loadPalette(PaletteFile::Lut1, nullptr));
}

} // namespace
