// The simulator's playback channel: clips streamed as Annex B datagrams of at
// most 1400 bytes (raw and framed) that the program's receiver and decoder turn
// back into every picture, and the player's state in its status reports.
#ifdef SKYRIG_HAS_CAMSIM_CORE

#include "CamsimHarness.h"
#include "MediaHarness.h"
#include "album/PlaybackVideoDecoder.h"
#include "camsim/ClipEncoder.h"
#include "camsim/DatagramChannel.h"
#include "camsim/MediaCard.h"
#include "camsim/MediaLibraryGenerator.h"
#include "camsim/PlaybackPacketizer.h"
#include "camsim/PlaybackStreamer.h"
#include "camsim/SimCamera.h"
#include "common/TestMain.h"
#include "state/GimbalState.h"

#include <QTemporaryDir>

extern "C" {
#include <libavutil/log.h>
}

using namespace media_test;
using camsim_test::bytes;
using camsim_test::resultOf;

namespace
{

QByteArray annexB(const QVector<QByteArray> &nals)
{
    QByteArray out;
    for (const QByteArray &nal : nals)
        out += QByteArray("\x00\x00\x00\x01", 4) + nal;
    return out;
}

// A NAL unit as an encoder could write it: a header byte, then bytes with
// no start-code pattern (no two zero bytes in a row). `trap` puts the frame
// start byte where the first choice of split points would begin each
// continuation datagram.
QByteArray nal(int size, int header, quint32 seed, bool trap = false)
{
    QByteArray out = noise(size, seed);
    out[0] = char(header);
    for (int i = 1; i < out.size(); ++i)
        if (out.at(i) == 0 && out.at(i - 1) == 0)
            out[i] = 1;
    // Raw: 4 start-code bytes before the unit; framed: 11 header bytes too.
    for (int first : {1400 - 4, 1400 - 15})
        for (int at = first; trap && at < size; at += 1400)
            out[at] = char(0xFD);
    return out;
}

} // namespace

class CamsimPlaybackTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_h264, m_h265;

