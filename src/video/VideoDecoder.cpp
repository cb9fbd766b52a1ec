#include "video/VideoDecoder.h"

#include "link/Language.h"
#include "video/FrameConverter.h"
#include "video/VideoRecorder.h"

#include <QElapsedTimer>
#include <QMutexLocker>

#include <chrono>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

namespace
{

// Deadlines run on the monotonic clock: setting the computer's clock while
// a stream plays must neither cut the connection nor let a stall go unseen.
qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Option {
    const char *name;
    const char *value;
};

// Latency first: small probe, no demuxer buffering, no reordering queue.
// The library of this generation knows the RTSP socket time-out as
// "timeout"; the older name is kept for builds that still read it.
const Option OpenOptions[] = {
    {"rtsp_transport", "tcp"},     {"stimeout", "3000000"},     {"timeout", "3000000"},
    {"rw_timeout", "3000000"},     {"buffer_size", "1024000"},  {"fflags", "nobuffer"},
    {"flags", "low_delay"},        {"max_delay", "500000"},     {"probesize", "32768"},
    {"analyzeduration", "100000"}, {"reorder_queue_size", "0"},
};

} // namespace

VideoDecoder::VideoDecoder(QObject *parent) : QThread(parent)
{
    VideoFrame::registerMetaType();
    VideoStreamInfo::registerMetaType();
}

VideoDecoder::~VideoDecoder()
{
    requestStop();
    wait();
    avcodec_parameters_free(&m_parameters);
}

void VideoDecoder::setUrl(const QString &url)
{
    m_url = url;
}

void VideoDecoder::requestStop()
{
    m_stopRequested.store(true);
    m_running.store(0);
}

void VideoDecoder::attachRecorder(VideoRecorder *recorder)
{
    QMutexLocker lock(&m_recorderLock);
    m_recorder = recorder;
    if (m_recorder && m_parametersKnown)
        m_recorder->setStreamParameters(m_parameters, m_timeBaseNum, m_timeBaseDen);
}

void VideoDecoder::detachRecorder()
{
    QMutexLocker lock(&m_recorderLock);
    m_recorder = nullptr;
}

int VideoDecoder::interrupted(void *opaque)
{
    const auto *context = static_cast<const Interrupt *>(opaque);
    if (!context || !context->running || !context->running->load())
        return 1;
    const qint64 deadline = context->deadline ? context->deadline->load() : 0;
    return deadline >= 1 && nowMs() >= deadline ? 1 : 0;
}

void VideoDecoder::armDeadline(int ms)
{
    m_deadline.store(nowMs() + ms);
}

void VideoDecoder::report(const QString &english, const QString &chinese, const QString &detail)
{
    BilingualText text{english, chinese};
    if (!detail.isNull())
        text = BilingualText{english.arg(detail), chinese.arg(detail)};
    {
        QMutexLocker lock(&m_errorLock);
        m_lastError = text;
    }
    emit errorOccurred(text.text());
}

BilingualText VideoDecoder::lastError() const
{
    QMutexLocker lock(&m_errorLock);
    return m_lastError;
}

