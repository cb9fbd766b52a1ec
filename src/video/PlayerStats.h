#pragma once

#include "video/DecoderCounters.h"
#include "video/FrameTiming.h"
#include "video/StatWindow.h"
#include "video/StreamTransport.h"
#include "video/VideoStreamInfo.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>

#include <array>
#include <atomic>
#include <memory>

class QQuickWindow;
class VideoFrameItem;

// The live player's health figures: pictures received, decoded and shown
// per second, pictures dropped or late (and damaged: shown with lost data
// concealed), decode time (mean and p95), the
// queue towards the screen, bit rate, transport, decoder and threads,
// reconnects, and the latency when it is known. Refreshed twice a second
// while playing (map()), summarised in the session log once per minute of
// playing and at stop.
//
// "Shown" means drawn: with the target in a window, a picture counts when
// the window swaps a frame it synchronised after the picture was given;
// pictures replaced before the window drew them count as dropped. A target
// in no window (the headless front end) counts a picture as shown when it
// is given.
//
// Latency is measured (the simulator's capture stamp, a simulator on this
// computer), estimated (the camera's RTCP sender reports, when the camera's
// clock was set from ours by the time sync) or unknown; never guessed.
//
// Runs on the interface thread; two small hooks run on the render thread.
class PlayerStats : public QObject
{
    Q_OBJECT
public:
    // Windows of the live figures.
    static constexpr qint64 RateSpanUs = 2000000;
    static constexpr qint64 TimeSpanUs = 5000000;
    static constexpr int RefreshMs = 500;
    static constexpr int SummaryEveryMs = 60000;

    explicit PlayerStats(QObject *parent = nullptr);
    ~PlayerStats() override;

    void setTarget(VideoFrameItem *target);
    bool cameraClockSet() const { return m_clockSet; }
    void setCameraClockSet(bool set) { m_clockSet = set; }
    void setTransportChoice(StreamTransport::Choice choice);

    // The operator started or stopped playing; stopping writes the summary.
    void playingStarted();
    void playingStopped();
    void decoderStarted(std::shared_ptr<DecoderCounters> counters, bool reconnect);
    void decoderEnded();
    void streamInfo(const VideoStreamInfo &info);
    // The player gave one picture to its target (or had none to give it to).
    void pictureGiven(const FrameTiming &timing);

    QVariantMap map() const { return m_map; }
    // The summary line as it would be written now.
    QString summaryLine();

signals:
    void changed();
    // Something the operator should know (a transport fallback, threads).
    void logMessage(const QString &line);
    // The summary once per minute of playing and at stop.
    void summary(const QString &line);
    // Every picture that reached the screen, with the moment (for the
    // benchmark's latency breakdown).
    void pictureShown(const FrameTiming &timing, qint64 shownUs);

private:
    struct Windows {
        explicit Windows(qint64 rateUs, qint64 timeUs)
            : received(rateUs), bytes(rateUs), decoded(rateUs), shown(rateUs), decode(timeUs),
              measured(rateUs), estimated(rateUs)
        {
        }
        void restart(qint64 nowUs);
        StatWindow received, bytes, decoded, shown, decode, measured, estimated;
    };

    void refresh();
    void sampleCounters(qint64 nowUs);
    void watchWindow(QQuickWindow *window);
    void onSwapped(quint64 given, qint64 atUs);
    void shown(const FrameTiming &timing, qint64 atUs);
    void rebuildMap(qint64 nowUs);
    QString summaryFrom(Windows &w, qint64 nowUs);
    quint64 dropped() const;
    quint64 keyFrameSkips() const;
    quint64 damaged() const;

    QPointer<VideoFrameItem> m_target;
    QPointer<QQuickWindow> m_window;
    std::shared_ptr<DecoderCounters> m_counters;
    // The counters' values at the last sample.
    quint64 m_seenReceived = 0, m_seenBytes = 0, m_seenDecoded = 0;
    // Totals of the decoders before the current one, since playing started.
    quint64 m_droppedBefore = 0, m_skipsBefore = 0, m_damagedBefore = 0;
    quint64 m_unshown = 0;
    int m_reconnects = 0;

    Windows m_live{RateSpanUs, TimeSpanUs};
    Windows m_minute{qint64(SummaryEveryMs) * 1000, qint64(SummaryEveryMs) * 1000};
    qint64 m_minuteStartUs = 0;
    bool m_active = false;
    bool m_clockSet = false;
    StreamTransport::Choice m_choice = StreamTransport::Auto;
    QString m_transport;
    QString m_decoder;
    int m_threads = 1;
    bool m_bufferWarned = false;
    QTimer m_refresh;
    QVariantMap m_map;

    // Pictures given, numbered; the last few kept for their timing until the
    // window reports them drawn.
    quint64 m_given = 0;
    std::array<std::pair<quint64, FrameTiming>, 8> m_recent{};
    // Written on the interface thread (given) or while it waits for the
    // render thread (synced); read on the render thread.
    std::atomic<quint64> m_lastGiven{0};
    std::atomic<quint64> m_synced{0};
    std::atomic<quint64> m_swapped{0};
};
