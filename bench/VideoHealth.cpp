#include "VideoHealth.h"

#include "camsim/RtspServer.h"
#include "video/QmlVideoPlayer.h"
#include "video/TimeStampBlocks.h"
#include "video/VideoDecoder.h"
#include "video/VideoFrameItem.h"
#include "video/VideoTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QQuickWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace video_health
{
namespace
{

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(p * (values.size() - 1) + 0.5));
    return values[at];
}

void waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

QString child(const QStringList &arguments, const QProcessEnvironment &env, int timeoutMs,
              const QString &program = QString())
{
    QProcess process;
    process.setProcessEnvironment(env);
    const QString self = QCoreApplication::applicationFilePath();
    if (program.isEmpty())
        process.start(self, arguments);
    else
        process.start(program, QStringList{QStringLiteral("-n"), self} + arguments);
    if (!process.waitForFinished(timeoutMs))
        process.kill();
    process.waitForFinished(3000);
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    return out.isEmpty() ? QStringLiteral("no figure (%1)")
                               .arg(QString::fromLocal8Bit(process.readAllStandardError())
                                        .trimmed()
                                        .section(QLatin1Char('\n'), -1))
                         : out;
}

void indent(const QString &lines)
{
    for (const QString &line : lines.split(QLatin1Char('\n')))
        std::printf("    %s\n", qPrintable(line));
}

// The simulator's stream, 1080p30 H.264 at 4000 kbps, on loopback.
std::unique_ptr<RtspServer> startServer(QString *error)
{
    auto server = std::make_unique<RtspServer>(QStringLiteral("127.0.0.1"), 0);
    server->setStreamSettings(StreamSettings{});
    if (!server->start(error))
        return nullptr;
    return server;
}

QString urlOf(const RtspServer &server)
{
    return QStringLiteral("rtsp://127.0.0.1:%1/test").arg(server.boundPort());
}

// --- latency breakdown, one transport per child ------------------------------

int breakdownChild(const QString &transport)
{
    QString error;
    const auto server = startServer(&error);
    if (!server) {
        std::printf("%s: %s\n", qPrintable(transport), qPrintable(error));
        return 0;
    }
    QQuickWindow window;
    window.resize(1280, 720);
    auto *item = new VideoFrameItem(window.contentItem());
    item->setSize(QSizeF(1280, 720));
    window.show();
    waitFor([&] { return window.isExposed(); }, 5000);
    QmlVideoPlayer player;
    player.setTransport(transport);
    player.setTarget(item);
    struct Row {
        double sent, network, decoded, shown, total;
    };
    std::vector<Row> rows;
    int seen = 0;
    // Pictures shown while the rows were taken, and over how long: the rate
    // of the whole run, not of its last two seconds.
    int counted = 0;
    qint64 firstUs = 0, lastUs = 0;
    QObject::connect(
        player.statistics(), &PlayerStats::pictureShown, [&](const FrameTiming &t, qint64 shownUs) {
            if (++seen <= 60 || rows.size() >= 300)
                return;
            if (counted++ == 0)
                firstUs = shownUs;
            lastUs = shownUs;
            if (t.capturedUs <= 0)
                return;
            const qint64 captureMs = t.capturedUs / 1000;
            uint32_t sentMs = 0;
            if (!server->sentAt(uint32_t(captureMs), &sentMs))
                return;
            const double sentUs = double(captureMs + qint32(sentMs - uint32_t(captureMs))) * 1000.0;
            rows.push_back({(sentUs - t.capturedUs) / 1000.0, (t.receivedUs - sentUs) / 1000.0,
                            (t.decodedUs - t.receivedUs) / 1000.0, (shownUs - t.decodedUs) / 1000.0,
                            (shownUs - t.capturedUs) / 1000.0});
        });
    player.start(urlOf(*server));
    waitFor([&] { return rows.size() >= 300; }, 90000);
    const QVariantMap stats = player.stats();
    player.stop();
    const auto column = [&rows](double Row::*field) {
        std::vector<double> v;
        for (const Row &r : rows)
            v.push_back(r.*field);
        return QStringLiteral("%1/%2")
            .arg(percentile(v, 0.5), 0, 'f', 1)
            .arg(percentile(v, 0.95), 0, 'f', 1);
    };
    std::vector<double> own;
    for (const Row &r : rows)
        own.push_back(r.decoded + r.shown);
    std::printf("%-4s %4zu %12s %12s %12s %12s %12s   player adds %.1f ms (goal <= decode %.1f + "
                "frame 33.3 = %.1f), shown %.1f fps\n",
                qPrintable(transport.toUpper()), rows.size(), qPrintable(column(&Row::sent)),
                qPrintable(column(&Row::network)), qPrintable(column(&Row::decoded)),
                qPrintable(column(&Row::shown)), qPrintable(column(&Row::total)),
                percentile(own, 0.5), stats.value("decodeMs").toDouble(),
                stats.value("decodeMs").toDouble() + 33.3,
                lastUs > firstUs ? (counted - 1) * 1e6 / double(lastUs - firstUs) : 0.0);
    return 0;
}

