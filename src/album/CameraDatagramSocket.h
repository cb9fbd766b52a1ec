#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QUdpSocket>

#include <functional>
#include <memory>

// The UDP socket a media channel listens on: bound to any IPv4 address with
// the address shared (another program may listen for the same camera) and a
// deep receive queue, taking datagrams only from the camera's address;
// others are counted and dropped.
class CameraDatagramSocket
{
public:
    // Closes first, then binds to `port` (0: any free port). `onReadyRead`
    // runs in `context` whenever datagrams wait. Empty on success, else the
    // socket's error text.
    QString bind(quint16 port, int receiveBuffer, QObject *context,
                 const std::function<void()> &onReadyRead);
    void close();
    bool isBound() const;
    quint16 port() const;

    // Senders whose datagrams are taken; an empty list takes any sender.
    void setAllowedSenders(const QList<QHostAddress> &senders);
    quint64 rejectedDatagrams() const { return m_rejected; }

    // The next waiting datagram of an allowed sender, valid until the next
    // call; null when none waits.
    const char *next(int &size);
    // Reads and drops whatever waits.
    void discardPending();

    // Larger than any datagram.
    static constexpr int MaxDatagram = 65536;

private:
    std::unique_ptr<QUdpSocket> m_socket;
    QByteArray m_buffer;
    QList<QHostAddress> m_allowed;
    quint64 m_rejected = 0;
};
