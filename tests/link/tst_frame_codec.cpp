#include "common/TestMain.h"
#include "link/FrameCodec.h"
#include "link/Payload.h"

#include <QtTest>

namespace
{

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray shortFrame(quint32 id, const QByteArray &payload, quint8 sequence = 0)
{
    return FrameCodec::encodeShortFrame(sequence, 0x04, 0x01, id, payload);
}

// Decodes the whole buffer the way a receiver does, dropping consumed bytes
// from the front after every call.
QList<ParsedFrame> drain(QByteArray &buffer)
{
    QList<ParsedFrame> frames;
    while (!buffer.isEmpty()) {
        int consumed = 0;
        const ParsedFrame f = FrameCodec::decodeShortFrame(buffer, consumed);
        if (consumed <= 0)
            break;
        buffer.remove(0, consumed);
        if (f.valid)
            frames.append(f);
    }
    return frames;
}

} // namespace

class LinkFrameCodecTest : public QObject
{
    Q_OBJECT
private slots:
    void checksumReferenceValues()
    {
        QCOMPARE(FrameCodec::crc16("123456789", 9), quint16(0x6F91));
        QCOMPARE(FrameCodec::crc16("", 0), quint16(0xFFFF));
    }

    void encodesTheReferenceFrame()
    {
        quint8 seq = 0;
        const QByteArray frame = FrameCodec::encodeShortFrame(seq, 0x04, 0x01, 0x0018, {});
        QCOMPARE(frame, hex("FD000401000101180000BB93"));
        QCOMPARE(seq, quint8(1));

        int consumed = -1;
        const ParsedFrame f = FrameCodec::decodeShortFrame(frame, consumed);
        QVERIFY(f.valid);
        QCOMPARE(consumed, 12);
        QCOMPARE(f.flags1, quint8(0x04));
        QCOMPARE(f.flags2, quint8(0x01));
        QCOMPARE(f.sequence, quint8(0));
        QCOMPARE(f.idByte1, quint8(1));
        QCOMPARE(f.idByte2, quint8(1));
        QCOMPARE(f.messageId, quint32(0x0018));
        QVERIFY(f.payload.isEmpty());
    }

    void payloadSizeLimitsAndCounter()
    {
        quint8 seq = 7;
        const QByteArray p255(255, '\xAB');
        const QByteArray s255 = FrameCodec::encodeShortFrame(seq, 4, 1, 0x0102, p255);
        QCOMPARE(s255.size(), 267);
        QCOMPARE(quint8(s255.at(1)), quint8(255));
        QCOMPARE(seq, quint8(8));

        QVERIFY(FrameCodec::encodeShortFrame(seq, 4, 1, 0x0102, QByteArray(256, 'x')).isEmpty());
        QCOMPARE(seq, quint8(8));

        const QByteArray l256 =
            FrameCodec::encodeLongFrame(seq, 4, 1, 0x020304, QByteArray(256, 'y'));
        QCOMPARE(l256.size(), 269);
        QCOMPARE(quint8(l256.at(1)), quint8(0x00));
        QCOMPARE(quint8(l256.at(2)), quint8(0x01));
        QCOMPARE(quint8(l256.at(5)), quint8(8));
        QCOMPARE(seq, quint8(9));
        int consumed = 0;
        const ParsedLongFrame lf = FrameCodec::decodeLongFrame(l256, consumed);
        QVERIFY(lf.valid);
        QCOMPARE(consumed, 269);
        QCOMPARE(lf.length, quint16(256));
        QCOMPARE(lf.messageId, quint32(0x020304));
        QCOMPARE(FrameCodec::commandCode(lf.messageId), quint16(0x0304));
        QCOMPARE(FrameCodec::frameKind(lf.messageId), quint8(0x02));
        QCOMPARE(lf.payload, QByteArray(256, 'y'));

        QVERIFY(FrameCodec::encodeLongFrame(seq, 4, 1, 1, QByteArray(65536, 'z')).isEmpty());
        QCOMPARE(seq, quint8(9));

        quint8 wrap = 0;
        for (int i = 0; i < 255; ++i)
            FrameCodec::encodeShortFrame(wrap, 4, 1, 1, {});
        QCOMPARE(wrap, quint8(255));
        const QByteArray last = FrameCodec::encodeShortFrame(wrap, 4, 1, 1, {});
        QCOMPARE(quint8(last.at(4)), quint8(255));
        QCOMPARE(wrap, quint8(0));
    }