// --- playing through packet loss, inside a network namespace -----------------

bool run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Random loss on the loopback interface: netem where the kernel has it,
// else an nftables rule that drops the same share of packets at random on
// their way in (the sender does not notice, as with loss on a wire).
QString makeLoss(double percent)
{
    if (!run(QStringLiteral("ip"), {"link", "set", "lo", "up"}))
        return QString();
    if (run(QStringLiteral("tc"), {"qdisc", "add", "dev", "lo", "root", "netem", "loss",
                                   QString::number(percent) + QLatin1Char('%')}))
        return QStringLiteral("netem");
    const QString rule =
        QStringLiteral("add rule inet loss in numgen random mod 1000 < %1 drop").arg(percent * 10);
    if (run(QStringLiteral("nft"), {"add", "table", "inet", "loss"}) &&
        run(QStringLiteral("nft"),
            {"add", "chain", "inet", "loss", "in", "{ type filter hook input priority 0; }"}) &&
        run(QStringLiteral("nft"), rule.split(QLatin1Char(' '))))
        return QStringLiteral("nftables");
    return QString();
}

int lossChild(double percent, const QString &transport, int seconds)
{
    const QString how = makeLoss(percent);
    if (how.isEmpty()) {
        std::printf("skipped: neither netem (tc) nor nftables can drop packets here\n");
        return 0;
    }
    QString error;
    const auto server = startServer(&error);
    if (!server) {
        std::printf("skipped: %s\n", qPrintable(error));
        return 0;
    }
    VideoFrameItem item;
    QmlVideoPlayer player;
    player.setTransport(transport);
    player.setTarget(&item);
    std::vector<qint64> shown;
    std::vector<double> latency;
    QElapsedTimer measuring;
    QObject::connect(player.statistics(), &PlayerStats::pictureShown,
                     [&](const FrameTiming &t, qint64 shownUs) {
                         if (!measuring.isValid())
                             return;
                         shown.push_back(shownUs);
                         if (t.capturedUs > 0)
                             latency.push_back((shownUs - t.capturedUs) / 1000.0);
                     });
    player.start(urlOf(*server));
    waitFor([&] { return player.status() == QLatin1String("Playing"); }, 20000);
    QElapsedTimer settle;
    settle.start();
    waitFor([] { return false; }, 2000);
    const QVariantMap before = player.stats();
    const qint64 startUs = FrameTiming::nowUs();
    measuring.start();
    waitFor([] { return false; }, seconds * 1000);
    const qint64 endUs = FrameTiming::nowUs();
    const QVariantMap after = player.stats();
    player.stop();
    // Frozen: every stretch of more than 0.2 s without a new picture.
    double frozen = 0;
    qint64 last = startUs;
    for (qint64 at : shown) {
        if (at - last > 200000)
            frozen += (at - last) / 1e6;
        last = at;
    }
    if (endUs - last > 200000)
        frozen += (endUs - last) / 1e6;
    const auto delta = [&](const char *key) {
        return after.value(key).toLongLong() - before.value(key).toLongLong();
    };
    std::printf("%3.0f %%  %-4s %-4s %6.1f fps %7.1f s %8lld %8lld %6lld  %5.0f/%-5.0f  (%s)\n",
                percent, qPrintable(transport), qPrintable(after.value("transport").toString()),
                shown.size() / ((endUs - startUs) / 1e6), frozen, delta("damaged"),
                delta("dropped"), delta("reconnects"), percentile(latency, 0.5),
                percentile(latency, 0.95), qPrintable(how));
    return 0;
}

