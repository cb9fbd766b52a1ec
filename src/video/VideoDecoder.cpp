#include "video/VideoDecoder.h"

#include "link/FreedMemory.h"
#include "link/Language.h"
#include "video/FrameConverter.h"
#include "video/TimeStampBlocks.h"
#include "video/VideoRecorder.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QUrl>

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
// "timeout"; the older name is kept for builds that still read it. The
// transport and the receive buffer follow the transport chosen.
const Option OpenOptions[] = {
    {"stimeout", "3000000"}, {"timeout", "3000000"},        {"rw_timeout", "3000000"},
    {"fflags", "nobuffer"},  {"flags", "low_delay"},        {"max_delay", "500000"},
    {"probesize", "32768"},  {"analyzeduration", "100000"}, {"reorder_queue_size", "0"},
};

// A simulator's capture stamp tells the capture moment only when its
// monotonic clock is ours: on this computer. Elsewhere a picture that
// happened to look like a stamp would give a made-up figure.
bool sameComputer(const QString &url)
{
    const QString host = QUrl(url.trimmed()).host();
    return host == QLatin1String("localhost") || host.startsWith(QLatin1String("127.")) ||
           host == QLatin1String("::1");
}

// The oldest stamp still taken for a capture moment.
constexpr qint32 LongestStampAgeMs = 10000;

constexpr int ReturnFreedEverySeconds = 10;

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

struct VideoDecoder::Session {
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    const AVCodec *decoder = nullptr;
    AVStream *stream = nullptr;
    AVFrame *picture = nullptr;
    int index = -1;
    int threads = 1;
    StreamTransport::Choice transport = StreamTransport::Auto;
    FrameConverter converter;
    LiveEdge edge;
    // A file on disk is read as fast as it decodes and has no live edge to
    // fall behind; streams (nothing to seek in) do.
    bool live = true;
    VideoStreamInfo info;
    Interrupt interrupt{nullptr, nullptr};
    int delivered = 0;
};

VideoDecoder::Opened VideoDecoder::openInput(Session &s, StreamTransport::Choice transport,
                                             bool fallbackLeft)
{
    s.format = avformat_alloc_context();
    if (!s.format) {
        report(QStringLiteral("Failed to allocate video decoder memory"),
               QStringLiteral("视频解码器内存分配失败"));
        return Opened::Failed;
    }
    s.format->interrupt_callback.callback = &VideoDecoder::interrupted;
    s.format->interrupt_callback.opaque = &s.interrupt;

    AVDictionary *options = nullptr;
    for (const Option &o : OpenOptions)
        av_dict_set(&options, o.name, o.value, 0);
    const bool udp = transport == StreamTransport::Udp;
    av_dict_set(&options, "rtsp_transport", udp ? "udp" : "tcp", 0);
    av_dict_set_int(&options, "buffer_size", udp ? StreamTransport::UdpBufferBytes : 1024000, 0);
    if (m_customInput) {
        s.format->pb = m_customInput;
        s.format->flags |= AVFMT_FLAG_CUSTOM_IO;
        // Bytes from elsewhere may name other files or addresses (playlists,
        // concatenation lists): nothing nested is opened.
        av_dict_set(&options, "protocol_whitelist", "none", 0);
    }

    armDeadline(m_timing.openMs);
    const QByteArray address = m_url.toUtf8();
    const int rc = avformat_open_input(&s.format, address.constData(), nullptr, &options);
    av_dict_free(&options);
    if (rc < 0) {
        // A failed open frees the context. A camera that refuses UDP
        // answers the set-up with "unsupported transport".
        s.format = nullptr;
        if (fallbackLeft && rc == AVERROR(EPROTONOSUPPORT) && m_running.load())
            return Opened::TryNext;
        char text[128] = {0};
        av_strerror(rc, text, sizeof text);
        report(QStringLiteral("Cannot open RTSP stream: %1"),
               QStringLiteral("无法打开 RTSP 流: %1"), QString::fromUtf8(text));
        return Opened::Failed;
    }

    // Over UDP with TCP still to try, the first pictures must come soon:
    // a firewall that drops the media leaves the reader waiting otherwise.
    const int infoMs =
        fallbackLeft ? std::min(m_timing.openMs, StreamTransport::AutoUdpWaitMs) : m_timing.openMs;
    armDeadline(infoMs);
    bool found = avformat_find_stream_info(s.format, nullptr) >= 0;
    // The low-delay probe is small; a busy camera or machine may not have
    // delivered a whole picture's parameters within it. Look further, still
    // within the deadline, before giving up on the stream.
    if (!found && m_running.load() && nowMs() < m_deadline.load()) {
        s.format->probesize = 8 << 20;
        s.format->max_analyze_duration = 5 * AV_TIME_BASE;
        found = avformat_find_stream_info(s.format, nullptr) >= 0;
    }
    const bool cutShort = nowMs() >= m_deadline.load();
    if (fallbackLeft && (!found || cutShort) && m_running.load()) {
        // Saying goodbye on the RTSP connection gets a moment of its own.
        armDeadline(500);
        avformat_close_input(&s.format);
        return Opened::TryNext;
    }
    if (!found) {
        report(QStringLiteral("Cannot get video stream info"),
               QStringLiteral("无法获取视频流信息"));
        return Opened::Failed;
    }
    s.transport = transport;
    return Opened::Ok;
}

