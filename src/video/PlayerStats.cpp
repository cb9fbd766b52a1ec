#include "video/PlayerStats.h"

#include "link/Language.h"
#include "video/VideoFrameItem.h"

#include <QQuickWindow>

#include <cmath>

namespace
{

// Pictures whose latency comes out beyond this are not believed: a stamp or
// a clock that is not what it seems.
constexpr double LongestLatencyMs = 10000.0;

double oneDecimal(double value)
{
    return std::round(value * 10.0) / 10.0;
}

QString number(double value)
{
    return QString::number(value, 'f', 1);
}

} // namespace

void PlayerStats::Windows::restart(qint64 nowUs)
{
    for (StatWindow *w : {&received, &bytes, &decoded, &shown, &decode, &measured, &estimated})
        w->restart(nowUs);
}

PlayerStats::PlayerStats(QObject *parent) : QObject(parent)
{
    m_refresh.setInterval(RefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &PlayerStats::refresh);
    rebuildMap(FrameTiming::nowUs());
}

PlayerStats::~PlayerStats()
{
    watchWindow(nullptr);
}

void PlayerStats::setTransportChoice(StreamTransport::Choice choice)
{
    m_choice = choice;
}

void PlayerStats::setTarget(VideoFrameItem *target)
{
    if (m_target == target)
        return;
    if (m_target)
        disconnect(m_target, nullptr, this, nullptr);
    m_target = target;
    if (target)
        connect(target, &QQuickItem::windowChanged, this, &PlayerStats::watchWindow);
    watchWindow(target ? target->window() : nullptr);
}

void PlayerStats::watchWindow(QQuickWindow *window)
{
    if (m_window == window)
        return;
    if (m_window)
        disconnect(m_window, nullptr, this, nullptr);
    m_window = window;
    if (!window)
        return;
    // While the window synchronises, the interface thread waits: the
    // picture given last is the one the window takes.
    connect(
        window, &QQuickWindow::afterSynchronizing, this,
        [this] { m_synced.store(m_lastGiven.load()); }, Qt::DirectConnection);
    connect(
        window, &QQuickWindow::frameSwapped, this,
        [this] {
            const quint64 synced = m_synced.load();
            if (synced == 0 || m_swapped.exchange(synced) == synced)
                return;
            const qint64 at = FrameTiming::nowUs();
            QMetaObject::invokeMethod(
                this, [this, synced, at] { onSwapped(synced, at); }, Qt::QueuedConnection);
        },
        Qt::DirectConnection);
}

void PlayerStats::playingStarted()
{
    const qint64 now = FrameTiming::nowUs();
    if (!m_active) {
        m_active = true;
        m_droppedBefore = m_skipsBefore = m_damagedBefore = m_unshown = 0;
        m_live.restart(now);
        m_minute.restart(now);
        m_minuteStartUs = now;
    }
    m_refresh.start();
}

void PlayerStats::playingStopped()
{
    if (!m_active)
        return;
    const qint64 now = FrameTiming::nowUs();
    sampleCounters(now);
    if (m_minute.received.count(now) > 0 || m_minute.shown.count(now) > 0)
        emit summary(summaryFrom(m_minute, now));
    decoderEnded();
    m_active = false;
    m_refresh.stop();
    m_transport.clear();
    m_decoder.clear();
    m_threads = 1;
    m_live.restart(now);
    rebuildMap(now);
    emit changed();
}

void PlayerStats::decoderStarted(std::shared_ptr<DecoderCounters> counters, bool reconnect)
{
    decoderEnded();
    m_counters = std::move(counters);
    m_seenReceived = m_seenBytes = m_seenDecoded = 0;
    if (reconnect)
        ++m_reconnects;
}

void PlayerStats::decoderEnded()
{
    if (!m_counters)
        return;
    sampleCounters(FrameTiming::nowUs());
    const quint64 received = m_counters->received.load() - m_counters->beforeFirst.load();
    const quint64 decoded = m_counters->decoded.load();
    m_droppedBefore +=
        (decoded > 0 && received > decoded ? received - decoded : 0) + m_counters->late.load();
    m_skipsBefore += m_counters->keyFrameSkips.load();
    m_damagedBefore += m_counters->damaged.load();
    m_counters.reset();
}