// --- 2160p H.265 paced at 30 fps over TCP ------------------------------------

// Sends one file's pictures over and over to the first viewer, each at its
// moment (30 a second), and notes when each picture went.
class PacedSender
{
public:
    explicit PacedSender(std::vector<QByteArray> pictures) : m_pictures(std::move(pictures))
    {
        m_sent.resize(m_pictures.size());
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        listen(m_listener, 1);
        m_thread = std::thread([this] { serve(); });
    }
    ~PacedSender()
    {
        m_stop = true;
        shutdown(m_listener, SHUT_RDWR);
        close(m_listener);
        m_thread.join();
    }
    quint16 port() const { return m_port; }
    qint64 sentUs(size_t index)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return index < m_sent.size() ? m_sent[index] : 0;
    }

private:
    void serve()
    {
        const int peer = accept(m_listener, nullptr, nullptr);
        if (peer < 0)
            return;
        const auto start = std::chrono::steady_clock::now();
        for (size_t k = 0; !m_stop; ++k) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(k * 1000000 / 30));
            const QByteArray &picture = m_pictures[k % m_pictures.size()];
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_sent[k % m_pictures.size()] = FrameTiming::nowUs();
            }
            if (send(peer, picture.constData(), size_t(picture.size()), MSG_NOSIGNAL) < 0)
                break;
        }
        close(peer);
    }

    std::vector<QByteArray> m_pictures;
    std::vector<qint64> m_sent;
    std::mutex m_mutex;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// The transport stream's bytes cut where each picture begins, so that each
// piece goes out at its picture's moment.
std::vector<QByteArray> readPictures(const QString &path)
{
    std::vector<QByteArray> pictures;
    QFile file(path);
    AVFormatContext *in = nullptr;
    if (!file.open(QIODevice::ReadOnly) ||
        avformat_open_input(&in, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return pictures;
    const QByteArray bytes = file.readAll();
    std::vector<qint64> starts;
    AVPacket *packet = av_packet_alloc();
    while (av_read_frame(in, packet) >= 0) {
        if (packet->pos >= 0)
            starts.push_back(packet->pos - packet->pos % 188);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&in);
    starts.push_back(bytes.size());
    starts.front() = 0;
    for (size_t i = 0; i + 1 < starts.size(); ++i)
        pictures.push_back(bytes.mid(int(starts[i]), int(starts[i + 1] - starts[i])));
    return pictures;
}

} // namespace

int runChild(int argc, char **argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--breakdown-child") == 0) {
        QGuiApplication app(argc, argv);
        QSettings().setValue(QStringLiteral("startup/isChinese"), false);
        av_log_set_level(AV_LOG_QUIET);
        return breakdownChild(QString::fromLatin1(argv[2]));
    }
    if (argc >= 5 && qstrcmp(argv[1], "--loss-child") == 0) {
        QGuiApplication app(argc, argv);
        QSettings().setValue(QStringLiteral("startup/isChinese"), false);
        av_log_set_level(AV_LOG_QUIET);
        return lossChild(QString::fromLatin1(argv[2]).toDouble(), QString::fromLatin1(argv[3]),
                         QString::fromLatin1(argv[4]).toInt());
    }
    return -1;
}

void latencyBreakdown()
{
    std::printf("(e) where the live latency goes: simulator 1080p30 H.264 4000 kbps on loopback, "
                "player into a 1280x720 item in a window drawn by Qt Quick's software scene "
                "(ms, median/p95)\n");
    std::printf("    %-4s %4s %12s %12s %12s %12s %12s\n", "", "pics", "capture>sent", "sent>recvd",
                "recvd>decod", "decod>shown", "capture>shown");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
    if (env.value(QStringLiteral("DISPLAY")).isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const char *transport : {"tcp", "udp"})
        indent(child({QStringLiteral("--breakdown-child"), QString::fromLatin1(transport)}, env,
                     120000));
    std::printf("    (capture>sent: the simulator's picture from its source to the last RTP "
                "packet leaving its packetiser; sent>recvd: to the demuxer handing the picture "
                "over, which waits for the next picture's first packet; recvd>decod: decoding "
                "and packing; decod>shown: to the window's swap after it drew the picture)\n\n");
}

