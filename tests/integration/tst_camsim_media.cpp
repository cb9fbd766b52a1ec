// The simulator's memory card and download channel: the list in both styles,
// windows of packets as the program's receiver expects them, files coming out
// byte for byte, thumbnails, deletes and capture adding real files.
#ifdef SKYRIG_HAS_CAMSIM_CORE

#include "CamsimHarness.h"
#include "MediaHarness.h"
#include "album/MediaListParser.h"
#include "camsim/ClipEncoder.h"
#include "camsim/DatagramChannel.h"
#include "camsim/FaultInjector.h"
#include "camsim/LoopbackRule.h"
#include "camsim/MediaCard.h"
#include "camsim/MediaLibraryGenerator.h"
#include "camsim/MediaSender.h"
#include "camsim/SimCamera.h"
#include "common/TestMain.h"

#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QTemporaryDir>

extern "C" {
#include <libavutil/log.h>
}

using namespace media_test;
using camsim_test::bytes;
using camsim_test::result;
using camsim_test::resultOf;

namespace
{

const QString Root = QString::fromLatin1(MediaCard::DeviceRoot);

// The device paths of a media list, as the program reads it.
QStringList paths(const QByteArray &list)
{
    QStringList out;
    for (const QVariant &item : MediaListParser::parse(list))
        out << item.toMap().value(QStringLiteral("path")).toString();
    return out;
}

// A sender on a fault-free loopback media channel, and a receiver for it.
struct SenderRig {
    DatagramChannel channel{QStringLiteral("media"), false, {}, 1};
    MediaSender sender;
    MediaReceiver rx;
    QSignalSpy windows{&sender, &MediaSender::windowSent};
    bool opened = false;

    explicit SenderRig(double mbps) : sender(&channel, mbps)
    {
        QString error;
        opened = channel.open(QHostAddress(QHostAddress::LocalHost), &error);
    }
    MediaRequest send(const QByteArray &data, int packetSize, int start = 0, int count = 255)
    {
        MediaRequest r;
        r.data = data;
        r.size = data.size();
        r.packetSize = packetSize;
        r.startSeq = quint32(start);
        r.count = count;
        sender.start(r, QHostAddress(QHostAddress::LocalHost), rx.port());
        return r;
    }
};

} // namespace

class CamsimMediaTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_card;
    QByteArray m_big;

    SimOptions options(SimOptions::ListStyle style = SimOptions::ListStyle::Loose) const
    {
        SimOptions o;
        o.listStyle = style;
        return o;
    }

    bool openCard(MediaCard &card) const
    {
        QString error;
        return card.openFolder(m_card, &error);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_card = m_dir.path() + QStringLiteral("/card");
        m_big = noise(300001, 7);
        QVERIFY(writeFile(m_card + QStringLiteral("/DCIM/PHOTO/big.jpg"), m_big));
        // A name that must be escaped in JSON.
        QVERIFY(writeFile(m_card + QStringLiteral("/DCIM/PHOTO/照片 \"1\".JPG"), noise(10, 1)));
        QVERIFY(writeFile(m_card + QStringLiteral("/DCIM/notes.txt"), "not media"));
        QString error;
        QVERIFY2(MediaLibraryGenerator::writePhoto(m_card + QStringLiteral("/DCIM/PHOTO/sky.jpg"),
                                                   3, QSize(640, 360), 1717236000000, &error),
                 qPrintable(error));
        av_log_set_level(AV_LOG_ERROR);
        QVERIFY(QDir().mkpath(m_card + QStringLiteral("/DCIM/VIDEO")));
        ClipEncoder::Settings clip;
        clip.frameCount = 50;
        QVERIFY2(MediaLibraryGenerator::writeClip(m_card + QStringLiteral("/DCIM/VIDEO/clip.mp4"),
                                                  clip, 1, &error),
                 qPrintable(error));
    }

    void listParsesInBothStyles_data()
    {
        QTest::addColumn<int>("style");
        QTest::newRow("strict") << int(SimOptions::ListStyle::Strict);
        QTest::newRow("loose") << int(SimOptions::ListStyle::Loose);
    }

    void listParsesInBothStyles()
    {
        QFETCH(int, style);
        MediaCard card;
        QVERIFY(openCard(card));
        QCOMPARE(card.count(), 4); // the text file is not media
        SimCamera cam(options(SimOptions::ListStyle(style)));
        cam.setCard(&card);
        QCOMPARE(resultOf(cam.handleCommand(0x032B, bytes({1, 0}), 0)), quint16(0));
        QCOMPARE(resultOf(cam.handleCommand(0x032C, bytes({1, 0}), 0)), quint16(0));
        QCOMPARE(resultOf(cam.handleCommand(0x032E, downloadPayload({}, 1, 64000, 0, 255), 0)),
                 quint16(0));
        const QVector<MediaRequest> requests = cam.takeMediaRequests();
        QCOMPARE(requests.size(), 1);
        const QByteArray list = requests.first().data;
        QCOMPARE(requests.first().size, qint64(list.size()));

        // Either style reads the same in the program's own parser.
        const bool strict = style == int(SimOptions::ListStyle::Strict);
        QCOMPARE(QJsonDocument::fromJson(list).isArray(), strict);
        QCOMPARE(list.startsWith("JSON"), !strict);
        const QVariantList items = MediaListParser::parse(list);
        QCOMPARE(items.size(), card.count());
        int milliseconds = 0;
        for (const QVariant &v : items) {
            const QVariantMap o = v.toMap();
            const MediaCard::Entry *e = card.find(o.value(QStringLiteral("path")).toString());
            QVERIFY2(e, qPrintable(o.value(QStringLiteral("path")).toString()));
            QCOMPARE(o.value(QStringLiteral("filesize")).toLongLong(), e->size);
            qint64 mtime = o.value(QStringLiteral("mtime")).toLongLong();
            if (mtime > 1000000000000ll) {
                ++milliseconds;
                mtime /= 1000;
            }
            QCOMPARE(mtime, e->mtimeMs / 1000);
            QCOMPARE(o.value(QStringLiteral("duration")).toInt(), e->video ? 2 : 0);
        }
        QCOMPARE(milliseconds > 0, !strict);
        QVERIFY(card.find(Root + QStringLiteral("/DCIM/PHOTO/照片 \"1\".JPG")));
    }

    void requestsAreCheckedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<bool>("album");
        QTest::addColumn<quint16>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("requests");
        const QString big = Root + QStringLiteral("/DCIM/PHOTO/big.jpg");
        const auto row = [](const char *name, bool album, quint16 code, const QByteArray &p,
                            int expected, int requests) {
            QTest::newRow(name) << album << code << p << expected << requests;
        };
        const auto file = [&big](int type, int packetSize, quint32 start, int count) {
            return downloadPayload(big, type, packetSize, start, count);
        };
        const int invalid = SimCamera::InvalidParameter, notFound = SimCamera::NotFound;
        row("file", true, 0x032E, file(4, 57344, 0, 6), 0, 1);
        row("last window", true, 0x032E, file(4, 4096, 73, 255), 0, 1);
        row("outside album mode", false, 0x032E, file(4, 4096, 0, 1), SimCamera::NotReady, 0);
        row("abort in any mode", false, 0x032E, downloadPayload({}, 7, 0, 0, 0), 0, 1);
        row("packet size 0", true, 0x032E, file(4, 0, 0, 1), invalid, 0);
        row("packet beyond a datagram", true, 0x032E, file(4, 65490, 0, 1), invalid, 0);
        row("no packets", true, 0x032E, file(4, 4096, 0, 0), invalid, 0);
        row("unknown type", true, 0x032E, file(9, 4096, 0, 1), invalid, 0);
        row("window past the end", true, 0x032E, file(4, 4096, 74, 1), invalid, 0);
        row("no such file", true, 0x032E, downloadPayload(big + 'x', 5, 4096, 0, 1), notFound, 0);
        row("no such thumbnail", true, 0x032E, downloadPayload(big + 'x', 2, 40960, 0, 16),
            notFound, 0);
        row("path cut short", true, 0x032E, file(4, 4096, 0, 1).left(20), invalid, 0);
        row("delete outside album mode", false, 0x032D, pathPayload(big), SimCamera::NotReady, 0);
        row("delete a missing file", true, 0x032D, pathPayload(big + 'x'), notFound, 0);
        row("play a photo", true, 0x032F, pathPayload(big), invalid, 0);
        row("pause with nothing playing", true, 0x0331, pathPayload(big), SimCamera::NotReady, 0);
        row("album mode 3", true, 0x032B, bytes({3, 0}), invalid, 0);
    }

    void requestsAreCheckedBeforeAnythingIsSent()
    {
        QFETCH(bool, album);
        QFETCH(quint16, code);
        QFETCH(QByteArray, payload);
        QFETCH(int, expected);
        QFETCH(int, requests);
        MediaCard card;
        QVERIFY(openCard(card));
        SimCamera cam(options());
        cam.setCard(&card);
        if (album)
            cam.handleCommand(0x032B, bytes({1, 0}), 0);
        QCOMPARE(int(resultOf(cam.handleCommand(code, payload, 0))), expected);
        QCOMPARE(cam.takeMediaRequests().size(), requests);
        QCOMPARE(card.count(), 4); // nothing deleted
    }

    // Windows as the sender puts them on the line: a start packet, then the
    // asked-for packets of the asked-for size, the file's last one shorter.
    void windowsHonourSizeStartAndCount_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("packetSize");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("lastSize");
        QTest::newRow("100000 at 57344: one window of 2")
            << 100000 << 57344 << 0 << 2 << 2 << 100000 - 57344;
        QTest::newRow("count past the end") << 100000 << 57344 << 1 << 255 << 1 << 42656;
        QTest::newRow("middle window") << 300001 << 4096 << 10 << 5 << 5 << 4096;
        QTest::newRow("last window") << 300001 << 4096 << 73 << 255 << 1 << 993;
        QTest::newRow("last packet of 1 byte") << 4097 << 4096 << 0 << 255 << 2 << 1;
        QTest::newRow("exact multiple") << 8192 << 4096 << 0 << 255 << 2 << 4096;
        QTest::newRow("largest packet") << 200000 << MediaRequest::MaxDataPerPacket << 0 << 255 << 4
                                        << 200000 - 3 * MediaRequest::MaxDataPerPacket;
        QTest::newRow("empty file: start packet only") << 0 << 4096 << 0 << 255 << 0 << 0;
    }

    void windowsHonourSizeStartAndCount()
    {
        QFETCH(int, size);
        QFETCH(int, packetSize);
        QFETCH(int, start);
        QFETCH(int, count);
        QFETCH(int, expected);
        QFETCH(int, lastSize);
        SenderRig rig(0.0);
        QVERIFY(rig.opened);
        const MediaRequest r = rig.send(noise(size, 3), packetSize, start, count);
        const MediaReceiver &rx = rig.rx;
        QTRY_COMPARE_WITH_TIMEOUT(rx.packets.size(), expected + 1, 30000);
        QCOMPARE(rig.windows.count(), 1);
        QCOMPARE(rx.invalid, 0);
        QCOMPARE(rx.messageIds, QSet<quint32>{MediaSender::MessageId});
        QCOMPARE(rx.packets.first().type, 1);
        QCOMPARE(rx.packets.first().value, quint32(size));
        QCOMPARE(int(rx.packets.first().field), packetSize);
        for (int i = 0; i < expected; ++i) {
            const Packet &p = rx.packets.at(i + 1);
            QCOMPARE(p.type, 2);
            QCOMPARE(p.value, quint32(start + i));
            QCOMPARE(p.data, r.data.mid((start + i) * packetSize, packetSize));
            QVERIFY(p.datagramSize <= 65507);
        }
        if (expected > 0)
            QCOMPARE(rx.packets.last().data.size(), lastSize);
    }

    void abortStopsSending()
    {
        SenderRig rig(8.0); // 1 MB/s: 300 kB take 0.3 s
        QVERIFY(rig.opened);
        MediaReceiver &rx = rig.rx;
        rig.send(m_big, 4096);
        QTRY_VERIFY_WITH_TIMEOUT(rx.count(2) >= 5, 30000);
        rig.sender.abort();
        const int received = rx.count(2);
        QSignalSpy more(&rx.socket, &QUdpSocket::readyRead);
        QVERIFY(!more.wait(300));
        rx.drain();
        QVERIFY(rx.count(2) <= received + 1); // at most one already on its way
        QVERIFY(rx.count(2) < 60);
        QCOMPARE(rig.windows.count(), 0);
    }

    // Media goes to loopback only, unless remote peers are allowed. The
    // address is a documentation one: refused before anything is written.
    void remoteDestinationsAreRefused()
    {
        for (const char *a : {"127.0.0.1", "127.9.9.9", "::1", "::ffff:127.0.0.1", "localhost"})
            QVERIFY2(LoopbackRule::isLoopback(QString::fromLatin1(a)), a);
        for (const char *a : {"0.0.0.0", "::", "192.0.2.1", "::ffff:192.0.2.1", "", "camera.local"})
            QVERIFY2(!LoopbackRule::isLoopback(QString::fromLatin1(a)), a);

        SenderRig rig(0.0);
        QVERIFY(rig.opened);
        DatagramChannel &channel = rig.channel;
        QSignalSpy warned(&channel, &DatagramChannel::warning);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(channel.send("x", QHostAddress(QStringLiteral("192.0.2.1")), 6665),
                     DatagramChannel::Outcome::Refused);
        QCOMPARE(warned.count(), 1); // said once per destination
        QCOMPARE(channel.datagramsSent(), quint64(0));
        QCOMPARE(channel.send("x", QHostAddress(QHostAddress::LocalHost), rig.rx.port()),
                 DatagramChannel::Outcome::Sent);
    }

    void thumbnailsArePictures()
    {
        MediaCard card;
        QVERIFY(openCard(card));
        for (const char *name :
             {"/DCIM/PHOTO/sky.jpg", "/DCIM/VIDEO/clip.mp4", "/DCIM/PHOTO/big.jpg"}) {
            const QByteArray jpeg = card.thumbnail(Root + QLatin1String(name));
            QImage image;
            QVERIFY2(image.loadFromData(jpeg, "JPG"), name);
            QVERIFY(image.width() <= MediaLibraryGenerator::ThumbnailWidth);
            QVERIFY(image.height() <= MediaLibraryGenerator::ThumbnailHeight);
            QVERIFY(jpeg.size() < 40960 * 16); // fits the program's thumbnail request
        }
        QVERIFY(card.thumbnail(Root + QStringLiteral("/nothing.jpg")).isEmpty());
        MediaCard empty; // nothing to search: found nowhere, nothing removed
        QVERIFY(empty.thumbnail(Root + QStringLiteral("/DCIM/PHOTO/sky.jpg")).isEmpty());
        QVERIFY(!empty.remove(Root + QStringLiteral("/DCIM/PHOTO/sky.jpg")));
    }

    // A recording reports every second and uses up the card; stopped, it
    // becomes a clip of its length on the card (not in the user's folder),
    // listed once it is encoded.
    void recordingReportsAndBecomesAClip()
    {
        MediaCard card;
        QVERIFY(openCard(card));
        SimCamera cam(options(SimOptions::ListStyle::Strict));
        cam.setCard(&card);
        QSignalSpy added(&card, &MediaCard::entryAdded);
        const auto reports = [&cam](qint64 from, qint64 to) {
            QVector<QByteArray> out;
            for (qint64 t = from; t <= to; t += 10)
                for (const SimFrame &f : cam.advance(t))
                    if (f.messageId == 0x0303)
                        out.append(f.payload);
            return out;
        };
        cam.advance(0);
        const double freeBefore = cam.cardFreeMB();
        QByteArray record(54, '\0');
        record[1] = 1;
        QCOMPARE(resultOf(cam.handleCommand(0x0303, record, 0)), quint16(0));
        const QVector<QByteArray> running = reports(0, 3100);
        QCOMPARE(running.size(), 4); // at 0, 1, 2 and 3 s
        QCOMPARE(running.last(), bytes({0, 1, 3, 0}));
        QVERIFY(qAbs(freeBefore - cam.cardFreeMB() - 3.1 * SimCamera::RecordMBPerSecond) < 1.0);
        record[1] = 2;
        QCOMPARE(resultOf(cam.handleCommand(0x0303, record, 3100)), quint16(0));
        QCOMPARE(reports(3100, 3300), (QVector<QByteArray>{bytes({0, 0, 3, 0})}));
        QVERIFY(added.wait(60000));
        const MediaCard::Entry *e = card.find(added.first().first().toString());
        QVERIFY(e && e->video);
        QVERIFY2(qAbs(e->durationMs - 3100) <= 100, qPrintable(QString::number(e->durationMs)));
        QVERIFY(!e->localPath.startsWith(m_card));
        QCOMPARE(card.count(), 5);
        QVERIFY(card.listJson(SimOptions::ListStyle::Strict).contains("\"duration\":3"));
    }

    // Through the real process, with a folder of the user's as the card: the
    // client endpoint, album mode, a photo that becomes a file (not in that
    // folder), deletes that only hide the user's files.
    void albumThroughTheProcess()
    {
        CAMSIM_START(sim,
                     qPrintable(QStringLiteral("--media-list-style strict --media-dir ") + m_card));
        QVERIFY2(sim.readyLine.contains(QStringLiteral(" media=4 card=")),
                 qPrintable(sim.readyLine));
        camsim_test::Client c(sim.port);
        MediaReceiver rx;
        const auto list = [&] {
            rx.clear();
            if (result(c.request(0x032E, downloadPayload({}, 1, 64000, 0, 255))) != 0 ||
                !QTest::qWaitFor([&] { return rx.complete(); }, 30000))
                return QStringList();
            return paths(rx.assembled().left(int(rx.total)));
        };
        const QString big = Root + QStringLiteral("/DCIM/PHOTO/big.jpg");

        QCOMPARE(result(c.request(0x0334, clientPayload(1, rx.port()))), quint16(0));
        QCOMPARE(result(c.request(0x032B, bytes({1, 0}))), quint16(0));
        QCOMPARE(list().size(), 4);

        // A photo taken now is a real file on the card.
        QCOMPARE(result(c.request(0x0302, QByteArray(54, '\0'))), quint16(0));
        QStringList now;
        QVERIFY(QTest::qWaitFor([&] { return (now = list()).size() == 5; }, 30000));
        const QStringList added = now.filter(QStringLiteral("/IMG_"));
        QCOMPARE(added.size(), 1);
        rx.clear();
        QCOMPARE(result(c.request(0x032E, downloadPayload(added.first(), 4, 64000, 0, 255))),
                 quint16(0));
        QVERIFY(QTest::qWaitFor([&] { return rx.complete(); }, 30000));
        QImage photo;
        QVERIFY(photo.loadFromData(rx.assembled().left(int(rx.total)), "JPG"));
        QCOMPARE(photo.size(), QSize(1280, 720));
        QVERIFY(
            !QFileInfo::exists(m_card + QStringLiteral("/DCIM/PHOTO/") +
                               QFileInfo(added.first()).fileName())); // not in the user's folder

        // Deletes hide files of the user's folder; the files stay.
        QCOMPARE(result(c.request(0x032D, pathPayload(big))), quint16(0));
        QVERIFY(!list().contains(big));
        QCOMPARE(readFile(m_card + QStringLiteral("/DCIM/PHOTO/big.jpg")), m_big);
    }

    // The same faults on every run; --fault-channel decides where they apply.
    void faultsStayOnTheirChannels_data()
    {
        QTest::addColumn<QString>("channels");
        QTest::addColumn<bool>("control");
        QTest::addColumn<bool>("media");
        QTest::addColumn<bool>("playback");
        QTest::newRow("all by default") << QString() << true << true << true;
        QTest::newRow("playback") << QStringLiteral("--fault-channel playback") << false << false
                                  << true;
        QTest::newRow("control and media")
            << QStringLiteral("--fault-channel control --fault-channel media") << true << true
            << false;
    }

    void faultsStayOnTheirChannels()
    {
        QFETCH(QString, channels);
        QFETCH(bool, control);
        QFETCH(bool, media);
        QFETCH(bool, playback);
        CAMSIM_START(sim, qPrintable(QStringLiteral("--duplicate 0.4 --reorder 0.3 --attitude-hz "
                                                    "100 --playback-form framed --media-dir ") +
                                     m_card + QLatin1Char(' ') + channels));
        camsim_test::Client c(sim.port);
        MediaReceiver files, video;
        const QString big = Root + QStringLiteral("/DCIM/PHOTO/big.jpg");
        const QString clip = Root + QStringLiteral("/DCIM/VIDEO/clip.mp4");
        QCOMPARE(result(c.request(0x0334, clientPayload(1, files.port()))), quint16(0));
        QCOMPARE(result(c.request(0x0334, clientPayload(0, video.port()))), quint16(0));
        QCOMPARE(result(c.request(0x032B, bytes({1, 0}))), quint16(0));
        QCOMPARE(result(c.request(0x032F, pathPayload(clip))), quint16(0));
        QCOMPARE(result(c.request(0x032E, downloadPayload(big, 4, 4096, 0, 255))), quint16(0));
        QVERIFY(QTest::qWaitFor([&] { return files.complete(); }, 30000));
        QVERIFY(QTest::qWaitFor([&] { return video.datagrams.size() > 40; }, 30000));
        c.pump(100);
        QCOMPARE(files.assembled().left(int(files.total)), m_big);

        // Faults show as sequence numbers out of step: of the control link's
        // short frames, the media channel's data packets and the playback
        // channel's frames (a duplicated datagram repeats its number).
        const auto outOfStep = [](const QVector<int> &seq, int wrap) {
            int n = 0;
            for (int i = 1; i < seq.size(); ++i)
                n += seq.at(i) != (seq.at(i - 1) + 1) % wrap;
            return n;
        };
        QVector<int> controlSeq, mediaSeq, playbackSeq;
        for (const QByteArray &d : c.datagrams) {
            int consumed = 0;
            const ParsedFrame f = FrameCodec::decodeShortFrame(d, consumed);
            if (f.valid)
                controlSeq << f.sequence;
        }
        for (const Packet &p : files.packets)
            if (p.type == 2)
                mediaSeq << int(p.value);
        for (const QByteArray &d : video.datagrams)
            if (d.size() >= 16 && d.at(0) == char(0xFD))
                playbackSeq << quint8(d.at(5));
        const int controlFaults = outOfStep(controlSeq, 256);
        const int mediaFaults = outOfStep(mediaSeq, 1 << 30);
        const int playbackFaults = outOfStep(playbackSeq, 256);
        const QString counts = QString::asprintf("control %d, media %d, playback %d", controlFaults,
                                                 mediaFaults, playbackFaults);
        QVERIFY2((controlFaults > 0) == control, qPrintable(counts));
        QVERIFY2((mediaFaults > 0) == media, qPrintable(counts));
        QVERIFY2((playbackFaults > 0) == playback, qPrintable(counts));
    }

    // Without --media-dir the simulator makes a card of its own, complete
    // before it reports ready, so the list never waits for drawing or
    // encoding; the card goes away when the simulator stops.
    void generatedCardIsCompleteWhenReady()
    {
        QString folder;
        {
            CAMSIM_START(sim, "");
            static const QRegularExpression field(QStringLiteral(" media=(\\d+) card=(\\S+)"));
            const QRegularExpressionMatch m = field.match(sim.readyLine);
            QVERIFY2(m.hasMatch(), qPrintable(sim.readyLine));
            folder = QUrl::fromPercentEncoding(m.captured(2).toUtf8());
            QCOMPARE(m.captured(1).toInt(), MediaLibraryGenerator::expectedCount());
            const auto files = [&folder](const char *sub) {
                return QDir(folder + QLatin1String(sub)).entryList(QDir::Files).size();
            };
            QCOMPARE(files("/DCIM/PHOTO") + files("/DCIM/VIDEO"),
                     MediaLibraryGenerator::expectedCount());
            camsim_test::Client c(sim.port);
            MediaReceiver rx;
            QCOMPARE(result(c.request(0x0334, clientPayload(1, rx.port()))), quint16(0));
            QCOMPARE(result(c.request(0x032B, bytes({1, 0}))), quint16(0));
            QCOMPARE(result(c.request(0x032E, downloadPayload({}, 1, 64000, 0, 255))), quint16(0));
            QVERIFY(QTest::qWaitFor([&] { return rx.complete(); }, 30000));
            const QStringList items = paths(rx.assembled());
            QCOMPARE(items.size(), m.captured(1).toInt());
            QCOMPARE(items.filter(QRegularExpression(QStringLiteral("\\.(mp4|MP4)$"))).size(),
                     ClipEncoder::available(true) ? 5 : 3);
        }
        QVERIFY(!QFileInfo::exists(folder));
    }
};

SKYRIG_REGISTER_TEST(CamsimMediaTest)
#include "tst_camsim_media.moc"

#endif
