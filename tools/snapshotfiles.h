#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

class QPixmap;
struct Frame;

// The files of a snapshot. Each is written whole or not at all (a temporary file renamed
// into place), so a failed save leaves no half file behind.
namespace snapshot {

// What a report needs beside the picture: the scale its colours stand for, when and with
// which camera and emissivity it was taken.
struct Legend
{
    const uint8_t* palette = nullptr; // 768 bytes: entry 0 at the low end
    float low = 0.0f, high = 0.0f;    // degC of the palette's ends; NaN: a picture without temperatures
    QString unitLetter = QStringLiteral("C");
    QDateTime taken;
    QString cameraId;
    float emissivity = 1.0f;
    bool linear = true; // colours linear in temperature; otherwise the AGC's, low and high the extremes
};
constexpr int kLegendWidth = 140;

// The view's picture as a JPEG: the picture at 640 x 480 (480 x 640 when the view is turned
// upright), and to its right a margin of kLegendWidth with the legend, so that nothing covers
// the picture.
bool savePicture(const QPixmap& view, bool portrait, const Legend& legend, const QString& path);

// The frame's temperatures as they are shown (mirrored, then turned clockwise by rotation
// degrees): in unit (degC, or K for differences) with two decimals, one image row per line,
// after a comment line naming the camera, the size, the unit and the extremes.
bool saveTemperatures(const Frame& frame, int rotation, bool mirrorH, bool mirrorV, const QString& cameraId,
                      const QString& path, const char* unit = "degC");

// "….csv" beside "….jpg".
QString temperaturePath(const QString& picturePath);

} // namespace snapshot
