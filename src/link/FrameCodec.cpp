#include "link/FrameCodec.h"

namespace
{

constexpr char StartByte = char(0xFD);

template <typename Record> void fillHeader(Record &r, const char *p)
{
    r.flags1 = quint8(p[0]);
    r.flags2 = quint8(p[1]);
    r.sequence = quint8(p[2]);
    r.idByte1 = quint8(p[3]);
    r.idByte2 = quint8(p[4]);
    r.messageId =
        quint32(quint8(p[5])) | (quint32(quint8(p[6])) << 8) | (quint32(quint8(p[7])) << 16);
}

QByteArray encode(quint8 &sequence, quint8 flags1, quint8 flags2, quint32 messageId,
                  const QByteArray &payload, bool longFrame)
{
    const int n = payload.size();
    if (n > (longFrame ? FrameCodec::MaxLongPayload : FrameCodec::MaxShortPayload))
        return {};
    QByteArray out;
    out.reserve(n + (longFrame ? FrameCodec::LongOverhead : FrameCodec::ShortOverhead));
    out.append(StartByte);
    out.append(char(n & 0xFF));
    if (longFrame)
        out.append(char((n >> 8) & 0xFF));
    out.append(char(flags1));
    out.append(char(flags2));
    out.append(char(sequence));
    ++sequence;
    out.append(char(0x01));
    out.append(char(0x01));
    out.append(char(messageId & 0xFF));
    out.append(char((messageId >> 8) & 0xFF));
    out.append(char((messageId >> 16) & 0xFF));
    out.append(payload);
    const quint16 crc = FrameCodec::crc16(out.constData() + 1, quint16(out.size() - 1));
    out.append(char(crc & 0xFF));
    out.append(char(crc >> 8));
    return out;
}

// CRC-16/MCRF4XX is the reflected polynomial 0x8408. The tables let the
// checksum of the media channel's 57-KiB frames take eight bytes per step:
// table[0] is the usual byte table, table[k] advances a byte k more places.
struct CrcTables {
    quint16 t[8][256] = {};
    constexpr CrcTables()
    {
        for (int b = 0; b < 256; ++b) {
            quint16 c = quint16(b);
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1) ? quint16((c >> 1) ^ 0x8408) : quint16(c >> 1);
            t[0][b] = c;
        }
        for (int k = 1; k < 8; ++k)
            for (int b = 0; b < 256; ++b)
                t[k][b] = quint16((t[k - 1][b] >> 8) ^ t[0][t[k - 1][b] & 0xFF]);
    }
};

constexpr CrcTables Crc;

} // namespace

quint16 FrameCodec::crc16(const char *data, quint16 count)
{
    const auto *p = reinterpret_cast<const quint8 *>(data);
    quint32 crc = 0xFFFF;
    int n = count;
    for (; n >= 8; n -= 8, p += 8) {
        crc ^= quint32(p[0]) | (quint32(p[1]) << 8);
        crc = Crc.t[7][crc & 0xFF] ^ Crc.t[6][(crc >> 8) & 0xFF] ^ Crc.t[5][p[2]] ^ Crc.t[4][p[3]] ^
              Crc.t[3][p[4]] ^ Crc.t[2][p[5]] ^ Crc.t[1][p[6]] ^ Crc.t[0][p[7]];
    }
    for (; n > 0; --n)
        crc = (crc >> 8) ^ Crc.t[0][(crc ^ *p++) & 0xFF];
    return quint16(crc);
}

QByteArray FrameCodec::encodeShortFrame(quint8 &sequence, quint8 flags1, quint8 flags2,
                                        quint32 messageId, const QByteArray &payload)
{
    return encode(sequence, flags1, flags2, messageId, payload, false);
}

QByteArray FrameCodec::encodeLongFrame(quint8 &sequence, quint8 flags1, quint8 flags2,
                                       quint32 messageId, const QByteArray &payload)
{
    return encode(sequence, flags1, flags2, messageId, payload, true);
}

ParsedFrame FrameCodec::decodeShortFrame(const QByteArray &buffer, int &consumed)
{
    ParsedFrame r;
    consumed = 0;
    const int size = buffer.size();
    if (size < ShortOverhead)
        return r;
    const int pos = buffer.indexOf(StartByte);
    if (pos < 0 || size - pos < ShortOverhead)
        return r;
    const char *p = buffer.constData() + pos;
    const int n = quint8(p[1]);
    if (size - pos < n + ShortOverhead) {
        consumed = pos;
        return r;
    }
    const quint16 crc = crc16(p + 1, quint16(n + 9));
    const quint16 wire = quint16(quint8(p[10 + n])) | quint16(quint8(p[11 + n]) << 8);
    if (crc != wire) {
        consumed = pos + 1;
        return r;
    }
    r.valid = true;
    fillHeader(r, p + 2);
    r.payload = QByteArray(p + 10, n);
    consumed = pos + n + ShortOverhead;
    return r;
}

ParsedLongFrame FrameCodec::decodeLongFrame(const QByteArray &buffer, int &consumed)
{
    ParsedLongFrame r;
    consumed = 0;
    const int size = buffer.size();
    if (size < LongOverhead)
        return r;
    const int pos = buffer.indexOf(StartByte);
    if (pos < 0 || size - pos < LongOverhead)
        return r;
    const char *p = buffer.constData() + pos;
    const int n = int(quint8(p[1])) | (int(quint8(p[2])) << 8);
    if (size - pos < n + LongOverhead) {
        consumed = pos;
        return r;
    }
    const quint16 crc = crc16(p + 1, quint16(n + 10));
    const quint16 wire = quint16(quint8(p[11 + n])) | quint16(quint8(p[12 + n]) << 8);
    if (crc != wire) {
        consumed = pos + 1;
        return r;
    }
    r.valid = true;
    r.length = quint16(n);
    fillHeader(r, p + 3);
    r.payload = QByteArray(p + 11, n);
    consumed = pos + n + LongOverhead;
    return r;
}

int FrameCodec::sequenceOf(const QByteArray &frame)
{
    int used = 0;
    const ParsedFrame shortFrame = decodeShortFrame(frame, used);
    if (shortFrame.valid)
        return shortFrame.sequence;
    const ParsedLongFrame longFrame = decodeLongFrame(frame, used);
    return longFrame.valid ? longFrame.sequence : -1;
}
