#pragma once

#include "link/BilingualText.h"
#include "video/RecordedPacket.h"

#include <QMutex>
#include <QQueue>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <atomic>

struct AVCodecParameters;

// Writes the live stream to a file without re-encoding: the decoder copies
// each compressed packet into a bounded queue, this thread muxes them
// (RecordingMuxer) into the container the file name asks for. Writing starts
// at the first keyframe, and only then is the file created: a recording that
// never got one leaves nothing on disk. A stop writes the trailer.
//
// setOutputPath and requestStop come from the interface thread;
// setStreamParameters and enqueuePacket from the decoder thread while it holds
// its own lock (lock order decoder, then recorder; never the reverse).
class VideoRecorder : public QThread
{
    Q_OBJECT
public:
    static constexpr int MaxQueuedPackets = 180;

    // How a recording ended; read once the thread has finished.
    enum class Outcome {
        Running,  // not ended yet
        Finished, // at least one packet written, the file finished
        Nothing,  // stopped before the first keyframe (or the stream): no file
        Failed,   // error() tells why; a partly written file is left
    };

    explicit VideoRecorder(QObject *parent = nullptr);
    ~VideoRecorder() override;

    void setOutputPath(const QString &path);
    void setStreamParameters(const AVCodecParameters *parameters, int numerator, int denominator);
    // Queues a packet. When the queue is full (the disk is slower than the
    // stream) the packet is dropped and counted, and so is every packet
    // after it up to the next keyframe: pictures that refer to a lost one
    // would only show as smears.
    void enqueuePacket(const RecordedPacket &packet);
    // Ends the recording. Never lost, also when it comes before the thread
    // body has started: the flag is only ever raised.
    void requestStop();
    int queuedPackets() const;

    Outcome outcome() const;
    BilingualText error() const;
    QString outputPath() const;
    // Compressed bytes written so far, and packets dropped because the
    // queue was full; both may be read from any thread at any time.
    qint64 bytesWritten() const { return m_bytesWritten.load(); }
    // Length of the video written so far, by its time stamps.
    qint64 writtenMs() const { return m_writtenMs.load(); }
    int droppedPackets() const { return m_dropped.load(); }

signals:
    void startedRecording();
    void finishedRecording(const QString &path);
    void errorOccurred(const QString &error);

protected:
    void run() override;

private:
    void end(Outcome outcome, const BilingualText &error = BilingualText());

    mutable QMutex m_lock;
    QWaitCondition m_wake;
    QString m_path;
    AVCodecParameters *m_parameters = nullptr;
    int m_numerator = 1;
    int m_denominator = 90000;
    bool m_parametersKnown = false;
    bool m_dropUntilKeyframe = false;
    std::atomic<bool> m_stop{false};
    QQueue<RecordedPacket> m_queue;
    Outcome m_outcome = Outcome::Running;
    BilingualText m_error;
    std::atomic<qint64> m_bytesWritten{0};
    std::atomic<qint64> m_writtenMs{0};
    std::atomic<int> m_dropped{0};
};
