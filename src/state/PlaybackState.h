#pragma once

#include <QByteArray>
#include <QObject>

// Progress of a video the device is playing back to this computer.
class PlaybackState : public QObject
{
    Q_OBJECT
public:
    static constexpr int ReportSize = 10;

    explicit PlaybackState(QObject *parent = nullptr);

    int playbackPlayStatus() const { return m_playStatus; }
    int playbackDownloadStatus() const { return m_downloadStatus; }
    int playbackTotalMs() const { return m_totalMs; }
    int playbackPosition() const { return m_positionMs; }

    // Returns false (and changes nothing) when the report is too short.
    bool apply(const QByteArray &payload);

signals:
    void playbackStatusChanged();

private:
    int m_playStatus = 0;
    int m_downloadStatus = 0;
    int m_totalMs = 0;
    int m_positionMs = 0;
};
