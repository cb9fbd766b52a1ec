#include "camsim/VideoFileReader.h"

#include "camsim/PlaybackPacketizer.h"

#include <QFile>
#include <QVector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace
{

bool isParameterSet(bool h265, const QByteArray &nal)
{
    if (nal.isEmpty())
        return false;
    const int header = quint8(nal.at(0));
    if (h265) {
        const int type = (header >> 1) & 0x3F;
        return type >= 32 && type <= 34; // VPS, SPS, PPS
    }
    const int type = header & 0x1F;
    return type == 7 || type == 8; // SPS, PPS
}

const QByteArray StartCode("\x00\x00\x00\x01", 4);

} // namespace

struct VideoFileReader::State {
    AVFormatContext *format = nullptr;
    AVBSFContext *bsf = nullptr;
    AVPacket *packet = nullptr;
    int stream = -1;
    bool h265 = false;
    qint64 durationMs = 0;
    AVRational timeBase{1, 1000};
    qint64 startPts = 0;
    bool ended = false;
    // Parameter sets last seen, put in front of a key frame that lacks them.
    QByteArray parameterSets;

    ~State()
    {
        av_packet_free(&packet);
        av_bsf_free(&bsf);
        if (format)
            avformat_close_input(&format);
    }
};

VideoFileReader::VideoFileReader() = default;
VideoFileReader::~VideoFileReader() = default;

void VideoFileReader::close()
{
    d.reset();
}

bool VideoFileReader::isOpen() const
{
    return d != nullptr;
}

bool VideoFileReader::isH265() const
{
    return d && d->h265;
}

qint64 VideoFileReader::durationMs() const
{
    return d ? d->durationMs : 0;
}