    void longFrameChecksumCountWraps()
    {
        // Above 65525 payload bytes the 16-bit covered length wraps on both
        // ends alike, so such frames still round-trip.
        quint8 seq = 0;
        const QByteArray payload(65530, '\x5A');
        const QByteArray frame = FrameCodec::encodeLongFrame(seq, 4, 1, 0x99, payload);
        QCOMPARE(frame.size(), 65530 + 13);
        const quint16 crc = FrameCodec::crc16(frame.constData() + 1, 4);
        QCOMPARE(quint8(frame.at(frame.size() - 2)), quint8(crc & 0xFF));
        QCOMPARE(quint8(frame.at(frame.size() - 1)), quint8(crc >> 8));
        int consumed = 0;
        const ParsedLongFrame f = FrameCodec::decodeLongFrame(frame, consumed);
        QVERIFY(f.valid);
        QCOMPARE(consumed, frame.size());
        QCOMPARE(f.payload, payload);

        const QByteArray max = FrameCodec::encodeLongFrame(seq, 4, 1, 0x99, QByteArray(65535, 1));
        QCOMPARE(FrameCodec::decodeLongFrame(max, consumed).valid, true);
        QCOMPARE(consumed, 65535 + 13);
    }

    void shortDecoderWaitsAndSkips()
    {
        const QByteArray frame = shortFrame(0x0203, "hello");
        int consumed = -1;

        // Too short, or no start byte at all: keep everything.
        QVERIFY(!FrameCodec::decodeShortFrame(frame.left(11), consumed).valid);
        QCOMPARE(consumed, 0);
        QVERIFY(!FrameCodec::decodeShortFrame(QByteArray(40, '\x11'), consumed).valid);
        QCOMPARE(consumed, 0);
        // A start byte with fewer than 12 bytes behind it: wait, garbage kept too.
        QVERIFY(!FrameCodec::decodeShortFrame(QByteArray(10, 'g') + frame.left(5), consumed).valid);
        QCOMPARE(consumed, 0);

        // Garbage before a complete frame goes with it in one call.
        const QByteArray garbage("\x01\x02\x03", 3);
        ParsedFrame f = FrameCodec::decodeShortFrame(garbage + frame, consumed);
        QVERIFY(f.valid);
        QCOMPARE(consumed, 3 + frame.size());
        QCOMPARE(f.payload, QByteArray("hello"));
        // ...before an incomplete one it goes alone and the frame waits.
        f = FrameCodec::decodeShortFrame(garbage + frame.left(14), consumed);
        QVERIFY(!f.valid);
        QCOMPARE(consumed, 3);
    }

    void badChecksumCostsOneByte()
    {
        QByteArray broken = shortFrame(0x0203, "abc");
        broken[broken.size() - 1] = char(broken.at(broken.size() - 1) ^ 0x55);
        const QByteArray good = shortFrame(0x0405, "xyz", 3);
        int consumed = 0;
        const ParsedFrame f = FrameCodec::decodeShortFrame(broken + good, consumed);
        QVERIFY(!f.valid);
        QCOMPARE(consumed, 1);

        QByteArray buffer = broken + good;
        const QList<ParsedFrame> frames = drain(buffer);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.at(0).messageId, quint32(0x0405));
        QCOMPARE(frames.at(0).sequence, quint8(3));
        QVERIFY(buffer.isEmpty());
    }

    void backToBackAndStartBytesInPayload()
    {
        const QByteArray a = shortFrame(0x0001, QByteArray("\xFD\xFD\x00\xFD", 4));
        const QByteArray b = shortFrame(0x010002, QByteArray(255, '\xFD'), 1);
        QByteArray buffer = a + b;
        const QList<ParsedFrame> frames = drain(buffer);
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames.at(0).payload, QByteArray("\xFD\xFD\x00\xFD", 4));
        QCOMPARE(frames.at(1).messageId, quint32(0x010002));
        QCOMPARE(FrameCodec::frameKind(frames.at(1).messageId), quint8(1));
        QCOMPARE(frames.at(1).payload.size(), 255);
    }

    void decoderKeepsUncheckedHeaderBytes()
    {
        // Flag and id bytes are copied, never checked.
        quint8 seq = 0x42;
        QByteArray frame = FrameCodec::encodeShortFrame(seq, 0x99, 0x77, 0x123456, "p");
        frame[5] = char(0x33);
        frame[6] = char(0x44);
        const quint16 crc = FrameCodec::crc16(frame.constData() + 1, quint16(frame.size() - 3));
        frame[frame.size() - 2] = char(crc & 0xFF);
        frame[frame.size() - 1] = char(crc >> 8);
        int consumed = 0;
        const ParsedFrame f = FrameCodec::decodeShortFrame(frame, consumed);
        QVERIFY(f.valid);
        QCOMPARE(f.flags1, quint8(0x99));
        QCOMPARE(f.flags2, quint8(0x77));
        QCOMPARE(f.sequence, quint8(0x42));
        QCOMPARE(f.idByte1, quint8(0x33));
        QCOMPARE(f.idByte2, quint8(0x44));
        QCOMPARE(f.messageId, quint32(0x123456));
    }

    void longDecoderWaitsAndSkips()
    {
        quint8 seq = 0;
        const QByteArray frame =
            FrameCodec::encodeLongFrame(seq, 4, 1, 0x0777, QByteArray(300, 'q'));
        int consumed = -1;
        QVERIFY(!FrameCodec::decodeLongFrame(frame.left(12), consumed).valid);
        QCOMPARE(consumed, 0);
        QVERIFY(!FrameCodec::decodeLongFrame(QByteArray("ab") + frame.left(100), consumed).valid);
        QCOMPARE(consumed, 2);
        QByteArray broken = frame;
        broken[20] = 'Q';
        QVERIFY(!FrameCodec::decodeLongFrame(broken, consumed).valid);
        QCOMPARE(consumed, 1);
        // A short frame is not a long one: its length byte pair reads differently.
        QVERIFY(!FrameCodec::decodeLongFrame(shortFrame(1, QByteArray(20, 'a')), consumed).valid);
    }
};

