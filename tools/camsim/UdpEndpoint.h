#pragma once

#include "link/FrameCodec.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QVector>

class QUdpSocket;

// The camera's UDP control port. Each datagram is appended to its sender's
// reassembly buffer and complete frames are handed on with the sender's
// address; answers go back to that address and port. Unless remote peers are
// allowed, nothing is ever sent to an address outside loopback.
class UdpEndpoint : public QObject
{
    Q_OBJECT
public:
    struct Peer {
        QHostAddress address;
        quint16 port = 0;
    };

    // A peer that has been silent this long no longer receives status reports.
    static constexpr qint64 PeerTimeoutMs = 15000;

    explicit UdpEndpoint(bool allowRemote, QObject *parent = nullptr);

    bool open(const QHostAddress &bindAddress, quint16 port, QString *error);
    quint16 port() const;
    QHostAddress address() const;

    // False when the destination is refused or the socket fails.
    bool send(const QByteArray &bytes, const QHostAddress &address, quint16 port);
    QVector<Peer> activePeers() const;
    bool isAllowed(const QHostAddress &address) const;

signals:
    void frameReceived(const ParsedFrame &frame, const QHostAddress &address, quint16 port);
    void warning(const QString &text);

private slots:
    void onReadyRead();

private:
    static QString key(const QHostAddress &address, quint16 port);

    QUdpSocket *m_socket = nullptr;
    const bool m_allowRemote;
    QHash<QString, QByteArray> m_buffers;
    QHash<QString, Peer> m_peers;
    QHash<QString, qint64> m_lastSeen;
    QSet<QString> m_refused;
    QElapsedTimer m_clock;
};
