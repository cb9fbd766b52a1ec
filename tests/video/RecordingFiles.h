#pragma once

// What a local recording left on disk, read back the way a player and a
// spreadsheet would: the video decoded picture by picture, the subtitle
// cues, the telemetry table.

#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace recording_test
{

struct Playback {
    int pictures = 0;    // decoded without error
    qint64 lengthMs = 0; // first picture to the end of the last
};

// Decodes every picture of `path`; lengthMs stays 0 when it does not open.
inline Playback play(const QString &path)
{
    Playback out;
    AVFormatContext *input = nullptr;
    if (avformat_open_input(&input, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return out;
    AVCodecContext *codec = nullptr;
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    if (avformat_find_stream_info(input, nullptr) >= 0 && input->nb_streams > 0) {
        const AVStream *stream = input->streams[0];
        const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
        codec = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(codec, stream->codecpar);
        if (avcodec_open2(codec, decoder, nullptr) >= 0) {
            qint64 first = AV_NOPTS_VALUE, end = 0;
            const auto drain = [&] {
                while (avcodec_receive_frame(codec, frame) >= 0)
                    ++out.pictures;
            };
            while (av_read_frame(input, packet) >= 0) {
                if (packet->pts != AV_NOPTS_VALUE) {
                    if (first == AV_NOPTS_VALUE || packet->pts < first)
                        first = packet->pts;
                    end = qMax<qint64>(end, packet->pts + packet->duration);
                }
                if (avcodec_send_packet(codec, packet) >= 0)
                    drain();
                av_packet_unref(packet);
            }
            avcodec_send_packet(codec, nullptr);
            drain();
            if (first != AV_NOPTS_VALUE)
                out.lengthMs = av_rescale_q(end - first, stream->time_base, AVRational{1, 1000});
        }
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&input);
    return out;
}

struct Cue {
    qint64 startMs = 0;
    qint64 endMs = 0;
    QString text;
};

inline qint64 cueMs(const QString &t)
{
    const QStringList p = t.split(QRegularExpression(QStringLiteral("[:,]")));
    return p.size() == 4
               ? ((p[0].toLongLong() * 60 + p[1].toLongLong()) * 60 + p[2].toLongLong()) * 1000 +
                     p[3].toLongLong()
               : -1;
}

// The cues of a subtitle file, in order; numbering must run 1, 2, 3, …
inline QList<Cue> readSrt(const QString &path, bool *numbered = nullptr)
{
    QFile file(path);
    QList<Cue> cues;
    if (!file.open(QIODevice::ReadOnly))
        return cues;
    QString all = QString::fromUtf8(file.readAll());
    if (all.startsWith(QChar(0xFEFF)))
        all.remove(0, 1);
    bool inOrder = true;
    for (const QString &block : all.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts)) {
        const QStringList lines = block.split(QLatin1Char('\n'));
        if (lines.size() < 3)
            continue;
        const QStringList times = lines[1].split(QStringLiteral(" --> "));
        inOrder = inOrder && lines[0].toInt() == cues.size() + 1 && times.size() == 2;
        cues.append(Cue{cueMs(times.value(0)), cueMs(times.value(1)), lines.mid(2).join('\n')});
    }
    if (numbered)
        *numbered = inOrder;
    return cues;
}

// The rows of a telemetry table, header first, cells split at commas.
inline QList<QStringList> readCsv(const QString &path)
{
    QFile file(path);
    QList<QStringList> rows;
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (!line.isEmpty())
            rows.append(QString::fromUtf8(line).split(QLatin1Char(',')));
    return rows;
}

// Lets this process write files only up to `bytes` long (0: no limit
// again), as a full disk would; a write past it fails instead of ending the
// process.
inline void limitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes ? bytes : limit.rlim_max;
    setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace recording_test
