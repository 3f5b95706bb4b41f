#include "tools/videothumbnail.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace {

constexpr int kThumbnailHeight = 48;
constexpr double kWidestThumbnail = 4096.0;

// The first decoded picture of stream `index`, false when it has none.
bool decodeFirstPicture(AVFormatContext* input, int index, AVPacket* packet, AVFrame* frame)
{
    const AVCodecParameters* parameters = input->streams[index]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    if (!decoder)
        return false;
    AVCodecContext* context = avcodec_alloc_context3(decoder);
    bool got = false;
    if (context && avcodec_parameters_to_context(context, parameters) >= 0 && avcodec_open2(context, decoder, nullptr) >= 0) {
        while (!got && av_read_frame(input, packet) >= 0) {
            if (packet->stream_index == index && avcodec_send_packet(context, packet) >= 0)
                got = avcodec_receive_frame(context, frame) >= 0;
            av_packet_unref(packet);
        }
        // A decoder that holds its first picture back gives it up at the end of the input.
        if (!got && avcodec_send_packet(context, nullptr) >= 0)
            got = avcodec_receive_frame(context, frame) >= 0;
    }
    avcodec_free_context(&context);
    return got;
}

QImage scaled(const AVFrame* frame)
{
    if (frame->width <= 0 || frame->height <= 0)
        return {};
    // A picture far wider than high (an odd or crafted file) gets no thumbnail.
    const double exact = double(frame->width) / double(frame->height) * kThumbnailHeight + 0.5;
    if (exact > kWidestThumbnail)
        return {};
    const int width = int(exact) & ~15;
    if (width <= 0)
        return {};
    SwsContext* scaler = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), width,
                                        kThumbnailHeight, AV_PIX_FMT_RGBA, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler)
        return {};
    QImage image(width, kThumbnailHeight, QImage::Format_RGBA8888);
    if (image.isNull()) {
        sws_freeContext(scaler);
        return {};
    }
    uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    sws_freeContext(scaler);
    return image;
}

} // namespace

QImage videoThumbnail(const QString& path)
{
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return {};
    QImage thumbnail;
    if (avformat_find_stream_info(input, nullptr) >= 0) {
        AVPacket* packet = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        for (unsigned i = 0; i < input->nb_streams && thumbnail.isNull(); ++i) {
            if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                decodeFirstPicture(input, int(i), packet, frame)) {
                thumbnail = scaled(frame);
                av_frame_unref(frame);
            }
        }
        av_frame_free(&frame);
        av_packet_free(&packet);
    }
    avformat_close_input(&input);
    return thumbnail;
}