void PlayerStats::streamInfo(const VideoStreamInfo &info)
{
    if (info.transport != m_transport) {
        if (m_choice == StreamTransport::Auto && info.transport == QLatin1String("tcp"))
            emit logMessage(Language::pick(
                QStringLiteral("[Video] The stream does not come over UDP here: it plays over TCP"),
                QStringLiteral("[视频] 此处 UDP 收不到视频流：改用 TCP 播放")));
        if (info.transport == QLatin1String("udp") && !m_bufferWarned) {
            const int limit = StreamTransport::systemReceiveBufferLimit();
            if (limit > 0 && limit < StreamTransport::UdpBufferBytes) {
                m_bufferWarned = true;
                emit logMessage(
                    Language::pick(QStringLiteral("[Video] The system limits UDP receive buffers "
                                                  "to %1 KB (net.core.rmem_max): large key "
                                                  "frames may lose packets"),
                                   QStringLiteral("[视频] 系统限制 UDP 接收缓冲区为 %1 KB"
                                                  "（net.core.rmem_max）：大的关键帧可能丢包"))
                        .arg(limit / 1024));
            }
        }
        m_transport = info.transport;
    }
    if (info.threads > m_threads && !m_decoder.isEmpty())
        emit logMessage(Language::pick(QStringLiteral("[Video] Decoding is too slow for the "
                                                      "stream on one thread: using %1 threads"),
                                       QStringLiteral("[视频] 单线程解码跟不上视频流：改用 %1 "
                                                      "个线程"))
                            .arg(info.threads));
    m_threads = info.threads;
    m_decoder = info.decoderName;
}

void PlayerStats::pictureGiven(const FrameTiming &timing)
{
    if (m_counters)
        m_counters->inFlight.fetch_sub(1);
    const qint64 now = FrameTiming::nowUs();
    m_live.decode.add(now, timing.decodeUs / 1000.0);
    m_minute.decode.add(now, timing.decodeUs / 1000.0);
    if (!m_target) {
        ++m_unshown;
        return;
    }
    if (!m_window) {
        shown(timing, now);
        return;
    }
    // The picture before, never taken by the window, was replaced unseen.
    const quint64 previous = m_lastGiven.load();
    if (previous != 0 && m_synced.load() != previous)
        ++m_unshown;
    const quint64 given = ++m_given;
    m_recent[given % m_recent.size()] = {given, timing};
    m_lastGiven.store(given);
}

void PlayerStats::onSwapped(quint64 given, qint64 atUs)
{
    const auto &entry = m_recent[given % m_recent.size()];
    if (entry.first == given)
        shown(entry.second, atUs);
}

void PlayerStats::shown(const FrameTiming &timing, qint64 atUs)
{
    m_live.shown.add(atUs);
    m_minute.shown.add(atUs);
    if (timing.capturedUs > 0) {
        const double ms = (atUs - timing.capturedUs) / 1000.0;
        if (ms >= 0.0 && ms <= LongestLatencyMs) {
            m_live.measured.add(atUs, ms);
            m_minute.measured.add(atUs, ms);
        }
    } else if (m_clockSet && timing.senderLagUs != FrameTiming::Unknown && timing.receivedUs > 0) {
        const double ms = (timing.senderLagUs + (atUs - timing.receivedUs)) / 1000.0;
        if (ms >= 0.0 && ms <= LongestLatencyMs) {
            m_live.estimated.add(atUs, ms);
            m_minute.estimated.add(atUs, ms);
        }
    }
    emit pictureShown(timing, atUs);
}

void PlayerStats::sampleCounters(qint64 nowUs)
{
    if (!m_counters)
        return;
    const quint64 received = m_counters->received.load();
    const quint64 bytes = m_counters->bytes.load();
    const quint64 decoded = m_counters->decoded.load();
    for (Windows *w : {&m_live, &m_minute}) {
        w->received.add(nowUs, double(received - m_seenReceived));
        w->bytes.add(nowUs, double(bytes - m_seenBytes));
        w->decoded.add(nowUs, double(decoded - m_seenDecoded));
    }
    m_seenReceived = received;
    m_seenBytes = bytes;
    m_seenDecoded = decoded;
}

quint64 PlayerStats::dropped() const
{
    quint64 total = m_droppedBefore + m_unshown;
    if (m_counters) {
        const quint64 received = m_counters->received.load() - m_counters->beforeFirst.load();
        const quint64 decoded = m_counters->decoded.load();
        // The picture being decoded right now is not lost.
        total += (decoded > 0 && received > decoded + 1 ? received - decoded - 1 : 0) +
                 m_counters->late.load();
    }
    return total;
}

quint64 PlayerStats::keyFrameSkips() const
{
    return m_skipsBefore + (m_counters ? m_counters->keyFrameSkips.load() : 0);
}

quint64 PlayerStats::damaged() const
{
    return m_damagedBefore + (m_counters ? m_counters->damaged.load() : 0);
}

void PlayerStats::refresh()
{
    const qint64 now = FrameTiming::nowUs();
    sampleCounters(now);
    if (now - m_minuteStartUs >= qint64(SummaryEveryMs) * 1000) {
        emit summary(summaryFrom(m_minute, now));
        m_minute.restart(now);
        m_minuteStartUs = now;
    }
    const QVariantMap before = m_map;
    rebuildMap(now);
    if (m_map != before)
        emit changed();
}

