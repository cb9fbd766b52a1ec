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

QByteArray waitForDatagram(QUdpSocket &socket)
{
    if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(3000))
        return {};
    QByteArray data(int(socket.pendingDatagramSize()), Qt::Uninitialized);
    socket.readDatagram(data.data(), data.size());
    return data;
}

} // namespace

class LinkUdpTransportTest : public QObject
{
    Q_OBJECT
private slots:
    void sendsReceivesAndLearnsThePeer()
    {
        QUdpSocket camera, moved;
        QVERIFY(camera.bind(Loopback, quint16(0)));
        UdpTransport link;
        link.setTarget(Loopback, camera.localPort());
        const quint16 local = freePort();
        link.setLocalPort(local);
        QVERIFY(link.open());
        QVERIFY(link.write("one"));
        QCOMPARE(waitForDatagram(camera), QByteArray("one"));

        // One signal per datagram, each whole, an empty one too; the camera
        // answers from the dialled address, so nothing is learnt.
        QSignalSpy data(&link, &ITransport::dataReceived);
        QSignalSpy learned(&link, &UdpTransport::peerLearned);
        camera.writeDatagram(QByteArray(1400, 'a'), Loopback, local);
        camera.writeDatagram(QByteArray(), Loopback, local);
        QTRY_COMPARE(data.count(), 2);
        QCOMPARE(data.at(0).at(0).toByteArray(), QByteArray(1400, 'a'));
        QCOMPARE(learned.count(), 0);

        if (!moved.bind(SecondLoopback, quint16(0)))
            QSKIP("127.0.0.2 is not usable on this machine");
        moved.writeDatagram("hi", Loopback, local);
        moved.writeDatagram("again", Loopback, local);
        QTRY_COMPARE(data.count(), 4);
        // Learnt once; the sender's source port is not taken for the target.
        QCOMPARE(learned.count(), 1);
        QCOMPARE(learned.at(0).at(0).value<QHostAddress>(), SecondLoopback);
        QCOMPARE(learned.at(0).at(1).value<quint16>(), camera.localPort());
        QUdpSocket movedListener;
        QVERIFY(movedListener.bind(SecondLoopback, camera.localPort()));
        QVERIFY(link.write("to-new"));
        QCOMPARE(waitForDatagram(movedListener), QByteArray("to-new"));
    }

    void ipv6SenderIsDeliveredNotLearnt()
    {
        QUdpSocket v6, camera;
        if (!v6.bind(QHostAddress(QHostAddress::LocalHostIPv6), quint16(0)))
            QSKIP("IPv6 loopback is not available");
        QVERIFY(camera.bind(Loopback, quint16(0)));
        // Without a local port the first send binds an ephemeral dual-stack port.
        UdpTransport link;
        link.setTarget(Loopback, camera.localPort());
        QVERIFY(link.open() && link.write("bind"));
        QCOMPARE(waitForDatagram(camera), QByteArray("bind"));
        QSignalSpy data(&link, &ITransport::dataReceived);
        v6.writeDatagram("six", QHostAddress::LocalHostIPv6, link.boundPort());
        QTRY_COMPARE(data.count(), 1);
        QCOMPARE(link.targetAddress(), Loopback);
    }

    void writeFailuresAndClose()
    {
        skyrig_test::setChinese(true);
        UdpTransport link;
        QSignalSpy changed(&link, &ITransport::connectionChanged);
        QVERIFY(!link.write("x")); // not open
        QVERIFY(link.open());
        link.setTarget(Loopback, 0);
        QVERIFY(!link.write("x"));
        QCOMPARE(link.errorString(), QStringLiteral("UDP 未打开或目标地址无效"));

        // A datagram larger than UDP can carry fails with the socket's text
        // and does not take the link down.
        link.setTarget(Loopback, freePort());
        QVERIFY(!link.write(QByteArray(70000, 'x')));
        QVERIFY(!link.errorString().isEmpty());
        QVERIFY(link.errorString() != QStringLiteral("UDP 数据报发送失败"));
        QVERIFY(link.write("ok"));
        QVERIFY(link.errorString().isEmpty());

        // close always reports the link down, also when already closed.
        link.close();
        link.close();
        QCOMPARE(changed.count(), 3);
        QCOMPARE(changed.at(2).at(0).toBool(), false);
        QVERIFY(!link.write("x"));
    }

    void localPortBinding()
    {
        // Two links with the sharing options may hold the same port (a
        // restarted program must not be locked out by a lingering one).
        UdpTransport first, second;
        first.setLocalPort(freePort());
        second.setLocalPort(first.localPort());
        QVERIFY(first.open() && second.open());
        QCOMPARE(second.boundPort(), first.localPort());

        // A port held exclusively cannot be bound: the link reports down.
        QUdpSocket holder;
        QVERIFY(
            holder.bind(QHostAddress(QHostAddress::AnyIPv4), 0, QAbstractSocket::DontShareAddress));
        UdpTransport link;
        link.setLocalPort(holder.localPort());
        QSignalSpy changed(&link, &ITransport::connectionChanged);
        QVERIFY(!link.open());
        QVERIFY(!link.errorString().isEmpty());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toBool(), false);
    }
};

SKYRIG_REGISTER_TEST(LinkUdpTransportTest)

#include "tst_udp_transport.moc"
