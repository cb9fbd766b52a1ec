#include "video/VideoRecorder.h"

#include "link/Language.h"

#include <QMutexLocker>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/mathematics.h>
}

#include <cstring>

namespace
{

QString libraryText(int code)
{
    char text[64] = {0};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

} // namespace

VideoRecorder::VideoRecorder(QObject *parent) : QThread(parent) {}

VideoRecorder::~VideoRecorder()
{
    requestStop();
    wait();
    avcodec_parameters_free(&m_parameters);
}

void VideoRecorder::setOutputPath(const QString &path)
{
    QMutexLocker lock(&m_lock);
    m_path = path;
}

void VideoRecorder::setStreamParameters(const AVCodecParameters *parameters, int numerator,
                                        int denominator)
{
    if (!parameters)
        return;
    QMutexLocker lock(&m_lock);
    if (!m_parameters)
        m_parameters = avcodec_parameters_alloc();
    if (!m_parameters)
        return;
    if (avcodec_parameters_copy(m_parameters, parameters) < 0)
        return;
    m_numerator = numerator < 1 ? 1 : numerator;
    m_denominator = denominator < 1 ? 90000 : denominator;
    m_parametersKnown = true;
    m_wake.wakeAll();
}

void VideoRecorder::enqueuePacket(const RecordedPacket &packet)
{
    if (m_stop.load() || packet.data.isEmpty())
        return;
    QMutexLocker lock(&m_lock);
    // A slow disk never holds up the decoder: overflow is dropped.
    if (m_queue.size() >= MaxQueuedPackets)
        return;
    m_queue.enqueue(packet);
    m_wake.wakeAll();
}

void VideoRecorder::requestStop()
{
    m_stop.store(true);
    QMutexLocker lock(&m_lock);
    m_wake.wakeAll();
}

int VideoRecorder::queuedPackets() const
{
    QMutexLocker lock(&m_lock);
    return m_queue.size();
}

void VideoRecorder::fail(const QString &english, const QString &chinese, const QString &detail)
{
    QString text = Language::pick(english, chinese);
    if (text.contains(QLatin1String("%1")))
        text = text.arg(detail);
    emit errorOccurred(text);
}

void VideoRecorder::run()
{
    // The stop flag is not cleared here: a stop requested before the body
    // ran must end it, not be forgotten.
    QString path;
    AVCodecParameters *parameters = nullptr;
    AVRational inputBase{1, 90000};
    {
        QMutexLocker lock(&m_lock);
        while (!m_parametersKnown) {
            if (m_stop.load())
                return;
            m_wake.wait(&m_lock);
        }
        if (m_path.isEmpty() || !m_parameters) {
            lock.unlock();
            fail(QStringLiteral("No recordable video stream"),
                 QStringLiteral("没有可录制的视频流"));
            return;
        }
        path = m_path;
        parameters = avcodec_parameters_alloc();
        if (!parameters || avcodec_parameters_copy(parameters, m_parameters) < 0) {
            avcodec_parameters_free(&parameters);
            lock.unlock();
            fail(QStringLiteral("Failed to allocate recorder memory"),
                 QStringLiteral("录像器内存分配失败"));
            return;
        }
        inputBase = AVRational{m_numerator, m_denominator};
    }

    const QByteArray file = path.toUtf8();
    AVFormatContext *output = nullptr;
    int rc = avformat_alloc_output_context2(&output, nullptr, nullptr, file.constData());
    if (rc < 0 || !output) {
        avcodec_parameters_free(&parameters);
        fail(QStringLiteral("Cannot create record file: %1"),
             QStringLiteral("无法创建录像文件: %1"), libraryText(rc < 0 ? rc : AVERROR(ENOMEM)));
        return;
    }
    const bool ownFile = !(output->oformat->flags & AVFMT_NOFILE);
    auto release = [&] {
        if (ownFile && output->pb)
            avio_closep(&output->pb);
        avformat_free_context(output);
        output = nullptr;
    };

    AVStream *stream = avformat_new_stream(output, nullptr);
    if (!stream) {
        avcodec_parameters_free(&parameters);
        release();
        fail(QStringLiteral("Cannot create output stream"), QStringLiteral("无法创建输出流"));
        return;
    }
    rc = avcodec_parameters_copy(stream->codecpar, parameters);
    avcodec_parameters_free(&parameters);
    if (rc < 0) {
        release();
        fail(QStringLiteral("Failed to copy codec parameters: %1"),
             QStringLiteral("复制编码参数失败: %1"), libraryText(rc));
        return;
    }
    stream->codecpar->codec_tag = 0;
    stream->time_base = inputBase;

    if (ownFile && (rc = avio_open(&output->pb, file.constData(), AVIO_FLAG_WRITE)) < 0) {
        release();
        fail(QStringLiteral("Cannot open output file: %1"), QStringLiteral("无法打开输出文件: %1"),
             libraryText(rc));
        return;
    }
    if ((rc = avformat_write_header(output, nullptr)) < 0) {
        release();
        fail(QStringLiteral("Failed to write record header: %1"),
             QStringLiteral("写入录像头失败: %1"), libraryText(rc));
        return;
    }
    AVPacket *packet = av_packet_alloc();
    if (!packet) {
        av_write_trailer(output);
        release();
        fail(QStringLiteral("Failed to allocate recorder memory"),
             QStringLiteral("录像器内存分配失败"));
        return;
    }

    bool started = false;
    bool writeError = false;
    qint64 offset = AV_NOPTS_VALUE;
    for (;;) {
        RecordedPacket next;
        {
            QMutexLocker lock(&m_lock);
            while (m_queue.isEmpty()) {
                if (m_stop.load())
                    break;
                m_wake.wait(&m_lock);
            }
            if (m_queue.isEmpty())
                break;
            next = m_queue.dequeue();
        }
        if (!started && !next.isKeyframe())
            continue;

        if (av_new_packet(packet, int(next.data.size())) < 0) {
            writeError = true;
            break;
        }
        std::memcpy(packet->data, next.data.constData(), size_t(next.data.size()));
        packet->duration = next.duration;
        packet->pts = next.pts;
        packet->dts = next.dts;
        packet->flags = next.flags;
        packet->stream_index = 0;
        packet->pos = -1;

        if (offset == AV_NOPTS_VALUE &&
            (packet->dts != AV_NOPTS_VALUE || packet->pts != AV_NOPTS_VALUE))
            offset = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
        if (offset != AV_NOPTS_VALUE) {
            if (packet->pts != AV_NOPTS_VALUE)
                packet->pts = qMax<qint64>(0, packet->pts - offset);
            if (packet->dts != AV_NOPTS_VALUE)
                packet->dts = qMax<qint64>(0, packet->dts - offset);
        }
        const AVRational outputBase = stream->time_base;
        const auto rounding = AVRounding(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX);
        packet->pts = av_rescale_q_rnd(packet->pts, inputBase, outputBase, rounding);
        packet->dts = av_rescale_q_rnd(packet->dts, inputBase, outputBase, rounding);
        packet->duration = av_rescale_q(packet->duration, inputBase, outputBase);

        rc = av_interleaved_write_frame(output, packet);
        av_packet_unref(packet);
        if (rc < 0) {
            writeError = true;
            break;
        }
        if (!started) {
            started = true;
            emit startedRecording();
        }
    }

    av_write_trailer(output);
    av_packet_free(&packet);
    release();

    if (writeError)
        fail(QStringLiteral("Failed to write recorded video"), QStringLiteral("写入录像数据失败"));
    else if (started)
        emit finishedRecording(path);
}