private slots:
    void initTestCase()
    {
        av_log_set_level(AV_LOG_ERROR);
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(m_dir.path() + QStringLiteral("/DCIM/VIDEO")));
        QString error;
        ClipEncoder::Settings clip;
        clip.frameCount = 50;
        m_h264 = m_dir.path() + QStringLiteral("/DCIM/VIDEO/a.mp4");
        QVERIFY2(MediaLibraryGenerator::writeClip(m_h264, clip, 2, &error), qPrintable(error));
        if (ClipEncoder::available(true)) {
            clip.h265 = true;
            clip.frameCount = 25;
            m_h265 = m_dir.path() + QStringLiteral("/DCIM/VIDEO/b.MP4");
            QVERIFY2(MediaLibraryGenerator::writeClip(m_h265, clip, 2, &error), qPrintable(error));
        }
    }

    // Whatever the NAL units, every datagram is at most 1400 bytes and the
    // program's receiver gives back exactly the units that went in.
    void packetsGiveBackTheUnits_data()
    {
        QTest::addColumn<int>("form");
        QTest::addColumn<QVector<QByteArray>>("nals");
        const QVector<QByteArray> small = {nal(20, 0x67, 1), nal(8, 0x68, 2), nal(300, 0x65, 3)};
        const QVector<QByteArray> hostile = {nal(9000, 0x65, 4, true)};
        const QVector<QByteArray> mixed = {nal(30, 0x67, 5), nal(1396, 0x65, 6), nal(1397, 0x41, 7),
                                           nal(64000, 0x41, 8), nal(2, 0x09, 9)};
        const QVector<QByteArray> huge = {nal(70000, 0x65, 10)};
        for (int form :
             {int(SimOptions::PlaybackForm::Raw), int(SimOptions::PlaybackForm::Framed)}) {
            const char *f = form == int(SimOptions::PlaybackForm::Raw) ? "raw" : "framed";
            QTest::addRow("%s small units", f) << form << small;
            QTest::addRow("%s 0xFD at every split", f) << form << hostile;
            QTest::addRow("%s mixed sizes", f) << form << mixed;
            QTest::addRow("%s unit beyond a frame", f) << form << huge;
        }
    }

    void packetsGiveBackTheUnits()
    {
        QFETCH(int, form);
        QFETCH(QVector<QByteArray>, nals);
        PlaybackPacketizer packetizer{SimOptions::PlaybackForm(form)};
        ProgramPlaybackReceiver rx;
        QByteArray stream;
        for (int i = 0; i < 3; ++i) { // the header forms rotate from unit to unit
            for (const QByteArray &d : packetizer.packetize(annexB(nals), i * 40, i == 0)) {
                QVERIFY2(d.size() <= PlaybackPacketizer::MaxDatagram,
                         qPrintable(QString::number(d.size())));
                stream += rx.take(d);
            }
        }
        QCOMPARE(PlaybackPacketizer::splitNalUnits(stream), nals + nals + nals);
    }

    void streamedClipsDecodeToPictures_data()
    {
        QTest::addColumn<bool>("h265");
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("fromMs");
        QTest::addColumn<int>("pictures");
        const int raw = int(SimOptions::PlaybackForm::Raw);
        const int framed = int(SimOptions::PlaybackForm::Framed);
        QTest::newRow("H.264 raw") << false << raw << 0 << 50;
        // From 1.5 s: the key frame at 1 s and what follows it up to 1.5 s go
        // at once, the rest in real time.
        QTest::newRow("H.264 framed from 1.5 s") << false << framed << 1500 << 25;
        QTest::newRow("H.265 framed") << true << framed << 0 << 25;
    }

    void streamedClipsDecodeToPictures()
    {
        QFETCH(bool, h265);
        QFETCH(int, form);
        QFETCH(int, fromMs);
        QFETCH(int, pictures);
        if (h265 && m_h265.isEmpty())
            QSKIP("no H.265 encoder in this FFmpeg build");
        DatagramChannel channel(QStringLiteral("playback"), false, {}, 1);
        QString error;
        QVERIFY(channel.open(QHostAddress(QHostAddress::LocalHost), &error));
        PlaybackStreamer streamer(&channel, SimOptions::PlaybackForm(form));
        QSignalSpy finished(&streamer, &PlaybackStreamer::finished);
        MediaReceiver socket; // used as a plain datagram sink here
        streamer.play(h265 ? m_h265 : m_h264, fromMs, QHostAddress(QHostAddress::LocalHost),
                      socket.port());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!socket.socket.hasPendingDatagrams(), 30000);
        socket.drain();
        // The program's own playback decoder; an access unit delimiter at
        // the end hands the parser's last unit over.
        PlaybackVideoDecoder decoder;
        QSize size; // written on the decoding thread, read once it has ended
        connect(
            &decoder, &PlaybackVideoDecoder::frameReady, this,
            [&size](const VideoFrame &f) { size = QSize(f.width, f.height); },
            Qt::DirectConnection);
        decoder.startDecoding();
        ProgramPlaybackReceiver rx;
        int largest = 0;
        for (const QByteArray &d : socket.datagrams) {
            largest = qMax(largest, int(d.size()));
            decoder.enqueue(rx.take(d));
        }
        decoder.enqueue(h265 ? QByteArray("\0\0\0\x01\x46\x01\x50", 7)
                             : QByteArray("\0\0\0\x01\x09\xF0", 6));
        QVERIFY2(largest <= 1400, qPrintable(QString::number(largest)));
        QTRY_COMPARE_WITH_TIMEOUT(decoder.decodedFrames(), pictures, 60000);
        QCOMPARE(int(decoder.codec()),
                 int(h265 ? PlaybackPayload::Codec::H265 : PlaybackPayload::Codec::H264));
        decoder.requestStop();
        QVERIFY(decoder.wait(60000));
        QCOMPARE(size, QSize(320, 180));
    }

    // The player's clock, driven step by step: reports every 500 ms as the
    // program's device state decodes them, pause, seek, resume, the end.
    void playerStateInStatusReports()
    {
        MediaCard card;
        QString error;
        QVERIFY(card.openFolder(m_dir.path(), &error));
        SimCamera cam(SimOptions{});
        cam.setCard(&card);
        const QString path =
            QString::fromLatin1(MediaCard::DeviceRoot) + QStringLiteral("/DCIM/VIDEO/a.mp4");
        GimbalState state;
        int reports = 0;
        const auto stepTo = [&](qint64 now) {
            for (const SimFrame &f : cam.advance(now))
                if (f.messageId == (0x0333u | (2u << 16))) {
                    state.updatePlaybackStatus(f.payload);
                    ++reports;
                }
        };
        const auto is = [&](const char *name) { return state.property(name).toInt(); };
        cam.advance(0);
        QCOMPARE(resultOf(cam.handleCommand(0x032F, pathPayload(path), 0)),
                 quint16(SimCamera::NotReady)); // album mode first
        cam.handleCommand(0x032B, bytes({1, 0}), 0);
        QCOMPARE(resultOf(cam.handleCommand(0x032F, pathPayload(path), 0)), quint16(0));
        QVector<MediaRequest> r = cam.takeMediaRequests();
        QCOMPARE(r.size(), 1);
        QCOMPARE(r.first().kind, MediaRequest::PlayStart);
        QCOMPARE(r.first().positionMs, qint64(0));
        stepTo(10);
        QCOMPARE(is("playbackPlayStatus"), 2);
        const int total = is("playbackTotalMs"); // 50 pictures at 25 per second
        QVERIFY2(total > 1900 && total <= 2000, qPrintable(QString::number(total)));
        stepTo(1100);
        QCOMPARE(is("playbackPosition"), 1000);

        cam.handleCommand(0x0331, pathPayload(path), 1200); // pause
        stepTo(1205);
        QCOMPARE(is("playbackPlayStatus"), SimCamera::PlayPaused);
        QCOMPARE(cam.takeMediaRequests().first().kind, MediaRequest::PlayPause);
        stepTo(5000);
        QCOMPARE(cam.playPositionMs(5000), qint64(1200));
        cam.handleCommand(0x032F, pathPayload(path), 5000); // resume where it paused
        QCOMPARE(cam.takeMediaRequests().first().positionMs, qint64(1200));
        cam.handleCommand(0x0331, pathPayload(path), 5000);
        cam.takeMediaRequests();

        QByteArray seek = bytes({0}) + QByteArray(4, '\0') + path.toUtf8();
        seek[0] = char(path.toUtf8().size());
        seek[1] = 0; // 0 s
        cam.handleCommand(0x0332, seek, 5000);
        stepTo(5005);
        QCOMPARE(is("playbackPosition"), 0);
        QVERIFY(cam.takeMediaRequests().isEmpty());         // paused: nothing streams
        cam.handleCommand(0x032F, pathPayload(path), 5000); // resume from there
        r = cam.takeMediaRequests();
        QCOMPARE(r.first().kind, MediaRequest::PlayStart);
        QCOMPARE(r.first().positionMs, qint64(0));
        seek[1] = 1; // 1 s while playing: streams from there
        cam.handleCommand(0x0332, seek, 5500);
        QCOMPARE(cam.takeMediaRequests().first().positionMs, qint64(1000));
        stepTo(6600);
        QCOMPARE(is("playbackPlayStatus"), SimCamera::PlayFinished);
        QCOMPARE(cam.takeMediaRequests().first().kind, MediaRequest::PlayPause);
        QCOMPARE(is("playbackPosition"), total / 1000 * 1000); // whole seconds on the wire
        const int finishedReports = reports;
        stepTo(7200);
        QCOMPARE(reports, finishedReports); // a finished file reports once

        // Deleting the file stops the player (one last idle report) and the
        // download of it.
        cam.handleCommand(0x032F, pathPayload(path), 7300);
        cam.handleCommand(0x032E, downloadPayload(path, 5, 4096, 0, 1), 7300);
        cam.handleCommand(0x032D, pathPayload(path), 7400);
        stepTo(7410);
        QCOMPARE(is("playbackPlayStatus"), SimCamera::PlayIdle);
        r = cam.takeMediaRequests();
        QCOMPARE(r.size(), 4);
        QCOMPARE(r.at(2).kind, MediaRequest::PlayStop);
        QCOMPARE(r.at(3).kind, MediaRequest::AbortTransfer);
        QCOMPARE(cam.playState(), SimCamera::PlayIdle);
    }
};

SKYRIG_REGISTER_TEST(CamsimPlaybackTest)
#include "tst_camsim_playback.moc"

#endif
