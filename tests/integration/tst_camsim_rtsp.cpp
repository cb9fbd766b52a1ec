// The simulator's live video as a viewer gets it: sessions opened and decoded
// with the same libraries the program uses, every wait bounded so a broken
// server fails a test instead of hanging it.

#include "CamsimHarness.h"
#include "common/TestMain.h"

#ifdef SKYRIG_TEST_HAS_RTSP_SERVER
#include "camsim/RtspServer.h"
#endif

#include <QProcess>
#include <QTcpServer>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

#include <functional>

using namespace camsim_test;

namespace
{

QString avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// One RTSP session over TCP with a decoder behind it. Every blocking call is
// cut short by the interrupt callback once the current deadline has passed.
class RtspReader
{
public:
    ~RtspReader() { close(); }

    bool open(const QString &url, int timeoutMs)
    {
        close();
        arm(timeoutMs);
        m_format = avformat_alloc_context();
        m_format->interrupt_callback.callback = &RtspReader::interrupted;
        m_format->interrupt_callback.opaque = this;
        AVDictionary *options = nullptr;
        av_dict_set(&options, "rtsp_transport", "tcp", 0);
        av_dict_set(&options, "timeout", "3000000", 0); // socket I/O, microseconds
        int rc = avformat_open_input(&m_format, url.toUtf8().constData(), nullptr, &options);
        av_dict_free(&options);
        if (rc < 0) {
            m_format = nullptr; // freed by the failed open
            return fail(QStringLiteral("open %1: %2").arg(url, avError(rc)));
        }
        rc = av_find_best_stream(m_format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (rc < 0)
            return fail(QStringLiteral("no video stream: %1").arg(avError(rc)));
        m_stream = rc;
        const AVCodecParameters *par = m_format->streams[m_stream]->codecpar;
        codec = par->codec_id;
        const AVCodec *decoder = avcodec_find_decoder(par->codec_id);
        if (!decoder)
            return fail(QStringLiteral("no decoder for %1").arg(avcodec_get_name(par->codec_id)));
        m_decoder = avcodec_alloc_context3(decoder);
        if (avcodec_parameters_to_context(m_decoder, par) < 0 ||
            avcodec_open2(m_decoder, decoder, nullptr) < 0)
            return fail(QStringLiteral("cannot open the decoder"));
        m_frame = av_frame_alloc();
        m_packet = av_packet_alloc();
        return true;
    }

    // Decodes `count` more pictures, handing each to `onFrame`.
    bool decode(int count, int timeoutMs,
                const std::function<void(const AVFrame *)> &onFrame = nullptr)
    {
        if (!m_packet)
            return fail(QStringLiteral("not open"));
        arm(timeoutMs);
        int got = 0;
        while (got < count) {
            const int rc = av_read_frame(m_format, m_packet);
            if (rc < 0)
                return fail(QStringLiteral("read after %1 of %2 pictures: %3")
                                .arg(got)
                                .arg(count)
                                .arg(avError(rc)));
            if (m_packet->stream_index == m_stream &&
                avcodec_send_packet(m_decoder, m_packet) == 0) {
                while (avcodec_receive_frame(m_decoder, m_frame) == 0) {
                    width = m_frame->width;
                    height = m_frame->height;
                    ++decoded;
                    ++got;
                    if (onFrame)
                        onFrame(m_frame);
                }
            }
            av_packet_unref(m_packet);
        }
        return true;
    }

    void close()
    {
        if (m_format)
            arm(3000); // the closing TEARDOWN is bounded too
        av_packet_free(&m_packet);
        av_frame_free(&m_frame);
        avcodec_free_context(&m_decoder);
        avformat_close_input(&m_format);
        m_stream = -1;
    }

    QString error;
    AVCodecID codec = AV_CODEC_ID_NONE;
    int width = 0;
    int height = 0;
    int decoded = 0;

private:
    void arm(int timeoutMs)
    {
        m_clock.start();
        m_timeoutMs = timeoutMs;
    }

    static int interrupted(void *self)
    {
        const auto *r = static_cast<RtspReader *>(self);
        return r->m_clock.elapsed() > r->m_timeoutMs ? 1 : 0;
    }

    bool fail(const QString &text)
    {
        error = text;
        return false;
    }

    AVFormatContext *m_format = nullptr;
    AVCodecContext *m_decoder = nullptr;
    AVFrame *m_frame = nullptr;
    AVPacket *m_packet = nullptr;
    int m_stream = -1;
    QElapsedTimer m_clock;
    qint64 m_timeoutMs = 0;
};

// Open, decode `frames` pictures and close; the reader keeps what it saw.
bool watch(RtspReader &reader, const QString &url, int frames)
{
    return reader.open(url, 10000) && reader.decode(frames, 15000);
}

// Pixels brighter than anything but the overlay text (the background is
// dark and the ball a mid-grey green) in the top left band, where the gimbal
// values are written.
int textPixels(const AVFrame *f)
{
    int count = 0;
    for (int y = 0; y < f->height / 8; ++y) {
        const uint8_t *row = f->data[0] + qint64(y) * f->linesize[0];
        for (int x = 0; x < f->width / 2; ++x)
            count += row[x] > 180 ? 1 : 0;
    }
    return count;
}

QByteArray lumaPlane(const AVFrame *f)
{
    QByteArray out;
    for (int y = 0; y < f->height; ++y)
        out.append(reinterpret_cast<const char *>(f->data[0] + qint64(y) * f->linesize[0]),
                   f->width);
    return out;
}

quint16 freeTcpPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool h265EncoderInstalled()
{
    for (const char *element : {"x265enc", "rtph265pay"}) {
        QProcess inspect;
        inspect.start(QStringLiteral("gst-inspect-1.0"),
                      {QStringLiteral("--exists"), QString::fromLatin1(element)});
        if (!inspect.waitForFinished(10000) || inspect.exitStatus() != QProcess::NormalExit ||
            inspect.exitCode() != 0)
            return false;
    }
    return true;
}

} // namespace

// The simulator as a separate process, as the program meets it.
class CamsimRtspStreamTest : public QObject
{
    Q_OBJECT

