#include "view/palette.h"

#include <QFile>

namespace {

const char* resourceOf(PaletteFile file)
{
    switch (file) {
    case PaletteFile::Lut1:
        return ":/RGB_Map_Data/lut_1.dat";
    case PaletteFile::Lut2:
        return ":/RGB_Map_Data/lut_2.dat";
    case PaletteFile::Lut3:
        return ":/RGB_Map_Data/lut_3.dat";
    case PaletteFile::Lut4:
        return ":/RGB_Map_Data/lut_4.dat";
    case PaletteFile::Lut5:
        return ":/RGB_Map_Data/lut_5.dat";
    case PaletteFile::Lut12:
        break;
    }
    return ":/RGB_Map_Data/lut_12.dat";
}

} // namespace

bool loadPalette(PaletteFile file, uint8_t* palette)
{
    QFile resource(QString::fromLatin1(resourceOf(file)));
    if (!palette || !resource.open(QIODevice::ReadOnly))
        return false;
    return resource.read(reinterpret_cast<char*>(palette), kPaletteBytes) == kPaletteBytes;
}
