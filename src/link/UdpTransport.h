#pragma once

#include "link/ITransport.h"

#include <QHostAddress>
#include <QMetaType>

class QUdpSocket;

// UDP link: each frame is one datagram to the camera's address and port. The
// camera's address is learnt from the datagrams it sends back.
class UdpTransport : public ITransport
{
    Q_OBJECT
public:
    explicit UdpTransport(QObject *parent = nullptr);

    void setTarget(const QHostAddress &address, quint16 port);
    void setLocalPort(quint16 port);
    QHostAddress targetAddress() const { return m_targetAddress; }
    quint16 targetPort() const { return m_targetPort; }
    quint16 localPort() const { return m_localPort; }
    // The port actually bound (useful when localPort is 0 and a datagram bound one).
    quint16 boundPort() const;

    bool open() override;
    void close() override;
    bool isOpen() const override { return m_opened; }
    bool write(const QByteArray &bytes) override;
    QString errorString() const override { return m_lastError; }
    QString displayName() const override;
    Medium medium() const override { return Medium::Udp; }
    QHostAddress peerAddress() const override { return plainAddress(m_targetAddress); }

signals:
    void peerLearned(QHostAddress address, quint16 port);

private slots:
    void onReadyRead();

private:
    QUdpSocket *m_socket = nullptr;
    QHostAddress m_targetAddress;
    quint16 m_targetPort = 0;
    quint16 m_localPort = 0;
    bool m_opened = false;
    QString m_lastError;
};

// peerLearned carries the address; spies and queued receivers need it known.
Q_DECLARE_METATYPE(QHostAddress)
