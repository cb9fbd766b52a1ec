#include "camsim/RtspServer.h"

#include "camsim/LoopbackRule.h"
#include "video/TimeStampBlocks.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

// GLib's headers use "signals" as a member name, which Qt defines as a macro.
#pragma push_macro("signals")
#undef signals
#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>
#pragma pop_macro("signals")

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <mutex>

const char *const RtspServer::MountPaths[3] = {"/test", "/live/single", "/live0"};

// What the server shares with the pipelines' streaming threads. Pipelines can
// outlive the server by a moment while they tear down, so they hold it by
// reference count rather than by a plain pointer.
struct RtspServer::Shared {
    mutable QMutex mutex;
    StreamSettings settings;
    double yaw = 0.0;
    double pitch = 0.0;
    double zoom = 1.0;
    quint64 overlayVersion = 0;
    bool dropUdp = false;
    // Capture stamps and send times of the latest pictures, oldest
    // overwritten first.
    struct Sent {
        uint32_t captureMs = 0;
        uint32_t sentMs = 0;
        bool used = false;
    };
    Sent sent[256];
    int nextSent = 0;
};

struct RtspServer::Glib {
    GMainContext *context = nullptr;
    GMainLoop *loop = nullptr;
    GstRTSPServer *server = nullptr;
    GstRTSPMediaFactory *factory = nullptr;
    GSource *source = nullptr;

    ~Glib()
    {
        if (source) {
            g_source_destroy(source);
            g_source_unref(source);
        }
        if (factory)
            g_object_unref(factory);
        if (server)
            g_object_unref(server);
        if (loop)
            g_main_loop_unref(loop);
        if (context)
            g_main_context_unref(context);
    }
};

