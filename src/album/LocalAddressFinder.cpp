#include "album/LocalAddressFinder.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QUdpSocket>

#include <algorithm>

namespace
{

constexpr quint16 ProbePort = 1030;

// The IPv4 addresses of the interfaces that are up, running and not
// loopback, in the system's order.
QList<QNetworkAddressEntry> usableEntries()
{
    QList<QNetworkAddressEntry> out;
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        const auto flags = iface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : iface.addressEntries())
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                out.append(entry);
    }
    return out;
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

    // The interfaces are listed once; the first address `wanted` accepts.
    const QList<QNetworkAddressEntry> entries = usableEntries();
    const auto first = [&entries](auto wanted) {
        const auto it = std::find_if(entries.cbegin(), entries.cend(), wanted);
        return it == entries.cend() ? QString() : it->ip().toString();
    };
    QString found;
    if (isAddress)
        found = first([&camera](const QNetworkAddressEntry &entry) {
            return entry.prefixLength() > 0 && camera.isInSubnet(entry.ip(), entry.prefixLength());
        });
    // The cameras' usual network.
    if (found.isEmpty())
        found = first([](const QNetworkAddressEntry &entry) {
            return entry.ip().toString().startsWith(QLatin1String("192.168.144."));
        });
    if (found.isEmpty())
        found = first([](const QNetworkAddressEntry &entry) {
            return !entry.ip().isLoopback() && !entry.ip().isLinkLocal();
        });
    return found;
}
