#include "album/PlaybackVideoDecoder.h"

#include "video/FrameConverter.h"

#include <QMutexLocker>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <cstring>
#include <vector>

namespace
{

// Everything the decoding session allocates, freed in one place.
struct Session {
    AVCodecParserContext *parser = nullptr;
    AVCodecContext *context = nullptr;
    AVPacket *packet = nullptr;
    AVFrame *picture = nullptr;

    ~Session()
    {
        av_parser_close(parser);
        avcodec_free_context(&context);
        av_packet_free(&packet);
        av_frame_free(&picture);
    }
};

} // namespace

PlaybackVideoDecoder::PlaybackVideoDecoder(QObject *parent) : QThread(parent)
{
    VideoFrame::registerMetaType();
}

PlaybackVideoDecoder::~PlaybackVideoDecoder()
{
    requestStop();
    wait();
}

void PlaybackVideoDecoder::startDecoding()
{
    m_running = true;
    m_codec = PlaybackPayload::Codec::Undecided;
    m_decodedFrames = 0;
    ++m_session;
    start();
}

void PlaybackVideoDecoder::requestStop()
{
    m_running = false;
    QMutexLocker lock(&m_mutex);
    m_queue.clear();
    m_wake.wakeAll();
}

void PlaybackVideoDecoder::enqueue(const QByteArray &payload)
{
    if (payload.isEmpty())
        return;
    QMutexLocker lock(&m_mutex);
    while (m_queue.size() >= MaxQueued)
        m_queue.dequeue();
    m_queue.enqueue(payload);
    m_wake.wakeOne();
}

bool PlaybackVideoDecoder::take(QByteArray &payload)
{
    QMutexLocker lock(&m_mutex);
    if (m_queue.isEmpty() && m_running)
        m_wake.wait(&m_mutex, WaitMs);
    if (m_queue.isEmpty() || !m_running)
        return false;
    payload = m_queue.dequeue();
    return true;
}

void PlaybackVideoDecoder::run()
{
    using Codec = PlaybackPayload::Codec;

    QByteArray probe;
    Codec codec = Codec::Undecided;
    while (m_running && codec == Codec::Undecided) {
        QByteArray payload;
        if (!take(payload))
            continue;
        probe.append(payload);
        codec = PlaybackPayload::decide(probe);
    }
    if (!m_running)
        return;
    m_codec = codec;

    const bool h265 = codec == Codec::H265;
    const QString name = h265 ? QStringLiteral("H.265") : QStringLiteral("H.264");
    const AVCodecID id = h265 ? AV_CODEC_ID_HEVC : AV_CODEC_ID_H264;

    Session s;
    const AVCodec *decoder = avcodec_find_decoder(id);
    if (decoder) {
        s.parser = av_parser_init(id);
        s.context = avcodec_alloc_context3(decoder);
        s.packet = av_packet_alloc();
        s.picture = av_frame_alloc();
    }
    if (!decoder || !s.parser || !s.context || !s.packet || !s.picture) {
        emit errorOccurred(QStringLiteral("Cannot initialize %1 playback decoder").arg(name),
                           QStringLiteral("无法初始化 %1 回放解码器").arg(name));
        return;
    }
    s.context->flags |= AV_CODEC_FLAG_LOW_DELAY;
    if (!h265)
        s.context->flags2 |= AV_CODEC_FLAG2_CHUNKS;
    s.context->thread_count = 1;
    s.context->err_recognition |= AV_EF_IGNORE_ERR;
    if (avcodec_open2(s.context, decoder, nullptr) < 0) {
        emit errorOccurred(QStringLiteral("Cannot open %1 playback decoder").arg(name),
                           QStringLiteral("无法打开 %1 回放解码器").arg(name));
        return;
    }

    FrameConverter converter;
    auto receivePictures = [&] {
        while (avcodec_receive_frame(s.context, s.picture) >= 0) {
            VideoFrame frame;
            if (converter.convert(s.picture, frame)) {
                ++m_decodedFrames;
                emit frameReady(frame);
            }
            av_frame_unref(s.picture);
        }
    };
    // The parser reads a little beyond the bytes it is given; the library
    // asks for that much zeroed room after every input.
    std::vector<uint8_t> input;
    auto feed = [&](const QByteArray &payload) {
        input.assign(size_t(payload.size()) + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        std::memcpy(input.data(), payload.constData(), size_t(payload.size()));
        const uint8_t *data = input.data();
        int left = payload.size();
        while (left > 0 && m_running) {
            uint8_t *unit = nullptr;
            int unitSize = 0;
            const int used = av_parser_parse2(s.parser, s.context, &unit, &unitSize, data, left,
                                              AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (used < 0)
                return; // the rest of this piece is lost; the next one resynchronises
            data += used;
            left -= used;
            if (unitSize <= 0)
                continue;
            if (av_new_packet(s.packet, unitSize) < 0)
                return;
            std::memcpy(s.packet->data, unit, size_t(unitSize));
            const int sent = avcodec_send_packet(s.context, s.packet);
            av_packet_unref(s.packet);
            if (sent >= 0)
                receivePictures();
        }
    };

    feed(probe);
    probe.clear();
    while (m_running) {
        QByteArray payload;
        if (take(payload))
            feed(payload);
    }
    avcodec_send_packet(s.context, nullptr);
    while (avcodec_receive_frame(s.context, s.picture) >= 0)
        av_frame_unref(s.picture);
}