namespace
{

bool initGstreamer(QString *error)
{
    static bool ok = false;
    static QString failure;
    static std::once_flag once;
    std::call_once(once, [] {
        GError *err = nullptr;
        ok = gst_init_check(nullptr, nullptr, &err);
        if (!ok) {
            failure = QStringLiteral("GStreamer cannot start: %1")
                          .arg(QString::fromUtf8(err ? err->message : "unknown error"));
            if (err)
                g_error_free(err);
        }
    });
    if (!ok && error)
        *error = failure;
    return ok;
}

bool hasElement(const char *name)
{
    GstElementFactory *f = gst_element_factory_find(name);
    if (!f)
        return false;
    gst_object_unref(f);
    return true;
}

// Per overlay element: the overlay values it last drew, so the text is only
// replaced when the simulation has moved.
struct InfoProbe {
    std::shared_ptr<RtspServer::Shared> shared;
    quint64 applied = ~quint64(0);
};

QByteArray infoText(double yaw, double pitch, double zoom)
{
    return QString::asprintf("Yaw %.2f\u00B0  Pitch %.2f\u00B0  Zoom %.1fx", yaw, pitch, zoom)
        .toUtf8();
}

GstPadProbeReturn onInfoBuffer(GstPad *pad, GstPadProbeInfo *, gpointer data)
{
    auto *probe = static_cast<InfoProbe *>(data);
    double yaw = 0, pitch = 0, zoom = 1;
    {
        QMutexLocker lock(&probe->shared->mutex);
        if (probe->shared->overlayVersion == probe->applied)
            return GST_PAD_PROBE_OK;
        probe->applied = probe->shared->overlayVersion;
        yaw = probe->shared->yaw;
        pitch = probe->shared->pitch;
        zoom = probe->shared->zoom;
    }
    // The probe runs on the overlay's own streaming thread just before it
    // draws this buffer, so the new text lands on exactly this frame.
    g_object_set(GST_PAD_PARENT(pad), "text", infoText(yaw, pitch, zoom).constData(), nullptr);
    return GST_PAD_PROBE_OK;
}

// Stamps the wall clock with milliseconds onto every frame as it passes, so
// comparing the picture with a clock on the viewer's side gives the delay.
GstPadProbeReturn onClockBuffer(GstPad *pad, GstPadProbeInfo *, gpointer)
{
    GDateTime *now = g_date_time_new_now_local();
    gchar *hms = g_date_time_format(now, "%H:%M:%S");
    const QByteArray text =
        QByteArray(hms ? hms : "--:--:--") + '.' +
        QByteArray::number(g_date_time_get_microsecond(now) / 1000).rightJustified(3, '0');
    g_free(hms);
    g_date_time_unref(now);
    g_object_set(GST_PAD_PARENT(pad), "text", text.constData(), nullptr);
    return GST_PAD_PROBE_OK;
}

// Per session: which capture stamp each picture (by its presentation time,
// which the overlays, the encoder and the payloader keep) carries, so the
// payloader's output can be told apart by picture.
struct SendClock {
    std::shared_ptr<RtspServer::Shared> shared;
    QMutex mutex;
    QHash<quint64, uint32_t> stampOf;
};

constexpr GstClockTime EncoderOffset = GstClockTime(1000) * 3600 * GST_SECOND;

void noteCapture(SendClock *clock, GstClockTime pts, uint32_t ms)
{
    if (!clock || pts == GST_CLOCK_TIME_NONE)
        return;
    QMutexLocker lock(&clock->mutex);
    if (clock->stampOf.size() > 64)
        clock->stampOf.clear();
    clock->stampOf.insert(pts, ms);
}

// Every RTP packet as it leaves the payloader: the last one of a picture
// leaves its time as the picture's send time.
GstPadProbeReturn onPayloaded(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    auto *clock = static_cast<SendClock *>(data);
    GstBuffer *buffer = nullptr;
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER_LIST) {
        GstBufferList *list = GST_PAD_PROBE_INFO_BUFFER_LIST(info);
        if (list && gst_buffer_list_length(list) > 0)
            buffer = gst_buffer_list_get(list, 0);
    } else {
        buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    }
    if (!buffer || GST_BUFFER_PTS(buffer) == GST_CLOCK_TIME_NONE)
        return GST_PAD_PROBE_OK;
    const uint32_t now = TimeStampBlocks::nowMs();
    uint32_t capture = 0;
    {
        QMutexLocker lock(&clock->mutex);
        // The encoder moves its output 1000 hours later (so that no
        // decoding time stamp is negative) and rounds the times to its frame
        // rate: the picture is the one captured within half a frame.
        GstClockTime pts = GST_BUFFER_PTS(buffer);
        if (pts >= EncoderOffset)
            pts -= EncoderOffset;
        const GstClockTime near = GST_SECOND / RtspServer::FramesPerSecond / 2;
        bool found = false;
        for (auto it = clock->stampOf.constBegin(); it != clock->stampOf.constEnd(); ++it) {
            const GstClockTime at = it.key();
            if ((at > pts ? at - pts : pts - at) <= near) {
                capture = it.value();
                found = true;
                break;
            }
        }
        if (!found)
            return GST_PAD_PROBE_OK;
    }
    QMutexLocker lock(&clock->shared->mutex);
    auto &ring = clock->shared->sent;
    for (auto &entry : ring) {
        if (entry.used && entry.captureMs == capture) {
            entry.sentMs = now;
            return GST_PAD_PROBE_OK;
        }
    }
    auto &entry = ring[clock->shared->nextSent];
    clock->shared->nextSent = (clock->shared->nextSent + 1) % int(std::size(ring));
    entry = {capture, now, true};
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn dropBuffer(GstPad *, GstPadProbeInfo *, gpointer)
{
    return GST_PAD_PROBE_DROP;
}

// The UDP senders the server adds to a session's pipeline drop everything
// they are given.
void onElementAdded(GstBin *, GstBin *, GstElement *element, gpointer)
{
    GstElementFactory *factory = gst_element_get_factory(element);
    if (!factory || g_strcmp0(GST_OBJECT_NAME(factory), "multiudpsink") != 0)
        return;
    GstPad *pad = gst_element_get_static_pad(element, "sink");
    if (!pad)
        return;
    gst_pad_add_probe(pad,
                      GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
                      dropBuffer, nullptr, nullptr);
    gst_object_unref(pad);
}

// Draws the capture clock as blocks into each picture as it leaves the test
// source (the moment of capture); the overlays that follow leave the row
// alone. The picture is plain I420 with the default strides.
GstPadProbeReturn onSourceBuffer(GstPad *pad, GstPadProbeInfo *info, gpointer data)
{
    GstCaps *caps = gst_pad_get_current_caps(pad);
    if (!caps)
        return GST_PAD_PROBE_OK;
    int width = 0;
    int height = 0;
    const GstStructure *shape = gst_caps_get_structure(caps, 0);
    gst_structure_get_int(shape, "width", &width);
    gst_structure_get_int(shape, "height", &height);
    gst_caps_unref(caps);
    if (width < 2 || height < 2)
        return GST_PAD_PROBE_OK;
    const uint32_t ms = TimeStampBlocks::nowMs();
    GstBuffer *buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    const int lumaStride = GST_ROUND_UP_4(width);
    const int chromaStride = GST_ROUND_UP_4(GST_ROUND_UP_2(width) / 2);
    const gsize cbOffset = gsize(lumaStride) * GST_ROUND_UP_2(height);
    const gsize crOffset = cbOffset + gsize(chromaStride) * (GST_ROUND_UP_2(height) / 2);
    const gsize needed = crOffset + gsize(chromaStride) * (GST_ROUND_UP_2(height) / 2);
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READWRITE))
        return GST_PAD_PROBE_OK;
    if (map.size >= needed)
        TimeStampBlocks::paint(map.data, lumaStride, map.data + cbOffset, map.data + crOffset,
                               chromaStride, width, height, ms);
    gst_buffer_unmap(buffer, &map);
    noteCapture(static_cast<SendClock *>(data), GST_BUFFER_PTS(buffer), ms);
    return GST_PAD_PROBE_OK;
}

