#include "album/LocalAddressFinder.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QUdpSocket>

namespace
{

constexpr quint16 ProbePort = 1030;

bool usableInterface(const QNetworkInterface &iface)
{
    const auto flags = iface.flags();
    return flags.testFlag(QNetworkInterface::IsUp) &&
           flags.testFlag(QNetworkInterface::IsRunning) &&
           !flags.testFlag(QNetworkInterface::IsLoopBack);
}

} // namespace

QString LocalAddressFinder::addressToward(const QString &host, int waitMs)
{
    QHostAddress camera;
    const bool isAddress =
        camera.setAddress(host.trimmed()) && camera.protocol() == QAbstractSocket::IPv4Protocol;

    if (isAddress) {
        // A camera (or simulator) on this very machine reaches us on loopback.
        if (camera.isLoopback())
            return QHostAddress(QHostAddress::LocalHost).toString();
        // Connecting a datagram socket sends nothing; it only asks the system
        // which local address the route to the camera leaves from.
        QUdpSocket probe;
        probe.connectToHost(camera, ProbePort);
        if (probe.waitForConnected(waitMs)) {
            const QHostAddress local = probe.localAddress();
            if (local.protocol() == QAbstractSocket::IPv4Protocol && !local.isNull() &&
                !local.isLoopback())
                return local.toString();
        }
    }

    const auto interfaces = QNetworkInterface::allInterfaces();
    if (isAddress) {
        for (const QNetworkInterface &iface : interfaces) {
            if (!usableInterface(iface))
                continue;
            for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
                if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol &&
                    entry.prefixLength() > 0 && camera.isInSubnet(entry.ip(), entry.prefixLength()))
                    return entry.ip().toString();
            }
        }
    }
    // The cameras' usual network.
    for (const QNetworkInterface &iface : interfaces) {
        if (!usableInterface(iface))
            continue;
        for (const QNetworkAddressEntry &entry : iface.addressEntries())
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol &&
                entry.ip().toString().startsWith(QLatin1String("192.168.144.")))
                return entry.ip().toString();
    }
    for (const QNetworkInterface &iface : interfaces) {
        if (!usableInterface(iface))
            continue;
        for (const QNetworkAddressEntry &entry : iface.addressEntries())
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol &&
                !entry.ip().isLoopback() && !entry.ip().isLinkLocal())
                return entry.ip().toString();
    }
    return QString();
}
