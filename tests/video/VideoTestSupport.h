#pragma once

// Pictures and media files for the video tests, made with the same libraries
// the program decodes with.

#include "video/VideoFrame.h"

#include <QHash>
#include <QString>
#include <QTemporaryDir>

#include <functional>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
}

namespace video_test
{

struct Yuv {
    int y, u, v;
};

// A width x height picture whose planes are filled by `at(col, row)` for
// luma positions; chroma takes the value at the top-left luma of its block.
inline VideoFrame makeFrame(int width, int height, const std::function<Yuv(int col, int row)> &at)
{
    VideoFrame f;
    f.width = width;
    f.height = height;
    const int cw = VideoFrame::chromaWidth(width);
    const int ch = VideoFrame::chromaHeight(height);
    f.yPlane.resize(width * height);
    f.uPlane.resize(cw * ch);
    f.vPlane.resize(cw * ch);
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            f.yPlane[row * width + col] = char(at(col, row).y);
    for (int row = 0; row < ch; ++row)
        for (int col = 0; col < cw; ++col) {
            const Yuv c = at(col * 2, row * 2);
            f.uPlane[row * cw + col] = char(c.u);
            f.vPlane[row * cw + col] = char(c.v);
        }
    return f;
}

// Four solid quadrants: red-ish top left, green-ish top right, blue-ish
// bottom left, grey bottom right (so orientation and colours both show).
inline Yuv quadrantColour(int quadrant)
{
    static const Yuv colours[4] = {{81, 90, 240}, {145, 54, 34}, {41, 240, 110}, {180, 128, 128}};
    return colours[quadrant & 3];
}

inline VideoFrame quadrantFrame(int width = 64, int height = 32)
{
    return makeFrame(width, height, [width, height](int col, int row) {
        return quadrantColour((row >= height / 2 ? 2 : 0) + (col >= width / 2 ? 1 : 0));
    });
}

struct ClipShape {
    int width = 320;
    int height = 240;
    int frames = 30;
    int fps = 30;
    const char *encoder = "libx264";                // or "libx265", "mpeg4", "mjpeg", "ffv1"...
    AVPixelFormat pixelFormat = AV_PIX_FMT_YUV420P; // planar formats only
    int gop = 10;
    int bitrate = 0;                  // 0: the encoder's default
    const char *preset = "ultrafast"; // for the x264 and x265 encoders
};

inline QString avText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// Encodes a moving texture with some detail (every picture differs, and a
// decoder has real work) into `path`, the container chosen by its suffix.
// Empty on success, otherwise what failed.
inline QString writeTestFile(const QString &path, const ClipShape &clip)
{
    const AVCodec *codec = avcodec_find_encoder_by_name(clip.encoder);
    if (!codec)
        return QStringLiteral("no encoder %1").arg(QString::fromLatin1(clip.encoder));
    AVFormatContext *out = nullptr;
    const QByteArray file = path.toUtf8();
    int rc = avformat_alloc_output_context2(&out, nullptr, nullptr, file.constData());
    if (rc < 0 || !out)
        return QStringLiteral("output: ") + avText(rc);
    AVCodecContext *enc = avcodec_alloc_context3(codec);
    enc->width = clip.width;
    enc->height = clip.height;
    enc->pix_fmt = clip.pixelFormat;
    enc->time_base = AVRational{1, clip.fps};
    enc->framerate = AVRational{clip.fps, 1};
    enc->gop_size = clip.gop;
    enc->max_b_frames = 0;
    enc->thread_count = 1;
    if (clip.bitrate > 0)
        enc->bit_rate = clip.bitrate;
    if (out->oformat->flags & AVFMT_GLOBALHEADER)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary *options = nullptr; // options an encoder does not know stay unused
    av_dict_set(&options, "preset", clip.preset, 0);
    av_dict_set(&options, "tune", "zerolatency", 0);
    av_dict_set(&options, "x265-params", "log-level=none", 0);
    AVStream *stream = nullptr;
    AVFrame *frame = av_frame_alloc();
    AVPacket *packet = av_packet_alloc();
    auto drain = [&](bool flushing) {
        if (avcodec_send_frame(enc, flushing ? nullptr : frame) < 0 && !flushing)
            return false;
        while (avcodec_receive_packet(enc, packet) >= 0) {
            av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
            packet->stream_index = 0;
            if (av_interleaved_write_frame(out, packet) < 0)
                return false;
        }
        return true;
    };
    const bool ownFile = !(out->oformat->flags & AVFMT_NOFILE);
    auto encode = [&]() -> QString {
        if ((rc = avcodec_open2(enc, codec, &options)) < 0)
            return QStringLiteral("encoder: ") + avText(rc);
        if (!(stream = avformat_new_stream(out, nullptr)))
            return QStringLiteral("no stream");
        avcodec_parameters_from_context(stream->codecpar, enc);
        stream->time_base = enc->time_base;
        if (ownFile && (rc = avio_open(&out->pb, file.constData(), AVIO_FLAG_WRITE)) < 0)
            return QStringLiteral("open: ") + avText(rc);
        if ((rc = avformat_write_header(out, nullptr)) < 0)
            return QStringLiteral("header: ") + avText(rc);
        frame->format = clip.pixelFormat;
        frame->width = clip.width;
        frame->height = clip.height;
        av_frame_get_buffer(frame, 0);
        const AVPixFmtDescriptor *d = av_pix_fmt_desc_get(clip.pixelFormat);
        for (int i = 0; i < clip.frames; ++i) {
            av_frame_make_writable(frame);
            for (int p = 0; p < 3 && frame->data[p]; ++p) {
                const int w = p ? AV_CEIL_RSHIFT(clip.width, d->log2_chroma_w) : clip.width;
                const int h = p ? AV_CEIL_RSHIFT(clip.height, d->log2_chroma_h) : clip.height;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        frame->data[p][y * frame->linesize[p] + x] =
                            uint8_t(p ? 128 + ((x / 8 + y / 8 + i) & 31)
                                      : ((x * x / 64 + y * 3 + i * 7) ^ (x / 16 * y / 16)));
            }
            frame->pts = i;
            if (!drain(false))
                return QStringLiteral("encode failed");
        }
        const bool flushed = drain(true);
        av_write_trailer(out);
        return flushed ? QString() : QStringLiteral("flush failed");
    };
    const QString error = encode();
    if (ownFile)
        avio_closep(&out->pb);
    av_dict_free(&options);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&enc);
    avformat_free_context(out);
    return error;
}

