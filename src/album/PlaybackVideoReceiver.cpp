#include "album/PlaybackVideoReceiver.h"

#include "album/PlaybackPayload.h"

#include <QNetworkDatagram>

namespace
{

QHostAddress plainAddress(const QHostAddress &address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4) : address;
}

} // namespace

PlaybackVideoReceiver::PlaybackVideoReceiver(QObject *parent) : QObject(parent) {}

PlaybackVideoReceiver::~PlaybackVideoReceiver() = default;

bool PlaybackVideoReceiver::bind(quint16 port)
{
    close();
    m_socket = std::make_unique<QUdpSocket>();
    if (!m_socket->bind(QHostAddress::AnyIPv4, port,
                        QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        const QString error = m_socket->errorString();
        m_socket.reset();
        emit errorOccurred(error);
        return false;
    }
    m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4 * 1024 * 1024);
    connect(m_socket.get(), &QUdpSocket::readyRead, this, &PlaybackVideoReceiver::onReadyRead);
    return true;
}

void PlaybackVideoReceiver::close()
{
    m_continuationAllowed = false;
    if (m_socket) {
        m_socket->close();
        m_socket.reset();
    }
}

bool PlaybackVideoReceiver::isBound() const
{
    return m_socket && m_socket->state() == QAbstractSocket::BoundState;
}

quint16 PlaybackVideoReceiver::port() const
{
    return m_socket ? m_socket->localPort() : 0;
}

void PlaybackVideoReceiver::setAllowedSenders(const QList<QHostAddress> &senders)
{
    m_allowedSenders.clear();
    for (const QHostAddress &address : senders)
        if (!address.isNull())
            m_allowedSenders.append(plainAddress(address));
}

void PlaybackVideoReceiver::onReadyRead()
{
    while (m_socket && m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        if (!m_allowedSenders.isEmpty() &&
            !m_allowedSenders.contains(plainAddress(datagram.senderAddress()))) {
            ++m_rejectedDatagrams;
            continue;
        }
        handleDatagram(datagram.data());
    }
}

void PlaybackVideoReceiver::handleDatagram(const QByteArray &datagram)
{
    QByteArray payload = PlaybackPayload::extract(datagram);
    if (payload.isEmpty()) {
        // A large access unit is split over several datagrams; only the first
        // carries a start code.
        if (!m_continuationAllowed || datagram.isEmpty() || uchar(datagram.at(0)) == 0xFD) {
            m_continuationAllowed = false;
            return;
        }
        payload = datagram;
    }
    m_continuationAllowed = datagram.size() >= ContinuationSize;
    emit annexBPayloadReady(payload);
}
