#pragma once

#include "camsim/MediaRequest.h"
#include "link/CommandCode.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QObject>

class DatagramChannel;
class QTimer;

// The camera's download sender. A transfer request names a window of packets
// of a file, a thumbnail or the media list; the sender puts on the media
// channel a start packet and then the window's data packets, each a long
// frame (the download command's code, second status kind) in a datagram of
// its own:
//
//   start packet  01, u32 total size, u16 packet size
//   data packet   02, u32 sequence number, then the bytes from
//                 sequence × packet size on (the last packet of a file is
//                 shorter, or padded to the full size when the request
//                 says so)
//
// The start packet goes with every window, so a receiver that missed the
// first one can still begin. Datagrams are paced at the configured rate; a
// new request replaces the transfer under way, and an abort ends it.
class MediaSender : public QObject
{
    Q_OBJECT
public:
    static constexpr quint32 MessageId = CommandCode::DownloadMediaFile | (2u << 16);

    MediaSender(DatagramChannel *channel, double rateMbps, QObject *parent = nullptr);

    void start(const MediaRequest &request, const QHostAddress &to, quint16 port);
    void abort();

    static QByteArray startPacket(quint32 totalSize, quint16 packetSize);
    static QByteArray dataPacket(quint32 sequence, const QByteArray &data);

signals:
    // A window went out completely (not sent when aborted or replaced).
    void windowSent(const QString &devicePath, quint32 packets, quint64 bytes, qint64 elapsedMs);
    void warning(const QString &text);

private:
    void pump();
    bool nextDatagram(QByteArray *out);
    void finish();
    double nowMs() const;

    DatagramChannel *m_channel;
    const double m_bytesPerMs; // 0 = unpaced
    QTimer *m_timer;
    QElapsedTimer m_clock;
    double m_nextSendAt = 0;

    bool m_active = false;
    MediaRequest m_request;
    QFile m_file;
    QHostAddress m_to;
    quint16 m_port = 0;
    bool m_startPending = false;
    quint32 m_next = 0;
    quint32 m_end = 0;
    QByteArray m_pending;
    quint8 m_sequence = 0;
    quint64 m_windowBytes = 0;
    qint64 m_windowStartedAt = 0;
};
