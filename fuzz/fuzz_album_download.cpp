// The download receiver's datagram intake under arbitrary datagrams. The input
// is a sequence of chunks (one length byte, then that many bytes); each chunk
// is one datagram, sent bare or, when the length byte is odd, wrapped in a
// valid long frame so that the packet handling behind the checksum is reached
// too. Memory stays bounded by the held packets and the announced size.

#include "album/MediaDownloadReceiver.h"
#include "link/CommandCode.h"
#include "link/FrameCodec.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    MediaDownloadReceiver receiver;
    receiver.expectInMemory(1 << 20);
    receiver.setPacketSize(size > 0 ? (data[0] % 3) * 8 : 0);
    qint64 completed = 0;
    QObject::connect(&receiver, &MediaDownloadReceiver::fileCompleted,
                     [&](const QByteArray &file) { completed += file.size(); });

    size_t at = size > 0 ? 1 : 0;
    while (at < size) {
        const size_t length = qMin<size_t>(data[at], size - at - 1);
        const bool wrap = data[at] & 1;
        const QByteArray chunk(reinterpret_cast<const char *>(data + at + 1), int(length));
        at += length + 1;
        quint8 seq = 0;
        receiver.handleDatagram(
            wrap ? FrameCodec::encodeLongFrame(seq, 4, 1, CommandCode::DownloadMediaFile, chunk)
                 : chunk);
        if (receiver.heldCount() > MediaDownloadReceiver::MaxHeldPackets ||
            receiver.assembledBytes() > (1 << 20) + 65536)
            std::abort();
    }
    if (completed > (1 << 20))
        std::abort();
    return 0;
}
