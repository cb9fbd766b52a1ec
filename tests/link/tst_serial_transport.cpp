#include "RecordingTransport.h"
#include "common/TestMain.h"
#include "link/SerialTransport.h"

#include <QSignalSpy>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace
{

// A pseudo-terminal pair: the transport opens the slave side by name, the
// test plays the device on the master side.
class PtyPair
{
public:
    PtyPair()
    {
        char name[128] = {};
        int slave = -1;
        if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
            return;
        ::close(slave); // the transport opens its own descriptor by name
        m_slaveName = QString::fromLocal8Bit(name);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() { closeMaster(); }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool ok() const { return m_master >= 0 && !m_slaveName.isEmpty(); }
    QString slaveName() const { return m_slaveName; }

    bool send(const QByteArray &bytes)
    {
        return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    // Everything the transport wrote so far (non-blocking).
    QByteArray take()
    {
        QByteArray out;
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            out.append(buf, int(n));
        }
        return out;
    }
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    QString m_slaveName;
};

} // namespace

class LinkSerialTransportTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { setChinese(true); }

    void opensWritesAndReceives()
    {
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialTransport link;
        QCOMPARE(link.baudRate(), 115200);
        link.setPortName(pty.slaveName());
        link.setBaudRate(57600);
        QSignalSpy changed(&link, &ITransport::connectionChanged);
        QVERIFY2(link.open(), qPrintable(link.errorString()));
        QVERIFY(link.isOpen());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toBool(), true);

        const QByteArray frame = QByteArray::fromHex("FD000401000101180000BB93");
        QVERIFY(link.write(frame));
        QByteArray seen;
        QTRY_VERIFY((seen += pty.take()).size() >= frame.size());
        QCOMPARE(seen, frame);

        // Raw bytes pass unchanged in both directions (no line discipline).
        QSignalSpy data(&link, &ITransport::dataReceived);
        const QByteArray binary = QByteArray::fromHex("FD0A0D00037F11130A0D");
        QVERIFY(pty.send(binary));
        QByteArray received;
        QTRY_VERIFY((received = joined(data)).size() >= binary.size());
        QCOMPARE(received, binary);

        // An empty write succeeds at once and leaves no error behind.
        QVERIFY(link.write(QByteArray()));
        QVERIFY(link.errorString().isEmpty());

        link.close();
        QVERIFY(!link.isOpen());
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(1).at(0).toBool(), false);
        link.close(); // already closed: nothing more
        QCOMPARE(changed.count(), 2);
        QVERIFY(!link.write(frame));
    }

    void failedOpenIsSilent()
    {
        SerialTransport link;
        link.setPortName(QStringLiteral("/dev/skyrig-no-such-port"));
        QSignalSpy changed(&link, &ITransport::connectionChanged);
        QVERIFY(!link.open());
        QVERIFY(!link.isOpen());
        const QString error = link.errorString();
        QVERIFY(!error.isEmpty());
        QVERIFY(!link.write("x"));
        QCOMPARE(link.errorString(), error); // a refused write leaves the text alone
        QCoreApplication::processEvents();
        QCOMPARE(changed.count(), 0);
    }

    void displayNames()
    {
        SerialTransport link;
        QCOMPARE(link.displayName(), QStringLiteral("串口"));
        link.setPortName(QStringLiteral("ttyUSB0"));
        QCOMPARE(link.displayName(), QStringLiteral("串口 ttyUSB0"));
        setChinese(false);
        QCOMPARE(link.displayName(), QStringLiteral("Serial ttyUSB0"));
        link.setPortName(QString());
        QCOMPARE(link.displayName(), QStringLiteral("Serial"));
    }

    void undrainedWriteTimesOut()
    {
        // Nobody reads the master side: once the terminal's buffer is full
        // the bytes cannot leave and the write reports the drain time-out.
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialTransport link;
        link.setPortName(pty.slaveName());
        QVERIFY(link.open());
        const QByteArray chunk(16384, '\x55');
        bool failed = false;
        for (int i = 0; i < 256 && !failed; ++i)
            failed = !link.write(chunk);
        QVERIFY(failed);
        QCOMPARE(link.errorString(), QStringLiteral("串口等待写出超时"));
        QVERIFY(link.isOpen());

        // Once the device reads again, writing works and the text is cleared.
        QTRY_VERIFY(pty.take().isEmpty() && link.write("x"));
        QVERIFY(link.errorString().isEmpty());
    }

    void deviceGoingAwayTakesTheLinkDown()
    {
        PtyPair pty;
        QVERIFY(pty.ok());
        SerialTransport link;
        link.setPortName(pty.slaveName());
        QVERIFY(link.open());
        QSignalSpy changed(&link, &ITransport::connectionChanged);
        pty.closeMaster();
        QTRY_COMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toBool(), false);
        QVERIFY(!link.isOpen());
        QVERIFY(!link.errorString().isEmpty());
        link.close();
        QCoreApplication::processEvents();
        QCOMPARE(changed.count(), 1); // reported once
    }

private:
    static QByteArray joined(const QSignalSpy &spy)
    {
        QByteArray all;
        for (const QList<QVariant> &args : spy)
            all += args.at(0).toByteArray();
        return all;
    }
};

SKYRIG_REGISTER_TEST(LinkSerialTransportTest)

#include "tst_serial_transport.moc"
