#include "video/RecordingMuxer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
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

BilingualText withDetail(const char *english, const char *chinese, int code)
{
    const QString detail = libraryText(code);
    return BilingualText{QString::fromUtf8(english).arg(detail),
                         QString::fromUtf8(chinese).arg(detail)};
}

bool isMp4Family(const AVFormatContext *output)
{
    const char *name = output->oformat ? output->oformat->name : nullptr;
    return name && (std::strcmp(name, "mp4") == 0 || std::strcmp(name, "mov") == 0);
}

} // namespace

RecordingMuxer::~RecordingMuxer()
{
    release();
}

void RecordingMuxer::release()
{
    av_packet_free(&m_packet);
    if (m_output) {
        if (m_ownFile && m_output->pb)
            avio_closep(&m_output->pb);
        avformat_free_context(m_output);
        m_output = nullptr;
    }
    m_stream = nullptr;
}

bool RecordingMuxer::open(const QString &path, const AVCodecParameters *parameters, int numerator,
                          int denominator, BilingualText &error)
{
    release();
    m_numerator = numerator < 1 ? 1 : numerator;
    m_denominator = denominator < 1 ? 90000 : denominator;
    m_offsetKnown = false;
    const QByteArray file = path.toUtf8();
    int rc = avformat_alloc_output_context2(&m_output, nullptr, nullptr, file.constData());
    if (rc < 0 || !m_output) {
        m_output = nullptr;
        error = withDetail("Cannot create record file: %1", "无法创建录像文件: %1",
                           rc < 0 ? rc : AVERROR(ENOMEM));
        return false;
    }
    m_ownFile = !(m_output->oformat->flags & AVFMT_NOFILE);
    m_stream = avformat_new_stream(m_output, nullptr);
    if (!m_stream) {
        release();
        error = BilingualText{QStringLiteral("Cannot create output stream"),
                              QStringLiteral("无法创建输出流")};
        return false;
    }
    if ((rc = avcodec_parameters_copy(m_stream->codecpar, parameters)) < 0) {
        release();
        error = withDetail("Failed to copy codec parameters: %1", "复制编码参数失败: %1", rc);
        return false;
    }
    m_stream->codecpar->codec_tag = 0;
    m_stream->time_base = AVRational{m_numerator, m_denominator};
    if (m_ownFile && (rc = avio_open(&m_output->pb, file.constData(), AVIO_FLAG_WRITE)) < 0) {
        release();
        error = withDetail("Cannot open output file: %1", "无法打开输出文件: %1", rc);
        return false;
    }
    AVDictionary *options = nullptr;
    if (isMp4Family(m_output)) {
        av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
        av_dict_set_int(&options, "frag_duration", qint64(FragmentMs) * 1000, 0);
    }
    // Every finished fragment goes to the disk at once, not when the
    // library's buffer happens to fill.
    m_output->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    rc = avformat_write_header(m_output, &options);
    av_dict_free(&options);
    if (rc < 0) {
        release();
        error = withDetail("Failed to write record header: %1", "写入录像头失败: %1", rc);
        return false;
    }
    m_packet = av_packet_alloc();
    if (!m_packet) {
        release();
        error = BilingualText{QStringLiteral("Failed to allocate recorder memory"),
                              QStringLiteral("录像器内存分配失败")};
        return false;
    }
    return true;
}

bool RecordingMuxer::write(const RecordedPacket &next)
{
    if (!m_output || av_new_packet(m_packet, int(next.data.size())) < 0)
        return false;
    std::memcpy(m_packet->data, next.data.constData(), size_t(next.data.size()));
    m_packet->duration = next.duration;
    m_packet->pts = next.pts;
    m_packet->dts = next.dts;
    m_packet->flags = next.flags;
    m_packet->stream_index = 0;
    m_packet->pos = -1;

    if (!m_offsetKnown && (m_packet->dts != AV_NOPTS_VALUE || m_packet->pts != AV_NOPTS_VALUE)) {
        m_offset = m_packet->dts != AV_NOPTS_VALUE ? m_packet->dts : m_packet->pts;
        m_offsetKnown = true;
    }
    if (m_offsetKnown) {
        if (m_packet->pts != AV_NOPTS_VALUE)
            m_packet->pts = qMax<qint64>(0, m_packet->pts - m_offset);
        if (m_packet->dts != AV_NOPTS_VALUE)
            m_packet->dts = qMax<qint64>(0, m_packet->dts - m_offset);
    }
    const AVRational inputBase{m_numerator, m_denominator};
    const AVRational outputBase = m_stream->time_base;
    const auto rounding = AVRounding(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX);
    m_packet->pts = av_rescale_q_rnd(m_packet->pts, inputBase, outputBase, rounding);
    m_packet->dts = av_rescale_q_rnd(m_packet->dts, inputBase, outputBase, rounding);
    m_packet->duration = av_rescale_q(m_packet->duration, inputBase, outputBase);
    const int rc = av_interleaved_write_frame(m_output, m_packet);
    av_packet_unref(m_packet);
    return rc >= 0;
}

bool RecordingMuxer::finish()
{
    if (!m_output)
        return false;
    bool ok = av_write_trailer(m_output) >= 0;
    // A write the library could not complete shows here even when the
    // trailer call itself reported nothing.
    if (m_output->pb && m_output->pb->error < 0)
        ok = false;
    if (m_ownFile && m_output->pb && avio_closep(&m_output->pb) < 0)
        ok = false;
    release();
    return ok;
}
