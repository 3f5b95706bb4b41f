#pragma once
// Reads back a video file with FFmpeg: what a player would find in it.
#include <QImage>
#include <QString>

struct VideoFacts
{
    QImage firstFrame, lastFrame; // decoded pictures, RGB
    bool opened = false;
    int codecId = 0;
    int pixelFormat = -1;
    int width = 0, height = 0;
    int decodedFrames = 0;
};

VideoFacts readVideo(const QString& path);