bool VideoDecoder::openCodec(Session &s, int threads)
{
    avcodec_free_context(&s.codec);
    s.codec = avcodec_alloc_context3(s.decoder);
    if (!s.codec) {
        report(QStringLiteral("Failed to allocate video decoder memory"),
               QStringLiteral("视频解码器内存分配失败"));
        return false;
    }
    if (avcodec_parameters_to_context(s.codec, s.stream->codecpar) < 0) {
        report(QStringLiteral("Cannot open video decoder"), QStringLiteral("无法打开视频解码器"));
        return false;
    }
    s.codec->flags |= AV_CODEC_FLAG_LOW_DELAY;
    // Slices (and H.265's wavefront rows) of one picture decode side by
    // side: unlike frame threads, no picture waits for a later one.
    s.codec->thread_count = threads;
    s.codec->thread_type = threads > 1 ? FF_THREAD_SLICE : 0;
    s.codec->err_recognition |= AV_EF_IGNORE_ERR;
    if (m_limits.maxPixels > 0)
        s.codec->max_pixels = m_limits.maxPixels;
    if (avcodec_open2(s.codec, s.decoder, nullptr) < 0) {
        report(QStringLiteral("Cannot open video decoder"), QStringLiteral("无法打开视频解码器"));
        return false;
    }
    s.threads = threads;
    return true;
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

    Session s;
    s.interrupt = Interrupt{&m_running, &m_deadline};
    s.edge = LiveEdge(m_edgeSettings);
    m_readStamps = !m_customInput && sameComputer(m_url);
    AVPacket *packet = nullptr;
    auto cleanUp = [&] {
        {
            QMutexLocker lock(&m_recorderLock);
            m_recorder = nullptr;
        }
        av_frame_free(&s.picture);
        av_packet_free(&packet);
        avcodec_free_context(&s.codec);
        avformat_close_input(&s.format);
        FreedMemory::giveBack(); // the session's picture pools
    };

    const QVector<StreamTransport::Choice> attempts =
        m_customInput ? QVector<StreamTransport::Choice>{StreamTransport::Tcp}
                      : StreamTransport::attempts(m_transport, m_url);
    Opened opened = Opened::TryNext;
    for (int i = 0; i < attempts.size() && opened == Opened::TryNext; ++i)
        opened = openInput(s, attempts.at(i), i + 1 < attempts.size());
    if (opened != Opened::Ok) {
        cleanUp();
        return;
    }

    for (unsigned i = 0; i < s.format->nb_streams; ++i) {
        if (s.format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            s.index = int(i);
            break;
        }
    }
    if (s.index < 0) {
        cleanUp();
        report(QStringLiteral("No video stream found"), QStringLiteral("未找到视频流"));
        return;
    }
    s.stream = s.format->streams[s.index];
    s.live = !(s.format->pb && (s.format->pb->seekable & AVIO_SEEKABLE_NORMAL));
    s.decoder = avcodec_find_decoder(s.stream->codecpar->codec_id);
    if (!s.decoder) {
        cleanUp();
        report(QStringLiteral("Video decoder not found"), QStringLiteral("未找到视频解码器"));
        return;
    }
    if (!openCodec(s, 1)) {
        cleanUp();
        return;
    }
    // The converter keeps its own target picture.
    s.picture = av_frame_alloc();
    packet = av_packet_alloc();
    if (!s.picture || !packet) {
        cleanUp();
        report(QStringLiteral("Failed to allocate video frame memory"),
               QStringLiteral("视频帧内存分配失败"));
        return;
    }

    {
        QMutexLocker lock(&m_recorderLock);
        if (!m_parameters)
            m_parameters = avcodec_parameters_alloc();
        if (m_parameters && avcodec_parameters_copy(m_parameters, s.stream->codecpar) >= 0) {
            m_timeBaseNum = s.stream->time_base.num < 1 ? 1 : s.stream->time_base.num;
            m_timeBaseDen = s.stream->time_base.den < 1 ? 90000 : s.stream->time_base.den;
            m_parametersKnown = true;
            if (m_recorder)
                m_recorder->setStreamParameters(m_parameters, m_timeBaseNum, m_timeBaseDen);
        }
    }

    s.info.width = s.codec->width;
    s.info.height = s.codec->height;
    s.info.codecName = VideoStreamInfo::displayCodecName(s.decoder->name);
    s.info.bitrate = s.stream->codecpar->bit_rate >= 1
                         ? s.stream->codecpar->bit_rate
                         : (s.codec->bit_rate >= 0 ? s.codec->bit_rate : 0);
    s.info.decoderName = QString::fromLatin1(s.decoder->name);
    s.info.threads = s.threads;
    if (StreamTransport::isRtsp(m_url) && !m_customInput)
        s.info.transport = StreamTransport::name(s.transport);
    emit streamInfoUpdated(s.info);

    readLoop(s, packet);

    const bool lost = m_running.load() && !m_stopRequested.load();
    cleanUp();
    if (lost)
        report(QStringLiteral("Video stream interrupted, reconnecting"),
               QStringLiteral("视频流中断，准备重连"));
}

