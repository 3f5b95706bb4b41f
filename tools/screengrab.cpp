#include "tools/screengrab.h"

#include "core/log.h"

#include <QByteArray>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <mutex>

#define GRAB_LOG LOG_DEBUG(LOG_OTHER)

namespace {

constexpr int kFramesPerSecond = 10;

} // namespace

ScreenGrab::ScreenGrab() : frame(av_frame_alloc()), packet(av_packet_alloc())
{
    static std::once_flag devices;
    std::call_once(devices, [] { avdevice_register_all(); });
}

ScreenGrab::~ScreenGrab()
{
    encoder.reset();
    av_frame_free(&frame);
    av_packet_free(&packet);
    av_dict_free(&options);
    closeInput();
}

void ScreenGrab::closeInput()
{
    avcodec_free_context(&decoderContext);
    avformat_close_input(&inputContext);
}

void ScreenGrab::startRecord(const std::string& fileName, int width, int height)
{
    encoder = std::make_unique<ScreenEncoder>();
    encoder->setFileName(fileName);
    encoder->setFps(kFramesPerSecond);
    encoder->setSize(width, height);
    if (!encoder->openOutput() || !encoder->initEncoder() || !encoder->writeHeader())
        encoder.reset();
}

void ScreenGrab::setRegion(int x, int y, int width, int height)
{
    // The X11 grabber takes the offset in the display name, the size as an option.
    regionX = x;
    regionY = y;
    av_dict_set(&options, "video_size", QByteArray::number(width).append('x').append(QByteArray::number(height)), 0);
}

bool ScreenGrab::open()
{
    if (!openInput())
        return false;
    if (!encoder) {
        GRAB_LOG << "Could not find encoder.";
        return false;
    }
    return encoder->initScale(decoderContext->pix_fmt, decoderContext->width, decoderContext->height);
}

bool ScreenGrab::moveRegion(int x, int y, int width, int height)
{
    if (!encoder)
        return false;
    // The grabber's region is fixed once open: it is opened again where the window is now. The
    // file keeps its size; the converter takes the new region's.
    closeInput();
    setRegion(x, y, width, height);
    return open();
}

bool ScreenGrab::openInput()
{
    av_dict_set(&options, "framerate", QByteArray::number(kFramesPerSecond).constData(), 0);
    av_dict_set(&options, "draw_mouse", "1", 0);
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray url = display + '+' + QByteArray::number(regionX) + ',' + QByteArray::number(regionY);
    const AVInputFormat* grabber = av_find_input_format("x11grab");
    AVDictionary* used = nullptr;
    av_dict_copy(&used, options, 0);
    const int opened = grabber && !display.isEmpty() ? avformat_open_input(&inputContext, url.constData(), grabber, &used) : -1;
    av_dict_free(&used);
    if (opened < 0) {
        GRAB_LOG << "Couldn't open input stream.";
        return false;
    }
    if (avformat_find_stream_info(inputContext, nullptr) < 0) {
        GRAB_LOG << "Couldn't find stream information.";
        return false;
    }
    videoIndex = -1;
    for (unsigned i = 0; i < inputContext->nb_streams; ++i) {
        if (inputContext->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            videoIndex = int(i);
            break;
        }
    }
    if (videoIndex < 0) {
        GRAB_LOG << "Didn't find a video stream.";
        return false;
    }
    const AVStream* stream = inputContext->streams[videoIndex];
    if (stream->avg_frame_rate.num > 0)
        frameRateNum = stream->avg_frame_rate.num / std::max(1, stream->avg_frame_rate.den);
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) {
        GRAB_LOG << "Codec not found.";
        return false;
    }
    decoderContext = avcodec_alloc_context3(decoder);
    if (!decoderContext || avcodec_parameters_to_context(decoderContext, stream->codecpar) < 0 ||
        avcodec_open2(decoderContext, decoder, nullptr) < 0) {
        GRAB_LOG << "Could not open codec.";
        return false;
    }
    return true;
}

bool ScreenGrab::grabFrame()
{
    if (!decoderContext || av_read_frame(inputContext, packet) < 0)
        return false;
    bool grabbed = false;
    if (packet->stream_index == videoIndex) {
        if (avcodec_send_packet(decoderContext, packet) < 0) {
            GRAB_LOG << "Decode Error.";
        } else if (avcodec_receive_frame(decoderContext, frame) >= 0) {
            frame->height = decoderContext->height;
            // Stamped by the grabber's clock, so a tick the busy program missed leaves a gap
            // instead of making the video run fast.
            const AVStream* stream = inputContext->streams[videoIndex];
            if (firstGrabTime < 0 && packet->pts != AV_NOPTS_VALUE)
                firstGrabTime = packet->pts;
            const int64_t due =
                packet->pts == AV_NOPTS_VALUE || firstGrabTime < 0
                    ? nextPts
                    : av_rescale_q(packet->pts - firstGrabTime, stream->time_base, AVRational{1, kFramesPerSecond});
            frame->pts = std::max(due, nextPts);
            nextPts = frame->pts + 1;
            grabbed = !encoder || encoder->encodeFrame(frame);
            av_frame_unref(frame);
        }
    }
    av_packet_unref(packet);
    return grabbed;
}

bool ScreenGrab::stopRecord()
{
    return encoder && encoder->finish();
}