void VideoDecoder::run()
{
    // Raised here, then checked against a stop that may have come before
    // the body started (both are sequentially consistent, so one of the two
    // sides always sees the other).
    m_running.store(1);
    if (m_stopRequested.load()) {
        m_running.store(0);
        return;
    }
    m_deadline.store(0);

    Interrupt interrupt{&m_running, &m_deadline};
    AVFormatContext *format = avformat_alloc_context();
    if (!format) {
        report(QStringLiteral("Failed to allocate video decoder memory"),
               QStringLiteral("视频解码器内存分配失败"));
        return;
    }
    format->interrupt_callback.callback = &VideoDecoder::interrupted;
    format->interrupt_callback.opaque = &interrupt;

    AVDictionary *options = nullptr;
    for (const Option &o : OpenOptions)
        av_dict_set(&options, o.name, o.value, 0);
    if (m_customInput) {
        format->pb = m_customInput;
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
        // Bytes from elsewhere may name other files or addresses (playlists,
        // concatenation lists): nothing nested is opened.
        av_dict_set(&options, "protocol_whitelist", "none", 0);
    }

    armDeadline(m_timing.openMs);
    const QByteArray address = m_url.toUtf8();
    int rc = avformat_open_input(&format, address.constData(), nullptr, &options);
    av_dict_free(&options);
    if (rc < 0) {
        // A failed open frees the context.
        char text[128] = {0};
        av_strerror(rc, text, sizeof text);
        report(QStringLiteral("Cannot open RTSP stream: %1"),
               QStringLiteral("无法打开 RTSP 流: %1"), QString::fromUtf8(text));
        return;
    }

    AVCodecContext *codec = nullptr;
    AVFrame *picture = nullptr;
    AVPacket *packet = nullptr;
    FrameConverter converter;
    auto cleanUp = [&] {
        {
            QMutexLocker lock(&m_recorderLock);
            m_recorder = nullptr;
        }
        av_frame_free(&picture);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    };

    armDeadline(m_timing.openMs);
    if (avformat_find_stream_info(format, nullptr) < 0) {
        cleanUp();
        report(QStringLiteral("Cannot get video stream info"),
               QStringLiteral("无法获取视频流信息"));
        return;
    }
    int index = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            index = int(i);
            break;
        }
    }
    if (index < 0) {
        cleanUp();
        report(QStringLiteral("No video stream found"), QStringLiteral("未找到视频流"));
        return;
    }
    AVStream *stream = format->streams[index];
    const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) {
        cleanUp();
        report(QStringLiteral("Video decoder not found"), QStringLiteral("未找到视频解码器"));
        return;
    }
    codec = avcodec_alloc_context3(decoder);
    if (!codec) {
        cleanUp();
        report(QStringLiteral("Failed to allocate video decoder memory"),
               QStringLiteral("视频解码器内存分配失败"));
        return;
    }
    if (avcodec_parameters_to_context(codec, stream->codecpar) < 0) {
        cleanUp();
        report(QStringLiteral("Cannot open video decoder"), QStringLiteral("无法打开视频解码器"));
        return;
    }
    codec->flags |= AV_CODEC_FLAG_LOW_DELAY;
    codec->thread_count = 1;
    codec->err_recognition |= AV_EF_IGNORE_ERR;
    if (m_limits.maxPixels > 0)
        codec->max_pixels = m_limits.maxPixels;
    if (avcodec_open2(codec, decoder, nullptr) < 0) {
        cleanUp();
        report(QStringLiteral("Cannot open video decoder"), QStringLiteral("无法打开视频解码器"));
        return;
    }
    // The converter keeps its own target picture.
    picture = av_frame_alloc();
    packet = av_packet_alloc();
    if (!picture || !packet) {
        cleanUp();
        report(QStringLiteral("Failed to allocate video frame memory"),
               QStringLiteral("视频帧内存分配失败"));
        return;
    }

    {
        QMutexLocker lock(&m_recorderLock);
        if (!m_parameters)
            m_parameters = avcodec_parameters_alloc();
        if (m_parameters && avcodec_parameters_copy(m_parameters, stream->codecpar) >= 0) {
            m_timeBaseNum = stream->time_base.num < 1 ? 1 : stream->time_base.num;
            m_timeBaseDen = stream->time_base.den < 1 ? 90000 : stream->time_base.den;
            m_parametersKnown = true;
            if (m_recorder)
                m_recorder->setStreamParameters(m_parameters, m_timeBaseNum, m_timeBaseDen);
        }
    }

    VideoStreamInfo info;
    info.width = codec->width;
    info.height = codec->height;
    info.codecName = VideoStreamInfo::displayCodecName(decoder->name);
    info.bitrate = stream->codecpar->bit_rate >= 1 ? stream->codecpar->bit_rate
                                                   : (codec->bit_rate >= 0 ? codec->bit_rate : 0);
    emit streamInfoUpdated(info);

    QElapsedTimer window;
    window.start();
    qint64 bytes = 0;
    int delivered = 0;
    armDeadline(m_timing.pictureMs);

    while (m_running.load()) {
        if (av_read_frame(format, packet) < 0)
            break;
        if (packet->stream_index != index) {
            av_packet_unref(packet);
            continue;
        }
        {
            QMutexLocker lock(&m_recorderLock);
            if (m_recorder && packet->data && packet->size >= 1)
                m_recorder->enqueuePacket(RecordedPacket::copyOf(*packet));
        }
        bytes += packet->size;
        if (window.elapsed() > 999) {
            const qint64 elapsed = qMax<qint64>(1, window.elapsed());
            info.bitrate = bytes * 8000 / elapsed;
            emit streamInfoUpdated(info);
            window.restart();
            bytes = 0;
        }
        const int sent = avcodec_send_packet(codec, packet);
        av_packet_unref(packet);
        if (sent < 0)
            continue;
        while (m_running.load()) {
            if (avcodec_receive_frame(codec, picture) < 0)
                break;
            VideoFrame frame;
            const bool accepted = converter.convert(picture, frame);
            av_frame_unref(picture);
            if (!accepted)
                continue;
            if (frame.width != info.width || frame.height != info.height) {
                info.width = frame.width;
                info.height = frame.height;
                emit streamInfoUpdated(info);
            }
            emit frameReady(frame);
            armDeadline(m_timing.pictureMs);
            if (m_limits.maxPictures > 0 && ++delivered >= m_limits.maxPictures)
                m_running.store(0);
        }
    }

    const bool lost = m_running.load() && !m_stopRequested.load();
    cleanUp();
    if (lost)
        report(QStringLiteral("Video stream interrupted, reconnecting"),
               QStringLiteral("视频流中断，准备重连"));
}
