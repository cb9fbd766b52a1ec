// Live video figures (printed, never asserted):
//  (a) capture-to-picture latency of the simulator's 1080p30 stream, read from
//      the capture clock the simulator draws into every picture, for
//      VideoDecoder and for the command-line tool in its low-delay mode;
//  (b) decode cost per 1080p and 2160p picture against a bare single-threaded
//      decoding loop of the same file;
//  (c) the player's interface-thread time per picture;
//  (d) what drawing a picture costs on the software path against the GL path;
//  (e) where the live latency goes, over TCP and over UDP;
//  (f) pictures shown and seconds frozen through 1 % and 5 % packet loss;
//  (g) 2160p H.265 with one decoding thread against the automatic threading;
//  (h) the whole program's CPU while playing, OpenGL against software scene.
// Run under xvfb-run for the GL and window figures, as root for (f);
// everything talks to 127.0.0.1 only.

#include "VideoHealth.h"
#include "camsim/RtspServer.h"
#include "video/FrameConverter.h"
#include "video/FrameImage.h"
#include "video/QmlVideoPlayer.h"
#include "video/TimeStampBlocks.h"
#include "video/VideoDecoder.h"
#include "video/VideoFrameItem.h"
#include "video/VideoTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QQuickWindow>
#include <QSettings>
#include <QSurfaceFormat>
#include <QTemporaryDir>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace
{

constexpr int LatencyFrames = 300;
constexpr int WarmUpFrames = 30;

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(p * (values.size() - 1) + 0.5));
    return values[at];
}

// A 1080p picture of one colour.
VideoFrame flatFrame(char y, char u, char v)
{
    VideoFrame f;
    f.width = 1920;
    f.height = 1080;
    f.yPlane = QByteArray(1920 * 1080, y);
    f.uPlane = QByteArray(960 * 540, u);
    f.vPlane = QByteArray(960 * 540, v);
    return f;
}

void waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// --- (a) latency ------------------------------------------------------------

std::vector<double> ourLatency(const QString &url)
{
    std::vector<double> samples;
    int seen = 0;
    QObject receiver;
    VideoDecoder decoder;
    decoder.setUrl(url);
    QObject::connect(&decoder, &VideoDecoder::frameReady, &receiver, [&](const VideoFrame &f) {
        const quint32 now = TimeStampBlocks::nowMs();
        quint32 stamp = 0;
        if (++seen <= WarmUpFrames || int(samples.size()) >= LatencyFrames)
            return;
        if (TimeStampBlocks::read(reinterpret_cast<const uint8_t *>(f.yPlane.constData()), f.width,
                                  f.width, f.height, stamp))
            samples.push_back(double(qint32(now - stamp)));
    });
    decoder.start();
    waitFor([&] { return int(samples.size()) >= LatencyFrames; }, 60000);
    decoder.requestStop();
    decoder.wait();
    return samples;
}

std::vector<double> toolLatency(const QString &url, int width, int height, QString &note)
{
    std::vector<double> samples;
    QProcess tool;
    const QStringList args{QStringLiteral("-hide_banner"),
                           QStringLiteral("-loglevel"),
                           QStringLiteral("error"),
                           QStringLiteral("-fflags"),
                           QStringLiteral("nobuffer"),
                           QStringLiteral("-flags"),
                           QStringLiteral("low_delay"),
                           QStringLiteral("-rtsp_transport"),
                           QStringLiteral("tcp"),
                           QStringLiteral("-i"),
                           url,
                           QStringLiteral("-an"),
                           QStringLiteral("-f"),
                           QStringLiteral("rawvideo"),
                           QStringLiteral("-pix_fmt"),
                           QStringLiteral("gray"),
                           QStringLiteral("-flush_packets"),
                           QStringLiteral("1"),
                           QStringLiteral("-")};
    note = QStringLiteral("ffmpeg ") + args.join(QLatin1Char(' '));
    const int frameBytes = width * height;
    QByteArray pending;
    int seen = 0;
    QObject::connect(&tool, &QProcess::readyReadStandardOutput, [&] {
        pending += tool.readAllStandardOutput();
        const quint32 now = TimeStampBlocks::nowMs();
        while (pending.size() >= frameBytes) {
            quint32 stamp = 0;
            if (++seen > WarmUpFrames && int(samples.size()) < LatencyFrames &&
                TimeStampBlocks::read(reinterpret_cast<const uint8_t *>(pending.constData()), width,
                                      width, height, stamp))
                samples.push_back(double(qint32(now - stamp)));
            pending.remove(0, frameBytes);
        }
    });
    tool.start(QStringLiteral("ffmpeg"), args);
    if (!tool.waitForStarted(5000)) {
        note = QStringLiteral("the ffmpeg command-line tool is not installed");
        return samples;
    }
    waitFor(
        [&] { return int(samples.size()) >= LatencyFrames || tool.state() != QProcess::Running; },
        60000);
    tool.kill();
    tool.waitForFinished(3000);
    return samples;
}

