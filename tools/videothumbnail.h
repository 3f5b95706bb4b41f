#pragma once

#include <QImage>
#include <QString>

// The first picture of the file's first video stream, 48 pixels high (width rounded down to a
// multiple of 16), or a null image when the file has none or cannot be read.
QImage videoThumbnail(const QString& path);
