// Feeds arbitrary bytes to the live decoder as a media file: its open, probe,
// read and picture-acceptance path, reading from memory through a custom I/O
// context (no network, nothing nested is opened). Work per input stays
// bounded: the decoder's own small probe, at most a few pictures, each no
// larger than 1920 x 1080, and short deadlines.
//
// The media libraries are not instrumented, so coverage alone would rarely
// lead past their probing. The first input byte therefore picks either the
// bytes as they are or one of a few small valid files (H.264, MPEG-4 Part 2,
// MJPEG, FFV1 in their usual containers, made at start-up) that the rest of
// the input then overwrites from an offset it names: damaged real media.

#include "video/VideoDecoder.h"

#include <QCoreApplication>
#include <QSettings>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

struct Memory {
    const uint8_t *data;
    size_t size;
    size_t position;
};

int readPacket(void *opaque, uint8_t *buffer, int wanted)
{
    auto *memory = static_cast<Memory *>(opaque);
    const size_t left = memory->size - memory->position;
    if (left == 0)
        return AVERROR_EOF;
    const size_t n = std::min(left, size_t(wanted));
    std::memcpy(buffer, memory->data + memory->position, n);
    memory->position += n;
    return int(n);
}

int64_t seek(void *opaque, int64_t offset, int whence)
{
    auto *memory = static_cast<Memory *>(opaque);
    if (whence & AVSEEK_SIZE)
        return int64_t(memory->size);
    int64_t target = -1;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR:
        target = int64_t(memory->position) + offset;
        break;
    case SEEK_END:
        target = int64_t(memory->size) + offset;
        break;
    default:
        return -1;
    }
    if (target < 0 || target > int64_t(memory->size))
        return -1;
    memory->position = size_t(target);
    return target;
}

// A two-picture 64 x 48 clip encoded with `encoder` into `format`, in memory.
std::vector<uint8_t> makeClip(const char *encoder, const char *format, AVPixelFormat pixels)
{
    std::vector<uint8_t> bytes;
    const AVCodec *codec = avcodec_find_encoder_by_name(encoder);
    AVFormatContext *out = nullptr;
    if (!codec || avformat_alloc_output_context2(&out, nullptr, format, nullptr) < 0)
        return bytes;
    AVCodecContext *enc = avcodec_alloc_context3(codec);
    enc->width = 64;
    enc->height = 48;
    enc->pix_fmt = pixels;
    enc->time_base = AVRational{1, 25};
    enc->gop_size = 2;
    enc->max_b_frames = 0;
    AVStream *stream = nullptr;
    AVFrame *frame = av_frame_alloc();
    AVPacket *packet = av_packet_alloc();
    if (avcodec_open2(enc, codec, nullptr) >= 0 && (stream = avformat_new_stream(out, nullptr)) &&
        avcodec_parameters_from_context(stream->codecpar, enc) >= 0 &&
        avio_open_dyn_buf(&out->pb) >= 0) {
        stream->time_base = enc->time_base;
        if (avformat_write_header(out, nullptr) >= 0) {
            frame->format = pixels;
            frame->width = 64;
            frame->height = 48;
            av_frame_get_buffer(frame, 0);
            for (int i = 0; i <= 2; ++i) {
                if (i < 2) {
                    av_frame_make_writable(frame);
                    for (int p = 0; p < 3 && frame->data[p]; ++p)
                        std::memset(frame->data[p], 40 + 60 * i + 20 * p,
                                    size_t(frame->linesize[p]) * (p ? 24 : 48));
                    frame->pts = i;
                }
                avcodec_send_frame(enc, i < 2 ? frame : nullptr);
                while (avcodec_receive_packet(enc, packet) >= 0) {
                    av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
                    av_interleaved_write_frame(out, packet);
                }
            }
            av_write_trailer(out);
        }
        uint8_t *data = nullptr;
        const int size = avio_close_dyn_buf(out->pb, &data);
        out->pb = nullptr;
        if (data && size > 0)
            bytes.assign(data, data + size);
        av_free(data);
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&enc);
    avformat_free_context(out);
    return bytes;
}

std::vector<std::vector<uint8_t>> &templates()
{
    static std::vector<std::vector<uint8_t>> clips;
    return clips;
}

bool setUp()
{
    static int argc = 1;
    static char name[] = "fuzz_video_open";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Skyrig"));
    QCoreApplication::setApplicationName(QStringLiteral("fuzz_video_open"));
    av_log_set_level(AV_LOG_QUIET);
    struct Kind {
        const char *encoder;
        const char *format;
        AVPixelFormat pixels;
    };
    for (const Kind &k :
         {Kind{"libx264", "h264", AV_PIX_FMT_YUV420P},
          Kind{"libx264", "mpegts", AV_PIX_FMT_YUV444P}, Kind{"mpeg4", "avi", AV_PIX_FMT_YUV420P},
          Kind{"mjpeg", "mjpeg", AV_PIX_FMT_YUVJ422P},
          Kind{"ffv1", "matroska", AV_PIX_FMT_YUV420P}}) {
        std::vector<uint8_t> clip = makeClip(k.encoder, k.format, k.pixels);
        if (!clip.empty())
            templates().push_back(std::move(clip));
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = setUp();
    (void)ready;

    // Byte 0 picks the bytes as given (0) or a template; bytes 1-2 name
    // where in the template the rest of the input is written.
    std::vector<uint8_t> damaged;
    const size_t choice = size > 0 ? data[0] % (templates().size() + 1) : 0;
    if (choice > 0 && size >= 3) {
        damaged = templates()[choice - 1];
        const size_t offset = ((size_t(data[1]) << 8) | data[2]) % damaged.size();
        for (size_t i = 3; i < size; ++i)
            damaged[(offset + i - 3) % damaged.size()] = data[i];
        data = damaged.data();
        size = damaged.size();
    }
    Memory memory{data, size, 0};
    constexpr int BufferSize = 4096;
    auto *buffer = static_cast<unsigned char *>(av_malloc(BufferSize));
    AVIOContext *io = avio_alloc_context(buffer, BufferSize, 0, &memory, readPacket, nullptr, seek);
    if (!io) {
        av_free(buffer);
        return 0;
    }
    {
        VideoDecoder decoder;
        decoder.setCustomInput(io);
        VideoDecoder::Limits limits;
        limits.maxPictures = 4;
        limits.maxPixels = 1920 * 1080;
        decoder.setLimits(limits);
        VideoDecoder::Timing timing;
        timing.openMs = 1000;
        timing.pictureMs = 1000;
        decoder.setTiming(timing);
        decoder.runHere();
    }
    av_freep(&io->buffer);
    avio_context_free(&io);
    return 0;
}