bool VideoFileReader::open(const QString &file, QString *error)
{
    close();
    auto s = std::make_unique<State>();
    const QByteArray path = QFile::encodeName(file);
    if (avformat_open_input(&s->format, path.constData(), nullptr, nullptr) < 0) {
        s->format = nullptr;
        *error = QStringLiteral("cannot open %1").arg(file);
        return false;
    }
    if (avformat_find_stream_info(s->format, nullptr) < 0) {
        *error = QStringLiteral("cannot read %1").arg(file);
        return false;
    }
    s->stream = av_find_best_stream(s->format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (s->stream < 0) {
        *error = QStringLiteral("no video in %1").arg(file);
        return false;
    }
    AVStream *st = s->format->streams[s->stream];
    const AVCodecID id = st->codecpar->codec_id;
    if (id != AV_CODEC_ID_H264 && id != AV_CODEC_ID_HEVC) {
        *error = QStringLiteral("%1 is neither H.264 nor H.265").arg(file);
        return false;
    }
    s->h265 = id == AV_CODEC_ID_HEVC;
    s->timeBase = st->time_base;
    s->startPts = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    if (st->duration > 0)
        s->durationMs = av_rescale_q(st->duration, st->time_base, AVRational{1, 1000});
    else if (s->format->duration > 0)
        s->durationMs = s->format->duration / 1000;

    const AVBitStreamFilter *filter =
        av_bsf_get_by_name(s->h265 ? "hevc_mp4toannexb" : "h264_mp4toannexb");
    if (!filter || av_bsf_alloc(filter, &s->bsf) < 0 ||
        avcodec_parameters_copy(s->bsf->par_in, st->codecpar) < 0) {
        *error = QStringLiteral("no Annex B conversion for %1").arg(file);
        return false;
    }
    s->bsf->time_base_in = st->time_base;
    s->packet = av_packet_alloc();
    if (av_bsf_init(s->bsf) < 0 || !s->packet) {
        *error = QStringLiteral("no Annex B conversion for %1").arg(file);
        return false;
    }
    d = std::move(s);
    // Learn the parameter sets from the first key frame, so that a stream
    // started anywhere can carry them.
    AccessUnit first;
    read(&first);
    seek(0);
    return true;
}

bool VideoFileReader::seek(qint64 ms)
{
    if (!d)
        return false;
    const qint64 ts =
        d->startPts + av_rescale_q(qMax<qint64>(0, ms), AVRational{1, 1000}, d->timeBase);
    const int rc = av_seek_frame(d->format, d->stream, ts, AVSEEK_FLAG_BACKWARD);
    av_bsf_flush(d->bsf);
    d->ended = false;
    return rc >= 0;
}

bool VideoFileReader::read(AccessUnit *out)
{
    if (!d)
        return false;
    for (;;) {
        int rc = av_bsf_receive_packet(d->bsf, d->packet);
        if (rc == 0) {
            const qint64 pts = d->packet->pts != AV_NOPTS_VALUE ? d->packet->pts : d->packet->dts;
            out->ptsMs = pts == AV_NOPTS_VALUE
                             ? 0
                             : av_rescale_q(pts - d->startPts, d->timeBase, AVRational{1, 1000});
            out->key = (d->packet->flags & AV_PKT_FLAG_KEY) != 0;
            out->annexB =
                QByteArray(reinterpret_cast<const char *>(d->packet->data), d->packet->size);
            av_packet_unref(d->packet);
            QByteArray sets;
            for (const QByteArray &nal : PlaybackPacketizer::splitNalUnits(out->annexB))
                if (isParameterSet(d->h265, nal))
                    sets += StartCode + nal;
            if (!sets.isEmpty())
                d->parameterSets = sets;
            else if (out->key)
                out->annexB.prepend(d->parameterSets);
            return true;
        }
        if (rc != AVERROR(EAGAIN))
            return false;
        if (d->ended)
            return false;
        rc = av_read_frame(d->format, d->packet);
        if (rc < 0) {
            d->ended = true;
            av_bsf_send_packet(d->bsf, nullptr); // let the filter hand over what it holds
            continue;
        }
        if (d->packet->stream_index != d->stream) {
            av_packet_unref(d->packet);
            continue;
        }
        rc = av_bsf_send_packet(d->bsf, d->packet);
        av_packet_unref(d->packet);
        if (rc < 0)
            return false;
    }
}

qint64 VideoFileReader::probeDurationMs(const QString &file)
{
    VideoFileReader reader;
    QString error;
    if (!reader.open(file, &error))
        return -1;
    return reader.durationMs();
}

QImage VideoFileReader::firstPicture(const QString &file)
{
    VideoFileReader reader;
    QString error;
    if (!reader.open(file, &error))
        return {};
    const AVCodec *codec =
        avcodec_find_decoder(reader.isH265() ? AV_CODEC_ID_HEVC : AV_CODEC_ID_H264);
    AVCodecContext *ctx = codec ? avcodec_alloc_context3(codec) : nullptr;
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    QImage image;
    if (ctx && packet && frame && avcodec_open2(ctx, codec, nullptr) >= 0) {
        AccessUnit unit;
        bool got = false;
        for (int i = 0; i < 30 && !got && reader.read(&unit); ++i) {
            if (av_new_packet(packet, int(unit.annexB.size())) < 0)
                break;
            memcpy(packet->data, unit.annexB.constData(), size_t(unit.annexB.size()));
            if (avcodec_send_packet(ctx, packet) >= 0)
                got = avcodec_receive_frame(ctx, frame) >= 0;
            av_packet_unref(packet);
        }
        if (!got && avcodec_send_packet(ctx, nullptr) >= 0)
            got = avcodec_receive_frame(ctx, frame) >= 0;
        if (got && frame->width > 0 && frame->height > 0) {
            SwsContext *sws = sws_getContext(
                frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
            if (sws) {
                image = QImage(frame->width, frame->height, QImage::Format_RGB32);
                uint8_t *dst[1] = {image.bits()};
                const int stride[1] = {int(image.bytesPerLine())};
                sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, stride);
                sws_freeContext(sws);
            }
        }
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&ctx);
    return image;
}
