// Long-frame decoder under arbitrary bytes, driven by the same buffer loop the
// media receivers use: consumed counts stay inside the buffer, the buffer stays
// bounded, every frame decoded re-encodes to the bytes it came from, and the
// checksum agrees with its plain reference on the input.

#include "ReferenceCrc.h"
#include "link/FrameCodec.h"

#include <cstdint>
#include <cstdlib>

namespace
{

// Enough for two of the largest frames; anything beyond is dropped.
constexpr int BufferLimit = 2 * (FrameCodec::MaxLongPayload + FrameCodec::LongOverhead);

void check(bool ok)
{
    if (!ok)
        std::abort();
}

QByteArray reencode(const ParsedLongFrame &f)
{
    quint8 seq = f.sequence;
    QByteArray out = FrameCodec::encodeLongFrame(seq, f.flags1, f.flags2, f.messageId, f.payload);
    if (out.size() < FrameCodec::LongOverhead)
        return out;
    out[6] = char(f.idByte1);
    out[7] = char(f.idByte2);
    const quint16 crc = FrameCodec::crc16(out.constData() + 1, quint16(out.size() - 3));
    out[out.size() - 2] = char(crc & 0xFF);
    out[out.size() - 1] = char(crc >> 8);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const int chunkSize = ((data[0] | (data[1] << 8)) % 2048) + 1;
    const QByteArray input(reinterpret_cast<const char *>(data + 2), int(size - 2));
    check(crcMatchesReference(input));

    QByteArray buffer;
    for (int at = 0; at < input.size(); at += chunkSize) {
        buffer.append(input.mid(at, chunkSize));
        while (!buffer.isEmpty()) {
            int consumed = -1;
            const ParsedLongFrame f = FrameCodec::decodeLongFrame(buffer, consumed);
            check(consumed >= 0 && consumed <= buffer.size());
            if (consumed == 0) {
                check(!f.valid);
                break;
            }
            if (f.valid) {
                const int length = f.payload.size() + FrameCodec::LongOverhead;
                check(f.length == f.payload.size());
                check(consumed >= length);
                check(f.messageId <= 0xFFFFFFu);
                check(reencode(f) == buffer.mid(consumed - length, length));
            }
            buffer.remove(0, consumed);
        }
        check(buffer.size() <= BufferLimit + chunkSize);
        if (buffer.size() > BufferLimit)
            buffer.clear();
    }
    return 0;
}
