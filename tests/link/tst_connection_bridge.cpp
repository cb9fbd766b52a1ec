#include "common/PtyPair.h"
#include "common/TestMain.h"
#include "link/ConnectionBridge.h"
#include "link/TransportManager.h"
#include "link/UdpTransport.h"

#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

namespace
{

const QString Local = QStringLiteral("127.0.0.1");

// A camera port P whose neighbour P + 1 (where the program listens) is free too.
quint16 freePortPair()
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        QUdpSocket a, b;
        if (a.bind(QHostAddress(QHostAddress::AnyIPv4), quint16(0)) && a.localPort() < 65534 &&
            b.bind(QHostAddress(QHostAddress::AnyIPv4), quint16(a.localPort() + 1)))
            return a.localPort();
    }
    return 0;
}

QVariant stored(const QString &key)
{
    return QSettings().value(QStringLiteral("Connection/") + key);
}

UdpTransport *attachedUdp(TransportManager &manager)
{
    return qobject_cast<UdpTransport *>(manager.transport());
}

} // namespace

class LinkConnectionBridgeTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        skyrig_test::setChinese(true);
        QSettings().remove(QStringLiteral("Connection"));
    }

    void settingsArePerProductAndNormalised()
    {
        QSettings settings;
        settings.setValue(QStringLiteral("Connection/Otter_udpIp"), QStringLiteral("300.1.1.1"));
        settings.setValue(QStringLiteral("Connection/Otter_udpPort"), 70000);
        settings.setValue(QStringLiteral("Connection/Otter_connectionTab"), 7);
        settings.setValue(QStringLiteral("Connection/Heron_udpIp"), QStringLiteral(" 10.1.2.3 "));
        settings.setValue(QStringLiteral("Connection/Heron_udpPort"), 4000);
        settings.setValue(QStringLiteral("Connection/Heron_connectionTab"), 1);
        TransportManager manager;
        ConnectionBridge bridge(&manager);
        QCOMPARE(bridge.udpIp(), QStringLiteral("192.168.144.64"));
        QSignalSpy tabChanged(&bridge, &ConnectionBridge::connectionTabChanged);

        // A usable product default replaces the factory address as the fallback.
        bridge.setDefaultUdpIp(QStringLiteral(" 192.168.144.108 "));
        bridge.setModelId(QStringLiteral(" Otter "));
        QCOMPARE(bridge.modelId(), QStringLiteral("Otter"));
        QCOMPARE(bridge.udpIp(), QStringLiteral("192.168.144.108"));
        QCOMPARE(bridge.udpPort(), 1030);
        QCOMPARE(bridge.connectionTab(), 0);
        bridge.setModelId(QStringLiteral("Heron"));
        QCOMPARE(bridge.udpIp(), QStringLiteral("10.1.2.3"));
        QCOMPARE(bridge.udpPort(), 4000);
        QCOMPARE(bridge.connectionTab(), 1);
        bridge.setConnectionTab(5);
        QCOMPARE(stored(QStringLiteral("Heron_connectionTab")).toInt(), 0);
        QCOMPARE(tabChanged.count(), 2);
        bridge.setDefaultUdpIp(QStringLiteral("junk"));
        QCOMPARE(bridge.defaultUdpIp(), QStringLiteral("192.168.144.64"));
    }

    void udpListensOnTheNextPort()
    {
        const quint16 port = freePortPair();
        QVERIFY(port != 0);
        TransportManager manager;
        ConnectionBridge bridge(&manager);
        QSignalSpy errors(&bridge, &ConnectionBridge::errorOccurred);

        // The listening port is taken: an error, nothing attached, endpoint kept.
        {
            QUdpSocket holder;
            QVERIFY(holder.bind(QHostAddress(QHostAddress::AnyIPv4), quint16(port + 1),
                                QAbstractSocket::DontShareAddress));
            bridge.connectUdp(QStringLiteral(" 127.0.0.1 "), port);
        }
        QCOMPARE(errors.count(), 1);
        QVERIFY(!manager.transport());
        QCOMPARE(stored(QStringLiteral("default_udpPort")).toInt(), int(port));

        bridge.toggleUdpSwitch(true);
        QVERIFY(bridge.connected());
        QCOMPARE(bridge.activeLink(), 2);
        QCOMPARE(attachedUdp(manager)->boundPort(), quint16(port + 1));
        QCOMPARE(manager.channelName(), QStringLiteral("UDP 127.0.0.1:%1").arg(port));

        // A bad endpoint is not stored; the stored one is used again.
        bridge.connectUdp(QStringLiteral("bogus"), 99999);
        QCOMPARE(bridge.udpIp(), Local);
        QCOMPARE(attachedUdp(manager)->boundPort(), quint16(port + 1));

        // The same product, blanks aside, keeps the link; another closes it.
        bridge.setModelId(QStringLiteral(" default\t"));
        QVERIFY(bridge.connected());
        bridge.setModelId(QStringLiteral("Heron"));
        QVERIFY(!bridge.connected());
        QVERIFY(!manager.transport());
        QCOMPARE(bridge.activeLink(), 0);
        QCOMPARE(bridge.udpPort(), 1030);
        bridge.setModelId(QString()); // the previous product's endpoint was kept
        QCOMPARE(bridge.udpPort(), int(port));
    }

    void savedSettingsRetargetOrReopen()
    {
        const quint16 port = freePortPair();
        QVERIFY(port != 0);
        TransportManager manager;
        ConnectionBridge bridge(&manager);
        QSignalSpy settingsChanged(&bridge, &ConnectionBridge::udpSettingsChanged);
        bridge.saveUdpSettings(Local, port); // not connected: only stored
        QVERIFY(!manager.transport());
        bridge.connectUdp(Local, port);
        UdpTransport *first = attachedUdp(manager);
        QSignalSpy link(&manager, &TransportManager::connectionChanged);

        // A new address only: the open link is pointed elsewhere in place.
        bridge.saveUdpSettings(QStringLiteral("127.0.0.2"), port);
        QCOMPARE(attachedUdp(manager), first);
        QCOMPARE(manager.channelName(), QStringLiteral("UDP 127.0.0.2:%1").arg(port));
        QCOMPARE(link.count(), 0);

        // Nothing changed, or an invalid endpoint: nothing happens.
        bridge.saveUdpSettings(QStringLiteral("127.0.0.2"), port);
        bridge.saveUdpSettings(Local, 0);
        QCOMPARE(settingsChanged.count(), 2);

        // A new port: the link is opened again and listens on the new neighbour.
        bridge.saveUdpSettings(Local, port - 1);
        QVERIFY(attachedUdp(manager) != first);
        QCOMPARE(attachedUdp(manager)->boundPort(), port);

        // The highest port leaves the choice of local port to the system.
        bridge.connectUdp(Local, 65535);
        QCOMPARE(attachedUdp(manager)->localPort(), quint16(0));
        bridge.toggleUdpSwitch(false);
        QVERIFY(!bridge.connected());
    }

    void learnsTheCameraAddress()
    {
        const quint16 port = freePortPair();
        QVERIFY(port != 0);
        QUdpSocket moved;
        if (!moved.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0))
            QSKIP("127.0.0.2 is not usable on this machine");
        TransportManager manager;
        ConnectionBridge bridge(&manager);
        bridge.connectUdp(Local, port);
        QSignalSpy ready(&bridge, &ConnectionBridge::peerEndpointReady);
        moved.writeDatagram("status", QHostAddress::LocalHost, quint16(port + 1));
        QTRY_COMPARE(ready.count(), 1);
        QCOMPARE(stored(QStringLiteral("default_udpIp")).toString(), QStringLiteral("127.0.0.2"));
        QCOMPARE(manager.channelName(), QStringLiteral("UDP 127.0.0.2:%1").arg(port));
    }

    void serialLinkAndSwitchingToUdp()
    {
        PtyPair pty;
        QVERIFY(pty.ok());
        const quint16 port = freePortPair();
        QVERIFY(port != 0);
        TransportManager manager;
        ConnectionBridge bridge(&manager);
        bridge.connectUdp(Local, port);

        // Placeholder names are refused and the UDP link stays.
        QSignalSpy errors(&bridge, &ConnectionBridge::errorOccurred);
        bridge.connectSerial(QStringLiteral(" No serial ports found "), 115200);
        bridge.connectSerial(QStringLiteral("  "), 115200);
        QCOMPARE(errors.count(), 2);
        QCOMPARE(errors.at(1).at(0).toString(), QStringLiteral("未发现可用串口"));
        QVERIFY(attachedUdp(manager));

        // Each kind of link closes the other before opening.
        bridge.connectSerial(pty.slaveName, 115200);
        QVERIFY(!bridge.udpConnected());
        QCOMPARE(manager.mediumName(), QStringLiteral("UART"));
        bridge.connectUdp(Local, port);
        QVERIFY(!bridge.serialConnected());
        QCOMPARE(bridge.activeLink(), 2);

        // Back to serial; then the device side vanishes.
        bridge.connectSerial(pty.slaveName, 115200);
        QCOMPARE(bridge.activeLink(), 1);
        pty.closeMaster();
        QTRY_VERIFY(!bridge.connected());
        QVERIFY(!manager.transport());
        QCOMPARE(bridge.activeLink(), 0);

        // A port that cannot be opened reports the port's text and leaves nothing.
        bridge.connectSerial(QStringLiteral("/dev/skyrig-no-such-port"), 9600);
        QCOMPARE(errors.count(), 3);
        QVERIFY(!errors.at(2).at(0).toString().isEmpty());
        QVERIFY(!manager.transport());
    }
};

SKYRIG_REGISTER_TEST(LinkConnectionBridgeTest)

#include "tst_connection_bridge.moc"
