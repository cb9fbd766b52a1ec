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

QByteArray encode(bool isLong, quint32 id, const QByteArray &payload, quint8 &seq)
{
    return isLong ? FrameCodec::encodeLongFrame(seq, 0x04, 0x01, id, payload)
                  : FrameCodec::encodeShortFrame(seq, 0x04, 0x01, id, payload);
}

QByteArray encode(bool isLong, quint32 id, const QByteArray &payload)
{
    quint8 seq = 0;
    return encode(isLong, id, payload, seq);
}

} // namespace

class LinkFrameCodecTest : public QObject
{
    Q_OBJECT
private slots:
    void referenceFrame()
    {
        QCOMPARE(FrameCodec::crc16("123456789", 9), quint16(0x6F91));
        quint8 seq = 0;
        QCOMPARE(encode(false, 0x0018, {}, seq), hex("FD000401000101180000BB93"));
        QCOMPARE(seq, quint8(1));
        seq = 255;
        const QByteArray frame = FrameCodec::encodeShortFrame(seq, 0x99, 0x77, 0x123456, "p");
        QCOMPARE(frame.left(10), hex("FD019977FF0101563412")); // the number wraps after use
        QCOMPARE(seq, quint8(0));
        int consumed = 0;
        const ParsedFrame f = FrameCodec::decodeShortFrame(frame, consumed);
        QCOMPARE(QList<int>({f.valid, f.flags1, f.flags2, f.sequence, f.idByte1, f.idByte2}),
                 QList<int>({1, 0x99, 0x77, 0xFF, 1, 1}));
        QCOMPARE(f.messageId, quint32(0x123456));
    }

    void payloadLimits_data()
    {
        QTest::addColumn<bool>("isLong");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("fits");
        QTest::newRow("short 255") << false << 255 << true;
        QTest::newRow("short 256") << false << 256 << false;
        QTest::newRow("long 256") << true << 256 << true;
        // Above 65525 bytes the 16-bit checksum count wraps on both ends alike.
        QTest::newRow("long 65530") << true << 65530 << true;
        QTest::newRow("long 65536") << true << 65536 << false;
    }
    void payloadLimits()
    {
        QFETCH(bool, isLong);
        QFETCH(int, size);
        QFETCH(bool, fits);
        const QByteArray payload(size, '\xFD');
        quint8 seq = 7;
        const QByteArray frame = encode(isLong, 0x020304, payload, seq);
        QCOMPARE(seq, quint8(fits ? 8 : 7)); // only frames built use a number
        QCOMPARE(frame.size(), fits ? size + (isLong ? 13 : 12) : 0);
        if (!fits)
            return;
        QCOMPARE(Payload::readU16(frame, 1) & (isLong ? 0xFFFF : 0xFF), size);
        const quint16 crc = FrameCodec::crc16(frame.constData() + 1, quint16(frame.size() - 3));
        QCOMPARE(Payload::readU16(frame, frame.size() - 2), crc);
        int consumed = 0;
        if (isLong) {
            const ParsedLongFrame f = FrameCodec::decodeLongFrame(frame, consumed);
            QVERIFY(f.valid);
            QCOMPARE(FrameCodec::frameKind(f.messageId), quint8(0x02));
            QCOMPARE(f.payload, payload);
        } else {
            QVERIFY(FrameCodec::decodeShortFrame(frame, consumed).valid);
        }
        QCOMPARE(consumed, frame.size());
    }

