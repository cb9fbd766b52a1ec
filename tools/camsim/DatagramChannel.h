#pragma once

#include "camsim/FaultInjector.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>

class QUdpSocket;

// One outgoing UDP channel of the camera (media or playback): its own socket,
// its own seeded line faults, and the rule that nothing leaves for an address
// outside loopback unless remote peers are allowed.
class DatagramChannel : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        Sent,    // on the line, or taken by a simulated fault
        Busy,    // the socket's buffer is full: try the same datagram again soon
        Refused, // destination not allowed, or the socket failed for good
    };

    DatagramChannel(const QString &name, bool allowRemote, const FaultInjector::Settings &faults,
                    quint32 seed, QObject *parent = nullptr);

    bool open(const QHostAddress &bindAddress, QString *error);

    Outcome send(const QByteArray &datagram, const QHostAddress &to, quint16 port);
    // Releases a datagram held back for reordering (the sender has nothing
    // more to send for now).
    void flush();

    const FaultInjector::Counters &faultCounters() const { return m_faults.counters(); }
    quint64 datagramsSent() const { return m_datagrams; }
    quint64 bytesSent() const { return m_bytes; }

signals:
    void warning(const QString &text);

private:
    bool write(const QByteArray &bytes, const QHostAddress &to, quint16 port, bool *busy);
    void deliver(const QVector<FaultInjector::Delivery> &deliveries, const QHostAddress &to,
                 quint16 port);

    const QString m_name;
    const bool m_allowRemote;
    FaultInjector m_faults;
    QUdpSocket *m_socket = nullptr;
    QHostAddress m_lastTo;
    quint16 m_lastPort = 0;
    QSet<QString> m_refused;
    quint64 m_datagrams = 0;
    quint64 m_bytes = 0;
};