    // Starts the simulator with its RTSP server on a free loopback port and
    // returns the port. Another test may grab the port between the probe and
    // the simulator's bind, so a refused server is retried on a new one.
    static bool startWithRtsp(SimProcess &sim, quint16 *port, QString *error)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            *port = freeTcpPort();
            if (!sim.start({QStringLiteral("--rtsp-port"), QString::number(*port)}, error))
                return false;
            if (sim.readyLine.contains(QStringLiteral("rtsp=rtsp://127.0.0.1:%1/").arg(*port)))
                return true;
            sim.process.kill();
            sim.process.waitForFinished(3000);
            sim.readyLine.clear();
        }
        *error = QStringLiteral("the simulator never served RTSP: ") + sim.readyLine;
        return false;
    }

    static QString url(quint16 port, const char *path)
    {
        return QStringLiteral("rtsp://127.0.0.1:%1%2").arg(port).arg(QLatin1String(path));
    }

#define RTSP_SIM_START(sim, port)                                                                  \
    if (!simulatorBuilt())                                                                         \
        QSKIP("the simulator is not built (SKYRIG_BUILD_CAMSIM=OFF)");                             \
    SimProcess sim;                                                                                \
    quint16 port = 0;                                                                              \
    {                                                                                              \
        QString startError;                                                                        \
        QVERIFY2(startWithRtsp(sim, &port, &startError), qPrintable(startError));                  \
    }

