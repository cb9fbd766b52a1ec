// Playback datagrams under arbitrary bytes: the payload extraction (bare,
// framed, prefixed, searched), the continuation rule and the codec probe.
// What is extracted is always a tail of the datagram that begins with a
// start code, or the whole datagram as a continuation.

#include "album/PlaybackPayload.h"
#include "album/PlaybackVideoReceiver.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const QByteArray payload = PlaybackPayload::extract(bytes);
    if (!payload.isEmpty() && !PlaybackPayload::startsWithStartCode(payload))
        std::abort();

    PlaybackVideoReceiver receiver;
    QByteArray stream;
    QObject::connect(&receiver, &PlaybackVideoReceiver::annexBPayloadReady,
                     [&](const QByteArray &piece) { stream.append(piece); });
    // The same bytes as a run of datagrams, cut where the input says.
    int at = 0;
    while (at < bytes.size()) {
        const int length = qMin(int(uchar(bytes.at(at))) * 8 + 1, bytes.size() - at);
        receiver.handleDatagram(bytes.mid(at, length));
        at += length;
    }
    const PlaybackPayload::Scores scores = PlaybackPayload::score(stream);
    if (scores.h264 < 0 || scores.h265 < 0 || stream.size() > 2 * bytes.size())
        std::abort();
    PlaybackPayload::decide(stream);
    return 0;
}
