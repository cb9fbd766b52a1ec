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

    bool open(const QString &url, int timeoutMs = 10000)
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
        m_stream = av_find_best_stream(m_format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (m_stream < 0)
            return fail(QStringLiteral("no video stream"));
        const AVCodecParameters *par = m_format->streams[m_stream]->codecpar;
        codec = par->codec_id;
        const AVCodec *decoder = avcodec_find_decoder(codec);
        m_decoder = decoder ? avcodec_alloc_context3(decoder) : nullptr;
        if (!m_decoder || avcodec_parameters_to_context(m_decoder, par) < 0 ||
            avcodec_open2(m_decoder, decoder, nullptr) < 0)
            return fail(QStringLiteral("cannot decode %1").arg(avcodec_get_name(codec)));
        m_frame = av_frame_alloc();
        m_packet = av_packet_alloc();
        return true;
    }

    // Decodes `count` more pictures; the last one's brightness stays in `luma`.
    bool decode(int count, int timeoutMs = 15000)
    {
        if (!m_packet)
            return fail(QStringLiteral("not open"));
        arm(timeoutMs);
        for (int got = 0; got < count;) {
            const int rc = av_read_frame(m_format, m_packet);
            if (rc < 0)
                return fail(QStringLiteral("read after %1 of %2 pictures: %3")
                                .arg(got)
                                .arg(count)
                                .arg(avError(rc)));
            if (m_packet->stream_index == m_stream &&
                avcodec_send_packet(m_decoder, m_packet) == 0) {
                for (; avcodec_receive_frame(m_decoder, m_frame) == 0; ++got) {
                    width = m_frame->width;
                    height = m_frame->height;
                    luma.clear();
                    for (int y = 0; y < height; ++y)
                        luma.append(reinterpret_cast<const char *>(m_frame->data[0]) +
                                        qint64(y) * m_frame->linesize[0],
                                    width);
                }
            }
            av_packet_unref(m_packet);
        }
        return true;
    }

    // Opens `url` and decodes `frames` pictures.
    bool watch(const QString &url, int frames) { return open(url) && decode(frames); }

    void close()
    {
        if (m_format)
            arm(3000); // the closing TEARDOWN is bounded too
        av_packet_free(&m_packet);
        av_frame_free(&m_frame);
        avcodec_free_context(&m_decoder);
        avformat_close_input(&m_format);
    }

    // Pixels brighter than anything but the overlay text (the background is
    // dark and the ball a mid-grey green) in the top left band, where the
    // gimbal values are written.
    int textPixels() const
    {
        int count = 0;
        for (int y = 0; y < height / 8; ++y)
            for (int x = 0; x < width / 2; ++x)
                count += quint8(luma.at(y * width + x)) > 180 ? 1 : 0;
        return count;
    }

    QString error;
    AVCodecID codec = AV_CODEC_ID_NONE;
    int width = 0;
    int height = 0;
    QByteArray luma;

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

QString url(quint16 port, const char *path = "/test")
{
    return QStringLiteral("rtsp://127.0.0.1:%1%2").arg(port).arg(QLatin1String(path));
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
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            *port = probe.serverPort();
            probe.close();
            if (!sim.start({"--rtsp-port", QString::number(*port)}, error))
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
        QVERIFY2(startWithRtsp(sim, &port, &error), qPrintable(error));
        RtspReader reader, live0;
        QVERIFY2(reader.watch(url(port), 1), qPrintable(reader.error));
        const QByteArray first = reader.luma;
        QVERIFY2(reader.decode(11), qPrintable(reader.error));
        QCOMPARE(reader.codec, AV_CODEC_ID_H264);
        QCOMPARE(QSize(reader.width, reader.height), QSize(1920, 1080));
        // The picture moves: a frozen source would repeat itself exactly.
        QVERIFY(first != reader.luma);
        QVERIFY2(live0.watch(url(port, "/live0"), 3), qPrintable(live0.error));
        {
            RtspReader single;
            QVERIFY2(single.watch(url(port, "/live/single"), 3), qPrintable(single.error));
        }

        // An unknown path is refused, promptly and without harm to the server.
        RtspReader later;
        QVERIFY(!later.open(url(port, "/nothing-here")));

        // Stream resolution 1280x720 (written as 2 on this model); the
        // session opened earlier keeps its picture size.
        Client control(sim.port);
        QCOMPARE(result(control.request(0x030A, QByteArray(1, '\x02'))), quint16(0));
        QVERIFY2(later.watch(url(port), 5), qPrintable(later.error));
        QCOMPARE(QSize(later.width, later.height), QSize(1280, 720));
        later.close();
        QVERIFY2(live0.decode(3), qPrintable(live0.error));
        QCOMPARE(QSize(live0.width, live0.height), QSize(1920, 1080));

        // Encoding H.265 where the encoder exists; H.264 stays otherwise.
        QCOMPARE(result(control.request(0x030B, QByteArray(1, '\x01'))), quint16(0));
        RtspReader hevc;
        QVERIFY2(hevc.watch(url(port), 5), qPrintable(hevc.error));
        QCOMPARE(hevc.codec, h265EncoderInstalled() ? AV_CODEC_ID_HEVC : AV_CODEC_ID_H264);
        QCOMPARE(hevc.width, 1280);

        sim.process.terminate();
        QVERIFY2(sim.process.waitForFinished(10000), "the simulator hangs on stop");
        QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process.exitCode(), 0);
        QVERIFY(!reader.decode(1000, 10000));
        QVERIFY(!live0.decode(1000, 10000));
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
        QVERIFY2(reader.watch(url(port, "/live0"), 2), qPrintable(reader.error));
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
            if (!reader.watch(url(server.boundPort()), 3))
                qWarning() << reader.error;
            size = QSize(reader.width, reader.height);
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