private slots:
    void everyMountDeliversFullHdH264()
    {
        RTSP_SIM_START(sim, port);

        RtspReader reader;
        QByteArray first, last;
        QVERIFY2(reader.open(url(port, "/test"), 10000), qPrintable(reader.error));
        QVERIFY2(reader.decode(
                     12, 15000,
                     [&](const AVFrame *f) { (first.isEmpty() ? first : last) = lumaPlane(f); }),
                 qPrintable(reader.error));
        QCOMPARE(reader.codec, AV_CODEC_ID_H264);
        QCOMPARE(reader.width, 1920);
        QCOMPARE(reader.height, 1080);
        // The picture moves: a frozen source would repeat itself exactly.
        QVERIFY(first != last);
        reader.close();

        for (const char *path : {"/live/single", "/live0"}) {
            RtspReader other;
            QVERIFY2(watch(other, url(port, path), 3), qPrintable(other.error));
            QCOMPARE(other.codec, AV_CODEC_ID_H264);
            QCOMPARE(other.width, 1920);
        }

        // An unknown path is refused, promptly and without harm to the server.
        RtspReader unknown;
        QVERIFY(!unknown.open(url(port, "/nothing-here"), 10000));
        RtspReader again;
        QVERIFY2(watch(again, url(port, "/test"), 2), qPrintable(again.error));
    }

    void settingsReachOnlyLaterSessions()
    {
        RTSP_SIM_START(sim, port);
        Client control(sim.port);

        RtspReader before;
        QVERIFY2(watch(before, url(port, "/live0"), 2), qPrintable(before.error));

        // Stream resolution 1280x720 (written as 2 on this model).
        QCOMPARE(result(control.request(0x030A, QByteArray(1, '\x02'))), quint16(0));
        RtspReader after;
        QVERIFY2(watch(after, url(port, "/test"), 5), qPrintable(after.error));
        QCOMPARE(after.width, 1280);
        QCOMPARE(after.height, 720);

        // The session opened earlier keeps its picture size.
        QVERIFY2(before.decode(3, 15000), qPrintable(before.error));
        QCOMPARE(before.width, 1920);
        QCOMPARE(before.height, 1080);
        before.close();
        after.close();

        // A refused value changes nothing.
        QVERIFY(result(control.request(0x030A, QByteArray(1, '\x09'))) != 0);
        RtspReader unchanged;
        QVERIFY2(watch(unchanged, url(port, "/test"), 2), qPrintable(unchanged.error));
        QCOMPARE(unchanged.width, 1280);
        unchanged.close();

        // Encoding H.265 where the encoder exists; H.264 stays otherwise.
        QCOMPARE(result(control.request(0x030B, QByteArray(1, '\x01'))), quint16(0));
        RtspReader hevc;
        QVERIFY2(watch(hevc, url(port, "/test"), 5), qPrintable(hevc.error));
        QCOMPARE(hevc.codec, h265EncoderInstalled() ? AV_CODEC_ID_HEVC : AV_CODEC_ID_H264);
        QCOMPARE(hevc.width, 1280);
        QCOMPARE(hevc.height, 720);

        QCOMPARE(result(control.request(0x030B, QByteArray(1, '\x00'))), quint16(0));
        RtspReader back;
        QVERIFY2(watch(back, url(port, "/test"), 2), qPrintable(back.error));
        QCOMPARE(back.codec, AV_CODEC_ID_H264);
    }

    void stopsCleanlyWhileStreaming()
    {
        RTSP_SIM_START(sim, port);
        RtspReader a, b;
        QVERIFY2(a.open(url(port, "/test"), 10000), qPrintable(a.error));
        QVERIFY2(b.open(url(port, "/live/single"), 10000), qPrintable(b.error));
        QVERIFY2(a.decode(2, 15000), qPrintable(a.error));
        QVERIFY2(b.decode(2, 15000), qPrintable(b.error));

        sim.process.terminate();
        QVERIFY2(sim.process.waitForFinished(10000), "the simulator hangs on stop");
        QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process.exitCode(), 0);

        // The viewers see the end instead of waiting for ever.
        QVERIFY(!a.decode(1000, 10000));
    }
};
SKYRIG_REGISTER_TEST(CamsimRtspStreamTest)

#ifdef SKYRIG_TEST_HAS_RTSP_SERVER

// The server object on its own, inside the test process.
class CamsimRtspServerTest : public QObject
{
    Q_OBJECT

    static QString url(const RtspServer &server, const char *path = "/test")
    {
        return QStringLiteral("rtsp://127.0.0.1:%1%2")
            .arg(server.boundPort())
            .arg(QLatin1String(path));
    }

private slots:
    void servesOnlyLoopbackUnlessAllowed()
    {
        // These addresses are refused before any socket is made.
        for (const char *address : {"0.0.0.0", "192.168.144.25", "::", "", "camera.example"}) {
            RtspServer server(QString::fromLatin1(address), 0);
            QString error;
            QVERIFY2(!server.start(&error), address);
            QVERIFY(!error.isEmpty());
            QVERIFY(!server.isRunning());
        }
        for (const char *address : {"127.0.0.1", "localhost"}) {
            RtspServer server(QString::fromLatin1(address), 0);
            QString error;
            QVERIFY2(server.start(&error), qPrintable(error));
            QVERIFY(server.boundPort() != 0);
        }
    }

