#pragma once

#include "album/PlaybackPayload.h"
#include "video/VideoFrame.h"

#include <QByteArray>
#include <QMutex>
#include <QQueue>
#include <QThread>
#include <QWaitCondition>
#include <atomic>

// Decodes the played-back Annex B stream on its own thread: waits until the
// first pieces show whether the stream is H.264 or H.265, then feeds every
// piece through the codec's parser into a low-delay decoder and hands each
// picture over as a VideoFrame. Latency first: one decoding thread, pictures
// emitted as soon as they are decoded, and a bounded queue (the oldest piece
// is dropped when the decoder falls behind).
class PlaybackVideoDecoder : public QThread
{
    Q_OBJECT
public:
    static constexpr int MaxQueued = 2000;
    static constexpr int WaitMs = 250;

    explicit PlaybackVideoDecoder(QObject *parent = nullptr);
    ~PlaybackVideoDecoder() override;

    // Starts the thread; a stop requested at any time after this is kept.
    void startDecoding();
    void requestStop();
    // Queues one piece of the stream; empty pieces are ignored. Thread-safe.
    void enqueue(const QByteArray &payload);

    PlaybackPayload::Codec codec() const { return m_codec.load(); }
    // Counts the runs: tells a picture of the current run from one still
    // queued from an earlier run.
    quint64 session() const { return m_session.load(); }
    int decodedFrames() const { return m_decodedFrames.load(); }

signals:
    void frameReady(VideoFrame frame);
    // The message in both languages, so that it can follow a switch.
    void errorOccurred(QString english, QString chinese);

protected:
    void run() override;

private:
    bool take(QByteArray &payload);

    QMutex m_mutex;
    QWaitCondition m_wake;
    QQueue<QByteArray> m_queue;
    std::atomic<bool> m_running{false};
    std::atomic<PlaybackPayload::Codec> m_codec{PlaybackPayload::Codec::Undecided};
    std::atomic<int> m_decodedFrames{0};
    std::atomic<quint64> m_session{0};
};