void latency()
{
    RtspServer server(QStringLiteral("127.0.0.1"), 0);
    StreamSettings settings; // 1920 x 1080, H.264, 4000 kbps
    server.setStreamSettings(settings);
    QString error;
    if (!server.start(&error)) {
        std::printf("(a) skipped: %s\n", qPrintable(error));
        return;
    }
    const QString url = QStringLiteral("rtsp://127.0.0.1:%1/test").arg(server.boundPort());
    const std::vector<double> ours = ourLatency(url);
    QString note;
    const std::vector<double> theirs = toolLatency(url, settings.width, settings.height, note);
    server.stop();

    std::printf("(a) capture-to-picture latency, simulator 1080p30 H.264 %d kbps, RTSP over TCP "
                "on loopback (ms)\n",
                settings.bitrateKbps);
    std::printf("    %-34s %7s %8s %8s\n", "reader", "frames", "median", "p95");
    std::printf("    %-34s %7zu %8.1f %8.1f\n", "VideoDecoder (to interface thread)", ours.size(),
                percentile(ours, 0.5), percentile(ours, 0.95));
    std::printf("    %-34s %7zu %8.1f %8.1f\n", "ffmpeg low-delay (to its pipe)", theirs.size(),
                percentile(theirs, 0.5), percentile(theirs, 0.95));
    if (!ours.empty() && !theirs.empty() && percentile(theirs, 0.5) > 0)
        std::printf("    ratio ours/theirs: median %.2f, p95 %.2f (goal <= 1.0)\n",
                    percentile(ours, 0.5) / percentile(theirs, 0.5),
                    percentile(ours, 0.95) / std::max(1.0, percentile(theirs, 0.95)));
    std::printf("    reference: %s\n\n", qPrintable(note));
}

// --- (b) decode cost -----------------------------------------------------------

// A bare demux-and-decode loop, single-threaded, no copies: the reference.
double referenceMsPerFrame(const QString &path, int &frames)
{
    AVFormatContext *in = nullptr;
    if (avformat_open_input(&in, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return 0;
    avformat_find_stream_info(in, nullptr);
    const AVCodec *codec = avcodec_find_decoder(in->streams[0]->codecpar->codec_id);
    AVCodecContext *dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec, in->streams[0]->codecpar);
    dec->thread_count = 1;
    avcodec_open2(dec, codec, nullptr);
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    frames = 0;
    QElapsedTimer t;
    t.start();
    qint64 first = 0, last = 0;
    while (av_read_frame(in, packet) >= 0) {
        if (avcodec_send_packet(dec, packet) >= 0)
            while (avcodec_receive_frame(dec, frame) >= 0) {
                last = t.nsecsElapsed();
                if (++frames == 1)
                    first = last;
            }
        av_packet_unref(packet);
    }
    const double ms = (last - first) / 1e6;
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&dec);
    avformat_close_input(&in);
    return frames > 1 ? ms / (frames - 1) : 0;
}

// The product's decoder on the same file, on this thread, every picture
// packed and emitted as in the live path.
double oursMsPerFrame(const QString &path, int &frames)
{
    VideoDecoder decoder;
    decoder.setUrl(path);
    frames = 0;
    QElapsedTimer t;
    qint64 first = 0, last = 0;
    QObject::connect(
        &decoder, &VideoDecoder::frameReady, &decoder,
        [&](const VideoFrame &) {
            last = t.nsecsElapsed();
            if (++frames == 1)
                first = last;
        },
        Qt::DirectConnection);
    t.start();
    decoder.runHere();
    return frames > 1 ? (last - first) / 1e6 / (frames - 1) : 0;
}

