#pragma once

#include <cstddef>
#include <string>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

// Writes desktop frames into an MP4 file: MPEG-4 Visual video in YUV 4:2:0 at 2,048,000 bit/s.
// The file is fragmented at every key frame, so whatever was written before a crash, a kill
// or a full disk stays playable.
class ScreenEncoder
{
public:
    static constexpr size_t kMaxFileName = 1023; // bytes of UTF-8

    ScreenEncoder();
    ~ScreenEncoder();
    ScreenEncoder(const ScreenEncoder&) = delete;
    ScreenEncoder& operator=(const ScreenEncoder&) = delete;

    // A path longer than kMaxFileName is refused (logged, and the name left empty), never cut.
    void setFileName(const std::string& path);
    void setSize(int width, int height); // rounded down to multiples of 16
    void setFps(int framesPerSecond) { fps = framesPerSecond; }
    int frameWidth() const { return width; }
    int frameHeight() const { return height; }

    bool openOutput();
    bool initEncoder();
    bool writeHeader();
    // The converter from the desktop's pictures; false when it cannot be made.
    bool initScale(int srcPixelFormat, int srcWidth, int srcHeight);
    // Converts, encodes and writes the packets the encoder hands back.
    bool encodeFrame(const AVFrame* source);
    // Writes what the encoder still holds and the file's end, and closes it.
    bool finish();
    void release();
    // A packet could not be written (disk full, file gone): the file ends where it is.
    bool writeFailed() const { return failedWrite; }

private:
    bool writePendingPackets();

    AVFormatContext* outputContext = nullptr;
    AVCodecContext* encoderContext = nullptr;
    AVStream* outStream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    unsigned char* frameBuffer = nullptr;
    int sourceHeight = 0;
    std::string fileName;
    int width = 1920, height = 1080, fps = 25;
    int streamIndex = 0;
    bool failedWrite = false;
    bool finished = false;
};
