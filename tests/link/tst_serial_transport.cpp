#include "common/PtyPair.h"
#include "common/TestMain.h"
#include "link/SerialTransport.h"

#include <QSignalSpy>
#include <QtTest>

class LinkSerialTransportTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { skyrig_test::setChinese(true); }

    void opensWritesAndReceives()
    {
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialTransport link;
        link.setPortName(pty.slaveName);
        QSignalSpy changed(&link, &ITransport::connectionChanged);
        QVERIFY2(link.open(), qPrintable(link.errorString()));

        // Raw bytes pass unchanged in both directions (no line discipline).
        const QByteArray binary = QByteArray::fromHex("FD0A0D00037F11130A0D");
        QVERIFY(link.write(binary));
        QByteArray seen, received;
        QTRY_VERIFY((seen += pty.take()).size() >= binary.size());
        QCOMPARE(seen, binary);
        connect(&link, &ITransport::dataReceived, this,
                [&](const QByteArray &d) { received += d; });
        QVERIFY(pty.send(binary));
        QTRY_VERIFY(received.size() >= binary.size());
        QCOMPARE(received, binary);
        QVERIFY(link.errorString().isEmpty());

        link.close();
        link.close(); // already closed: nothing more
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(1).at(0).toBool(), false);
        QVERIFY(!link.write(binary));
    }

    void failedOpenIsSilent()
    {
        SerialTransport link;
        QCOMPARE(link.displayName(), QStringLiteral("串口"));
        link.setPortName(QStringLiteral("/dev/skyrig-no-such-port"));
        QSignalSpy changed(&link, &ITransport::connectionChanged);
        QVERIFY(!link.open());
        const QString error = link.errorString();
        QVERIFY(!error.isEmpty());
        QVERIFY(!link.write("x"));
        QCOMPARE(link.errorString(), error); // a refused write leaves the text alone
        QCoreApplication::processEvents();
        QCOMPARE(changed.count(), 0);
        skyrig_test::setChinese(false);
        QCOMPARE(link.displayName(), QStringLiteral("Serial /dev/skyrig-no-such-port"));
    }

    void undrainedWriteTimesOutAndDeviceGoesAway()
    {
        // Nobody reads the master side: once the terminal's buffer is full
        // the bytes cannot leave and the write reports the drain time-out.
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialTransport link;
        link.setPortName(pty.slaveName);
        QVERIFY(link.open());
        bool failed = false;
        for (int i = 0; i < 256 && !failed; ++i)
            failed = !link.write(QByteArray(16384, '\x55'));
        QVERIFY(failed);
        QCOMPARE(link.errorString(), QStringLiteral("串口等待写出超时"));
        QVERIFY(link.isOpen());

        // Once the device reads again, writing works and the text is cleared.
        QTRY_VERIFY(pty.take().isEmpty() && link.write("x"));
        QVERIFY(link.errorString().isEmpty());

        // The device vanishing takes the link down, reported once.
        QSignalSpy changed(&link, &ITransport::connectionChanged);
        pty.closeMaster();
        QTRY_COMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toBool(), false);
        QVERIFY(!link.isOpen());
        QVERIFY(!link.errorString().isEmpty());
        link.close();
        QCoreApplication::processEvents();
        QCOMPARE(changed.count(), 1);
    }
};

SKYRIG_REGISTER_TEST(LinkSerialTransportTest)

#include "tst_serial_transport.moc"