void decodeCost(const QString &folder)
{
    std::printf("(b) decode cost per picture, H.264 veryfast file, single thread (ms)\n");
    std::printf("    %-7s %8s %12s %12s %8s\n", "size", "frames", "VideoDecoder", "reference",
                "ratio");
    struct Case {
        const char *name;
        int width, height, frames;
    };
    for (const Case &c : {Case{"1080p", 1920, 1080, 150}, Case{"2160p", 3840, 2160, 60}}) {
        const QString path = QDir(folder).filePath(QStringLiteral("%1.mp4").arg(c.name));
        video_test::ClipShape clip{c.width,   c.height,           c.frames, 30,
                                   "libx264", AV_PIX_FMT_YUV420P, 30,       c.width * c.height * 4,
                                   "veryfast"};
        const QString failure = video_test::writeTestFile(path, clip);
        if (!failure.isEmpty()) {
            std::printf("    %-7s cannot encode the file: %s\n", c.name, qPrintable(failure));
            continue;
        }
        // Best of three runs each, alternating, so a busy moment on a shared
        // machine weighs on neither side alone.
        double ours = 1e9, theirs = 1e9;
        int oursFrames = 0, theirFrames = 0;
        for (int run = 0; run < 3; ++run) {
            ours = std::min(ours, oursMsPerFrame(path, oursFrames));
            theirs = std::min(theirs, referenceMsPerFrame(path, theirFrames));
        }
        // What the one copy per picture (packing the planes) costs alone.
        const QByteArray luma(c.width * c.height, char(1));
        const QByteArray chroma(c.width * c.height / 4, char(2));
        const unsigned char *planes[3] = {
            reinterpret_cast<const unsigned char *>(luma.constData()),
            reinterpret_cast<const unsigned char *>(chroma.constData()),
            reinterpret_cast<const unsigned char *>(chroma.constData())};
        const int lines[3] = {c.width, c.width / 2, c.width / 2};
        QElapsedTimer packing;
        packing.start();
        for (int i = 0; i < 20; ++i) {
            VideoFrame packed;
            FrameConverter::pack(planes, lines, c.width, c.height, packed);
        }
        std::printf("    %-7s %4d/%-4d %12.2f %12.2f %8.2f   packing alone %.2f\n", c.name,
                    oursFrames, theirFrames, ours, theirs, theirs > 0 ? ours / theirs : 0.0,
                    packing.nsecsElapsed() / 1e6 / 20);
    }
    std::printf("    (time from the first to the last picture over the pictures between; "
                "frames: ours/reference, ours starts at the first keyframe after the pictures its "
                "small unbuffered probe read; goal ratio <= 1.15)\n\n");
}

// --- (c) interface-thread time -----------------------------------------------

class TimingApplication : public QGuiApplication
{
public:
    using QGuiApplication::QGuiApplication;
    QObject *watched = nullptr;
    std::vector<double> eventMs;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (receiver != watched || event->type() != QEvent::MetaCall)
            return QGuiApplication::notify(receiver, event);
        QElapsedTimer t;
        t.start();
        const bool result = QGuiApplication::notify(receiver, event);
        eventMs.push_back(t.nsecsElapsed() / 1e6);
        return result;
    }
};

void interfaceThread(TimingApplication &app)
{
    RtspServer server(QStringLiteral("127.0.0.1"), 0);
    QString error;
    if (!server.start(&error)) {
        std::printf("(c) skipped: %s\n", qPrintable(error));
        return;
    }
    VideoFrameItem item;
    item.setSize(QSizeF(1280, 720));
    QmlVideoPlayer player;
    player.setTarget(&item);
    int frames = 0;
    QObject::connect(&item, &VideoFrameItem::frameChanged, [&] { ++frames; });
    app.watched = &player;
    player.start(QStringLiteral("rtsp://127.0.0.1:%1/test").arg(server.boundPort()));
    waitFor([&] { return frames >= 300; }, 60000);
    app.watched = nullptr;
    player.stop();
    server.stop();
    double total = 0;
    for (double ms : app.eventMs)
        total += ms;
    std::printf("(c) player's interface-thread time, 1080p30 live stream, item without window\n");
    std::printf("    %d pictures, %zu queued calls: %.3f ms per picture (mean), p95 of one call "
                "%.3f ms\n\n",
                frames, app.eventMs.size(), frames ? total / frames : 0.0,
                percentile(app.eventMs, 0.95));
}

// --- (d) software against GL drawing ---------------------------------------------