void PlayerStats::rebuildMap(qint64 nowUs)
{
    QVariantMap m;
    m.insert(QStringLiteral("receivedFps"), oneDecimal(m_live.received.sumPerSecond(nowUs)));
    m.insert(QStringLiteral("decodedFps"), oneDecimal(m_live.decoded.sumPerSecond(nowUs)));
    m.insert(QStringLiteral("shownFps"), oneDecimal(m_live.shown.ratePerSecond(nowUs)));
    m.insert(QStringLiteral("dropped"), dropped());
    m.insert(QStringLiteral("keyFrameSkips"), keyFrameSkips());
    m.insert(QStringLiteral("damaged"), damaged());
    m.insert(QStringLiteral("decodeMs"), oneDecimal(m_live.decode.mean(nowUs)));
    m.insert(QStringLiteral("decodeP95Ms"), oneDecimal(m_live.decode.percentile(nowUs, 0.95)));
    m.insert(QStringLiteral("queue"), m_counters ? std::max(0, m_counters->inFlight.load()) : 0);
    m.insert(QStringLiteral("behindMs"), m_counters ? int(m_counters->behindUs.load() / 1000) : 0);
    m.insert(QStringLiteral("bitrateKbps"),
             qint64(std::llround(m_live.bytes.sumPerSecond(nowUs) * 8.0 / 1000.0)));
    m.insert(QStringLiteral("transport"), m_transport);
    m.insert(QStringLiteral("transportChoice"), StreamTransport::name(m_choice));
    m.insert(QStringLiteral("decoder"), m_decoder);
    m.insert(QStringLiteral("threads"), m_threads);
    m.insert(QStringLiteral("reconnects"), m_reconnects);
    if (m_live.measured.count(nowUs) > 0) {
        m.insert(QStringLiteral("latencyMs"),
                 qint64(std::llround(m_live.measured.percentile(nowUs, 0.5))));
        m.insert(QStringLiteral("latencyKind"), QStringLiteral("measured"));
    } else if (m_live.estimated.count(nowUs) > 0) {
        m.insert(QStringLiteral("latencyMs"),
                 qint64(std::llround(m_live.estimated.percentile(nowUs, 0.5))));
        m.insert(QStringLiteral("latencyKind"), QStringLiteral("estimated"));
    } else {
        m.insert(QStringLiteral("latencyMs"), QVariant());
        m.insert(QStringLiteral("latencyKind"), QStringLiteral("none"));
    }
    m_map = m;
}

QString PlayerStats::summaryLine()
{
    const qint64 now = FrameTiming::nowUs();
    sampleCounters(now);
    return summaryFrom(m_minute, now);
}

QString PlayerStats::summaryFrom(Windows &w, qint64 nowUs)
{
    QString latency = QStringLiteral("—");
    if (w.measured.count(nowUs) > 0)
        latency = QStringLiteral("%1 ms").arg(std::llround(w.measured.percentile(nowUs, 0.5)));
    else if (w.estimated.count(nowUs) > 0)
        latency =
            Language::pick(QStringLiteral("≈%1 ms (estimated)"), QStringLiteral("≈%1 ms（估计）"))
                .arg(std::llround(w.estimated.percentile(nowUs, 0.5)));
    const QString transport = m_transport.isEmpty() ? QStringLiteral("—") : m_transport.toUpper();
    return Language::pick(
               QStringLiteral("[Video/Stats] %1 fps received, %2 decoded, %3 shown; %4 dropped, "
                              "%5 key-frame skips; decode %6 ms (p95 %7); %8 kbps; %9; "
                              "%10 x%11; %12 reconnects; latency %13"),
               QStringLiteral("[视频/统计] 接收 %1 帧/秒，解码 %2，显示 %3；丢弃 %4，"
                              "跳至关键帧 %5 次；解码 %6 ms（p95 %7）；%8 kbps；%9；"
                              "%10 x%11；重连 %12 次；延迟 %13"))
        .arg(number(w.received.sumPerSecond(nowUs)), number(w.decoded.sumPerSecond(nowUs)),
             number(w.shown.ratePerSecond(nowUs)))
        .arg(dropped())
        .arg(keyFrameSkips())
        .arg(number(w.decode.mean(nowUs)), number(w.decode.percentile(nowUs, 0.95)))
        .arg(std::llround(w.bytes.sumPerSecond(nowUs) * 8.0 / 1000.0))
        .arg(transport, m_decoder.isEmpty() ? QStringLiteral("—") : m_decoder)
        .arg(m_threads)
        .arg(m_reconnects)
        .arg(latency);
}
