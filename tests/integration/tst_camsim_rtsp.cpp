// The simulator's live video as a viewer gets it: sessions opened and decoded
// with the same libraries the program uses, every wait bounded so a broken
// server fails a test instead of hanging it.

#include "CamsimHarness.h"
#include "common/TestMain.h"
#include "video/VideoDecoder.h"

#ifdef SKYRIG_TEST_HAS_RTSP_SERVER
#include "camsim/RtspServer.h"
#endif

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>

extern "C" {
#include <libavformat/avformat.h>
}

#include <memory>

using namespace camsim_test;

namespace
{

// One viewer of a stream through the program's own live decoder: how many
// pictures it handed over, the last one, the codec it named, and whether the
// connection has ended. Every wait is bounded.
class RtspReader
{
public:
    ~RtspReader() { close(); }

    // Opens `url` and waits for `frames` pictures. The deadlines are the
    // simulator's, not a camera's: on a busy machine its encoders (H.265
    // above all) may start or pause for longer than a camera is given.
    bool watch(const QString &url, int frames)
    {
        close();
        m_decoder = std::make_unique<VideoDecoder>();
        m_decoder->setUrl(url);
        VideoDecoder::Timing timing;
        timing.openMs = timing.pictureMs = 30000;
        m_decoder->setTiming(timing);
        // Over the RTSP connection, which ends when the simulator does.
        m_decoder->setTransport(StreamTransport::Tcp);
        m_context = std::make_unique<QObject>();
        VideoDecoder *d = m_decoder.get();
        QObject *c = m_context.get();
        QObject::connect(d, &VideoDecoder::frameReady, c, [this](const VideoFrame &f) {
            ++m_pictures;
            last = f;
        });
        QObject::connect(d, &VideoDecoder::streamInfoUpdated, c,
                         [this](const VideoStreamInfo &info) { codec = info.codecName; });
        QObject::connect(d, &VideoDecoder::errorOccurred, c,
                         [this](const QString &text) { error = text; });
        QObject::connect(d, &QThread::finished, c, [this] { m_ended = true; });
        m_ended = false;
        m_pictures = 0;
        error.clear();
        d->start();
        return decode(frames, 45000);
    }

    // Waits for `count` more pictures; false when the connection ends first.
    bool decode(int count, int timeoutMs = 30000)
    {
        const int wanted = m_pictures + count;
        if (!m_decoder ||
            !QTest::qWaitFor([&] { return m_pictures >= wanted || m_ended; }, timeoutMs) ||
            m_pictures < wanted) {
            error = QStringLiteral("%1 of %2 pictures: %3").arg(m_pictures).arg(wanted).arg(error);
            return false;
        }
        return true;
    }

    void close()
    {
        if (!m_decoder)
            return;
        m_decoder->requestStop();
        m_decoder->wait(10000);
        m_decoder.reset();
        m_context.reset(); // what the ended connection still had queued goes with it
    }

    QSize size() const { return QSize(last.width, last.height); }

    // Pixels brighter than anything but the overlay text (the background is
    // dark and the ball a mid-grey green) in the top left band, where the
    // gimbal values are written.
    int textPixels() const
    {
        int count = 0;
        for (int y = 0; y < last.height / 8; ++y)
            for (int x = 0; x < last.width / 2; ++x)
                count += quint8(last.yPlane.at(y * last.width + x)) > 180 ? 1 : 0;
        return count;
    }

    QString error;
    QString codec;
    VideoFrame last;

private:
    std::unique_ptr<QObject> m_context; // takes the decoder's signals on this thread
    std::unique_ptr<VideoDecoder> m_decoder;
    int m_pictures = 0;
    bool m_ended = false;
};

bool h265EncoderInstalled()
{
    for (const char *element : {"x265enc", "rtph265pay"}) {
        QProcess inspect;
        inspect.start(QStringLiteral("gst-inspect-1.0"), {"--exists", element});
        if (!inspect.waitForFinished(10000) || inspect.exitStatus() != QProcess::NormalExit ||
            inspect.exitCode() != 0)
            return false;
    }
    return true;
}

// The codec and picture size of a stream as libavformat finds them, with
// ceilings that allow for an H.265 encoder starting up on a busy machine.
// The analysis reads until it has the picture's size and format: with the
// library's default window it gave up with -1 ("Operation not permitted")
// when the window ran out before the encoder's first decodable picture.
struct StreamProbe {
    QString codec; // "h264", "hevc"
    QSize size;
    QString error;
};

StreamProbe probe(const QString &url)
{
    StreamProbe p;
    AVDictionary *options = nullptr;
    av_dict_set(&options, "rtsp_transport", "tcp", 0);
    av_dict_set(&options, "timeout", "30000000", 0);
    av_dict_set(&options, "analyzeduration", "30000000", 0);
    av_dict_set(&options, "probesize", "50000000", 0);
    AVFormatContext *format = nullptr;
    int rc = avformat_open_input(&format, url.toUtf8().constData(), nullptr, &options);
    av_dict_free(&options);
    if (rc >= 0)
        rc = avformat_find_stream_info(format, nullptr);
    if (rc < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {0};
        av_strerror(rc, text, sizeof text);
        p.error = QString::fromUtf8(text);
    }
    for (unsigned i = 0; rc >= 0 && i < format->nb_streams; ++i) {
        const AVCodecParameters *c = format->streams[i]->codecpar;
        if (c->codec_type == AVMEDIA_TYPE_VIDEO) {
            p.codec = QString::fromLatin1(avcodec_get_name(c->codec_id));
            p.size = QSize(c->width, c->height);
        }
    }
    avformat_close_input(&format);
    return p;
}

} // namespace

