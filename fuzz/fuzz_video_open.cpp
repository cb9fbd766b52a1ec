// Feeds arbitrary bytes to the live decoder as a media file: its open, probe,
// read and picture-acceptance path, reading from memory through a custom I/O
// context (no network, nothing nested is opened). Work per input stays
// bounded: the decoder's own small probe, at most a few pictures, each no
// larger than 1920 x 1080, and short deadlines.
//
// The media libraries are not instrumented, so coverage alone would rarely
// lead past their probing. The first input byte therefore picks either the
// bytes as they are or one of a few small valid files (H.264, MPEG-4 visual,
// MJPEG, FFV1 in their usual containers, made at start-up with the tests' own
// encoder) that the rest of the input then overwrites from an offset it names:
// damaged real media.

#include "video/VideoDecoder.h"
#include "video/VideoTestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

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
    // Two-picture 64 x 48 clips.
    QTemporaryDir folder;
    struct Kind {
        const char *file;
        const char *encoder;
        AVPixelFormat pixels;
    };
    for (const Kind &k :
         {Kind{"a.h264", "libx264", AV_PIX_FMT_YUV420P},
          Kind{"b.ts", "libx264", AV_PIX_FMT_YUV444P}, Kind{"c.avi", "mpeg4", AV_PIX_FMT_YUV420P},
          Kind{"d.mjpeg", "mjpeg", AV_PIX_FMT_YUVJ422P},
          Kind{"e.mkv", "ffv1", AV_PIX_FMT_YUV420P}}) {
        const QString path = folder.filePath(QString::fromLatin1(k.file));
        QFile clip(path);
        if (video_test::writeTestFile(path, {64, 48, 2, 25, k.encoder, k.pixels, 2}).isEmpty() &&
            clip.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = clip.readAll();
            templates().emplace_back(bytes.begin(), bytes.end());
        }
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