void addProbe(GstElement *bin, const char *name, GstPadProbeCallback callback, gpointer data,
              GDestroyNotify destroy, const char *padName = "video_sink",
              GstPadProbeType type = GST_PAD_PROBE_TYPE_BUFFER)
{
    GstElement *element = gst_bin_get_by_name(GST_BIN(bin), name);
    GstPad *pad = element ? gst_element_get_static_pad(element, padName) : nullptr;
    if (pad)
        gst_pad_add_probe(pad, type, callback, data, destroy);
    else if (destroy)
        destroy(data);
    if (pad)
        gst_object_unref(pad);
    if (element)
        gst_object_unref(element);
}

void onMediaConfigure(GstRTSPMediaFactory *, GstRTSPMedia *media, gpointer data)
{
    const auto &shared = *static_cast<std::shared_ptr<RtspServer::Shared> *>(data);
    GstElement *bin = gst_rtsp_media_get_element(media);
    if (!bin)
        return;
    addProbe(bin, "info", onInfoBuffer, new InfoProbe{shared},
             [](gpointer p) { delete static_cast<InfoProbe *>(p); });
    addProbe(bin, "clock", onClockBuffer, nullptr, nullptr);
    // One clock for both probes; the payloader's probe releases it.
    auto *clock = new SendClock{shared, {}, {}};
    addProbe(bin, "source", onSourceBuffer, clock, nullptr, "src");
    addProbe(
        bin, "pay0", onPayloaded, clock, [](gpointer p) { delete static_cast<SendClock *>(p); },
        "src", GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST));
    bool drop = false;
    {
        QMutexLocker lock(&shared->mutex);
        drop = shared->dropUdp;
    }
    GstObject *pipeline = drop ? gst_object_get_parent(GST_OBJECT(bin)) : nullptr;
    if (pipeline && GST_IS_BIN(pipeline))
        g_signal_connect(pipeline, "deep-element-added", G_CALLBACK(onElementAdded), nullptr);
    if (pipeline)
        gst_object_unref(pipeline);
    gst_object_unref(bin);
}

GstRTSPFilterResult removeClient(GstRTSPServer *, GstRTSPClient *, gpointer)
{
    return GST_RTSP_FILTER_REMOVE;
}

GstRTSPFilterResult removeSession(GstRTSPSessionPool *, GstRTSPSession *, gpointer)
{
    return GST_RTSP_FILTER_REMOVE;
}

StreamSettings sanitized(StreamSettings s)
{
    // Raw 4:2:0 video and the encoders need even sides.
    s.width = std::clamp(s.width, RtspServer::MinSide, RtspServer::MaxSide) & ~1;
    s.height = std::clamp(s.height, RtspServer::MinSide, RtspServer::MaxSide) & ~1;
    s.bitrateKbps =
        std::clamp(s.bitrateKbps, RtspServer::MinBitrateKbps, RtspServer::MaxBitrateKbps);
    return s;
}

} // namespace

RtspServer::RtspServer(QString bindAddress, quint16 port)
    : m_bindAddress(std::move(bindAddress)), m_port(port), m_shared(std::make_shared<Shared>())
{
}

RtspServer::~RtspServer()
{
    stop();
}

