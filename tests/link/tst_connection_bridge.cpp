#include "RecordingTransport.h"
#include "common/TestMain.h"
#include "link/ConnectionBridge.h"
#include "link/SerialTransport.h"
#include "link/TransportManager.h"
#include "link/UdpTransport.h"

#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace
{

const QString FactoryIp = QStringLiteral("192.168.144.64");

// A camera port P whose neighbour P + 1 (where the program listens) is free too.
quint16 freePortPair()
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        QUdpSocket a;
        if (!a.bind(QHostAddress(QHostAddress::AnyIPv4), quint16(0)) || a.localPort() >= 65534)
            continue;
        QUdpSocket b;
        if (b.bind(QHostAddress(QHostAddress::AnyIPv4), quint16(a.localPort() + 1)))
            return a.localPort();
    }
    return 0;
}

QVariant stored(const QString &key)
{
    return QSettings().value(key);
}

void store(const QString &key, const QVariant &value)
{
    QSettings settings;
    settings.setValue(key, value);
    settings.sync();
}

UdpTransport *attachedUdp(TransportManager &manager)
{
    return qobject_cast<UdpTransport *>(manager.transport());
}

QList<bool> flags(QSignalSpy &spy)
{
    QList<bool> v;
    for (const QList<QVariant> &args : spy)
        v << args.at(0).toBool();
    spy.clear();
    return v;
}

} // namespace

class LinkConnectionBridgeTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        setChinese(true);
        QSettings settings;
        settings.remove(QStringLiteral("Connection"));
        settings.sync();
    }

    void settingsAreNormalisedPerModel()
    {
        TransportManager manager;
        ConnectionBridge bridge(&manager);
        QCOMPARE(bridge.modelId(), QStringLiteral("default"));
        QCOMPARE(bridge.udpIp(), FactoryIp);
        QCOMPARE(bridge.udpPort(), 1030);
        QCOMPARE(bridge.connectionTab(), 0);
        QCOMPARE(bridge.activeLink(), 0);
        QVERIFY(!bridge.connected());

        store(QStringLiteral("Connection/Otter_udpIp"), QStringLiteral("not-an-ip"));
        store(QStringLiteral("Connection/Otter_udpPort"), 0);
        store(QStringLiteral("Connection/Otter_connectionTab"), 7);
        store(QStringLiteral("Connection/Heron_udpIp"), QStringLiteral(" 10.1.2.3 "));
        store(QStringLiteral("Connection/Heron_udpPort"), 70000);
        store(QStringLiteral("Connection/Heron_connectionTab"), 1);
        store(QStringLiteral("Connection/Kite_udpIp"), QStringLiteral("300.1.1.1"));
        store(QStringLiteral("Connection/Kite_udpPort"), QStringLiteral("port"));

        QSignalSpy settingsChanged(&bridge, &ConnectionBridge::udpSettingsChanged);
        QSignalSpy tabChanged(&bridge, &ConnectionBridge::connectionTabChanged);
        bridge.setDefaultUdpIp(QStringLiteral(" 192.168.144.108 "));
        QCOMPARE(bridge.udpIp(), FactoryIp); // nothing reloaded yet
        bridge.setModelId(QStringLiteral(" Otter "));
        QCOMPARE(bridge.modelId(), QStringLiteral("Otter"));
        QCOMPARE(bridge.udpIp(), QStringLiteral("192.168.144.108"));
        QCOMPARE(bridge.udpPort(), 1030);
        QCOMPARE(bridge.connectionTab(), 0);
        QCOMPARE(settingsChanged.count(), 1);
        QCOMPARE(tabChanged.count(), 0);

        bridge.setModelId(QStringLiteral("Heron"));
        QCOMPARE(bridge.udpIp(), QStringLiteral("10.1.2.3"));
        QCOMPARE(bridge.udpPort(), 1030);
        QCOMPARE(bridge.connectionTab(), 1);
        QCOMPARE(tabChanged.count(), 1);

        bridge.setDefaultUdpIp(QStringLiteral("junk"));
        QCOMPARE(bridge.defaultUdpIp(), FactoryIp);
        bridge.setModelId(QStringLiteral("Kite"));
        QCOMPARE(bridge.udpIp(), FactoryIp);
        QCOMPARE(bridge.udpPort(), 1030);
        QCOMPARE(tabChanged.count(), 2);

        // The same key, blanks aside, changes nothing; an empty id is "default".
        settingsChanged.clear();
        bridge.setModelId(QStringLiteral("  Kite\t"));
        QCOMPARE(settingsChanged.count(), 0);
        bridge.setModelId(QStringLiteral("   "));
        QCOMPARE(bridge.modelId(), QStringLiteral("default"));
        QCOMPARE(settingsChanged.count(), 1);
    }

    void connectionTabIsStored()
    {
        TransportManager manager;
        ConnectionBridge bridge(&manager);
        bridge.setModelId(QStringLiteral("Otter"));
        QSignalSpy tabChanged(&bridge, &ConnectionBridge::connectionTabChanged);
        bridge.setConnectionTab(5);
        QCOMPARE(bridge.connectionTab(), 0);
        QCOMPARE(stored(QStringLiteral("Connection/Otter_connectionTab")).toInt(), 0);
        QCOMPARE(tabChanged.count(), 0);
        bridge.setConnectionTab(1);
        QCOMPARE(bridge.connectionTab(), 1);
        QCOMPARE(stored(QStringLiteral("Connection/Otter_connectionTab")).toInt(), 1);
        QCOMPARE(tabChanged.count(), 1);
        QVERIFY(bridge.setProperty("connectionTab", -3));
        QCOMPARE(bridge.connectionTab(), 0);
        QCOMPARE(tabChanged.count(), 2);
    }

    void connectsUdpOnTheNextPort()
    {
        const quint16 port = freePortPair();
        QVERIFY(port != 0);
        TransportManager manager;
        ConnectionBridge bridge(&manager);
        bridge.setModelId(QStringLiteral("Otter"));
        QSignalSpy udpState(&bridge, &ConnectionBridge::udpConnectedChanged);
        QSignalSpy anyState(&bridge, &ConnectionBridge::connectedChanged);
        QSignalSpy link(&manager, &TransportManager::connectionChanged);

        bridge.connectUdp(QStringLiteral(" 127.0.0.1 "), port);
        QVERIFY(bridge.udpConnected());
        QVERIFY(bridge.connected());
        QCOMPARE(bridge.activeLink(), 2);
        QCOMPARE(flags(udpState), QList<bool>({true}));
        QCOMPARE(flags(anyState), QList<bool>({true}));
        QCOMPARE(flags(link), QList<bool>({true}));
        UdpTransport *udp = attachedUdp(manager);
        QVERIFY(udp);
        QCOMPARE(udp->boundPort(), quint16(port + 1));
        QCOMPARE(udp->targetPort(), port);
        QCOMPARE(stored(QStringLiteral("Connection/Otter_udpIp")).toString(),
                 QStringLiteral("127.0.0.1"));
        QCOMPARE(stored(QStringLiteral("Connection/Otter_udpPort")).toInt(), int(port));

        // The camera's answers reach the manager.
        QSignalSpy raw(&manager, &TransportManager::rawDataReceived);
        QUdpSocket camera;
        QVERIFY(camera.bind(QHostAddress(QHostAddress::LocalHost), quint16(0)));
        camera.writeDatagram("pong", QHostAddress::LocalHost, quint16(port + 1));
        QTRY_COMPARE(raw.count(), 1);

        // A bad endpoint is not stored; the stored one is used again.
        bridge.connectUdp(QStringLiteral("bogus"), 99999);
        QCOMPARE(bridge.udpIp(), QStringLiteral("127.0.0.1"));
        QVERIFY(bridge.udpConnected());
        QCOMPARE(attachedUdp(manager)->boundPort(), quint16(port + 1));

        bridge.toggleUdpSwitch(false);
        QVERIFY(!bridge.udpConnected());
        QVERIFY(!manager.transport());
        QCOMPARE(bridge.activeLink(), 0);
        bridge.toggleUdpSwitch(true);
        QVERIFY(bridge.udpConnected());
        QCOMPARE(attachedUdp(manager)->boundPort(), quint16(port + 1));

        bridge.disconnect();
        QVERIFY(!bridge.connected());
        QVERIFY(!manager.transport());
        QCOMPARE(flags(anyState).last(), false);
    }

    void savedSettingsRetargetOrReopen()
    {
        const quint16 port = freePortPair();
        QVERIFY(port != 0);
        TransportManager manager;
        ConnectionBridge bridge(&manager);
        QSignalSpy settingsChanged(&bridge, &ConnectionBridge::udpSettingsChanged);

        // Not connected: only stored.
        bridge.saveUdpSettings(QStringLiteral("127.0.0.1"), port);
        QCOMPARE(settingsChanged.count(), 1);
        QVERIFY(!manager.transport());
        QCOMPARE(stored(QStringLiteral("Connection/default_udpPort")).toInt(), int(port));

        bridge.connectUdp(QStringLiteral("127.0.0.1"), port);
        UdpTransport *first = attachedUdp(manager);
        QVERIFY(first);
        QSignalSpy link(&manager, &TransportManager::connectionChanged);

        // A new address only: the open link is pointed elsewhere in place.
        bridge.saveUdpSettings(QStringLiteral("127.0.0.2"), port);
        QCOMPARE(attachedUdp(manager), first);
        QCOMPARE(first->targetAddress(), QHostAddress(QStringLiteral("127.0.0.2")));
        QCOMPARE(manager.channelName(), QStringLiteral("UDP 127.0.0.2:%1").arg(port));
        QCOMPARE(link.count(), 0);

        // Nothing changed: nothing happens.
        settingsChanged.clear();
        bridge.saveUdpSettings(QStringLiteral("127.0.0.2"), port);
        QCOMPARE(settingsChanged.count(), 0);
        bridge.saveUdpSettings(QStringLiteral("127.0.0.1"), 0);
        QCOMPARE(bridge.udpIp(), QStringLiteral("127.0.0.2"));
        QCOMPARE(settingsChanged.count(), 0);

        // A new port: the link is opened again and listens on the new neighbour.
        bridge.saveUdpSettings(QStringLiteral("127.0.0.1"), port - 1);
        UdpTransport *second = attachedUdp(manager);
        QVERIFY(second);
        QVERIFY(second != first);
        QCOMPARE(second->boundPort(), port);
        QCOMPARE(second->targetPort(), quint16(port - 1));
        QCOMPARE(flags(link).last(), true);
        QVERIFY(bridge.udpConnected());
    }

    void bindFailureLeavesNothingAttached()
    {
        const quint16 port = freePortPair();
        QVERIFY(port != 0);
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress(QHostAddress::AnyIPv4), quint16(port + 1),
                            QAbstractSocket::DontShareAddress));
        TransportManager manager;
        ConnectionBridge bridge(&manager);
        QSignalSpy errors(&bridge, &ConnectionBridge::errorOccurred);
        bridge.connectUdp(QStringLiteral("127.0.0.1"), port);
        QCOMPARE(errors.count(), 1);
        QVERIFY(!errors.at(0).at(0).toString().isEmpty());
        QVERIFY(!bridge.udpConnected());
        QVERIFY(!manager.transport());
        QCOMPARE(bridge.activeLink(), 0);
        // The endpoint itself was fine and is kept.
        QCOMPARE(bridge.udpPort(), int(port));
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
        bridge.setModelId(QStringLiteral("Otter"));
        bridge.connectUdp(QStringLiteral("127.0.0.1"), port);
        QVERIFY(bridge.udpConnected());
        QSignalSpy ready(&bridge, &ConnectionBridge::peerEndpointReady);
        QSignalSpy settingsChanged(&bridge, &ConnectionBridge::udpSettingsChanged);

        moved.writeDatagram("status", QHostAddress::LocalHost, quint16(port + 1));
        QTRY_COMPARE(ready.count(), 1);
        QCOMPARE(bridge.udpIp(), QStringLiteral("127.0.0.2"));
        QCOMPARE(bridge.udpPort(), int(port));
        QCOMPARE(settingsChanged.count(), 1);
        QCOMPARE(stored(QStringLiteral("Connection/Otter_udpIp")).toString(),
                 QStringLiteral("127.0.0.2"));
        QCOMPARE(manager.channelName(), QStringLiteral("UDP 127.0.0.2:%1").arg(port));

        // Another bridge for the same product starts from the learnt address.
        TransportManager otherManager;
        ConnectionBridge other(&otherManager);
        other.setModelId(QStringLiteral("Otter"));
        QCOMPARE(other.udpIp(), QStringLiteral("127.0.0.2"));
    }

    void serialLinkAndSwitchingToUdp()
    {
        int master = -1;
        int slave = -1;
        char name[128] = {};
        QVERIFY(openpty(&master, &slave, name, nullptr, nullptr) == 0);
        ::close(slave);
        const QString slaveName = QString::fromLocal8Bit(name);

        const quint16 port = freePortPair();
        QVERIFY(port != 0);
        TransportManager manager;
        ConnectionBridge bridge(&manager);
        bridge.connectUdp(QStringLiteral("127.0.0.1"), port);
        QVERIFY(bridge.udpConnected());

        // Placeholder names are refused and the UDP link stays.
        QSignalSpy errors(&bridge, &ConnectionBridge::errorOccurred);
        bridge.connectSerial(QStringLiteral("未发现串口"), 115200);
        bridge.connectSerial(QStringLiteral(" No serial ports found "), 115200);
        setChinese(false);
        bridge.connectSerial(QStringLiteral("  "), 115200);
        setChinese(true);
        QCOMPARE(errors.count(), 3);
        QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("未发现可用串口"));
        QCOMPARE(errors.at(2).at(0).toString(), QStringLiteral("No serial ports available"));
        QVERIFY(bridge.udpConnected());
        QVERIFY(attachedUdp(manager));

        QSignalSpy link(&manager, &TransportManager::connectionChanged);
        QSignalSpy serialState(&bridge, &ConnectionBridge::serialConnectedChanged);
        bridge.connectSerial(slaveName, 115200);
        QVERIFY(bridge.serialConnected());
        QVERIFY(!bridge.udpConnected());
        QCOMPARE(bridge.activeLink(), 1);
        QVERIFY(qobject_cast<SerialTransport *>(manager.transport()));
        QCOMPARE(manager.mediumName(), QStringLiteral("UART"));
        QCOMPARE(flags(link).last(), true);

        // Opening UDP closes the serial link first: down, then up again.
        bridge.connectUdp(QStringLiteral("127.0.0.1"), port);
        QVERIFY(!bridge.serialConnected());
        QVERIFY(bridge.udpConnected());
        QCOMPARE(bridge.activeLink(), 2);
        const QList<bool> states = flags(link);
        QVERIFY(states.contains(false));
        QCOMPARE(states.last(), true);
        QCOMPARE(flags(serialState), QList<bool>({true, false}));

        // Back to serial; then the device side vanishes.
        bridge.connectSerial(slaveName, 115200);
        QVERIFY(bridge.serialConnected());
        ::close(master);
        QTRY_VERIFY(!bridge.serialConnected());
        QVERIFY(!bridge.connected());
        QVERIFY(!manager.transport());
        QCOMPARE(bridge.activeLink(), 0);

        // A port that cannot be opened reports the port's text and leaves nothing.
        errors.clear();
        bridge.connectSerial(QStringLiteral("/dev/skyrig-no-such-port"), 9600);
        QCOMPARE(errors.count(), 1);
        QVERIFY(!errors.at(0).at(0).toString().isEmpty());
        QVERIFY(!manager.transport());
        QCOMPARE(bridge.activeLink(), 0);
        QVERIFY(!bridge.serialConnected());
    }

    void changingProductClosesLinks()
    {
        const quint16 port = freePortPair();
        QVERIFY(port != 0);
        store(QStringLiteral("Connection/Heron_udpIp"), QStringLiteral("127.0.0.3"));
        store(QStringLiteral("Connection/Heron_udpPort"), 4000);
        TransportManager manager;
        ConnectionBridge bridge(&manager);
        bridge.connectUdp(QStringLiteral("127.0.0.1"), port);
        QVERIFY(bridge.connected());
        QSignalSpy settingsChanged(&bridge, &ConnectionBridge::udpSettingsChanged);

        bridge.setModelId(QStringLiteral("default ")); // same product
        QVERIFY(bridge.connected());
        QCOMPARE(settingsChanged.count(), 0);

        bridge.setModelId(QStringLiteral("Heron"));
        QVERIFY(!bridge.connected());
        QVERIFY(!bridge.udpConnected());
        QVERIFY(!manager.transport());
        QCOMPARE(bridge.udpIp(), QStringLiteral("127.0.0.3"));
        QCOMPARE(bridge.udpPort(), 4000);
        QCOMPARE(settingsChanged.count(), 1);
        // The previous product's endpoint is kept under its own key.
        QCOMPARE(stored(QStringLiteral("Connection/default_udpPort")).toInt(), int(port));
    }

    void withoutTransportManager()
    {
        ConnectionBridge bridge(nullptr);
        QSignalSpy errors(&bridge, &ConnectionBridge::errorOccurred);
        bridge.connectUdp(QStringLiteral("127.0.0.1"), 5000);
        bridge.connectSerial(QStringLiteral("ttyS0"), 9600);
        bridge.toggleUdpSwitch(true);
        QVERIFY(!bridge.connected());
        QCOMPARE(errors.count(), 0);
        QCOMPARE(bridge.udpIp(), FactoryIp); // connectUdp stores nothing either
        QCOMPARE(bridge.serialPortList(), bridge.portList());
        QSignalSpy ports(&bridge, &ConnectionBridge::portListChanged);
        bridge.refreshSerialPorts();
        QCOMPARE(ports.count(), 1);
    }
};

SKYRIG_REGISTER_TEST(LinkConnectionBridgeTest)

#include "tst_connection_bridge.moc"