void lossRows()
{
    std::printf("(f) playing through random packet loss on loopback (own network namespace), "
                "simulator 1080p30 H.264 4000 kbps, 20 s each\n");
    if (geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty()) {
        std::printf("    skipped: needs root and unshare to make a network namespace of its "
                    "own\n\n");
        return;
    }
    std::printf("    %-5s %-4s %-4s %10s %9s %8s %8s %6s  %11s\n", "loss", "asks", "uses", "shown",
                "frozen", "damaged", "dropped", "reconn", "latency");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const char *percent : {"1", "5"})
        for (const char *transport : {"tcp", "udp", "auto"}) {
            const QString out = child({QStringLiteral("--loss-child"), QString::fromLatin1(percent),
                                       QString::fromLatin1(transport), QStringLiteral("20")},
                                      env, 120000, QStringLiteral("unshare"));
            indent(out);
            if (out.startsWith(QLatin1String("skipped")))
                break;
        }
    std::printf(
        "    (frozen: total of the stretches over 0.2 s without a new picture; damaged: "
        "pictures shown with lost data concealed; latency capture>shown median/p95 ms)\n\n");
}

void hevcThreading(const QString &folder)
{
    std::printf("(g) 2160p H.265 (x265 ultrafast, wavefront rows, 16 Mbit/s, MPEG-TS) paced at "
                "30 fps over TCP on loopback, to the interface thread\n");
    const QString path = QDir(folder).filePath(QStringLiteral("2160p.ts"));
    video_test::ClipShape clip{3840, 2160,     60,         30, "libx265", AV_PIX_FMT_YUV420P,
                               30,   16000000, "ultrafast"};
    clip.x265Params = "log-level=none:wpp=1";
    clip.decorate = [](AVFrame *f, int index) {
        TimeStampBlocks::paint(f->data[0], f->linesize[0], f->data[1], f->data[2], f->linesize[1],
                               f->width, f->height, uint32_t(index));
    };
    const QString failure = video_test::writeTestFile(path, clip);
    const std::vector<QByteArray> pictures = readPictures(path);
    if (!failure.isEmpty() || pictures.empty()) {
        std::printf("    skipped: cannot encode the clip (%s)\n\n", qPrintable(failure));
        return;
    }
    std::printf("    %-22s %8s %7s %14s %9s %6s\n", "decoder", "shown", "threads", "latency",
                "decode", "skips");
    for (const auto threading : {VideoDecoder::Single, VideoDecoder::Automatic}) {
        PacedSender sender(pictures);
        VideoDecoder decoder;
        decoder.setUrl(QStringLiteral("tcp://127.0.0.1:%1").arg(sender.port()));
        decoder.setThreading(threading);
        QObject receiver;
        std::vector<double> latency, decode;
        int seen = 0;
        int threads = 1;
        QElapsedTimer clock;
        QObject::connect(&decoder, &VideoDecoder::streamInfoUpdated, &receiver,
                         [&](const VideoStreamInfo &info) { threads = info.threads; });
        QObject::connect(&decoder, &VideoDecoder::frameReady, &receiver, [&](const VideoFrame &f) {
            if (++seen == 30)
                clock.start();
            if (seen <= 30)
                return;
            decode.push_back(f.timing.decodeUs / 1000.0);
            uint32_t index = 0;
            if (TimeStampBlocks::read(reinterpret_cast<const uint8_t *>(f.yPlane.constData()),
                                      f.width, f.width, f.height, index))
                latency.push_back((FrameTiming::nowUs() - sender.sentUs(index)) / 1000.0);
        });
        decoder.start();
        waitFor([&] { return clock.isValid() && clock.elapsed() >= 10000; }, 60000);
        const double seconds = clock.isValid() ? clock.elapsed() / 1000.0 : 0;
        const auto counters = decoder.counters();
        decoder.requestStop();
        decoder.wait();
        std::printf("    %-22s %4.1f fps %7d %6.0f/%-6.0f %6.1f ms %6llu\n",
                    threading == VideoDecoder::Single ? "one thread" : "automatic (slices)",
                    seconds > 0 ? (seen - 30) / seconds : 0.0, threads, percentile(latency, 0.5),
                    percentile(latency, 0.95), percentile(decode, 0.5),
                    static_cast<unsigned long long>(counters->keyFrameSkips.load()));
    }
    std::printf("    (latency: from the picture's first byte sent to the interface thread, "
                "median/p95 ms; decode: median per picture)\n\n");
}

