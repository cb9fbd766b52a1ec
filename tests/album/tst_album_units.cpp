#include "MediaPackets.h"
#include "album/LocalFileNames.h"
#include "album/MediaDownloadReceiver.h"
#include "album/MediaListParser.h"
#include "album/PlaybackPayload.h"
#include "album/PlaybackVideoReceiver.h"
#include "common/TestMain.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <limits>

using namespace album_test;

namespace
{

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

} // namespace

class AlbumUnitsTest : public QObject
{
    Q_OBJECT
private slots:
    void listParsing_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("type"); // empty: nothing listed
        QTest::addColumn<QString>("sizeText");
        QTest::addColumn<QString>("durationText");
        const auto row = [](const char *name, const QByteArray &text, const char *type,
                            const char *size, const char *duration) {
            QTest::newRow(name) << text << QString(type) << QString(size) << QString(duration);
        };
        row("word JSON, string size, ms time, trailing comma",
            R"(json [{"path":"/DCIM/A.MP4","filesize":"2048","mtime":1700000000123},])", "video",
            "2.0 KB", "");
        row("single object, seconds, duration, zero byte, exactly 1 MB",
            QByteArray(R"({"path":"/p/b.jpg","filesize":1048576,"mtime":1700000000,"duration":75})")
                .append('\0')
                .append("garbage"),
            "photo", "1.0 MB", "1:15");
        row("byte-order mark, skipped elements",
            "\xEF\xBB\xBF"
            R"([1,{"path":""},{"x":1},{"path":"c.mkv","filesize":5368709120,)"
            R"("mtime":1700000000}])",
            "video", "5.0 GB", "");
        row("size beyond any number", R"([{"path":"x.jpg","filesize":1e300,"mtime":1700000000}])",
            "photo", "0 B", "");
        row("not an array", R"({"path":1} {)", "", "", "");
        row("empty", QByteArray(), "", "", "");
    }
    void listParsing()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, type);
        const QVariantList items = MediaListParser::parse(text);
        QCOMPARE(items.size(), type.isEmpty() ? 0 : 1);
        if (type.isEmpty())
            return;
        const QVariantMap item = items.first().toMap();
        QCOMPARE(item.value("type").toString(), type);
        QTEST(item.value("sizeText").toString(), "sizeText");
        QCOMPARE(item.value("timeText").toString(),
                 QDateTime::fromSecsSinceEpoch(1700000000).toString("yyyy-MM-dd HH:mm"));
        QTEST(item.value("durationText").toString(), "durationText");
        QCOMPARE(item.keys().size(), 9);
        QCOMPARE(MediaListParser::sizeText(1023), QStringLiteral("1023 B"));
        QCOMPARE(MediaListParser::sizeText(1073741824), QStringLiteral("1.0 GB"));
    }

    // Whatever the camera calls a file, the result stays a plain name.
    void hostileNames_data()
    {
        QTest::addColumn<QString>("devicePath");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &path, const QString &expected) {
            QTest::newRow(name) << path << expected;
        };
        row("climbing out", "/DCIM/../../../etc/passwd", "passwd");
        row("other separators", "C:\\Users\\..\\evil.jpg", "evil.jpg");
        row("only dots", "/DCIM/..", "media");
        row("empty", "", "media");
        row("trailing slash", "/DCIM/", "media");
        row("device name", "/DCIM/con.mp4", "_con.mp4");
        row("device name with digit", "LPT1", "_LPT1");
        row("controls and reserved", "a\x01\x1f<b>:c?.jpg", "a_b__c_.jpg");
        row("trailing dots", "clip.mp4. . ", "clip.mp4");
        row("long", QString(300, QChar(0x4E2D)) + ".mp4", QString(58, QChar(0x4E2D)) + ".mp4");
        row("too long in bytes, not in characters", QString(100, QChar(0x4E2D)) + ".jpg",
            QString(58, QChar(0x4E2D)) + ".jpg");
    }
    void hostileNames()
    {
        QFETCH(QString, devicePath);
        const QString name = LocalFileNames::safeName(devicePath);
        QTEST(name, "expected");
        QVERIFY(name.toUtf8().size() <= LocalFileNames::MaxNameBytes);
    }

    void numberedNames()
    {
        QTemporaryDir dir;
        auto touch = [&](const QString &name) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        };
        QCOMPARE(LocalFileNames::freeName(dir.path(), "a.jpg"), QStringLiteral("a.jpg"));
        touch("a.jpg");
        QCOMPARE(LocalFileNames::freeName(dir.path(), "a.jpg"), QStringLiteral("a_1.jpg"));
        touch("a_1.jpg");
        QCOMPARE(LocalFileNames::freeName(dir.path(), "a.jpg"), QStringLiteral("a_2.jpg"));
        touch("noext");
        QCOMPARE(LocalFileNames::freeName(dir.path(), "noext"), QStringLiteral("noext_1"));
    }

    void payloadExtraction_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QByteArray>("payload");
        const QByteArray nal = hex("0000000167420029");
        QTest::newRow("bare start code") << nal << nal;
        QTest::newRow("frame, 5-byte prefix") << mediaFrame(hex("0102030405") + nal) << nal;
        QTest::newRow("frame, 7-byte prefix") << mediaFrame(hex("01020304050607") + nal) << nal;
        QByteArray cut = mediaFrame(hex("0102030405") + nal + QByteArray(40, 'x'));
        cut.chop(20);
        QTest::newRow("frame cut short") << cut << (nal + QByteArray(22, 'x'));
        QTest::newRow("bad checksum, found by search")
            << (QByteArray(16, '\x07') + hex("000001651234")) << hex("000001651234");
        QTest::newRow("no start code") << QByteArray(40, 'z') << QByteArray();
    }
    void payloadExtraction()
    {
        QFETCH(QByteArray, datagram);
        QTEST(PlaybackPayload::extract(datagram), "payload");
    }

    void nalProbe_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("codec");
        using C = PlaybackPayload::Codec;
        QTest::newRow("H.265 parameter sets")
            << hex("0000000140010c0000000142010100000001440100") << int(C::H265);
        QTest::newRow("H.264 SPS, PPS, IDR")
            << hex("000000016742001f0000000168ce3c80000000016588") << int(C::H264);
        QTest::newRow("64 KiB of nothing") << QByteArray(65536, '\x11') << int(C::H264);
        QTest::newRow("too little to tell") << QByteArray(100, '\x11') << int(C::Undecided);
    }
    void nalProbe()
    {
        QFETCH(QByteArray, stream);
        QTEST(int(PlaybackPayload::decide(stream)), "codec");
    }

    void continuation()
    {
        PlaybackVideoReceiver receiver;
        QSignalSpy spy(&receiver, &PlaybackVideoReceiver::annexBPayloadReady);
        const QByteArray plain(300, 'p');
        receiver.handleDatagram(hex("00000001") + QByteArray(1396, 'a')); // 1400 bytes
        receiver.handleDatagram(plain);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy.at(1).at(0).toByteArray(), plain);
        receiver.handleDatagram(hex("00000001") + QByteArray(996, 'a')); // 1000 bytes
        receiver.handleDatagram(plain);
        QCOMPARE(spy.size(), 3);
    }

    // Intake and order: single frames, frames cut short, frames split over
    // datagrams or packed together, held and repeated packets.
    void assembly()
    {
        MediaDownloadReceiver r;
        r.expectInMemory(1 << 20);
        r.setPacketSize(4);
        QSignalSpy done(&r, &MediaDownloadReceiver::fileCompleted);
        r.handleDatagram(mediaFrame(startPacket(14)));
        r.handleDatagram(mediaFrame(startPacket(99))); // a second start is ignored
        r.handleDatagram(mediaFrame(dataPacket(0, "abcd")));
        r.handleDatagram(mediaFrame(dataPacket(2, "ijkl")));
        QCOMPARE(r.heldCount(), 1);
        r.handleDatagram(mediaFrame(dataPacket(0, "XXXX"))); // repeated
        QByteArray cut = mediaFrame(dataPacket(1, "efgh"));
        cut.chop(3); // lost its end on the way: never written
        r.handleDatagram(cut);
        QCOMPARE(r.inconsistentPackets(), quint64(1));
        const QByteArray one = mediaFrame(dataPacket(1, "efgh"));
        r.handleDatagram(one.left(10));
        r.handleDatagram(one.mid(10) + mediaFrame(dataPacket(3, "mn")));
        QCOMPARE(done.size(), 1);
        QCOMPARE(done.at(0).at(0).toByteArray(), QByteArray("abcdefghijklmn"));
        QCOMPARE(r.totalSize(), 0);
        QCOMPARE(r.duplicatePackets(), quint64(1));
    }

    // A camera may pick its own packet size (here 3 bytes, 4 asked for) and
    // pad the last packet; packets that contradict the transfer are dropped.
    // "seq:data" in arrival order, 7 bytes in all.
    void ownPacketSize_data()
    {
        QTest::addColumn<QString>("packets");
        QTest::addColumn<int>("dropped");
        QTest::newRow("shorter than asked") << "0:abc 2:g 1:def" << 0;
        QTest::newRow("held before the size is known") << "2:g 1:def 0:abc" << 0;
        QTest::newRow("last one padded") << "0:abc 1:def 2:gXX" << 0;
        QTest::newRow("whole file in one padded packet") << "0:abcdefgXX" << 0;
        QTest::newRow("other sizes, beyond the end") << "0:abc 1:de 3:x 2:gXXX 1:def 2:g" << 3;
        QTest::newRow("held, then found wrong") << "1:de 0:abc 1:def 2:g" << 1;
    }
    void ownPacketSize()
    {
        QFETCH(QString, packets);
        MediaDownloadReceiver r;
        r.expectInMemory(1 << 20);
        r.setPacketSize(4);
        QSignalSpy done(&r, &MediaDownloadReceiver::fileCompleted);
        r.handleDatagram(mediaFrame(startPacket(7)));
        for (const QString &packet : packets.split(' ')) {
            const QStringList part = packet.split(':');
            r.handleDatagram(mediaFrame(dataPacket(part[0].toUInt(), part[1].toLatin1())));
        }
        QCOMPARE(done.size(), 1);
        QCOMPARE(done.at(0).at(0).toByteArray(), QByteArray("abcdefg"));
        QTEST(int(r.inconsistentPackets()), "dropped");
    }

    // A transfer the receiver cannot take is refused before a byte is
    // written. The start packet holds the size in 32 bits: a recording of
    // 4 GiB or more comes cut to its low bits or saturated, and the list's
    // size counts, so the file is not taken as complete at a fraction of it.
    void refusals_data()
    {
        using R = MediaDownloadReceiver::RefusalReason;
        QTest::addColumn<quint32>("size");
        QTest::addColumn<qint64>("listed");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<qint64>("reserve");
        QTest::addColumn<int>("reason"); // -1: taken
        const qint64 big = 5LL << 30, usual = MediaDownloadReceiver::DefaultDiskReserve;
        QTest::newRow("no size") << 0u << 0LL << 4096LL << usual << int(R::UnknownSize);
        QTest::newRow("over the limit") << 5000u << 0LL << 4096LL << usual << int(R::TooLarge);
        // A disk that cannot keep the reserve free: more than any disk holds.
        // A reserve measured against the free space failed whenever other
        // programs freed more than its margin in between.
        QTest::newRow("more than the disk")
            << 1000u << 0LL << 4096LL << std::numeric_limits<qint64>::max() / 2
            << int(R::NoDiskSpace);
        // The disk need not hold these.
        QTest::newRow("4 GiB or more, cut to 32 bits")
            << (1u << 30) << big << (1LL << 40) << -big << -1;
        QTest::newRow("4 GiB or more, saturated")
            << 0xFFFFFFFFu << big << (1LL << 40) << -big << -1;
    }
    void refusals()
    {
        QFETCH(quint32, size);
        QFETCH(qint64, listed);
        QFETCH(qint64, limit);
        QFETCH(qint64, reserve);
        QFETCH(int, reason);
        QTemporaryDir dir;
        MediaDownloadReceiver r;
        r.expectFile(dir.path(), "f.bin", limit, listed);
        r.setDiskReserve(reserve);
        QSignalSpy refused(&r, &MediaDownloadReceiver::transferRefused);
        r.handleDatagram(mediaFrame(startPacket(size)));
        if (reason < 0) {
            QVERIFY(r.active());
            QCOMPARE(r.totalSize(), listed);
            return;
        }
        r.handleDatagram(mediaFrame(dataPacket(0, "abcd")));
        QCOMPARE(refused.size(), 1);
        QCOMPARE(int(refused.at(0).at(0).value<MediaDownloadReceiver::RefusalReason>()), reason);
        QVERIFY(!r.active());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
    }

    // Files go to a partial file as they arrive; a reset leaves nothing.
    void partialFile()
    {
        QTemporaryDir dir;
        MediaDownloadReceiver r;
        auto files = [&] { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); };
        r.expectFile(dir.path(), "v.mp4", 1 << 20);
        r.handleDatagram(mediaFrame(startPacket(6)));
        r.handleDatagram(mediaFrame(dataPacket(0, "abc")));
        QCOMPARE(files(), QStringList{".v.mp4.part"});
        r.reset();
        QVERIFY(files().isEmpty());

        // The list says 6 bytes: a lone start packet of another size is a
        // leftover of an aborted transfer, until a later request confirms it.
        QSignalSpy written(&r, &MediaDownloadReceiver::fileWritten);
        r.expectFile(dir.path(), "v.mp4", 1 << 20, 6);
        r.handleDatagram(mediaFrame(startPacket(3)));
        r.handleDatagram(mediaFrame(startPacket(3)));
        QVERIFY(!r.active());
        r.handleDatagram(mediaFrame(startPacket(6)));
        QVERIFY(r.active());
        r.handleDatagram(mediaFrame(dataPacket(1, "def")));
        r.handleDatagram(mediaFrame(dataPacket(0, "abc")));
        QCOMPARE(written.size(), 1);
        QFile f(written.at(0).at(0).toString());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("abcdef"));
        r.reset(); // a finished file nobody took stays nowhere
        QVERIFY(files().isEmpty());
    }
};

SKYRIG_REGISTER_TEST(AlbumUnitsTest)
#include "tst_album_units.moc"
