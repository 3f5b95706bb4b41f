#pragma once
#include <QString>

#include <vector>

// A known-good board's temperatures kept in a file, to compare later boards against. The file:
// text lines up to an empty one, then the matrix,
//   ORVIK-REFERENCE 1
//   camera=<the camera's name>
//   width=<columns>
//   height=<rows>
//   range=low | high            (the measuring range it was taken in)
//   emissivity=<0.01..1>
//   <empty line>
//   width x height float32 little-endian, degC, row by row.
struct ReferenceFile
{
    static constexpr int kLargestSide = 4096;

    QString camera;
    int width = 0, height = 0;
    bool highRange = false;
    float emissivity = 1.0f;
    std::vector<float> celsius;

    // Written aside and renamed: a failed write never leaves half a reference.
    bool save(const QString& path, QString* why) const;
    // Refused, with the reason, unless every line, size and value is sound.
    bool load(const QString& path, QString* why);
};
