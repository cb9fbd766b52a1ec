#pragma once

#include "link/BilingualText.h"
#include "video/VideoDecoder.h"
#include "video/VideoFrame.h"
#include "video/VideoStreamInfo.h"

#include <QPointer>
#include <QQuickItem>
#include <QString>
#include <QVector>

class RecordingSession;
class TelemetryFeed;
class VideoFrameItem;
class VideoPlayerTimer;

// The object the interface plays live video with. It owns the decoder thread
// of the current connection and the local recording (RecordingSession,
// which carries a recording across stream drops), pushes pictures into the
// VideoFrameItem chosen as its target, keeps a status text, watches for
// pictures that stop coming and reconnects with a growing back-off (1, 2, 3,
// 5, 8 s; any picture resets it). It also takes screenshots (with the
// camera's telemetry in their text fields) and names the files of
// screenshots and recordings. Its status and error texts follow a language
// switch at once.
//
// Everything runs on the interface thread. Retiring a decoder never blocks it
// longer than one interrupt poll: a decoder that is slower to end finishes in
// the background, and nothing it still sends reaches the player.
class QmlVideoPlayer : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(bool playing READ playing NOTIFY playingChanged)
    Q_PROPERTY(bool reconnecting READ reconnecting NOTIFY reconnectingChanged)
    Q_PROPERTY(QString url READ url WRITE setUrl NOTIFY urlChanged)
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(VideoFrameItem *target READ target WRITE setTarget NOTIFY targetChanged)
    Q_PROPERTY(bool recording READ recording NOTIFY recordingChanged)
    Q_PROPERTY(bool recordingReady READ recordingReady NOTIFY recordingReadyChanged)
    Q_PROPERTY(QString lastOutput READ lastOutput NOTIFY lastOutputChanged)
    Q_PROPERTY(int streamWidth READ streamWidth NOTIFY streamInfoChanged)
    Q_PROPERTY(int streamHeight READ streamHeight NOTIFY streamInfoChanged)
    Q_PROPERTY(QString codecName READ codecName NOTIFY streamInfoChanged)
    Q_PROPERTY(QString bitrateText READ bitrateText NOTIFY streamInfoChanged)
    // The last error, in the current language; cleared by start and stop.
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(RecordingSession *recordingSession READ recordingSession CONSTANT)
    Q_PROPERTY(TelemetryFeed *telemetry READ telemetry CONSTANT)

public:
    // Every delay the player uses, in milliseconds, from one place.
    struct Timing {
        QVector<int> backoff{1000, 2000, 3000, 5000, 8000};
        int firstPictureMs = 12000;
        int pictureMs = 8000;
        int restartMs = 400;
        int recorderStopMs = 3000;
        // How long retiring waits for a decoder before handing it off to end
        // in the background: one poll of the library's interrupt callback.
        int retireWaitMs = 100;
        VideoDecoder::Timing decoder;
    };

    explicit QmlVideoPlayer(QQuickItem *parent = nullptr);
    ~QmlVideoPlayer() override;

    void setTiming(const Timing &timing);
    // Replaces the reconnect and watchdog timers (the player takes them).
    void setTimers(VideoPlayerTimer *reconnect, VideoPlayerTimer *watchdog);
    // Screenshots and recordings go here instead of the usual place (empty:
    // the usual place, see OutputLocation).
    Q_INVOKABLE void setOutputFolder(const QString &folder) { m_outputFolder = folder; }

    bool playing() const { return m_playing; }
    bool reconnecting() const { return m_reconnecting; }
    QString url() const { return m_url; }
    void setUrl(const QString &url);
    QString status() const { return m_status.text(); }
    VideoFrameItem *target() const;
    void setTarget(VideoFrameItem *target);
    bool recording() const;
    bool recordingReady() const;
    // Milliseconds since recordingReady turned true (0 when not recording),
    // on the monotonic clock: the recording's elapsed time must not jump
    // when the computer's wall clock is set while a recording runs. It
    // counts the whole recording, stream drops included.
    Q_INVOKABLE qint64 recordingElapsedMs() const;
    RecordingSession *recordingSession() const { return m_recording; }
    TelemetryFeed *telemetry() const { return m_telemetry; }
    QString lastError() const { return m_lastError.text(); }
    QString lastOutput() const { return m_lastOutput; }
    int streamWidth() const { return m_streamWidth; }
    int streamHeight() const { return m_streamHeight; }
    QString codecName() const { return m_codecName; }
    QString bitrateText() const { return m_bitrateText; }
    bool hasDecoder() const { return m_decoder != nullptr; }

    static QString formatBitrate(qint64 bitsPerSecond);

    Q_INVOKABLE void start(const QString &url);
    Q_INVOKABLE void start();
    Q_INVOKABLE void stop();
    Q_INVOKABLE void reconnect();
    Q_INVOKABLE void holdForStreamChange();
    Q_INVOKABLE QString captureFrame();
    Q_INVOKABLE void toggleRecording(const QString &url);
    Q_INVOKABLE void startRecording(const QString &url);
    Q_INVOKABLE void stopRecording();

signals:
    void playingChanged(bool playing);
    void reconnectingChanged(bool reconnecting);
    void urlChanged(const QString &url);
    void statusChanged(const QString &status);
    void targetChanged();
    void recordingChanged(bool recording);
    void recordingReadyChanged();
    void lastOutputChanged(const QString &path);
    void streamInfoChanged();
    void lastErrorChanged();
    void errorOccurred(const QString &error);

private:
    // What the current decoder reports; a retired decoder's reports, even
    // those already queued, never arrive here (nor from anywhere else).
    void onFrameReady(const VideoFrame &frame);
    void onStreamInfoUpdated(const VideoStreamInfo &info);
    void onDecoderError(const BilingualText &error);
    void onDecoderFinished(quint64 serial);
    void onReconnectTimeout();
    void onWatchdogTimeout();

    void openDecoder();
    void retireDecoder();
    void resetStreamInfo();
    void setReconnecting(bool value);
    void setStatus(const BilingualText &text);
    void armWatchdog(int ms);
    void scheduleRestart();
    void teardownPipeline();
    void setLastOutput(const QString &path);
    QString outputPath(bool recording) const;
    void reportError(const BilingualText &error);
    void clearError();
    void wireRecording();

    Timing m_timing;
    VideoDecoder *m_decoder = nullptr;
    quint64 m_decoderSerial = 0;
    // The local recording and what it writes beside the video.
    RecordingSession *m_recording = nullptr;
    TelemetryFeed *m_telemetry = nullptr;
    QString m_outputBeforeRecording;
    QPointer<VideoFrameItem> m_target;
    QString m_url;
    QString m_lastOutput;
    QString m_outputFolder;
    bool m_playing = false;
    bool m_wanted = false;
    bool m_reconnecting = false;
    int m_failures = 0;
    VideoPlayerTimer *m_reconnectTimer = nullptr;
    VideoPlayerTimer *m_watchdog = nullptr;
    BilingualText m_status;
    bool m_showsPlaying = false; // m_status is the "Playing" text
    BilingualText m_lastError;
    int m_streamWidth = 0;
    int m_streamHeight = 0;
    QString m_codecName;
    QString m_bitrateText;
};
