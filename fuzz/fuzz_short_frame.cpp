// Control-link receive path under arbitrary bytes: the transport manager is
// fed the input in chunks and checked against a plain re-implementation of
// its buffer loop, every frame it delivers must re-encode to the bytes it came
// from, and the checksum agrees with its plain reference on the input.

#include "ReferenceCrc.h"
#include "common/TestTransport.h"
#include "link/FrameCodec.h"
#include "link/TransportManager.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace
{

void check(bool ok)
{
    if (!ok)
        std::abort();
}

QByteArray reencode(const ParsedFrame &f)
{
    quint8 seq = f.sequence;
    QByteArray out = FrameCodec::encodeShortFrame(seq, f.flags1, f.flags2, f.messageId, f.payload);
    if (out.size() < FrameCodec::ShortOverhead)
        return out;
    // The encoder always writes 1, 1 as id bytes; the receiver keeps what came.
    out[5] = char(f.idByte1);
    out[6] = char(f.idByte2);
    const quint16 crc = FrameCodec::crc16(out.constData() + 1, quint16(out.size() - 3));
    out[out.size() - 2] = char(crc & 0xFF);
    out[out.size() - 1] = char(crc >> 8);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int chunkSize = (data[0] % 64) + 1;
    const QByteArray input(reinterpret_cast<const char *>(data + 1), int(size - 1));
    check(crcMatchesReference(input));

    TransportManager manager;
    TestTransport link(QStringLiteral("Fuzz"), true);
    manager.setTransport(&link);
    std::vector<ParsedFrame> delivered;
    qint64 rawBytes = 0;
    QObject::connect(&manager, &TransportManager::frameReceived,
                     [&delivered](const ParsedFrame &f) { delivered.push_back(f); });
    QObject::connect(&manager, &TransportManager::rawDataReceived,
                     [&rawBytes](const QString &, const QString &, const QByteArray &d) {
                         check(!d.isEmpty());
                         rawBytes += d.size();
                     });

    // Reference: the buffer loop in its plainest form.
    QByteArray buffer;
    std::vector<ParsedFrame> expected;
    for (int at = 0; at < input.size(); at += chunkSize) {
        const QByteArray chunk = input.mid(at, chunkSize);
        link.deliver(chunk);

        buffer.append(chunk);
        while (!buffer.isEmpty()) {
            int consumed = -1;
            const ParsedFrame f = FrameCodec::decodeShortFrame(buffer, consumed);
            check(consumed >= 0 && consumed <= buffer.size());
            if (consumed == 0) {
                check(!f.valid);
                break;
            }
            if (f.valid) {
                const int length = f.payload.size() + FrameCodec::ShortOverhead;
                check(consumed >= length);
                check(f.messageId <= 0xFFFFFFu);
                check(reencode(f) == buffer.mid(consumed - length, length));
                expected.push_back(f);
            }
            buffer.remove(0, consumed);
        }
        check(buffer.size() <= TransportManager::RxBufferLimit + chunkSize);
        if (buffer.size() > TransportManager::RxBufferLimit)
            buffer.clear();
    }

    check(rawBytes == input.size());
    check(delivered.size() == expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const ParsedFrame &a = delivered[i];
        const ParsedFrame &b = expected[i];
        check(a.valid && a.messageId == b.messageId && a.sequence == b.sequence &&
              a.flags1 == b.flags1 && a.flags2 == b.flags2 && a.idByte1 == b.idByte1 &&
              a.idByte2 == b.idByte2 && a.payload == b.payload);
    }
    return 0;
}