    void decoderWaitsOrSkips_data()
    {
        QTest::addColumn<bool>("isLong");
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("consumed");
        const QByteArray s = encode(false, 0x0203, "hello");
        const QByteArray l = encode(true, 0x0777, QByteArray(300, 'q'));
        QByteArray badCrc = s, badLong = l;
        badCrc[badCrc.size() - 1] = char(badCrc.at(badCrc.size() - 1) ^ 0x55);
        badLong[20] = 'Q';
        QTest::newRow("under 12 bytes") << false << s.left(11) << false << 0;
        QTest::newRow("no start byte") << false << QByteArray(40, '\x11') << false << 0;
        QTest::newRow("start near end") << false << QByteArray(10, 'g') + s.left(5) << false << 0;
        QTest::newRow("garbage + frame") << false << "\1\2\3" + s << true << 3 + s.size();
        QTest::newRow("garbage + part") << false << "\1\2\3" + s.left(14) << false << 3;
        QTest::newRow("bad checksum") << false << badCrc + s << false << 1;
        QTest::newRow("long under 13") << true << l.left(12) << false << 0;
        QTest::newRow("long garbage + part") << true << "ab" + l.left(100) << false << 2;
        QTest::newRow("long bad checksum") << true << badLong << false << 1;
        QTest::newRow("short as long")
            << true << encode(false, 1, QByteArray(20, 'a')) << false << 0;
    }
    void decoderWaitsOrSkips()
    {
        QFETCH(bool, isLong);
        QFETCH(QByteArray, buffer);
        int consumed = -1;
        const bool valid = isLong ? FrameCodec::decodeLongFrame(buffer, consumed).valid
                                  : FrameCodec::decodeShortFrame(buffer, consumed).valid;
        QTEST(valid, "valid");
        QTEST(consumed, "consumed");
    }
};

class LinkPayloadTest : public QObject
{
    Q_OBJECT
private slots:
    void writersAndReaders()
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
        Payload::writeU32At(out, 5, 0x01020304);
        // Writes and reads that do not fit wholly inside change or read nothing.
        Payload::writeU16At(out, out.size() - 1, 0xFFFF);
        Payload::writeU32At(out, out.size() - 3, 0xFFFFFFFF);
        Payload::writeU16At(out, -1, 0xFFFF);
        QCOMPARE(out, hex("FFEFBEFEFF04030201FFFFFFFF007A"));

        QCOMPARE(Payload::readU32(out, 11), quint32(0x7A00FFFF));
        QCOMPARE(Payload::readU32(out, 12), quint32(0));
        QCOMPARE(Payload::readBytes(out, 13, 2), hex("007A"));
        QVERIFY(Payload::readBytes(out, 13, 3).isEmpty());
        QVERIFY(Payload::readBytes(out, 2147483647, 10).isEmpty());
    }

    void fixedStrings()
    {
        QByteArray out;
        Payload::appendFixedString(out, QStringLiteral("ab"), 4);
        Payload::appendFixedString(out, QStringLiteral("x"), 0);
        // Cut by bytes, even inside a character.
        Payload::appendFixedString(out, QStringLiteral("中文"), 4);
        QCOMPARE(out, QByteArray("ab\0\0", 4) + QStringLiteral("中").toUtf8() + "\xE6");

        const QByteArray in = QByteArray("ab\0cd", 5) + QStringLiteral("名").toUtf8();
        QCOMPARE(Payload::readFixedString(in, 0, 5), QStringLiteral("ab"));
        QCOMPARE(Payload::readFixedString(in, 5, 3), QStringLiteral("名"));
        QVERIFY(Payload::readFixedString(in, 5, 4).isEmpty());
    }

    void centiUnits()
    {
        QCOMPARE(Payload::toCentiUnits(1.005f), 100); // 1.005f is just below 1.005
        QCOMPARE(Payload::toCentiUnits(0.125f), 13);  // exact half, away from zero
        QCOMPARE(Payload::toCentiUnits(-0.5f), 0);
        QCOMPARE(Payload::toCentiUnits(400.0f), 32767);
        QCOMPARE(Payload::toCentiUnits(std::numeric_limits<float>::quiet_NaN()), 0);
        QCOMPARE(Payload::toCentiUnits(std::numeric_limits<float>::infinity()), 32767);
    }
};

SKYRIG_REGISTER_TEST(LinkFrameCodecTest)
SKYRIG_REGISTER_TEST(LinkPayloadTest)

#include "tst_frame_codec.moc"