int renderChild(const QString &backend)
{
    QQuickWindow window;
    window.resize(1280, 720);
    auto *item = new VideoFrameItem(window.contentItem());
    item->setSize(QSizeF(1280, 720));
    window.show();
    QElapsedTimer exposure;
    exposure.start();
    while (!window.isExposed() && exposure.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const bool gl = window.rendererInterface()->graphicsApi() == QSGRendererInterface::OpenGL;
    if (gl != (backend == QLatin1String("opengl"))) {
        std::printf("render %s: not available here\n", qPrintable(backend));
        return 0;
    }
    // Two 1080p pictures in turn, so every draw has a new picture to show.
    const VideoFrame frames[2] = {flatFrame(char(60), char(100), char(160)),
                                  flatFrame(char(160), char(100), char(160))};
    int swapped = 0;
    QObject::connect(&window, &QQuickWindow::frameSwapped, [&] { ++swapped; });
    constexpr int Count = 200;
    for (int i = 0; i < 20; ++i) { // warm up
        item->setFrame(frames[i % 2]);
        const int target = swapped + 1;
        waitFor([&] { return swapped >= target; }, 2000);
    }
    const double cpu0 = cpuMs();
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < Count; ++i) {
        item->setFrame(frames[i % 2]);
        const int target = swapped + 1;
        waitFor([&] { return swapped >= target; }, 2000);
    }
    const double wall = t.nsecsElapsed() / 1e6 / Count;
    const double cpu = (cpuMs() - cpu0) / Count;
    std::printf("render %s: %.2f ms wall, %.2f ms CPU per 1080p picture in a 1280x720 item\n",
                qPrintable(backend), wall, cpu);
    return 0;
}

void drawingCost()
{
    std::printf("(d) drawing one new 1080p picture into a 1280x720 item (basic render loop)\n");
    for (const QString &backend : {QStringLiteral("opengl"), QStringLiteral("software")}) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QSG_RENDER_LOOP"), QStringLiteral("basic"));
        if (backend == QLatin1String("software"))
            env.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
        else
            env.remove(QStringLiteral("QT_QUICK_BACKEND"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--render-child"), backend});
        child.waitForFinished(120000);
        const QString out = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
        std::printf("    %s\n",
                    qPrintable(out.isEmpty() ? backend + QStringLiteral(": no figure") : out));
    }
    // The software path's own conversion, without the scene around it.
    const VideoFrame f = flatFrame(char(90), char(110), char(150));
    for (const QSize &size : {QSize(1280, 720), QSize(1920, 1080)}) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 20; ++i)
            FrameImage::toRgbScaled(f, size.width(), size.height());
        std::printf("    software conversion alone to %dx%d: %.2f ms\n", size.width(),
                    size.height(), t.nsecsElapsed() / 1e6 / 20);
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int health = video_health::runChild(argc, argv);
    if (health >= 0)
        return health;
    const bool child = argc >= 3 && qstrcmp(argv[1], "--render-child") == 0;
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (child) {
        QSurfaceFormat format = QSurfaceFormat::defaultFormat();
        format.setSwapInterval(0);
        QSurfaceFormat::setDefaultFormat(format);
        QGuiApplication app(argc, argv);
        return renderChild(QString::fromLatin1(argv[2]));
    }
    TimingApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Skyrig"));
    QCoreApplication::setApplicationName(QStringLiteral("bench_video"));
    QSettings().setValue(QStringLiteral("startup/isChinese"), false);
    av_log_set_level(AV_LOG_ERROR);
    std::printf("bench_video on %d cores (%s)\n\n", QThread::idealThreadCount(),
                qPrintable(QSysInfo::prettyProductName()));
    // Sections to run, e.g. "bench_video b c"; all of them by default.
    QStringList sections = QCoreApplication::arguments().mid(1);
    if (sections.isEmpty())
        sections = QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                               QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("f"),
                               QStringLiteral("g"), QStringLiteral("h")};
    QTemporaryDir folder;
    if (sections.contains(QLatin1String("b")))
        decodeCost(folder.path());
    if (sections.contains(QLatin1String("a")))
        latency();
    if (sections.contains(QLatin1String("c")))
        interfaceThread(app);
    if (sections.contains(QLatin1String("d")))
        drawingCost();
    if (sections.contains(QLatin1String("e")))
        video_health::latencyBreakdown();
    if (sections.contains(QLatin1String("f")))
        video_health::lossRows();
    if (sections.contains(QLatin1String("g")))
        video_health::hevcThreading(folder.path());
    if (sections.contains(QLatin1String("h")))
        video_health::programCpu();
    return 0;
}
