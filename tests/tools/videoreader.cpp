#include "tests/tools/videoreader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace {

QImage toImage(const AVFrame* frame)
{
    QImage image(frame->width, frame->height, QImage::Format_RGB888);
    SwsContext* scaler = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                                        frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
    uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    sws_freeContext(scaler);
    return image;
}

} // namespace

VideoFacts readVideo(const QString& path)
{
    VideoFacts facts;
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return facts;
    int index = -1;
    if (avformat_find_stream_info(input, nullptr) >= 0)
        index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) {
        avformat_close_input(&input);
        return facts;
    }
    const AVCodecParameters* parameters = input->streams[index]->codecpar;
    facts.opened = true;
    facts.codecId = parameters->codec_id;
    facts.pixelFormat = parameters->format;
    facts.width = parameters->width;
    facts.height = parameters->height;
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    AVCodecContext* context = avcodec_alloc_context3(decoder);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    if (decoder && context && avcodec_parameters_to_context(context, parameters) >= 0 &&
        avcodec_open2(context, decoder, nullptr) >= 0) {
        auto drain = [&] {
            while (avcodec_receive_frame(context, frame) >= 0) {
                if (facts.decodedFrames++ == 0)
                    facts.firstFrame = toImage(frame);
                facts.lastFrame = toImage(frame);
                av_frame_unref(frame);
            }
        };
        while (av_read_frame(input, packet) >= 0) {
            if (packet->stream_index == index && avcodec_send_packet(context, packet) >= 0)
                drain();
            av_packet_unref(packet);
        }
        avcodec_send_packet(context, nullptr);
        drain();
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    avformat_close_input(&input);
    return facts;
}
