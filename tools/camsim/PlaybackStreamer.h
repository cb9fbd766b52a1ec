#pragma once

#include "camsim/PlaybackPacketizer.h"
#include "camsim/SimOptions.h"
#include "camsim/VideoFileReader.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>

class DatagramChannel;
class QTimer;

// Streams the video of a stored clip to the playback receiver in real time:
// each access unit leaves when its presentation time comes, cut into
// datagrams by the packetizer. Starting at a position begins at the key
// frame before it and sends the pictures up to the position at once, so the
// receiver shows the asked-for picture straight away.
class PlaybackStreamer : public QObject
{
    Q_OBJECT
public:
    static constexpr int TickMs = 4;

    PlaybackStreamer(DatagramChannel *channel, SimOptions::PlaybackForm form,
                     QObject *parent = nullptr);

    void play(const QString &localPath, qint64 fromMs, const QHostAddress &to, quint16 port);
    void pause();
    void stop();

signals:
    // The end of the file was sent.
    void finished();
    void warning(const QString &text);

private:
    void tick();

    DatagramChannel *m_channel;
    PlaybackPacketizer m_packetizer;
    VideoFileReader m_reader;
    QString m_file;
    QTimer *m_timer;
    QElapsedTimer m_clock;
    qint64 m_fromMs = 0;
    QHostAddress m_to;
    quint16 m_port = 0;
    VideoFileReader::AccessUnit m_next;
    bool m_haveNext = false;
};
