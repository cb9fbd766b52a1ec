#pragma once

#include "link/BilingualText.h"
#include "video/VideoFrame.h"
#include "video/VideoStreamInfo.h"

#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>

struct AVCodecParameters;
struct AVIOContext;
class VideoRecorder;

// One connection to a live stream on a thread of its own: opens the address
// with low-latency options, decodes the first video stream single-threaded,
// and hands every accepted picture to the interface thread as a VideoFrame.
// It also describes the stream and, while a recording runs, copies each
// compressed packet to the recorder. It never reconnects: when the connection
// ends the thread ends, and the player decides what comes next.
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

    explicit VideoDecoder(QObject *parent = nullptr);
    ~VideoDecoder() override;

    // Only before start.
    void setUrl(const QString &url);
    void setTiming(const Timing &timing) { m_timing = timing; }
    void setLimits(const Limits &limits) { m_limits = limits; }
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
