#pragma once

#include <QByteArray>
#include <QMetaType>
#include <cstdint>

// A decoded short frame (1-byte payload length). Passed by value through
// TransportManager::frameReceived.
struct ParsedFrame {
    bool valid = false;
    quint8 flags1 = 0;
    quint8 flags2 = 0;
    quint8 sequence = 0;
    quint8 idByte1 = 0;
    quint8 idByte2 = 0;
    quint32 messageId = 0; // 24 bits: code in bits 0-15, frame kind in bits 16-23
    QByteArray payload;
};

// A decoded long frame (2-byte payload length), used by the media channels.
struct ParsedLongFrame {
    bool valid = false;
    quint16 length = 0;
    quint8 flags1 = 0;
    quint8 flags2 = 0;
    quint8 sequence = 0;
    quint8 idByte1 = 0;
    quint8 idByte2 = 0;
    quint32 messageId = 0;
    QByteArray payload;
};

Q_DECLARE_METATYPE(ParsedFrame)

// The device's binary frame format. Stateless: the sequence counter belongs to
// the caller and is advanced once per frame actually built.
class FrameCodec
{
public:
    static constexpr int ShortOverhead = 12;
    static constexpr int LongOverhead = 13;
    static constexpr int MaxShortPayload = 255;
    static constexpr int MaxLongPayload = 65535;

    // CRC-16/MCRF4XX. The count is 16 bits wide on purpose: the peer computes
    // the covered length the same way, so very long frames wrap identically.
    static quint16 crc16(const char *data, quint16 count);
    static quint16 crc16(const QByteArray &bytes, quint16 count)
    {
        return crc16(bytes.constData(), count);
    }

    static QByteArray encodeShortFrame(quint8 &sequence, quint8 flags1, quint8 flags2,
                                       quint32 messageId, const QByteArray &payload);
    static QByteArray encodeLongFrame(quint8 &sequence, quint8 flags1, quint8 flags2,
                                      quint32 messageId, const QByteArray &payload);

    // Decode one frame from the front of `buffer`. `consumed` tells the caller
    // how many leading bytes to drop (0 = keep everything and wait for more).
    static ParsedFrame decodeShortFrame(const QByteArray &buffer, int &consumed);
    static ParsedLongFrame decodeLongFrame(const QByteArray &buffer, int &consumed);
    // The sequence number of one whole frame, short or long; -1 when it is neither.
    static int sequenceOf(const QByteArray &frame);

    static quint16 commandCode(quint32 messageId) { return quint16(messageId & 0xFFFFu); }
    static quint8 frameKind(quint32 messageId) { return quint8((messageId >> 16) & 0xFFu); }
};