void RtspServer::setAllowRemote(bool allow)
{
    m_allowRemote = allow;
}

void RtspServer::setUdpMedia(UdpMedia mode)
{
    m_udpMedia = mode;
    QMutexLocker lock(&m_shared->mutex);
    m_shared->dropUdp = mode == UdpMedia::Drop;
}

bool RtspServer::sentAt(uint32_t captureMs, uint32_t *sentMs) const
{
    QMutexLocker lock(&m_shared->mutex);
    for (const auto &entry : m_shared->sent) {
        if (entry.used && entry.captureMs == captureMs) {
            if (sentMs)
                *sentMs = entry.sentMs;
            return true;
        }
    }
    return false;
}

bool RtspServer::isRunning() const
{
    return m_thread.joinable();
}

quint16 RtspServer::boundPort() const
{
    return m_boundPort;
}

bool RtspServer::h265Available() const
{
    return initGstreamer(nullptr) && hasElement("x265enc") && hasElement("rtph265pay");
}

void RtspServer::setStreamSettings(const StreamSettings &s)
{
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->settings = sanitized(s);
    }
    applyLaunch();
}

StreamSettings RtspServer::streamSettings() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->settings;
}

void RtspServer::setOverlay(double yaw, double pitch, double zoom)
{
    if (!std::isfinite(yaw) || !std::isfinite(pitch) || !std::isfinite(zoom))
        return;
    QMutexLocker lock(&m_shared->mutex);
    m_shared->yaw = yaw;
    m_shared->pitch = pitch;
    m_shared->zoom = zoom;
    ++m_shared->overlayVersion;
}

QString RtspServer::pipelineFor(const StreamSettings &requested) const
{
    const StreamSettings s = sanitized(requested);
    const bool h265 = s.h265 && h265Available();
    // A green ball bouncing over a plain dark-blue background: it moves, so a frozen
    // stream shows at once, it costs the encoder little on a small machine,
    // and its colour tells it apart from the white overlay text. The overlay
    // scales its font with the picture, so one size suits every resolution.
    // When the encoder cannot keep up (H.265 on a small machine), the queue
    // drops the oldest picture rather than letting the delay grow without end.
    QString launch =
        QStringLiteral(
            "( videotestsrc name=source is-live=true pattern=ball "
            "foreground-color=0xff20c040 background-color=0xff1d3557 "
            "! video/x-raw,format=I420,width=%1,height=%2,framerate=%3/1 "
            "! queue leaky=downstream max-size-buffers=1 max-size-bytes=0 "
            "max-size-time=0 "
            "! textoverlay name=info halignment=left valignment=top ypad=%5 wrap-mode=none "
            "shaded-background=true font-desc=\"Sans 12\" "
            "! textoverlay name=clock halignment=right valignment=bottom "
            "wrap-mode=none shaded-background=true font-desc=\"Monospace 12\" "
            "ypad=%4 ")
            .arg(s.width)
            .arg(s.height)
            .arg(FramesPerSecond)
            .arg(2 * TimeStampBlocks::blockSide(s.width) + 8)
            // Below the status chips a viewer puts over the picture's top edge.
            .arg(s.height / 12);
    const QString encoder = h265 ? QStringLiteral("x265enc") : QStringLiteral("x264enc");
    const QString payloader = h265 ? QStringLiteral("rtph265pay") : QStringLiteral("rtph264pay");
    launch += QStringLiteral("! %1 tune=zerolatency speed-preset=ultrafast key-int-max=%2 "
                             "bitrate=%3 ! %4 name=pay0 pt=96 config-interval=1 )")
                  .arg(encoder)
                  .arg(FramesPerSecond)
                  .arg(s.bitrateKbps)
                  .arg(payloader);
    return launch;
}

void RtspServer::applyLaunch()
{
    if (!m_glib || !m_glib->factory)
        return;
    // The factory locks itself; sessions opened from now on use the new line.
    gst_rtsp_media_factory_set_launch(m_glib->factory,
                                      pipelineFor(streamSettings()).toUtf8().constData());
}

