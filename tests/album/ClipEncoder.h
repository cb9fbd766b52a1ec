#pragma once

// Makes a short H.264 or H.265 clip in Annex B form with the same libraries
// the program decodes with, and cuts it into datagrams the way a camera
// streams it: each NAL unit starts a datagram, and units longer than 1400
// bytes continue in full-sized datagrams without a start code.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <QByteArray>
#include <QVector>

namespace album_test
{

inline QByteArray encodeClip(const char *encoderName, int frames = 12, int width = 96,
                             int height = 64)
{
    av_log_set_level(AV_LOG_QUIET);
    const AVCodec *codec = avcodec_find_encoder_by_name(encoderName);
    if (!codec)
        return QByteArray();
    AVCodecContext *ctx = avcodec_alloc_context3(codec);
    ctx->width = width;
    ctx->height = height;
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->time_base = AVRational{1, 25};
    ctx->framerate = AVRational{25, 1};
    ctx->gop_size = frames;
    ctx->max_b_frames = 0;
    av_opt_set(ctx->priv_data, "preset", "ultrafast", 0);
    av_opt_set(ctx->priv_data, "tune", "zerolatency", 0);
    av_opt_set(ctx->priv_data, "x265-params", "log-level=none", 0);
    QByteArray out;
    if (avcodec_open2(ctx, codec, nullptr) < 0) {
        avcodec_free_context(&ctx);
        return out;
    }
    AVFrame *frame = av_frame_alloc();
    frame->format = ctx->pix_fmt;
    frame->width = width;
    frame->height = height;
    av_frame_get_buffer(frame, 32);
    AVPacket *packet = av_packet_alloc();
    auto drain = [&] {
        while (avcodec_receive_packet(ctx, packet) >= 0) {
            out.append(reinterpret_cast<const char *>(packet->data), packet->size);
            av_packet_unref(packet);
        }
    };
    for (int i = 0; i < frames; ++i) {
        av_frame_make_writable(frame);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                frame->data[0][y * frame->linesize[0] + x] = uint8_t(x * 2 + y + i * 5);
        for (int p = 1; p < 3; ++p)
            for (int y = 0; y < height / 2; ++y)
                for (int x = 0; x < width / 2; ++x)
                    frame->data[p][y * frame->linesize[p] + x] = uint8_t(128 + p * 10);
        frame->pts = i;
        if (avcodec_send_frame(ctx, frame) >= 0)
            drain();
    }
    avcodec_send_frame(ctx, nullptr);
    drain();
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return out;
}

inline QVector<QByteArray> datagramsOf(const QByteArray &stream, int size = 1400)
{
    QVector<int> starts;
    for (int i = 0; i + 3 <= stream.size(); ++i) {
        if (stream.at(i) == 0 && stream.at(i + 1) == 0 && stream.at(i + 2) == 1) {
            starts.append(i > 0 && stream.at(i - 1) == 0 ? i - 1 : i);
            i += 2;
        }
    }
    starts.append(stream.size());
    QVector<QByteArray> out;
    for (int n = 0; n + 1 < starts.size(); ++n)
        for (int at = starts[n]; at < starts[n + 1]; at += size)
            out.append(stream.mid(at, qMin(size, starts[n + 1] - at)));
    return out;
}

} // namespace album_test
