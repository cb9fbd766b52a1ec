#pragma once

#include "link/BilingualText.h"
#include "video/VideoFrame.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class GimbalController;
class PlaybackVideoDecoder;
class PlaybackVideoReceiver;
class VideoFrameItem;

// Playback of a video stored on the camera: the camera streams it to the
// playback port, the pieces are decoded on a thread of their own and shown in
// the video item the scene gave; play position and length come from the
// camera's playback reports. Tells the camera to start, pause, resume, seek
// and stop.
class AlbumPlayback : public QObject
{
    Q_OBJECT
public:
    // The camera's play states in its playback reports.
    static constexpr int PlayStatusPlaying = 2;
    static constexpr int PlayStatusFinished = 7;

    explicit AlbumPlayback(GimbalController *controller, QObject *parent = nullptr);
    ~AlbumPlayback() override;

    PlaybackVideoReceiver *receiver() const { return m_receiver; }
    PlaybackVideoDecoder *decoder() const { return m_decoder; }

    QString playingPath() const { return m_playingPath; }
    int totalMs() const { return m_totalMs; }
    int positionMs() const { return m_positionMs; }
    bool paused() const { return m_paused; }
    bool hasFrame() const { return m_hasFrame; }
    QString error() const { return m_error.text(); }

    // Pictures go to `target` while it lives, when it is a video item.
    void setTarget(QObject *target);
    void setAllowedSenders(const QList<QHostAddress> &senders);
    // The playback port, bound before the camera is told where to stream.
    bool bind(quint16 port);
    bool isBound() const;
    quint16 port() const;

    // Plays `path` from its start (the port bound first).
    void start(const QString &path);
    // Stops whatever plays (stopped() when something did).
    void stop();
    void pauseOrResume();
    void seek(int positionMs);

signals:
    void playingPathChanged();
    void statusChanged();
    void hasFrameChanged();
    void errorChanged();
    void stopped();

private:
    void onDeviceStatus();
    void onFrame(const VideoFrame &frame);
    void setError(const BilingualText &message);
    void clearTargetPicture();

    QPointer<GimbalController> m_controller;
    PlaybackVideoReceiver *m_receiver = nullptr;
    PlaybackVideoDecoder *m_decoder = nullptr;
    QPointer<VideoFrameItem> m_target;
    QString m_playingPath;
    int m_totalMs = 0;
    int m_positionMs = 0;
    bool m_paused = false;
    bool m_hasFrame = false;
    BilingualText m_error;
};