// The simulator as a separate process, as the program meets it.
class CamsimRtspStreamTest : public QObject
{
    Q_OBJECT

private slots:
    // Every mount streams a moving picture; settings reach only the sessions
    // opened after them; stopped with viewers attached, the simulator ends and
    // they see the end.
    void sessionsFollowSettingsAndStopCleanly()
    {
        if (!QFileInfo(simulatorPath()).isExecutable())
            QSKIP("the simulator is not built (SKYRIG_BUILD_CAMSIM=OFF)");
        SimProcess sim;
        quint16 port = 0;
        QString error;
        QVERIFY2(sim.startWithRtsp(&port, &error), qPrintable(error));
        RtspReader reader, live0;
        QVERIFY2(reader.watch(rtspUrl(port), 1), qPrintable(reader.error));
        const QByteArray first = reader.last.yPlane;
        QVERIFY2(reader.decode(11), qPrintable(reader.error));
        QCOMPARE(reader.codec, QStringLiteral("H.264"));
        QCOMPARE(reader.size(), QSize(1920, 1080));
        // The picture moves: a frozen source would repeat itself exactly.
        QVERIFY(first != reader.last.yPlane);
        QVERIFY2(live0.watch(rtspUrl(port, "/live0"), 3), qPrintable(live0.error));
        {
            RtspReader single;
            QVERIFY2(single.watch(rtspUrl(port, "/live/single"), 3), qPrintable(single.error));
        }

        // An unknown path is refused, promptly and without harm to the server.
        RtspReader later;
        QVERIFY(!later.watch(rtspUrl(port, "/nothing-here"), 1));

        // Stream resolution 1280x720 (written as 2 on this model); the
        // session opened earlier keeps its picture size.
        Client control(sim.port);
        QCOMPARE(result(control.request(0x030A, QByteArray(1, '\x02'))), quint16(0));
        QVERIFY2(later.watch(rtspUrl(port), 5), qPrintable(later.error));
        QCOMPARE(later.size(), QSize(1280, 720));
        later.close();
        QVERIFY2(live0.decode(3), qPrintable(live0.error));
        QCOMPARE(live0.size(), QSize(1920, 1080));

        // Encoding H.265 where the encoder exists; H.264 stays otherwise.
        QCOMPARE(result(control.request(0x030B, QByteArray(1, '\x01'))), quint16(0));
        const StreamProbe hevc = probe(rtspUrl(port));
        QVERIFY2(hevc.error.isEmpty(), qPrintable(hevc.error));
        QCOMPARE(hevc.codec,
                 h265EncoderInstalled() ? QStringLiteral("hevc") : QStringLiteral("h264"));
        QCOMPARE(hevc.size, QSize(1280, 720));

        sim.process.terminate();
        QVERIFY2(sim.process.waitForFinished(10000), "the simulator hangs on stop");
        QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process.exitCode(), 0);
        QVERIFY(!reader.decode(1000, 10000));
        QVERIFY(!live0.decode(1000, 10000));
    }

    // The headless front end's player: over UDP it plays at the
    // simulator's 30 pictures a second with a measured latency; where the
    // UDP media never arrives (dropped inside the simulator, as a firewall
    // would) or is refused, Auto falls back to TCP and plays, and says so.
    // The fallback is the player's own 2.5 s wait (well within 5 s); opening
    // over TCP is the simulator's and the library's work, and a loaded
    // machine may take longer over it.
    void skyrigctlPlaysOverEitherTransport_data()
    {
        QTest::addColumn<QString>("simulator");
        QTest::addColumn<QString>("transport");
        QTest::addColumn<QString>("carried");
        QTest::newRow("udp") << ""
                             << "udp"
                             << "udp";
        QTest::newRow("auto, udp dropped") << "--rtsp-udp drop"
                                           << "auto"
                                           << "tcp";
        QTest::newRow("auto, udp refused") << "--rtsp-udp refuse"
                                           << "auto"
                                           << "tcp";
    }

    void skyrigctlPlaysOverEitherTransport()
    {
        QFETCH(QString, simulator);
        QFETCH(QString, transport);
        QFETCH(QString, carried);
        if (!QFileInfo(simulatorPath()).isExecutable())
            QSKIP("the simulator is not built (SKYRIG_BUILD_CAMSIM=OFF)");
        SimProcess sim;
        quint16 port = 0;
        QString error;
        QVERIFY2(sim.startWithRtsp(&port, &error, words(qPrintable(simulator))), qPrintable(error));
        const Run run = runCtl(QStringList{"--lang", "en", "--transport", transport, "call",
                                           "videoPlayer.start", rtspUrl(port)} +
                                   words("until videoPlayer.status=Playing 30000 wait 2500 "
                                         "state videoPlayer.stats call videoPlayer.stop"),
                               60000);
        QVERIFY2(run.exitCode == 0, qPrintable(run.all()));
        const QString json = run.out.filter(QLatin1String("{\"videoPlayer.stats\"")).value(0);
        const QVariantMap stats = QJsonDocument::fromJson(json.toUtf8())
                                      .object()
                                      .value(QStringLiteral("videoPlayer.stats"))
                                      .toObject()
                                      .toVariantMap();
        QCOMPARE(stats.value("transport").toString(), carried);
        QCOMPARE(stats.value("transportChoice").toString(), transport);
        const double fps = stats.value("receivedFps").toDouble();
        // About the simulator's 30 a second: fewer where a loaded machine
        // encodes fewer; pictures a stall held back land in the next window,
        // so a window can count up to twice the rate, never more (the
        // arithmetic itself: tst_stats).
        QVERIFY2(fps > 8 && fps < 60, qPrintable(json));
        QCOMPARE(stats.value("latencyKind").toString(), QStringLiteral("measured"));
        QVERIFY2(stats.value("latencyMs").toInt() > 0, qPrintable(json));
        QCOMPARE(run.all().contains(QLatin1String("does not come over UDP here")),
                 carried != transport);
        QVERIFY2(run.all().contains(QLatin1String("log: [Video/Stats] ")), qPrintable(run.all()));
    }
};
SKYRIG_REGISTER_TEST(CamsimRtspStreamTest)

