#include "RecordingTransport.h"
#include "common/TestMain.h"
#include "link/UdpTransport.h"

#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

namespace
{

const QHostAddress Loopback(QStringLiteral("127.0.0.1"));
const QHostAddress SecondLoopback(QStringLiteral("127.0.0.2"));

// A port nobody holds right now (the system picks it; it is released again).
quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::AnyIPv4), quint16(0));
    return probe.localPort();
}

QByteArray waitForDatagram(QUdpSocket &socket, QHostAddress *from = nullptr)
{
    if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(3000))
        return {};
    QByteArray data(int(socket.pendingDatagramSize()), Qt::Uninitialized);
    socket.readDatagram(data.data(), data.size(), from);
    return data;
}

} // namespace

class LinkUdpTransportTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { setChinese(true); }

    void sendsAndReceivesDatagrams()
    {
        QUdpSocket camera;
        QVERIFY(camera.bind(Loopback, quint16(0)));
        UdpTransport link;
        link.setTarget(Loopback, camera.localPort());
        const quint16 local = freePort();
        link.setLocalPort(local);
        QSignalSpy up(&link, &ITransport::connectionChanged);
        QVERIFY(link.open());
        QCOMPARE(up.count(), 1);
        QCOMPARE(up.at(0).at(0).toBool(), true);
        QVERIFY(link.isOpen());
        QCOMPARE(link.boundPort(), local);
        QCOMPARE(link.displayName(), QStringLiteral("UDP 127.0.0.1:%1").arg(camera.localPort()));

        QVERIFY(link.write("one"));
        QVERIFY(link.write("two"));
        QVERIFY(link.errorString().isEmpty());
        QHostAddress from;
        QCOMPARE(waitForDatagram(camera, &from), QByteArray("one"));
        QCOMPARE(waitForDatagram(camera), QByteArray("two"));

        // One signal per datagram, each whole; an empty one too.
        QSignalSpy data(&link, &ITransport::dataReceived);
        QSignalSpy learned(&link, &UdpTransport::peerLearned);
        camera.writeDatagram(QByteArray(1400, 'a'), Loopback, local);
        camera.writeDatagram("b", Loopback, local);
        camera.writeDatagram(QByteArray(), Loopback, local);
        QTRY_COMPARE(data.count(), 3);
        QCOMPARE(data.at(0).at(0).toByteArray(), QByteArray(1400, 'a'));
        QCOMPARE(data.at(1).at(0).toByteArray(), QByteArray("b"));
        QCOMPARE(data.at(2).at(0).toByteArray(), QByteArray());
        QCOMPARE(learned.count(), 0); // the camera answered from the dialled address
    }

    void learnsANewPeerOnce()
    {
        QUdpSocket camera;
        QVERIFY(camera.bind(Loopback, quint16(0)));
        QUdpSocket moved;
        if (!moved.bind(SecondLoopback, quint16(0)))
            QSKIP("127.0.0.2 is not usable on this machine");

        UdpTransport link;
        link.setTarget(Loopback, camera.localPort());
        const quint16 local = freePort();
        link.setLocalPort(local);
        QVERIFY(link.open());
        QSignalSpy learned(&link, &UdpTransport::peerLearned);
        QSignalSpy data(&link, &ITransport::dataReceived);

        moved.writeDatagram("hi", Loopback, local);
        QTRY_COMPARE(data.count(), 1);
        QCOMPARE(learned.count(), 1);
        QCOMPARE(learned.at(0).at(0).value<QHostAddress>(), SecondLoopback);
        // The port the owner set stays; the sender's source port is not taken.
        QCOMPARE(learned.at(0).at(1).value<quint16>(), camera.localPort());
        QCOMPARE(link.targetAddress(), SecondLoopback);
        QCOMPARE(link.targetPort(), camera.localPort());

        moved.writeDatagram("again", Loopback, local);
        QTRY_COMPARE(data.count(), 2);
        QCOMPARE(learned.count(), 1);

        // The frames now go to the new address.
        QUdpSocket movedListener;
        QVERIFY(movedListener.bind(SecondLoopback, camera.localPort()));
        QVERIFY(link.write("to-new"));
        QCOMPARE(waitForDatagram(movedListener), QByteArray("to-new"));
    }

    void ipv6SenderIsDeliveredNotLearnt()
    {
        QUdpSocket v6;
        if (!v6.bind(QHostAddress(QHostAddress::LocalHostIPv6), quint16(0)))
            QSKIP("IPv6 loopback is not available");
        QUdpSocket camera;
        QVERIFY(camera.bind(Loopback, quint16(0)));

        // Without a local port the first send binds an ephemeral dual-stack
        // port, which IPv6 senders can also reach.
        UdpTransport link;
        link.setTarget(Loopback, camera.localPort());
        QVERIFY(link.open());
        QCOMPARE(link.boundPort(), quint16(0));
        QVERIFY(link.write("bind"));
        QCOMPARE(waitForDatagram(camera), QByteArray("bind"));
        const quint16 bound = link.boundPort();
        QVERIFY(bound != 0);

        QSignalSpy learned(&link, &UdpTransport::peerLearned);
        QSignalSpy data(&link, &ITransport::dataReceived);
        v6.writeDatagram("six", QHostAddress::LocalHostIPv6, bound);
        QTRY_COMPARE(data.count(), 1);
        QCOMPARE(data.at(0).at(0).toByteArray(), QByteArray("six"));
        QCOMPARE(learned.count(), 0);
        QCOMPARE(link.targetAddress(), Loopback);
    }

    void closeAndWriteFailures()
    {
        UdpTransport link;
        QCOMPARE(link.displayName(), QStringLiteral("UDP"));
        QSignalSpy changed(&link, &ITransport::connectionChanged);

        // Not open, or no target: the transport's own text.
        QVERIFY(!link.write("x"));
        QCOMPARE(link.errorString(), QStringLiteral("UDP 未打开或目标地址无效"));
        QVERIFY(link.open());
        QVERIFY(!link.write("x"));
        link.setTarget(Loopback, 0);
        QVERIFY(!link.write("x"));
        setChinese(false);
        QVERIFY(!link.write("x"));
        QCOMPARE(link.errorString(),
                 QStringLiteral("UDP is not open or target address is invalid"));
        QCOMPARE(link.displayName(), QStringLiteral("UDP"));

        // A datagram larger than UDP can carry fails with the socket's text.
        QUdpSocket camera;
        QVERIFY(camera.bind(Loopback, quint16(0)));
        link.setTarget(Loopback, camera.localPort());
        QVERIFY(!link.write(QByteArray(70000, 'x')));
        QVERIFY(!link.errorString().isEmpty());
        QVERIFY(link.errorString() != QStringLiteral("UDP datagram send failed"));
        QVERIFY(link.isOpen()); // a socket error does not take the link down
        QVERIFY(link.write("ok"));
        QVERIFY(link.errorString().isEmpty());

        // close always reports the link down, also when already closed.
        changed.clear();
        link.close();
        QVERIFY(!link.isOpen());
        link.close();
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(1).at(0).toBool(), false);
        QVERIFY(!link.write("x"));

        // Reopening works and binds again.
        const quint16 local = freePort();
        link.setLocalPort(local);
        QVERIFY(link.open());
        QCOMPARE(link.boundPort(), local);
        link.close();
        QCOMPARE(link.boundPort(), quint16(0));
    }

    void bindFailureReportsDown()
    {
        QUdpSocket holder; // holds the port without letting anyone share it
        QVERIFY(
            holder.bind(QHostAddress(QHostAddress::AnyIPv4), 0, QAbstractSocket::DontShareAddress));
        UdpTransport link;
        link.setTarget(Loopback, 9);
        link.setLocalPort(holder.localPort());
        QSignalSpy changed(&link, &ITransport::connectionChanged);
        QVERIFY(!link.open());
        QVERIFY(!link.isOpen());
        QVERIFY(!link.errorString().isEmpty());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toBool(), false);
    }

    void sharedPortCanBeTakenAgain()
    {
        // Two links with the sharing options may hold the same port (a
        // restarted program must not be locked out by a lingering one).
        const quint16 local = freePort();
        UdpTransport first;
        first.setLocalPort(local);
        QVERIFY(first.open());
        UdpTransport second;
        second.setLocalPort(local);
        QVERIFY(second.open());
        QCOMPARE(second.boundPort(), local);
    }
};

SKYRIG_REGISTER_TEST(LinkUdpTransportTest)

#include "tst_udp_transport.moc"
