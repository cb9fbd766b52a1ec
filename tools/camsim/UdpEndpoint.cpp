#include "camsim/UdpEndpoint.h"

#include "camsim/LoopbackRule.h"
#include "camsim/ShortFrameReader.h"
#include "link/UdpTransport.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

UdpEndpoint::UdpEndpoint(bool allowRemote, QObject *parent)
    : QObject(parent), m_allowRemote(allowRemote)
{
    m_clock.start();
}

bool UdpEndpoint::open(const QHostAddress &bindAddress, quint16 port, QString *error)
{
    if (!isAllowed(bindAddress)) {
        *error = QStringLiteral("Refusing to bind %1: only loopback addresses without "
                                "--allow-remote")
                     .arg(bindAddress.toString());
        return false;
    }
    delete m_socket;
    m_socket = new QUdpSocket(this);
    if (!m_socket->bind(bindAddress, port)) {
        *error = QStringLiteral("Cannot bind UDP %1:%2: %3")
                     .arg(bindAddress.toString())
                     .arg(port)
                     .arg(m_socket->errorString());
        return false;
    }
    connect(m_socket, &QUdpSocket::readyRead, this, &UdpEndpoint::onReadyRead);
    return true;
}

quint16 UdpEndpoint::port() const
{
    return m_socket ? m_socket->localPort() : 0;
}

QHostAddress UdpEndpoint::address() const
{
    return m_socket ? m_socket->localAddress() : QHostAddress();
}

bool UdpEndpoint::isAllowed(const QHostAddress &address) const
{
    return m_allowRemote || LoopbackRule::isLoopback(address);
}

QString UdpEndpoint::key(const QHostAddress &address, quint16 port)
{
    return UdpTransport::plainAddress(address).toString() + QLatin1Char('|') +
           QString::number(port);
}

bool UdpEndpoint::send(const QByteArray &bytes, const QHostAddress &address, quint16 port)
{
    if (!m_socket)
        return false;
    const QHostAddress to = UdpTransport::plainAddress(address);
    if (!isAllowed(to)) {
        const QString k = key(to, port);
        if (!m_refused.contains(k)) {
            m_refused.insert(k);
            emit warning(QStringLiteral("Refusing to send to %1:%2 (not loopback; see "
                                        "--allow-remote)")
                             .arg(to.toString())
                             .arg(port));
        }
        return false;
    }
    return m_socket->writeDatagram(bytes, to, port) == bytes.size();
}

QVector<UdpEndpoint::Peer> UdpEndpoint::activePeers() const
{
    QVector<Peer> out;
    const qint64 now = m_clock.elapsed();
    for (auto it = m_peers.constBegin(); it != m_peers.constEnd(); ++it)
        if (now - m_lastSeen.value(it.key()) <= PeerTimeoutMs)
            out.append(it.value());
    return out;
}

void UdpEndpoint::onReadyRead()
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        if (!datagram.isValid())
            continue;
        const QHostAddress from = UdpTransport::plainAddress(datagram.senderAddress());
        const quint16 fromPort = quint16(datagram.senderPort());
        if (!isAllowed(from))
            continue; // never answered, so never remembered
        const QString k = key(from, fromPort);
        m_peers.insert(k, Peer{from, fromPort});
        m_lastSeen.insert(k, m_clock.elapsed());
        QByteArray &buffer = m_buffers[k];
        buffer.append(datagram.data());
        for (const ParsedFrame &frame : ShortFrameReader::take(buffer))
            emit frameReceived(frame, from, fromPort);
    }
}
