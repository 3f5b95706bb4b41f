#pragma once

#include <QString>

class QPixmap;
struct Frame;

// The files of a snapshot. Each is written whole or not at all (a temporary file renamed
// into place), so a failed save leaves no half file behind.
namespace snapshot {

// The view's picture as a JPEG of 640 x 480, or 480 x 640 when the view is turned upright.
bool savePicture(const QPixmap& view, bool portrait, const QString& path);

// The frame's temperatures as they are shown (mirrored, then turned clockwise by rotation
// degrees): degC with two decimals, one image row per line, after a comment line naming the
// camera, the size, the unit and the extremes.
bool saveTemperatures(const Frame& frame, int rotation, bool mirrorH, bool mirrorV, const QString& cameraId,
                      const QString& path);

// "….csv" beside "….jpg".
QString temperaturePath(const QString& picturePath);

} // namespace snapshot