void VideoDecoder::readLoop(Session &s, AVPacket *packet)
{
    QElapsedTimer window;
    window.start();
    qint64 bytes = 0;
    int seconds = 0;
    const AVRational timeBase = s.stream->time_base;
    armDeadline(m_timing.pictureMs);

    while (m_running.load()) {
        if (av_read_frame(s.format, packet) < 0)
            break;
        if (packet->stream_index != s.index) {
            av_packet_unref(packet);
            continue;
        }
        FrameTiming arrival;
        arrival.receivedUs = FrameTiming::nowUs();
        {
            QMutexLocker lock(&m_recorderLock);
            if (m_recorder && packet->data && packet->size >= 1)
                m_recorder->enqueuePacket(RecordedPacket::copyOf(*packet));
        }
        m_counters->received.fetch_add(1);
        m_counters->bytes.fetch_add(quint64(std::max(0, packet->size)));
        bytes += packet->size;
        if (window.elapsed() > 999) {
            const qint64 elapsed = qMax<qint64>(1, window.elapsed());
            s.info.bitrate = bytes * 8000 / elapsed;
            emit streamInfoUpdated(s.info);
            window.restart();
            bytes = 0;
            // What a backlog took on a busy machine (pictures waiting for the
            // display, packets for the recorder) goes back once it has passed,
            // not only when the session ends.
            if (++seconds % ReturnFreedEverySeconds == 0)
                FreedMemory::giveBack();
        }

        // Late pictures are not decoded at all: the recorder above still
        // got every packet.
        const qint64 pts = packet->pts != AV_NOPTS_VALUE
                               ? av_rescale_q(packet->pts, timeBase, AVRational{1, 1000000})
                               : LiveEdge::NoTime;
        const bool key = packet->flags & AV_PKT_FLAG_KEY;
        const bool skip = s.live && s.edge.onPacket(arrival.receivedUs, pts, key) == LiveEdge::Skip;
        m_counters->behindUs.store(s.edge.behindUs());
        m_counters->keyFrameSkips.store(quint64(s.edge.skips()));
        if (skip) {
            m_counters->skipped.fetch_add(1);
            av_packet_unref(packet);
            continue;
        }

        size_t prftSize = 0;
        const uint8_t *prft = av_packet_get_side_data(packet, AV_PKT_DATA_PRFT, &prftSize);
        if (prft && prftSize >= sizeof(AVProducerReferenceTime))
            arrival.senderLagUs =
                FrameTiming::wallNowUs() -
                reinterpret_cast<const AVProducerReferenceTime *>(prft)->wallclock;
        decodePacket(s, packet, arrival);
        av_packet_unref(packet);
    }
}

