#pragma once

#include "tools/screenencoder.h"

#include <cstdint>
#include <memory>
#include <string>

struct AVCodecContext;
struct AVDictionary;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;

// Records a region of the X11 desktop into an MP4 file, one frame per call of grabFrame.
class ScreenGrab
{
public:
    ScreenGrab();
    ~ScreenGrab();
    ScreenGrab(const ScreenGrab&) = delete;
    ScreenGrab& operator=(const ScreenGrab&) = delete;

    // Prepares the file (10 fps, size rounded down to multiples of 16). On failure there is
    // no writer, and open() says so.
    void startRecord(const std::string& fileName, int width, int height);
    void setRegion(int x, int y, int width, int height);
    bool open();
    // The window moved or its visible part changed while recording: grab there from now on.
    bool moveRegion(int x, int y, int width, int height);
    // Reads, converts, encodes and writes one desktop frame. False when this frame is lost.
    bool grabFrame();
    // Ends the file; false when its end could not be written.
    bool stopRecord();
    int frameRate() const { return frameRateNum; }
    // The file cannot grow any more (disk full, file gone): the recording has to end.
    bool writeFailed() const { return encoder && encoder->writeFailed(); }

private:
    bool openInput();
    void closeInput();

    AVDictionary* options = nullptr;
    AVFormatContext* inputContext = nullptr;
    AVCodecContext* decoderContext = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int frameRateNum = 10;
    int videoIndex = -1;
    int regionX = 0, regionY = 0;
    std::unique_ptr<ScreenEncoder> encoder;
    int64_t nextPts = 0;      // the least stamp the next frame may take
    int64_t firstGrabTime = -1; // grabber clock of the first frame
};
