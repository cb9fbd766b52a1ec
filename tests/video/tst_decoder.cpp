// The live decoder end to end: the simulator's RTSP stream, local files made
// with the same libraries, loopback peers that stream forever or never
// answer, and stop requests at every stage.

#include "VideoStreamServers.h"
#include "VideoTestSupport.h"
#include "common/TestMain.h"
#include "video/VideoDecoder.h"

#ifdef SKYRIG_TEST_HAS_RTSP_SERVER
#include "camsim/RtspServer.h"
#endif

#include <QElapsedTimer>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace video_test;

namespace
{

// One decoder with everything it says collected.
struct DecoderRun {
    explicit DecoderRun(const QString &url, VideoDecoder::Timing timing = {})
    {
        decoder.setUrl(url);
        decoder.setTiming(timing);
        QObject::connect(&decoder, &VideoDecoder::frameReady, &decoder,
                         [this](const VideoFrame &f) {
                             ++frames;
                             last = f;
                         });
        QObject::connect(&decoder, &VideoDecoder::streamInfoUpdated, &decoder,
                         [this](const VideoStreamInfo &i) { infos.append(i); });
        QObject::connect(&decoder, &VideoDecoder::errorOccurred, &decoder,
                         [this](const QString &e) { errors.append(e); });
    }
    bool finish(int ms)
    {
        if (!decoder.isFinished() && !finished.wait(ms))
            return decoder.isFinished();
        QCoreApplication::processEvents(); // queued signals emitted before the end
        return true;
    }

    VideoDecoder decoder;
    QSignalSpy finished{&decoder, &QThread::finished};
    int frames = 0;
    VideoFrame last;
    QList<VideoStreamInfo> infos;
    QStringList errors;
};

} // namespace

class VideoDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QSettings().setValue(QStringLiteral("startup/isChinese"), false); }

    // Files play to their end and then count as a lost stream. `frames`: how
    // many the file holds.
    void localFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("frames");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("codec");
        QTest::newRow("odd size") << "odd.mkv" << 3 << QSize(1281, 721) << "FFV1";
        QTest::newRow("4:4:4 converted") << "yuv444.mkv" << 3 << QSize(320, 240) << "FFV1";
        QTest::newRow("h264") << "clip.mp4" << 30 << QSize(320, 240) << "H.264";
        QTest::newRow("mpeg4") << "mpeg4.avi" << 3 << QSize(176, 144) << "MPEG-4";
        QTest::newRow("8192 wide") << "huge.h264" << 0 << QSize(8192, 4320) << "H.264";
    }

    void localFiles()
    {
        QFETCH(QString, file);
        QFETCH(int, frames);
        QFETCH(QSize, size);
        QFETCH(QString, codec);
        QString error;
        const QString path = fixture(file, &error);
        if (path.isEmpty())
            QSKIP(qPrintable(QStringLiteral("cannot make %1: %2").arg(file, error)));
        DecoderRun run(path);
        run.decoder.start();
        QVERIFY(run.finish(20000));
        // Without demuxer buffering the packets the probe read are not
        // played again, so a file loses its first pictures.
        QVERIFY2(frames == 0 ? run.frames == 0 : run.frames >= 1 && run.frames <= frames,
                 qPrintable(QString::number(run.frames)));
        QCOMPARE(run.errors, QStringList{QStringLiteral("Video stream interrupted, reconnecting")});
        QVERIFY(!run.infos.isEmpty());
        QCOMPARE(run.infos.first().codecName, codec);
        QCOMPARE(QSize(run.infos.first().width, run.infos.first().height), size);
        if (frames > 0) {
            QVERIFY(run.last.isValid());
            QCOMPARE(QSize(run.last.width, run.last.height), size);
            QCOMPARE(run.last.uPlane.size(), ((size.width() + 1) / 2) * ((size.height() + 1) / 2));
        }
    }

    void unreachableAddressFailsAtOnce()
    {
        DecoderRun run(closedPortUrl());
        run.decoder.start();
        QVERIFY(run.finish(8000));
        QCOMPARE(run.errors.size(), 1);
        QVERIFY2(run.errors.first().startsWith(QLatin1String("Cannot open RTSP stream: ")) &&
                     run.errors.first().size() > 25,
                 qPrintable(run.errors.first()));
    }

    // Packets keep coming but no picture is ever accepted (8192 wide): the
    // picture deadline ends the connection as lost.
    void packetsWithoutPicturesEndAtDeadline()
    {
        const QString path = fixture(QStringLiteral("huge.h264"));
        if (path.isEmpty())
            QSKIP("cannot make the 8192-wide stream");
        LoopingServer server(readFile(path));
        VideoDecoder::Timing timing;
        timing.pictureMs = 700;
        DecoderRun run(server.url(), timing);
        QElapsedTimer clock;
        clock.start();
        run.decoder.start();
        QVERIFY(run.finish(15000));
        QCOMPARE(run.frames, 0);
        QCOMPARE(run.errors, QStringList{QStringLiteral("Video stream interrupted, reconnecting")});
        QVERIFY(clock.elapsed() >= 700);
    }

    // Stop requests: before the body ran (never lost, nothing opened),
    // during the open (ends with the open's failure), during reading (ends
    // without a word).
    void stopRequests_data()
    {
        QTest::addColumn<QString>("stage");
        QTest::newRow("before start") << "before";
        QTest::newRow("during open") << "open";
        QTest::newRow("during reading") << "reading";
    }

    void stopRequests()
    {
        QFETCH(QString, stage);
        SilentServer silent;
        std::unique_ptr<LoopingServer> looping;
        QString url = silent.url();
        if (stage == QLatin1String("reading")) {
            looping =
                std::make_unique<LoopingServer>(readFile(fixture(QStringLiteral("loop.h264"))));
            url = looping->url();
        }
        DecoderRun run(url);
        if (stage == QLatin1String("before"))
            run.decoder.requestStop();
        run.decoder.start();
        if (stage == QLatin1String("open"))
            QTRY_COMPARE_WITH_TIMEOUT(silent.connections, 1, 5000);
        if (stage == QLatin1String("reading"))
            QTRY_VERIFY_WITH_TIMEOUT(run.frames >= 5, 10000);
        QElapsedTimer clock;
        clock.start();
        run.decoder.requestStop();
        QVERIFY(run.finish(3000));
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        if (stage == QLatin1String("open")) {
            QCOMPARE(run.errors.size(), 1);
            QVERIFY(run.errors.first().startsWith(QLatin1String("Cannot open RTSP stream: ")));
        } else {
            QCOMPARE(run.errors, QStringList());
        }
        if (stage == QLatin1String("before")) {
            QCoreApplication::processEvents();
            QCOMPARE(silent.connections, 0);
            QCOMPARE(run.frames, 0);
        }
    }

    void simulatorStream()
    {
#ifndef SKYRIG_TEST_HAS_RTSP_SERVER
        QSKIP("built without the simulator's RTSP server (GStreamer missing)");
#else
        RtspServer server(QStringLiteral("127.0.0.1"), 0);
        StreamSettings settings;
        settings.width = 320;
        settings.height = 240;
        settings.bitrateKbps = 500;
        server.setStreamSettings(settings);
        QString error;
        if (!server.start(&error))
            QSKIP(qPrintable(error));
        DecoderRun run(QStringLiteral("rtsp://127.0.0.1:%1/test").arg(server.boundPort()));
        run.decoder.start();
        QTRY_VERIFY_WITH_TIMEOUT(run.frames >= 10, 15000);
        run.decoder.requestStop();
        QVERIFY(run.finish(3000));
        QCOMPARE(run.errors, QStringList());
        QCOMPARE(run.infos.first().codecName, QStringLiteral("H.264"));
        QCOMPARE(QSize(run.last.width, run.last.height), QSize(320, 240));
#endif
    }
};
SKYRIG_REGISTER_TEST(VideoDecoderTest)

#include "tst_decoder.moc"
