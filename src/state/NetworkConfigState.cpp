#include "state/NetworkConfigState.h"

#include "link/Payload.h"

namespace
{
QString unknownAddress()
{
    return QStringLiteral("--");
}
} // namespace

NetworkConfigState::NetworkConfigState(QObject *parent)
    : QObject(parent), m_cameraIp(unknownAddress()), m_cameraMask(unknownAddress()),
      m_cameraGateway(unknownAddress()), m_playbackClientIp(unknownAddress()),
      m_downloadClientIp(unknownAddress())
{
}

QString NetworkConfigState::formatIpv4(const QByteArray &payload, int offset)
{
    if (offset < 0 || offset + 4 > payload.size())
        return unknownAddress();
    return QStringLiteral("%1.%2.%3.%4")
        .arg(Payload::readU8(payload, offset))
        .arg(Payload::readU8(payload, offset + 1))
        .arg(Payload::readU8(payload, offset + 2))
        .arg(Payload::readU8(payload, offset + 3));
}

bool NetworkConfigState::applyCameraIp(const QByteArray &payload)
{
    if (payload.size() < IpReplySize || Payload::readU16(payload, 0) != 0)
        return false;
    m_cameraIp = formatIpv4(payload, 2);
    m_cameraMask = formatIpv4(payload, 6);
    m_cameraGateway = formatIpv4(payload, 10);
    emit networkConfigChanged();
    return true;
}

// Reply to "Get playback client":
//   bytes 0-1  result code (uint16 LE, 0 = success)
//   bytes 2-5  client IPv4 address, most significant byte first
//   bytes 6-7  client UDP port, uint16 LE
// Cameras that end the reply after the address leave the port unknown (0).
bool NetworkConfigState::applyClient(int type, const QByteArray &payload)
{
    if (payload.size() < ClientReplySize)
        return false;
    const QString address = formatIpv4(payload, 2);
    const int port = Payload::readU16(payload, 6);
    if (type == PlaybackClient) {
        m_playbackClientIp = address;
        m_playbackClientPort = port;
    } else {
        m_downloadClientIp = address;
        m_downloadClientPort = port;
    }
    emit networkConfigChanged();
    return true;
}