class LinkPayloadTest : public QObject
{
    Q_OBJECT
private slots:
    void writersAreLittleEndian()
    {
        QByteArray out;
        Payload::appendU8(out, 0x1FF);
        Payload::appendU16(out, 0x1234);
        Payload::appendS16(out, -2);
        Payload::appendU32(out, 0xA1B2C3D4u);
        Payload::appendS32(out, -1);
        Payload::appendBytes(out, QByteArray("\x00z", 2));
        QCOMPARE(out, hex("FF3412FEFFD4C3B2A1FFFFFFFF007A"));

        Payload::writeU16At(out, 1, 0xBEEF);
        QCOMPARE(Payload::readU16(out, 1), quint16(0xBEEF));
        Payload::writeU32At(out, 5, 0x01020304);
        QCOMPARE(Payload::readU32(out, 5), quint32(0x01020304));
        const QByteArray before = out;
        Payload::writeU16At(out, out.size() - 1, 0xFFFF);
        Payload::writeU32At(out, out.size() - 3, 0xFFFFFFFF);
        Payload::writeU16At(out, -1, 0xFFFF);
        QCOMPARE(out, before);
    }

    void readersStayInside()
    {
        const QByteArray in = hex("0102FEFF80");
        QCOMPARE(Payload::readU8(in, 4), quint8(0x80));
        QCOMPARE(Payload::readU8(in, 5), quint8(0));
        QCOMPARE(Payload::readU8(in, -1), quint8(0));
        QCOMPARE(Payload::readU16(in, 0), quint16(0x0201));
        QCOMPARE(Payload::readS16(in, 2), qint16(-2));
        QCOMPARE(Payload::readU16(in, 4), quint16(0));
        QCOMPARE(Payload::readU32(in, 1), quint32(0x80FFFE02));
        QCOMPARE(Payload::readS32(in, 2), qint32(0));
        QCOMPARE(Payload::readU32(in, 2), quint32(0));
        QCOMPARE(Payload::readBytes(in, 3, 2), hex("FF80"));
        QVERIFY(Payload::readBytes(in, 3, 3).isEmpty());
        QVERIFY(Payload::readBytes(in, 0, -1).isEmpty());
        QVERIFY(Payload::readBytes(in, 2147483647, 10).isEmpty());
    }

    void fixedStrings()
    {
        QByteArray out;
        Payload::appendFixedString(out, QStringLiteral("ab"), 4);
        QCOMPARE(out, QByteArray("ab\0\0", 4));
        out.clear();
        // Cut by bytes, even inside a character.
        Payload::appendFixedString(out, QStringLiteral("中文"), 4);
        QCOMPARE(out.size(), 4);
        QCOMPARE(out.left(3), QStringLiteral("中").toUtf8());
        out.clear();
        Payload::appendFixedString(out, QStringLiteral("x"), 0);
        QVERIFY(out.isEmpty());

        const QByteArray in = QByteArray("ab\0cd", 5) + QStringLiteral("名").toUtf8();
        QCOMPARE(Payload::readFixedString(in, 0, 5), QStringLiteral("ab"));
        QCOMPARE(Payload::readFixedString(in, 5, 3), QStringLiteral("名"));
        QCOMPARE(Payload::readFixedString(in, 3, 2), QStringLiteral("cd"));
        QVERIFY(Payload::readFixedString(in, 5, 4).isEmpty());
    }

    void numericHelpers()
    {
        QCOMPARE(Payload::clampInt(5, 0, 3), 3);
        QCOMPARE(Payload::clampInt(-5, 0, 3), 0);
        QCOMPARE(Payload::clampInt(2, 0, 3), 2);
        QCOMPARE(Payload::toCentiUnits(1.005f), 100); // 1.005f is just below 1.005
        QCOMPARE(Payload::toCentiUnits(0.125f), 13);  // exact half, away from zero
        QCOMPARE(Payload::toCentiUnits(12.34f), 1234);
        QCOMPARE(Payload::toCentiUnits(-0.5f), 0);
        QCOMPARE(Payload::toCentiUnits(400.0f), 32767);
        QCOMPARE(Payload::toCentiUnits(std::numeric_limits<float>::quiet_NaN()), 0);
        QCOMPARE(Payload::toCentiUnits(std::numeric_limits<float>::infinity()), 32767);
    }
};

SKYRIG_REGISTER_TEST(LinkFrameCodecTest)
SKYRIG_REGISTER_TEST(LinkPayloadTest)

#include "tst_frame_codec.moc"
