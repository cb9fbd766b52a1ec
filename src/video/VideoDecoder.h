#pragma once

#include "link/BilingualText.h"
#include "video/DecoderCounters.h"
#include "video/LiveEdge.h"
#include "video/StreamTransport.h"
#include "video/VideoFrame.h"
#include "video/VideoStreamInfo.h"

#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>

struct AVCodecParameters;
struct AVIOContext;
struct AVPacket;
class VideoRecorder;

// One connection to a live stream on a thread of its own: opens the address
// with low-latency options over the chosen transport (Auto: UDP, else TCP),
// decodes the first video stream single-threaded, and hands every accepted
// picture to the interface thread as a VideoFrame with its timing. It also
// describes the stream and, while a recording runs, copies each compressed
// packet to the recorder. It never reconnects: when the connection ends the
// thread ends, and the player decides what comes next.
//
// It keeps the picture live: a stream that falls behind skips to its next
// key frame (LiveEdge), and one that decodes too slowly for its frame rate
// gets the decoder's slice threads, which add no delay.
//
// Blocking library calls are cut short by an interrupt callback that reads
// the running flag and a deadline, so a stop takes effect within one poll.
class VideoDecoder : public QThread
{
    Q_OBJECT
public:
    // How long the open steps may block, and how long the connection may go
    // without an accepted picture before it counts as lost.
    struct Timing {
        int openMs = 5000;
        int pictureMs = 8000;
    };

    // Bounds for decoding untrusted bytes (the fuzz target): 0 = no bound.
    struct Limits {
        int maxPictures = 0;
        qint64 maxPixels = 0;
    };

    // Single: one thread always (the benchmark's reference). Automatic: one
    // thread until decoding is too slow for the stream, then slice threads.
    enum Threading { Automatic, Single };

    explicit VideoDecoder(QObject *parent = nullptr);
    ~VideoDecoder() override;

    // Only before start.
    void setUrl(const QString &url);
    void setTiming(const Timing &timing) { m_timing = timing; }
    void setLimits(const Limits &limits) { m_limits = limits; }
    void setTransport(StreamTransport::Choice transport) { m_transport = transport; }
    void setThreading(Threading threading) { m_threading = threading; }
    void setLiveEdge(const LiveEdge::Settings &settings) { m_edgeSettings = settings; }
    // At most this many pictures sent and not yet taken (pictureTaken());
    // newer ones are dropped as late meanwhile. 0: no limit.
    void setConsumerLimit(int pictures) { m_consumerLimit = pictures; }
    // The receiver took one picture (any thread).
    void pictureTaken() { m_counters->inFlight.fetch_sub(1); }
    std::shared_ptr<DecoderCounters> counters() const { return m_counters; }
    // Reads the media from `io` instead of opening the address (no network,
    // nested opens refused). The caller keeps ownership of `io`.
    void setCustomInput(AVIOContext *io) { m_customInput = io; }

    // Ends the connection: blocking calls abort within one callback poll.
    // Never lost, also when it comes before the thread body has started.
    void requestStop();

    void attachRecorder(VideoRecorder *recorder);
    void detachRecorder();

    // The last errorOccurred text in both languages, so what is on screen
    // can follow a later language switch.
    BilingualText lastError() const;

    // Runs the body on the calling thread instead of a thread of its own
    // (the fuzz target and the decode benchmark); the signals are emitted on
    // that thread.
    void runHere() { run(); }

signals:
    void frameReady(const VideoFrame &frame);
    void streamInfoUpdated(const VideoStreamInfo &info);
    void errorOccurred(const QString &error);

protected:
    void run() override;

private:
    // One connection's state, on the thread's stack while the body runs.
    struct Session;
    enum class Opened { Ok, Failed, TryNext };
    Opened openInput(Session &s, StreamTransport::Choice transport, bool fallbackLeft);
    bool openCodec(Session &s, int threads);
    void readLoop(Session &s, AVPacket *packet);
    void decodePacket(Session &s, AVPacket *packet, const FrameTiming &arrival);
    void handOver(VideoFrame &frame);

    struct Interrupt {
        const std::atomic<int> *running;
        const std::atomic<qint64> *deadline;
    };
    static int interrupted(void *opaque);
    void armDeadline(int ms);
    void report(const QString &english, const QString &chinese, const QString &detail = QString());

    QString m_url;
    Timing m_timing;
    Limits m_limits;
    AVIOContext *m_customInput = nullptr;
    StreamTransport::Choice m_transport = StreamTransport::Auto;
    Threading m_threading = Automatic;
    LiveEdge::Settings m_edgeSettings;
    int m_consumerLimit = 0;
    bool m_readStamps = false;
    std::shared_ptr<DecoderCounters> m_counters = std::make_shared<DecoderCounters>();
    std::atomic<int> m_running{0};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<qint64> m_deadline{0};

    mutable QMutex m_errorLock;
    BilingualText m_lastError;

    QMutex m_recorderLock;
    VideoRecorder *m_recorder = nullptr;
    AVCodecParameters *m_parameters = nullptr;
    int m_timeBaseNum = 1;
    int m_timeBaseDen = 90000;
    bool m_parametersKnown = false;
};
