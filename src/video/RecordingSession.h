#pragma once

#include "link/BilingualText.h"
#include "video/DiskGuard.h"
#include "video/TelemetryFeed.h"
#include "video/TelemetryWriter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTime>
#include <QTimer>

class VideoDecoder;
class VideoRecorder;

// One local recording as the operator sees it: from the record button to
// Stop, whatever happens to the stream in between. Each stretch of the
// stream is a part of its own, written by a VideoRecorder: NAME.mp4, and
// after a drop NAME_part2.mp4, NAME_part3.mp4, … as soon as pictures come
// back. Beside every part go its telemetry files (TelemetryWriter), timed
// from that part's first picture; the elapsed time counts the whole
// recording. The free space is checked before the start and every few
// seconds (DiskGuard): low space is shown, too little ends the recording
// cleanly. Size, rate and pictures dropped because the disk fell behind are
// kept up to date; texts follow a language switch at once.
//
// The video player drives it: begin() with the first file's path, then
// streamOpened() for every new connection and streamLost() whenever one
// ends, and stop(). Everything runs on the interface thread.
class RecordingSession : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool active READ active NOTIFY activeChanged)
    Q_PROPERTY(bool ready READ ready NOTIFY readyChanged)
    // The part being written, or the next one while the stream is away.
    Q_PROPERTY(int part READ part NOTIFY partChanged)
    // Path of the first part (NAME.mp4).
    Q_PROPERTY(QString path READ path NOTIFY pathChanged)
    Q_PROPERTY(qint64 elapsedMs READ elapsedMs NOTIFY progressChanged)
    // Length of the video on disk or on its way there, all parts together.
    Q_PROPERTY(qint64 recordedMs READ recordedMs NOTIFY progressChanged)
    Q_PROPERTY(qint64 sizeBytes READ sizeBytes NOTIFY progressChanged)
    Q_PROPERTY(QString sizeText READ sizeText NOTIFY progressChanged)
    Q_PROPERTY(QString rateText READ rateText NOTIFY progressChanged)
    Q_PROPERTY(int droppedPictures READ droppedPictures NOTIFY progressChanged)
    Q_PROPERTY(QString droppedText READ droppedText NOTIFY progressChanged)
    // Interruptions while recording, and how the last recording ended.
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    // The free-space warning while recording.
    Q_PROPERTY(QString diskText READ diskText NOTIFY diskTextChanged)

public:
    struct Timing {
        int diskCheckMs = 3000;
        int sampleMs = 100; // a telemetry table row each
        int progressMs = 1000;
        int stopWaitMs = 3000;
    };

    explicit RecordingSession(QObject *parent = nullptr);
    ~RecordingSession() override;

    void setTiming(const Timing &timing) { m_timing = timing; }
    const Timing &timing() const { return m_timing; }
    void setFreeSpaceSource(DiskGuard::FreeSpaceSource source);
    void setFeed(TelemetryFeed *feed) { m_feed = feed; }

    bool active() const { return m_active; }
    bool ready() const { return m_ready; }
    int part() const { return m_part; }
    QString path() const { return m_path; }
    qint64 elapsedMs() const;
    qint64 recordedMs() const;
    qint64 sizeBytes() const { return m_sizeBytes; }
    QString sizeText() const;
    QString rateText() const;
    int droppedPictures() const { return m_dropped; }
    QString droppedText() const;
    QString statusText() const { return m_status.text(); }
    QString diskText() const { return m_disk.text(); }

    // Starts a recording into `path` from `decoder`'s packets; false (and
    // failed()) when the disk has too little room.
    bool begin(const QString &path, VideoDecoder *decoder);
    // A new connection: the next part starts with its first keyframe.
    void streamOpened(VideoDecoder *decoder);
    // The connection ended: the part in progress is finished, the
    // recording waits for the stream to come back.
    void streamLost();
    // Ends the recording; waits up to stopWaitMs for the last part.
    void stop();

signals:
    void activeChanged(bool active);
    void readyChanged();
    void partChanged();
    void pathChanged();
    void progressChanged();
    void statusTextChanged();
    void diskTextChanged();
    void failed(const BilingualText &error);
    // The recording is over: `saved` when at least one part is on disk,
    // with the first part's path.
    void ended(bool saved, const QString &path);

private:
    enum class PartEnd { Saved, Nothing, Failed, InBackground };

    void startPart(VideoDecoder *decoder);
    PartEnd endPart(BilingualText &error);
    void onPartStarted(quint64 serial);
    void onPartFailed(quint64 serial);
    void finish(const BilingualText &error);
    void sample();
    void updateProgress();
    void checkDisk();
    void setStatus(const BilingualText &text);
    void setDisk(const BilingualText &text);
    QString partPath(int part) const;

    Timing m_timing;
    DiskGuard m_guard;
    QPointer<TelemetryFeed> m_feed;
    QPointer<VideoDecoder> m_decoder;
    VideoRecorder *m_recorder = nullptr;
    quint64 m_serial = 0;
    bool m_active = false;
    bool m_ready = false;
    bool m_telemetryOn = true;
    int m_part = 1;
    int m_partsSaved = 0;
    QString m_path;
    QElapsedTimer m_clock;     // the whole recording, from its first picture
    QElapsedTimer m_partClock; // the current part, from its first picture
    TelemetryWriter m_telemetry;
    qint64 m_bytesBefore = 0; // parts already ended
    qint64 m_recordedBefore = 0;
    int m_droppedBefore = 0;
    qint64 m_sizeBytes = 0;
    qint64 m_rate = 0;
    qint64 m_rateBytes = 0;
    QElapsedTimer m_rateClock;
    int m_dropped = 0;
    QTime m_interruptedAt;
    BilingualText m_stopReason;
    BilingualText m_status;
    BilingualText m_disk;
    QTimer m_sampleTimer;
    QTimer m_progressTimer;
    QTimer m_diskTimer;
};