bool RtspServer::start(QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (isRunning())
        return true;
    if (m_bindAddress.trimmed().isEmpty())
        return fail(QStringLiteral("RTSP: no bind address given"));
    if (!m_allowRemote && !LoopbackRule::isLoopback(m_bindAddress))
        return fail(QStringLiteral("RTSP: refusing to serve on the non-loopback address %1 "
                                   "unless remote access is allowed")
                        .arg(m_bindAddress));
    if (!initGstreamer(error))
        return false;
    if (!hasElement("videotestsrc") || !hasElement("textoverlay") || !hasElement("x264enc") ||
        !hasElement("rtph264pay"))
        return fail(QStringLiteral("RTSP: a GStreamer element is missing (videotestsrc, "
                                   "textoverlay, x264enc or rtph264pay)"));

    auto glib = std::make_unique<Glib>();
    glib->context = g_main_context_new();
    glib->loop = g_main_loop_new(glib->context, FALSE);
    glib->server = gst_rtsp_server_new();
    // Viewers are served on the loop's own thread, not on a pool of client
    // threads: stop() then drops them on that thread, with nothing of theirs
    // still running elsewhere.
    GstRTSPThreadPool *threads = gst_rtsp_server_get_thread_pool(glib->server);
    gst_rtsp_thread_pool_set_max_threads(threads, 0);
    g_object_unref(threads);
    gst_rtsp_server_set_address(glib->server, m_bindAddress.trimmed().toUtf8().constData());
    gst_rtsp_server_set_service(glib->server, QByteArray::number(m_port).constData());

    glib->factory = gst_rtsp_media_factory_new();
    // Every session builds its own pipeline, so a settings change reaches
    // the next viewer without disturbing the ones already watching.
    gst_rtsp_media_factory_set_shared(glib->factory, FALSE);
    // Unicast only: streams go back to the peer that asked, never to a group.
    // Without UDP a viewer asking for it is told the transport is not
    // supported.
    gst_rtsp_media_factory_set_protocols(
        glib->factory,
        m_udpMedia == UdpMedia::Refuse
            ? GST_RTSP_LOWER_TRANS_TCP
            : GstRTSPLowerTrans(GST_RTSP_LOWER_TRANS_UDP | GST_RTSP_LOWER_TRANS_TCP));
    g_signal_connect_data(
        glib->factory, "media-configure", G_CALLBACK(onMediaConfigure),
        new std::shared_ptr<Shared>(m_shared),
        [](gpointer p, GClosure *) { delete static_cast<std::shared_ptr<Shared> *>(p); },
        GConnectFlags(0));
    m_glib = std::move(glib);
    applyLaunch();

    GstRTSPMountPoints *mounts = gst_rtsp_server_get_mount_points(m_glib->server);
    for (const char *path : MountPaths) {
        g_object_ref(m_glib->factory);
        gst_rtsp_mount_points_add_factory(mounts, path, m_glib->factory);
    }
    g_object_unref(mounts);

    GError *err = nullptr;
    m_glib->source = gst_rtsp_server_create_source(m_glib->server, nullptr, &err);
    if (!m_glib->source) {
        const QString why = QString::fromUtf8(err ? err->message : "unknown error");
        if (err)
            g_error_free(err);
        m_glib.reset();
        return fail(QStringLiteral("RTSP: cannot listen on %1:%2: %3")
                        .arg(m_bindAddress)
                        .arg(m_port)
                        .arg(why));
    }
    g_source_attach(m_glib->source, m_glib->context);
    m_boundPort = quint16(gst_rtsp_server_get_bound_port(m_glib->server));

    GMainContext *context = m_glib->context;
    GMainLoop *loop = m_glib->loop;
    m_thread = std::thread([context, loop] {
        g_main_context_push_thread_default(context);
        g_main_loop_run(loop);
        g_main_context_pop_thread_default(context);
    });
    return true;
}

void RtspServer::stop()
{
    if (!m_thread.joinable()) {
        m_glib.reset();
        return;
    }
    // Viewers are dropped and their sessions ended on the loop's own thread,
    // then the loop is left; that is the last thing it runs.
    g_main_context_invoke(
        m_glib->context,
        [](gpointer data) -> gboolean {
            auto *glib = static_cast<Glib *>(data);
            gst_rtsp_server_client_filter(glib->server, removeClient, nullptr);
            GstRTSPSessionPool *pool = gst_rtsp_server_get_session_pool(glib->server);
            if (pool) {
                gst_rtsp_session_pool_filter(pool, removeSession, nullptr);
                g_object_unref(pool);
            }
            g_main_loop_quit(glib->loop);
            return G_SOURCE_REMOVE;
        },
        m_glib.get());
    m_thread.join();
    m_glib.reset();
    m_boundPort = 0;
}
