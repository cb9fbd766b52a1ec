#include "link/TransportManager.h"

#include "link/ITransport.h"

TransportManager::TransportManager(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<ParsedFrame>("ParsedFrame");
    qRegisterMetaType<uint32_t>("uint32_t");
    qRegisterMetaType<uint16_t>("uint16_t");
}

void TransportManager::setTransport(ITransport *transport)
{
    if (transport == m_transport)
        return;
    if (m_transport) {
        disconnect(m_transport, &ITransport::dataReceived, this, &TransportManager::onDataReceived);
        disconnect(m_transport, &ITransport::connectionChanged, this,
                   &TransportManager::connectionChanged);
        emit connectionChanged(false);
        m_rxBuffer.clear();
        m_rxOffset = 0;
        m_transport = transport;
        if (!transport)
            return;
    } else {
        m_rxBuffer.clear();
        m_rxOffset = 0;
        m_transport = transport;
        if (!transport) {
            emit connectionChanged(false);
            return;
        }
    }
    connect(transport, &ITransport::dataReceived, this, &TransportManager::onDataReceived);
    connect(transport, &ITransport::connectionChanged, this, &TransportManager::connectionChanged);
    emit connectionChanged(transport->isOpen());
}

QString TransportManager::channelName() const
{
    return m_transport ? m_transport->displayName() : QStringLiteral("-");
}

QString TransportManager::mediumName() const
{
    if (!m_transport)
        return QStringLiteral("-");
    return m_transport->medium() == ITransport::Medium::Udp ? QStringLiteral("UDP")
                                                            : QStringLiteral("UART");
}

bool TransportManager::isOpen() const
{
    return m_transport && m_transport->isOpen();
}

void TransportManager::sendCommand(quint8 flags1, quint8 flags2, uint32_t msgID,
                                   const QByteArray &payload, const QString &label)
{
    if (!isOpen()) {
        emit commandDropped(msgID, QStringLiteral("link_closed"), label);
        return;
    }
    const QByteArray frame =
        payload.size() > FrameCodec::MaxShortPayload
            ? FrameCodec::encodeLongFrame(m_sequence, flags1, flags2, msgID, payload)
            : FrameCodec::encodeShortFrame(m_sequence, flags1, flags2, msgID, payload);
    if (frame.isEmpty()) {
        emit commandDropped(msgID, QStringLiteral("payload_too_large"), label);
        return;
    }
    if (m_transport->write(frame)) {
        emit commandSent(msgID, m_transport->displayName(), frame, label);
        return;
    }
    const QString error = m_transport->errorString();
    emit commandDropped(msgID, error.isEmpty() ? QStringLiteral("send_failed") : error, label);
}

void TransportManager::onDataReceived(const QByteArray &data)
{
    if (!data.isEmpty())
        emit rawDataReceived(mediumName(), channelName(), data);
    m_rxBuffer.append(data);
    // Consumed bytes are skipped by an offset and cut off once per chunk, not
    // once per frame. The members are read afresh after every emit: a receiver
    // may detach the transport (which empties the buffer) or feed more bytes.
    while (m_rxOffset < m_rxBuffer.size()) {
        const QByteArray pending = QByteArray::fromRawData(m_rxBuffer.constData() + m_rxOffset,
                                                           m_rxBuffer.size() - m_rxOffset);
        int consumed = 0;
        ParsedFrame frame = FrameCodec::decodeShortFrame(pending, consumed);
        if (consumed <= 0)
            break;
        m_rxOffset += consumed;
        if (frame.valid)
            emit frameReceived(std::move(frame));
    }
    if (m_rxOffset > 0) {
        m_rxBuffer.remove(0, m_rxOffset);
        m_rxOffset = 0;
    }
    if (m_rxBuffer.size() > RxBufferLimit)
        m_rxBuffer.clear();
}