    void busyPortIsReportedAndRestartWorks()
    {
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
        const quint16 port = holder.serverPort();
        RtspServer blocked(QStringLiteral("127.0.0.1"), port);
        QString error;
        QVERIFY(!blocked.start(&error));
        QVERIFY2(error.contains(QString::number(port)), qPrintable(error));
        QVERIFY(!blocked.isRunning());
        holder.close();
        QVERIFY2(blocked.start(&error), qPrintable(error));
        QCOMPARE(blocked.boundPort(), port);

        RtspReader reader;
        QVERIFY2(watch(reader, url(blocked), 2), qPrintable(reader.error));
        reader.close();

        // Stopping twice is harmless, and a stopped server starts again.
        blocked.stop();
        blocked.stop();
        QVERIFY(!blocked.isRunning());
        QVERIFY2(blocked.start(&error), qPrintable(error));
        QVERIFY2(watch(reader, url(blocked, "/live0"), 2), qPrintable(reader.error));
    }

    void outOfRangeSettingsAreBroughtInside()
    {
        RtspServer server(QStringLiteral("127.0.0.1"), 0);
        server.setStreamSettings(StreamSettings{-4, 99999, false, 0});
        StreamSettings s = server.streamSettings();
        QCOMPARE(s.width, RtspServer::MinSide);
        QCOMPARE(s.height, RtspServer::MaxSide);
        QCOMPARE(s.bitrateKbps, RtspServer::MinBitrateKbps);
        server.setStreamSettings(StreamSettings{641, 361, false, 300});
        s = server.streamSettings();
        QCOMPARE(s.width, 640);
        QCOMPARE(s.height, 360);

        // An odd size would not even negotiate; the evened one streams.
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        RtspReader reader;
        QVERIFY2(watch(reader, url(server), 3), qPrintable(reader.error));
        QCOMPARE(reader.width, 640);
        QCOMPARE(reader.height, 360);
    }

    void overlayFollowsTheGimbal()
    {
        RtspServer server(QStringLiteral("127.0.0.1"), 0);
        server.setStreamSettings(StreamSettings{640, 360, false, 1500});
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));

        // Eights light up far more pixels than ones.
        auto litPixels = [&](int *count) {
            RtspReader reader;
            const bool ok =
                watch(reader, url(server), 1) &&
                reader.decode(2, 15000, [&](const AVFrame *f) { *count = textPixels(f); });
            if (!ok)
                qWarning() << reader.error;
            return ok;
        };
        int ones = 0, eights = 0, again = 0, afterNan = 0;
        server.setOverlay(111.11, -11.11, 1.1);
        QVERIFY(litPixels(&ones));
        server.setOverlay(888.88, -88.88, 8.8);
        QVERIFY(litPixels(&eights));
        server.setOverlay(111.11, -11.11, 1.1);
        QVERIFY(litPixels(&again));
        // Values that are not numbers are ignored rather than drawn.
        server.setOverlay(std::nan(""), 0, 1);
        QVERIFY(litPixels(&afterNan));

        const QString seen =
            QStringLiteral("%1 / %2 / %3 / %4").arg(ones).arg(eights).arg(again).arg(afterNan);
        QVERIFY2(eights > ones + ones / 10, qPrintable(seen));
        QVERIFY2(std::abs(ones - again) < ones / 20, qPrintable(seen));
        QVERIFY2(std::abs(ones - afterNan) < ones / 20, qPrintable(seen));
    }

    void stopWithViewersAttachedReturns()
    {
        auto server = std::make_unique<RtspServer>(QStringLiteral("127.0.0.1"), 0);
        server->setStreamSettings(StreamSettings{640, 360, false, 1000});
        QString error;
        QVERIFY2(server->start(&error), qPrintable(error));
        RtspReader a, b;
        QVERIFY2(watch(a, url(*server), 2), qPrintable(a.error));
        QVERIFY2(watch(b, url(*server, "/live/single"), 2), qPrintable(b.error));
        for (int i = 0; i < 200; ++i)
            server->setOverlay(i, -i, 1 + i / 10.0);

        QElapsedTimer t;
        t.start();
        server.reset(); // the destructor stops and joins the loop thread
        QVERIFY2(t.elapsed() < 10000, qPrintable(QString::number(t.elapsed())));
        QVERIFY(!a.decode(1000, 10000));
        QVERIFY(!b.decode(1000, 10000));
    }
};
SKYRIG_REGISTER_TEST(CamsimRtspServerTest)

#endif

#include "tst_camsim_rtsp.moc"