// The media files the tests play, made once per process on first use. An
// empty path means the file could not be made (the error is in `error`).
inline QString fixture(const QString &name, QString *error = nullptr)
{
    static QTemporaryDir folder;
    static QHash<QString, QString> made;
    av_log_set_level(AV_LOG_ERROR);
    if (made.contains(name))
        return made.value(name);
    static const QHash<QString, ClipShape> shapes = {
        {QStringLiteral("odd.mkv"), {1281, 721, 3, 30, "ffv1", AV_PIX_FMT_YUV420P, 1}},
        {QStringLiteral("yuv444.mkv"), {320, 240, 3, 30, "ffv1", AV_PIX_FMT_YUV444P, 1}},
        {QStringLiteral("clip.mp4"), {320, 240, 30, 30, "libx264", AV_PIX_FMT_YUV420P, 10}},
        {QStringLiteral("longgop.mp4"), {320, 240, 90, 30, "libx264", AV_PIX_FMT_YUV420P, 90}},
        {QStringLiteral("loop.h264"), {320, 240, 30, 30, "libx264", AV_PIX_FMT_YUV420P, 10}},
        {QStringLiteral("huge.h264"), {8192, 4320, 1, 30, "libx264", AV_PIX_FMT_YUV420P, 1}},
        {QStringLiteral("mpeg4.avi"), {176, 144, 3, 30, "mpeg4", AV_PIX_FMT_YUV420P, 1}},
    };
    const QString path = folder.filePath(name);
    const QString failure = writeTestFile(path, shapes.value(name));
    if (!failure.isEmpty()) {
        if (error)
            *error = failure;
        return QString();
    }
    made.insert(name, path);
    return path;
}

} // namespace video_test