#ifdef SKYRIG_TEST_HAS_RTSP_SERVER

// The server object on its own, inside the test process.
class CamsimRtspServerTest : public QObject
{
    Q_OBJECT

private slots:
    void servesOnlyLoopbackAndReportsABusyPort()
    {
        // These addresses are refused before any socket is made.
        for (const char *address : {"0.0.0.0", "192.0.2.25", "::", "", "camera.example"}) {
            RtspServer server(QString::fromLatin1(address), 0);
            QString error;
            QVERIFY2(!server.start(&error), address);
            QVERIFY(!error.isEmpty());
            QVERIFY(!server.isRunning());
        }
        RtspServer byName(QStringLiteral("localhost"), 0);
        QString error;
        QVERIFY2(byName.start(&error), qPrintable(error));

        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
        const quint16 port = holder.serverPort();
        RtspServer blocked(QStringLiteral("127.0.0.1"), port);
        QVERIFY(!blocked.start(&error));
        QVERIFY2(error.contains(QString::number(port)), qPrintable(error));
        QVERIFY(!blocked.isRunning());
        holder.close();
        QVERIFY2(blocked.start(&error), qPrintable(error));
        QCOMPARE(blocked.boundPort(), port);

        // Stopping twice is harmless, and a stopped server starts again.
        blocked.stop();
        blocked.stop();
        QVERIFY(!blocked.isRunning());
        QVERIFY2(blocked.start(&error), qPrintable(error));
        RtspReader reader;
        QVERIFY2(reader.watch(rtspUrl(port, "/live0"), 2), qPrintable(reader.error));
    }

    void settingsAreBroughtInsideAndOverlayFollowsTheGimbal()
    {
        RtspServer server(QStringLiteral("127.0.0.1"), 0);
        server.setStreamSettings(StreamSettings{-4, 99999, false, 0});
        StreamSettings s = server.streamSettings();
        QCOMPARE(s.width, RtspServer::MinSide);
        QCOMPARE(s.height, RtspServer::MaxSide);
        QCOMPARE(s.bitrateKbps, RtspServer::MinBitrateKbps);
        // An odd size would not even negotiate; the evened one streams.
        server.setStreamSettings(StreamSettings{641, 361, false, 1500});
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));

        // Eights light up far more pixels than ones.
        QSize size;
        const auto litPixels = [&](double yaw, double pitch, double zoom) {
            server.setOverlay(yaw, pitch, zoom);
            RtspReader reader;
            if (!reader.watch(rtspUrl(server.boundPort()), 3))
                qWarning() << reader.error;
            size = reader.size();
            return reader.textPixels();
        };
        const int ones = litPixels(111.11, -11.11, 1.1);
        const int eights = litPixels(888.88, -88.88, 8.8);
        const int again = litPixels(111.11, -11.11, 1.1);
        // Values that are not numbers are ignored rather than drawn.
        const int afterNan = litPixels(std::nan(""), 0, 1);
        QCOMPARE(size, QSize(640, 360));
        const QString seen =
            QStringLiteral("%1 / %2 / %3 / %4").arg(ones).arg(eights).arg(again).arg(afterNan);
        QVERIFY2(ones > 0 && eights > ones + ones / 10, qPrintable(seen));
        QVERIFY2(std::abs(ones - again) < ones / 20, qPrintable(seen));
        QVERIFY2(std::abs(ones - afterNan) < ones / 20, qPrintable(seen));
    }
};
SKYRIG_REGISTER_TEST(CamsimRtspServerTest)

#endif

#include "tst_camsim_rtsp.moc"
