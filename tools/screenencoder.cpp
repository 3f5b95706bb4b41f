#include "tools/screenencoder.h"

#include "core/log.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#define ENCODER_LOG LOG_DEBUG(LOG_OTHER)

namespace {

constexpr AVPixelFormat kPixelFormat = AV_PIX_FMT_YUV420P;
constexpr int64_t kBitRate = 2048000;

} // namespace

ScreenEncoder::ScreenEncoder() : frame(av_frame_alloc()), packet(av_packet_alloc()) {}

ScreenEncoder::~ScreenEncoder()
{
    release();
}

void ScreenEncoder::setFileName(const std::string& path)
{
    fileName.clear();
    if (path.size() > kMaxFileName) {
        ENCODER_LOG << "file path is too long:" << path.size() << "bytes";
        return;
    }
    fileName = path;
}

void ScreenEncoder::setSize(int w, int h)
{
    width = w & ~15;
    height = h & ~15;
}

bool ScreenEncoder::openOutput()
{
    if (fileName.empty()) {
        ENCODER_LOG << "file path is null.";
        return false;
    }
    if (avformat_alloc_output_context2(&outputContext, nullptr, nullptr, fileName.c_str()) < 0 || !outputContext) {
        ENCODER_LOG << "alloc output context2 error.";
        return false;
    }
    if (outputContext->oformat->flags & AVFMT_NOFILE)
        return true;
    if (avio_open(&outputContext->pb, fileName.c_str(), AVIO_FLAG_WRITE) < 0) {
        ENCODER_LOG << "Could not open output file" << QString::fromStdString(fileName);
        return false;
    }
    return true;
}

bool ScreenEncoder::initEncoder()
{
    // This FFmpeg's MP4 default is another codec: MPEG-4 Visual is found by its id.
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!encoder) {
        ENCODER_LOG << "Could not find encoder.";
        return false;
    }
    encoderContext = avcodec_alloc_context3(encoder);
    if (!encoderContext) {
        ENCODER_LOG << "Could not alloc context.";
        return false;
    }
    if (width <= 0 || height <= 0) {
        ENCODER_LOG << "Could not open encodec.";
        return false;
    }
    encoderContext->width = width;
    encoderContext->height = height;
    encoderContext->pix_fmt = kPixelFormat;
    encoderContext->time_base = AVRational{1, fps};
    encoderContext->framerate = AVRational{fps, 1};
    encoderContext->codec_type = AVMEDIA_TYPE_VIDEO;
    encoderContext->bit_rate = kBitRate;
    encoderContext->codec_id = AV_CODEC_ID_MPEG4;
    if (outputContext->oformat->flags & AVFMT_GLOBALHEADER)
        encoderContext->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "tune", "zerolatency", 0);
    const int opened = avcodec_open2(encoderContext, encoder, &options);
    av_dict_free(&options);
    if (opened < 0) {
        ENCODER_LOG << "Could not open encodec.";
        return false;
    }
    outStream = avformat_new_stream(outputContext, nullptr);
    if (!outStream) {
        ENCODER_LOG << "Cannot open video encoder for stream.";
        return false;
    }
    outStream->time_base = encoderContext->time_base;
    streamIndex = outStream->index;
    if (avcodec_parameters_from_context(outStream->codecpar, encoderContext) < 0) {
        ENCODER_LOG << "Failed to copy encoder parameters to output stream.";
        return false;
    }
    return true;
}

bool ScreenEncoder::writeHeader()
{
    // A fragment per key frame behind an empty index: a file cut short still plays up to its
    // last whole fragment. Each packet leaves the process as soon as it is written.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    outputContext->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    const int written = avformat_write_header(outputContext, &options);
    av_dict_free(&options);
    if (written < 0) {
        ENCODER_LOG << "Could not write header.";
        return false;
    }
    return true;
}

bool ScreenEncoder::initScale(int srcPixelFormat, int srcWidth, int srcHeight)
{
    av_freep(&frameBuffer);
    const int size = av_image_get_buffer_size(kPixelFormat, width, height, 1);
    if (size <= 0)
        return false;
    frameBuffer = static_cast<unsigned char*>(av_malloc(size_t(size)));
    if (!frameBuffer)
        return false;
    av_image_fill_arrays(frame->data, frame->linesize, frameBuffer, kPixelFormat, width, height, 1);
    sws_freeContext(scaler);
    scaler = sws_getContext(srcWidth, srcHeight, AVPixelFormat(srcPixelFormat), width, height, kPixelFormat,
                            SWS_BICUBIC, nullptr, nullptr, nullptr);
    sourceHeight = srcHeight;
    return scaler != nullptr;
}

bool ScreenEncoder::encodeFrame(const AVFrame* source)
{
    if (!scaler || failedWrite || finished)
        return false;
    sws_scale(scaler, source->data, source->linesize, 0, sourceHeight, frame->data, frame->linesize);
    frame->format = kPixelFormat;
    frame->width = width;
    frame->height = height;
    frame->pts = source->pts;
    if (avcodec_send_frame(encoderContext, frame) < 0) {
        ENCODER_LOG << "encode error.";
        return false;
    }
    return writePendingPackets();
}

bool ScreenEncoder::writePendingPackets()
{
    // Exactly the packets the encoder hands back: none for a frame it still holds.
    for (;;) {
        const int received = avcodec_receive_packet(encoderContext, packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return true;
        if (received < 0) {
            ENCODER_LOG << "encode error.";
            return false;
        }
        packet->stream_index = streamIndex;
        packet->duration = 1; // one frame: the fragment's end needs no guess
        av_packet_rescale_ts(packet, encoderContext->time_base, outStream->time_base);
        const int written = av_interleaved_write_frame(outputContext, packet);
        av_packet_unref(packet);
        if (written < 0) {
            ENCODER_LOG << "encode error." << written;
            failedWrite = true;
            return false;
        }
    }
}

bool ScreenEncoder::finish()
{
    if (finished || !outputContext)
        return false;
    finished = true;
    int result = 0;
    if (!failedWrite && encoderContext && outStream) {
        // Frames still inside the encoder belong to the file too.
        if (avcodec_send_frame(encoderContext, nullptr) >= 0)
            writePendingPackets();
        if (!failedWrite) {
            result = av_write_trailer(outputContext);
            if (result < 0)
                ENCODER_LOG << "encode error." << result;
        }
    }
    if (!(outputContext->oformat->flags & AVFMT_NOFILE) && outputContext->pb) {
        result = avio_closep(&outputContext->pb);
        if (result < 0)
            ENCODER_LOG << "encode error." << result;
    }
    return result == 0 && !failedWrite;
}

void ScreenEncoder::release()
{
    av_freep(&frameBuffer);
    sws_freeContext(scaler);
    scaler = nullptr;
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&encoderContext);
    if (outputContext) {
        if (!(outputContext->oformat->flags & AVFMT_NOFILE) && outputContext->pb)
            avio_closep(&outputContext->pb);
        avformat_free_context(outputContext);
        outputContext = nullptr;
    }
    outStream = nullptr;
}