void VideoDecoder::decodePacket(Session &s, AVPacket *packet, const FrameTiming &arrival)
{
    const qint64 sentUs = FrameTiming::nowUs();
    if (avcodec_send_packet(s.codec, packet) < 0)
        return;
    while (m_running.load()) {
        if (avcodec_receive_frame(s.codec, s.picture) < 0)
            break;
        if (s.picture->decode_error_flags || (s.picture->flags & AV_FRAME_FLAG_CORRUPT))
            m_counters->damaged.fetch_add(1);
        VideoFrame frame;
        const bool accepted = s.converter.convert(s.picture, frame);
        av_frame_unref(s.picture);
        if (!accepted)
            continue;
        frame.timing = arrival;
        frame.timing.decodedUs = FrameTiming::nowUs();
        frame.timing.decodeUs = qint32(frame.timing.decodedUs - sentUs);
        if (m_counters->decoded.fetch_add(1) == 0)
            m_counters->beforeFirst.store(m_counters->received.load() - 1);
        if (frame.width != s.info.width || frame.height != s.info.height) {
            s.info.width = frame.width;
            s.info.height = frame.height;
            emit streamInfoUpdated(s.info);
        }
        handOver(frame);
        armDeadline(m_timing.pictureMs);
        if (m_limits.maxPictures > 0 && ++s.delivered >= m_limits.maxPictures)
            m_running.store(0);

        if (m_threading == Automatic && s.threads == 1 && s.edge.onDecoded(frame.timing.decodeUs)) {
            // Too slow for the stream on one thread: the new decoder starts
            // at the next key frame, with the pictures' slices in parallel.
            const int threads = std::clamp(QThread::idealThreadCount(), 2, 16);
            if (!openCodec(s, threads)) {
                m_running.store(0);
                return;
            }
            s.edge.skipToKeyFrame(FrameTiming::nowUs());
            s.info.threads = s.threads;
            emit streamInfoUpdated(s.info);
            return;
        }
    }
}

void VideoDecoder::handOver(VideoFrame &frame)
{
    if (m_readStamps) {
        quint32 stamp = 0;
        const auto *luma = reinterpret_cast<const uint8_t *>(frame.yPlane.constData());
        if (TimeStampBlocks::read(luma, frame.width, frame.width, frame.height, stamp)) {
            const qint64 nowMsFull = frame.timing.decodedUs / 1000;
            const qint32 age = qint32(quint32(nowMsFull) - stamp);
            if (age >= 0 && age <= LongestStampAgeMs)
                frame.timing.capturedUs = (nowMsFull - age) * 1000;
        }
    }
    if (m_consumerLimit > 0 && m_counters->inFlight.load() >= m_consumerLimit) {
        m_counters->late.fetch_add(1);
        return;
    }
    m_counters->inFlight.fetch_add(1);
    emit frameReady(frame);
}
