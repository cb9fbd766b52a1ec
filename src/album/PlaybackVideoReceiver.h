#pragma once

#include "album/CameraDatagramSocket.h"

#include <QByteArray>
#include <QObject>

// Receives the stored video the camera plays back to this computer and turns
// each datagram into a piece of Annex B byte stream. A datagram without a
// start code is taken only as the continuation of a full-sized one before it.
// Only datagrams from the camera's address are taken; others are counted and
// dropped.
class PlaybackVideoReceiver : public QObject
{
    Q_OBJECT
public:
    // A datagram at least this long may be continued by the next one.
    static constexpr int ContinuationSize = 1400;

    explicit PlaybackVideoReceiver(QObject *parent = nullptr);

    bool bind(quint16 port);
    void close();
    bool isBound() const { return m_socket.isBound(); }
    quint16 port() const { return m_socket.port(); }

    void setAllowedSenders(const QList<QHostAddress> &senders)
    {
        m_socket.setAllowedSenders(senders);
    }
    quint64 rejectedDatagrams() const { return m_socket.rejectedDatagrams(); }

    // One datagram as it came off the socket.
    void handleDatagram(const QByteArray &datagram);

signals:
    void annexBPayloadReady(QByteArray payload);
    void errorOccurred(QString message);

public slots:
    void onReadyRead();

private:
    CameraDatagramSocket m_socket;
    bool m_continuationAllowed = false;
};
