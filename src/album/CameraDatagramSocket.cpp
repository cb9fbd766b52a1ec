#include "album/CameraDatagramSocket.h"

#include "link/ITransport.h"

QString CameraDatagramSocket::bind(quint16 port, int receiveBuffer, QObject *context,
                                   const std::function<void()> &onReadyRead)
{
    close();
    auto socket = std::make_unique<QUdpSocket>();
    if (!socket->bind(QHostAddress::AnyIPv4, port,
                      QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        return socket->errorString();
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, receiveBuffer);
    QObject::connect(socket.get(), &QUdpSocket::readyRead, context, onReadyRead);
    m_socket = std::move(socket);
    return QString();
}

void CameraDatagramSocket::close()
{
    m_socket.reset();
}

bool CameraDatagramSocket::isBound() const
{
    return m_socket && m_socket->state() == QAbstractSocket::BoundState;
}

quint16 CameraDatagramSocket::port() const
{
    return m_socket ? m_socket->localPort() : 0;
}

void CameraDatagramSocket::setAllowedSenders(const QList<QHostAddress> &senders)
{
    m_allowed.clear();
    for (const QHostAddress &address : senders)
        if (!address.isNull())
            m_allowed.append(ITransport::plainAddress(address));
}

const char *CameraDatagramSocket::next(int &size)
{
    if (m_buffer.size() < MaxDatagram)
        m_buffer.resize(MaxDatagram);
    QHostAddress sender;
    while (m_socket && m_socket->hasPendingDatagrams()) {
        const qint64 got = m_socket->readDatagram(m_buffer.data(), MaxDatagram, &sender);
        if (got < 0)
            return nullptr;
        if (m_allowed.isEmpty() || m_allowed.contains(ITransport::plainAddress(sender))) {
            size = int(got);
            return m_buffer.constData();
        }
        ++m_rejected;
    }
    return nullptr;
}

void CameraDatagramSocket::discardPending()
{
    while (m_socket && m_socket->hasPendingDatagrams())
        m_socket->readDatagram(nullptr, 0);
}