void programCpu()
{
    std::printf("(h) the whole program's CPU while playing the simulator's 1080p30 stream in its "
                "window\n");
    const QString program = QStringLiteral(SKYRIG_BIN_DIR "/skyrig");
    if (!QFile::exists(program) || qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::printf("    skipped: needs the built program and a display (xvfb-run)\n\n");
        return;
    }
    QString error;
    const auto server = startServer(&error);
    if (!server) {
        std::printf("    skipped: %s\n\n", qPrintable(error));
        return;
    }
    const auto streaming = [&server] {
        const uint32_t now = TimeStampBlocks::nowMs();
        for (uint32_t back = 0; back < 300; ++back)
            if (server->sentAt(now - back, nullptr))
                return true;
        return false;
    };
    for (const char *backend : {"opengl", "software"}) {
        QTemporaryDir profile;
        QDir().mkpath(profile.filePath(QStringLiteral("config/Skyrig")));
        QFile conf(profile.filePath(QStringLiteral("config/Skyrig/Skyrig.conf")));
        conf.open(QIODevice::WriteOnly);
        conf.write(QStringLiteral("[startup]\nhasProduct=true\nproductId=Otter\nproductName=Otter\n"
                                  "isChinese=false\n[Video]\nurls_Otter=%1\n"
                                  "[video]\nautoStream_Otter=true\n")
                       .arg(urlOf(*server))
                       .toUtf8());
        conf.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"CONFIG", "DATA", "CACHE"})
            env.insert(QStringLiteral("XDG_%1_HOME").arg(QLatin1String(name)),
                       profile.filePath(QString::fromLatin1(name).toLower()));
        env.insert(QStringLiteral("QT_QUICK_BACKEND"), QString::fromLatin1(backend));
        QProcess skyrig;
        skyrig.setProcessEnvironment(env);
        skyrig.start(program, QStringList());
        skyrig.waitForStarted(10000);
        QElapsedTimer waited;
        waited.start();
        waitFor(streaming, 30000);
        waitFor([] { return false; }, 3000);
        const auto cpuTicks = [&skyrig] {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(skyrig.processId()));
            if (!stat.open(QIODevice::ReadOnly))
                return 0LL;
            const QList<QByteArray> fields = stat.readAll().split(')').value(1).split(' ');
            // After the name: state is field 3, utime 14 and stime 15.
            return fields.value(12).toLongLong() + fields.value(13).toLongLong();
        };
        const bool playing = streaming();
        const long long before = cpuTicks();
        QElapsedTimer span;
        span.start();
        waitFor([] { return false; }, 10000);
        const long long after = cpuTicks();
        const double seconds = span.elapsed() / 1000.0;
        skyrig.terminate();
        skyrig.waitForFinished(10000);
        const QString said = QString::fromLocal8Bit(skyrig.readAllStandardError());
        const bool software =
            qstrcmp(backend, "software") == 0 || said.contains(QLatin1String("software scene"));
        std::printf("    %-34s %5.0f %% of a core per second of playing%s\n",
                    software ? "Qt Quick software scene" : "OpenGL (QT_QUICK_BACKEND=opengl)",
                    100.0 * double(after - before) / double(sysconf(_SC_CLK_TCK)) / seconds,
                    playing ? "" : " (the stream never started)");
    }
    std::printf("    (the program picks the software scene by itself where OpenGL is only "
                "llvmpipe or softpipe, as under Xvfb)\n\n");
}

} // namespace video_health
