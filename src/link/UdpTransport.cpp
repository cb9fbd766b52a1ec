#include "link/UdpTransport.h"

#include "link/Language.h"

#include <QUdpSocket>

UdpTransport::UdpTransport(QObject *parent) : ITransport(parent), m_socket(new QUdpSocket(this))
{
    qRegisterMetaType<QHostAddress>("QHostAddress");
    connect(m_socket, &QUdpSocket::readyRead, this, &UdpTransport::onReadyRead);
    // Socket errors only leave their text behind; UDP has no broken link to report.
    connect(m_socket, &QAbstractSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError) { m_lastError = m_socket->errorString(); });
}

void UdpTransport::setTarget(const QHostAddress &address, quint16 port)
{
    m_targetAddress = address;
    m_targetPort = port;
}

void UdpTransport::setLocalPort(quint16 port)
{
    m_localPort = port;
}

quint16 UdpTransport::boundPort() const
{
    return m_socket->localPort();
}

bool UdpTransport::open()
{
    m_lastError.clear();
    if (m_localPort != 0) {
        if (m_socket->state() != QAbstractSocket::UnconnectedState)
            m_socket->close();
        // Sharing lets a restarted program take the port back at once.
        if (!m_socket->bind(QHostAddress::AnyIPv4, m_localPort,
                            QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint) &&
            !m_socket->bind(QHostAddress::AnyIPv4, m_localPort)) {
            m_lastError = m_socket->errorString();
            m_opened = false;
            emit connectionChanged(false);
            return false;
        }
    }
    m_opened = true;
    emit connectionChanged(true);
    return true;
}

void UdpTransport::close()
{
    m_opened = false;
    m_socket->close();
    emit connectionChanged(false);
}

bool UdpTransport::write(const QByteArray &bytes)
{
    if (!m_opened || m_targetAddress.isNull() || m_targetPort == 0) {
        m_lastError = Language::pick(QStringLiteral("UDP is not open or target address is invalid"),
                                     QStringLiteral("UDP 未打开或目标地址无效"));
        return false;
    }
    const qint64 sent = m_socket->writeDatagram(bytes, m_targetAddress, m_targetPort);
    if (sent == bytes.size()) {
        m_lastError.clear();
        return true;
    }
    // Only a failed send leaves a text of its own in the socket; a short
    // send, or a socket that never failed, reports ours.
    const QString socketText = sent < 0 && m_socket->error() != QAbstractSocket::UnknownSocketError
                                   ? m_socket->errorString()
                                   : QString();
    m_lastError = !socketText.isEmpty() ? socketText
                                        : Language::pick(QStringLiteral("UDP datagram send failed"),
                                                         QStringLiteral("UDP 数据报发送失败"));
    return false;
}

QString UdpTransport::displayName() const
{
    if (m_targetAddress.isNull() || m_targetPort == 0)
        return QStringLiteral("UDP");
    return QStringLiteral("UDP %1:%2").arg(m_targetAddress.toString()).arg(m_targetPort);
}

void UdpTransport::onReadyRead()
{
    while (m_socket->hasPendingDatagrams()) {
        const qint64 pending = m_socket->pendingDatagramSize();
        QByteArray datagram(int(qMax<qint64>(pending, 0)), Qt::Uninitialized);
        QHostAddress sender;
        const qint64 read = m_socket->readDatagram(datagram.data(), datagram.size(), &sender);
        if (read < 0)
            break; // nothing could be taken; the next readyRead tries again
        datagram.truncate(int(read));

        // The camera may answer from another address than the one dialled
        // (a changed device address, a second interface): follow it. Its
        // source port says nothing about where it listens, so that stays.
        bool isIpv4 = false;
        const quint32 ipv4 = sender.isNull() ? 0 : sender.toIPv4Address(&isIpv4);
        if (isIpv4 && ipv4 != 0 && ipv4 != m_targetAddress.toIPv4Address()) {
            m_targetAddress = QHostAddress(ipv4);
            emit peerLearned(m_targetAddress, m_targetPort);
        }
        emit dataReceived(datagram);
    }
}
