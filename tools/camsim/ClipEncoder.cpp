#include "camsim/ClipEncoder.h"

#include <QFile>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace
{

const char *encoderName(bool h265)
{
    return h265 ? "libx265" : "libx264";
}

QString avText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// Everything one encode allocates, freed in one place whatever step fails.
struct Job {
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;
    SwsContext *sws = nullptr;
    bool fileOpen = false;

    ~Job()
    {
        sws_freeContext(sws);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (format) {
            if (fileOpen)
                avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

// Moves every packet the encoder has ready into the file.
int drain(Job &job, AVStream *stream)
{
    for (;;) {
        int rc = avcodec_receive_packet(job.codec, job.packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return 0;
        if (rc < 0)
            return rc;
        av_packet_rescale_ts(job.packet, job.codec->time_base, stream->time_base);
        job.packet->stream_index = stream->index;
        rc = av_interleaved_write_frame(job.format, job.packet);
        if (rc < 0)
            return rc;
    }
}

} // namespace

bool ClipEncoder::available(bool h265)
{
    return avcodec_find_encoder_by_name(encoderName(h265)) != nullptr;
}

bool ClipEncoder::encode(const QString &file, const Settings &s,
                         const std::function<QImage(int)> &draw, QString *error)
{
    const auto fail = [error](const QString &what, int rc = 0) {
        *error = rc ? QStringLiteral("%1: %2").arg(what, avText(rc)) : what;
        return false;
    };
    const AVCodec *codec = avcodec_find_encoder_by_name(encoderName(s.h265));
    if (!codec)
        return fail(QStringLiteral("no %1 encoder").arg(QLatin1String(encoderName(s.h265))));
    if (s.size.width() < 16 || s.size.height() < 16 || s.fps < 1 || s.frameCount < 1)
        return fail(QStringLiteral("bad clip settings"));

    Job job;
    const QByteArray path = QFile::encodeName(file);
    int rc = avformat_alloc_output_context2(&job.format, nullptr, "mp4", path.constData());
    if (rc < 0 || !job.format)
        return fail(QStringLiteral("cannot set up MP4 output"), rc);
    AVStream *stream = avformat_new_stream(job.format, nullptr);
    job.codec = avcodec_alloc_context3(codec);
    if (!stream || !job.codec)
        return fail(QStringLiteral("out of memory"));

    job.codec->width = s.size.width() & ~1;
    job.codec->height = s.size.height() & ~1;
    job.codec->pix_fmt = AV_PIX_FMT_YUV420P;
    job.codec->time_base = AVRational{1, s.fps};
    job.codec->framerate = AVRational{s.fps, 1};
    job.codec->gop_size = s.fps;
    job.codec->max_b_frames = 0;
    job.codec->bit_rate = qint64(s.bitrateKbps) * 1000;
    job.codec->thread_count = 1;
    if (job.format->oformat->flags & AVFMT_GLOBALHEADER)
        job.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(job.codec->priv_data, "preset", "ultrafast", 0);
    if (s.h265) {
        av_opt_set(job.codec->priv_data, "x265-params",
                   "log-level=none:bframes=0:keyint=25:min-keyint=25:scenecut=0:pools=1:"
                   "frame-threads=1",
                   0);
        // Players recognise H.265 in MP4 by this tag.
        job.codec->codec_tag = MKTAG('h', 'v', 'c', '1');
    } else {
        av_opt_set(job.codec->priv_data, "x264-params", "log=-1:scenecut=0", 0);
    }
    rc = avcodec_open2(job.codec, codec, nullptr);
    if (rc < 0)
        return fail(
            QStringLiteral("cannot open the %1 encoder").arg(QLatin1String(encoderName(s.h265))),
            rc);
    rc = avcodec_parameters_from_context(stream->codecpar, job.codec);
    if (rc < 0)
        return fail(QStringLiteral("cannot describe the stream"), rc);
    stream->time_base = job.codec->time_base;
    if (s.h265)
        stream->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1');

    rc = avio_open(&job.format->pb, path.constData(), AVIO_FLAG_WRITE);
    if (rc < 0)
        return fail(QStringLiteral("cannot create %1").arg(file), rc);
    job.fileOpen = true;
    rc = avformat_write_header(job.format, nullptr);
    if (rc < 0)
        return fail(QStringLiteral("cannot write the MP4 header"), rc);

    job.frame = av_frame_alloc();
    job.packet = av_packet_alloc();
    if (!job.frame || !job.packet)
        return fail(QStringLiteral("out of memory"));
    job.frame->format = AV_PIX_FMT_YUV420P;
    job.frame->width = job.codec->width;
    job.frame->height = job.codec->height;
    rc = av_frame_get_buffer(job.frame, 0);
    if (rc < 0)
        return fail(QStringLiteral("out of memory"), rc);

    for (int i = 0; i < s.frameCount; ++i) {
        const QImage picture =
            draw(i)
                .convertToFormat(QImage::Format_RGB32)
                .scaled(job.codec->width, job.codec->height, Qt::IgnoreAspectRatio);
        job.sws = sws_getCachedContext(job.sws, picture.width(), picture.height(), AV_PIX_FMT_BGRA,
                                       job.codec->width, job.codec->height, AV_PIX_FMT_YUV420P,
                                       SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!job.sws)
            return fail(QStringLiteral("cannot convert pictures"));
        rc = av_frame_make_writable(job.frame);
        if (rc < 0)
            return fail(QStringLiteral("out of memory"), rc);
        const uint8_t *src[1] = {picture.constBits()};
        const int stride[1] = {int(picture.bytesPerLine())};
        sws_scale(job.sws, src, stride, 0, picture.height(), job.frame->data, job.frame->linesize);
        job.frame->pts = i;
        rc = avcodec_send_frame(job.codec, job.frame);
        if (rc < 0)
            return fail(QStringLiteral("encoding failed"), rc);
        rc = drain(job, stream);
        if (rc < 0)
            return fail(QStringLiteral("writing failed"), rc);
    }
    rc = avcodec_send_frame(job.codec, nullptr);
    if (rc >= 0)
        rc = drain(job, stream);
    if (rc < 0)
        return fail(QStringLiteral("encoding failed"), rc);
    rc = av_write_trailer(job.format);
    if (rc < 0)
        return fail(QStringLiteral("cannot finish the MP4 file"), rc);
    return true;
}
