// The live decoder end to end against local files and loopback peers (the
// simulator's RTSP stream is the player test's).

#include "VideoStreamServers.h"
#include "VideoTestSupport.h"
#include "common/TestMain.h"
#include "video/VideoDecoder.h"

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

const QString Lost = QStringLiteral("Video stream interrupted, reconnecting");
const QString OpenFailed = QStringLiteral("Cannot open RTSP stream: ");

} // namespace

class VideoDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { skyrig_test::setChinese(false); }

    // Files play to their end and then count as a lost stream. `frames`: how
    // many the file holds. A file has no live edge: a consumer slower than
    // the pictures' rate (100 ms each) loses none of them to skipping.
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
        QString error;
        const QString path = fixture(file, &error);
        if (path.isEmpty())
            QSKIP(qPrintable(QStringLiteral("cannot make %1: %2").arg(file, error)));
        DecoderRun run(path);
        QObject::connect(
            &run.decoder, &VideoDecoder::frameReady, &run.decoder,
            [](const VideoFrame &) { QThread::msleep(100); }, Qt::DirectConnection);
        run.decoder.start();
        QVERIFY(run.finish(20000));
        QCOMPARE(run.decoder.counters()->skipped.load(), 0ULL);
        // Without demuxer buffering the packets the probe read are not
        // played again, so a file loses its first pictures.
        QVERIFY2(frames == 0 ? run.frames == 0 : run.frames >= 1 && run.frames <= frames,
                 qPrintable(QString::number(run.frames)));
        QCOMPARE(run.errors, QStringList{Lost});
        QVERIFY(!run.infos.isEmpty());
        QTEST(run.infos.first().codecName, "codec");
        QCOMPARE(QSize(run.infos.first().width, run.infos.first().height), size);
        if (frames > 0) {
            QVERIFY(run.last.isValid());
            QCOMPARE(QSize(run.last.width, run.last.height), size);
        }
    }

    // Packets that never make a picture (8192 wide) end at the picture
    // deadline; a stop at any stage ends well within the open's own deadline.
    void endings_data()
    {
        QTest::addColumn<QString>("peer"); // closed, silent, pictureless, looping
        QTest::addColumn<QString>("stop"); // never, before, when connected, after pictures
        QTest::addColumn<QString>("error");
        const auto row = [](const char *name, const char *peer, const char *stop,
                            const QString &error) {
            QTest::newRow(name) << QString(peer) << QString(stop) << error;
        };
        row("unreachable", "closed", "never", OpenFailed);
        row("packets without pictures", "pictureless", "never", Lost);
        row("stop before start", "silent", "before", QString());
        row("stop during open", "silent", "when connected", OpenFailed);
        row("stop during reading", "looping", "after pictures", QString());
    }

    void endings()
    {
        QFETCH(QString, peer);
        QFETCH(QString, stop);
        QFETCH(QString, error);
        SilentServer silent;
        std::unique_ptr<LoopingServer> looping;
        QString url = peer == "closed" ? closedPortUrl() : silent.url();
        VideoDecoder::Timing timing;
        if (peer == "pictureless" || peer == "looping") {
            const QString file = fixture(peer == "looping" ? "loop.h264" : "huge.h264");
            if (file.isEmpty())
                QSKIP("cannot make the stream");
            looping = std::make_unique<LoopingServer>(readFile(file));
            url = looping->url();
            timing.pictureMs = 700;
        }
        DecoderRun run(url, timing);
        if (stop == "before")
            run.decoder.requestStop();
        run.decoder.start();
        if (stop == "when connected")
            QTRY_COMPARE_WITH_TIMEOUT(silent.connections, 1, 15000);
        if (stop == "after pictures")
            QTRY_VERIFY_WITH_TIMEOUT(run.frames >= 5, 20000);
        if (stop != "never")
            run.decoder.requestStop();
        QVERIFY(run.finish(stop == "never" ? 15000 : 3000));
        QCOMPARE(run.errors.size(), error.isEmpty() ? 0 : 1);
        if (!error.isEmpty())
            QVERIFY2(run.errors.first().startsWith(error), qPrintable(run.errors.first()));
        if (peer == "pictureless")
            QCOMPARE(run.frames, 0);
        if (stop == "before")
            QCOMPARE(silent.connections, 0);
    }
};
SKYRIG_REGISTER_TEST(VideoDecoderTest)

#include "tst_decoder.moc"
