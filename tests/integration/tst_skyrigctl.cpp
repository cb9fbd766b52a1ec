// The headless front end run as a separate process against a small camera
// stand-in on the loopback: frames on the wire, printed state and log lines,
// argument handling and exit codes.

#include "common/TestMain.h"

#include "app/CtlRunner.h"
#include "link/FrameCodec.h"

#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

namespace
{

// Answers every command with a successful acknowledgement and, after the
// first one, reports an attitude of yaw 12.34 and pitch -5 degrees.
class FakeCamera : public QObject
{
    Q_OBJECT
public:
    struct Seen {
        quint16 code;
        QByteArray payload;
    };

    FakeCamera()
    {
        // The program binds the port after the camera's, so both must be free.
        for (int attempt = 0; attempt < 50 && m_port == 0; ++attempt) {
            m_socket.close();
            if (!m_socket.bind(QHostAddress(QHostAddress::LocalHost), 0))
                continue;
            const quint16 port = m_socket.localPort();
            QUdpSocket probe;
            if (port < 65535 && probe.bind(QHostAddress(QHostAddress::AnyIPv4), port + 1))
                m_port = port;
        }
        connect(&m_socket, &QUdpSocket::readyRead, this, &FakeCamera::onReadyRead);
    }

    quint16 port() const { return m_port; }
    QVector<Seen> seen;

    QVector<quint16> codes() const
    {
        QVector<quint16> out;
        for (const Seen &s : seen)
            out.append(s.code);
        return out;
    }

private:
    void onReadyRead()
    {
        while (m_socket.hasPendingDatagrams()) {
            QByteArray datagram(int(m_socket.pendingDatagramSize()), '\0');
            QHostAddress from;
            quint16 fromPort = 0;
            m_socket.readDatagram(datagram.data(), datagram.size(), &from, &fromPort);
            int consumed = 0;
            const ParsedFrame frame = FrameCodec::decodeShortFrame(datagram, consumed);
            if (!frame.valid)
                continue;
            const quint16 code = FrameCodec::commandCode(frame.messageId);
            seen.append({code, frame.payload});
            send(from, fromPort, 0x010000u | code, QByteArray(2, '\0'));
            if (seen.size() == 1) {
                QByteArray attitude(18, '\0');
                attitude[0] = char(0xD2); // yaw joint 1234 -> 12.34
                attitude[1] = char(0x04);
                attitude[4] = char(0x0C); // pitch joint -500 -> -5
                attitude[5] = char(0xFE);
                send(from, fromPort, 0x0002, attitude);
            }
        }
    }

    void send(const QHostAddress &to, quint16 port, quint32 messageId, const QByteArray &payload)
    {
        m_socket.writeDatagram(
            FrameCodec::encodeShortFrame(m_sequence, 0x04, 0x01, messageId, payload), to, port);
    }

    QUdpSocket m_socket;
    quint16 m_port = 0;
    quint8 m_sequence = 0;
};

struct Run {
    int exitCode = -1;
    QStringList out;
    QString err;
};

// Runs the tool while this process keeps serving the camera stand-in.
Run runCtl(const QStringList &arguments)
{
    Run run;
    QProcess process;
    process.setProgram(QStringLiteral(SKYRIG_BIN_DIR "/skyrigctl"));
    process.setArguments(arguments);
    QSignalSpy finished(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    process.start();
    if (!process.waitForStarted(10000) || !finished.wait(30000)) {
        process.kill();
        process.waitForFinished(5000);
        run.err = QStringLiteral("skyrigctl did not run to its end");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput())
                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The tool's child process finds its stores through XDG_CONFIG_HOME, which
// the test entry point pointed at a scratch folder.
QString storePath(const QString &application)
{
    return QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/Skyrig/") +
           application + QStringLiteral(".conf");
}

QVariantMap storeContents(const QString &application)
{
    QSettings store(storePath(application), QSettings::IniFormat);
    QVariantMap contents;
    for (const QString &key : store.allKeys())
        contents.insert(key, store.value(key));
    return contents;
}

QString udpTo(const FakeCamera &camera)
{
    return QStringLiteral("127.0.0.1:%1").arg(camera.port());
}

} // namespace

class SkyrigctlTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<QProcess::ExitStatus>("QProcess::ExitStatus"); }

    void commandReachesTheCameraAndStateIsPrinted()
    {
        FakeCamera camera;
        QVERIFY(camera.port() != 0);
        const Run run =
            runCtl({QStringLiteral("--udp"), udpTo(camera), QStringLiteral("ready"),
                    QStringLiteral("call"), QStringLiteral("gimbalControl"), QStringLiteral("0"),
                    QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("wait"),
                    QStringLiteral("300"), QStringLiteral("state"), QStringLiteral("yawJoint"),
                    QStringLiteral("pitchJoint"), QStringLiteral("connected")});
        QVERIFY2(run.exitCode == CtlRunner::Success, qPrintable(run.err));

        // Ready means the time sync went out before anything else.
        QTRY_COMPARE(camera.codes(), QVector<quint16>({0x030E, 0x0010}));
        QCOMPARE(camera.seen.at(1).payload, QByteArray("\x00\x02\x00\x00", 4));

        QVERIFY2(run.out.contains(
                     QStringLiteral("{\"yawJoint\":12.34,\"pitchJoint\":-5,\"connected\":true}")),
                 qPrintable(run.out.join(QLatin1Char('\n'))));
        QVERIFY(run.out.contains(QStringLiteral("log: [Comm/Link] Opened")));
        QVERIFY(run.out.contains(QStringLiteral("log: Received reply for Pitch up command")));
        for (const QString &line : run.out) {
            QVERIFY2(line.startsWith(QLatin1String("log: ")) || line.startsWith(QLatin1Char('{')),
                     qPrintable(line));
            // Protocol detail stays in the session file.
            QVERIFY(!line.startsWith(QLatin1String("log: [ACK Raw]")));
        }
    }

    void argumentFormsAndWholeState()
    {
        FakeCamera camera;
        QVERIFY(camera.port() != 0);
        const Run run = runCtl({QStringLiteral("--udp"),
                                udpTo(camera),
                                QStringLiteral("call"),
                                QStringLiteral("takePhoto"),
                                QStringLiteral("0"),
                                QStringLiteral("1"),
                                QStringLiteral("call"),
                                QStringLiteral("focusControl"),
                                QStringLiteral("1"),
                                QStringLiteral("call"),
                                QStringLiteral("aiRecognitionSet"),
                                QStringLiteral("true"),
                                QStringLiteral("0"),
                                QStringLiteral("3,5"),
                                QStringLiteral("call"),
                                QStringLiteral("aiRecognitionSetList"),
                                QStringLiteral("false"),
                                QStringLiteral("0"),
                                QString(),
                                QStringLiteral("call"),
                                QStringLiteral("gimbalAngleControl"),
                                QStringLiteral("0"),
                                QStringLiteral("-12.5"),
                                QStringLiteral("1"),
                                QStringLiteral("16"),
                                QStringLiteral("call"),
                                QStringLiteral("playbackClientSet"),
                                QStringLiteral("1"),
                                QStringLiteral("127.0.0.1"),
                                QStringLiteral("6665"),
                                QStringLiteral("state")});
        QVERIFY2(run.exitCode == CtlRunner::Success, qPrintable(run.err));
        QTRY_VERIFY(camera.codes().contains(0x0334));
        const QVector<quint16> codes = camera.codes();
        QVERIFY(codes.contains(0x0302));
        QVERIFY(codes.contains(0x0313));
        QVERIFY(codes.contains(0x0319));
        QVERIFY(codes.contains(0x0012));

        const QString json = run.out.last();
        QVERIFY2(json.startsWith(QLatin1Char('{')) && json.endsWith(QLatin1Char('}')),
                 qPrintable(json));
        QVERIFY(json.contains(QLatin1String("\"yawJoint\":")));
        QVERIFY(json.contains(QLatin1String("\"aiRecognitionEnabled\":false")));
        QVERIFY(!json.contains(QLatin1String("objectName")));
    }

    void chineseRunKeepsItsOwnStore()
    {
        FakeCamera camera;
        QVERIFY(camera.port() != 0);
        const QVariantMap programStore = storeContents(QStringLiteral("Skyrig"));
        const Run run = runCtl({QStringLiteral("--lang"), QStringLiteral("zh"),
                                QStringLiteral("--udp"), udpTo(camera), QStringLiteral("--model"),
                                QStringLiteral("Marten"), QStringLiteral("ready")});
        QVERIFY2(run.exitCode == CtlRunner::Success, qPrintable(run.err));
        QVERIFY(run.out.contains(QStringLiteral("log: [通信/链路] 已打开")));
        QCOMPARE(storeContents(QStringLiteral("Skyrig")), programStore);
        QCOMPARE(storeContents(QStringLiteral("skyrigctl"))
                     .value(QStringLiteral("startup/isChinese"))
                     .toBool(),
                 true);
        // The next run's language is its own again.
        const Run english = runCtl({QStringLiteral("--udp"), udpTo(camera)});
        QCOMPARE(english.exitCode, 0);
        QVERIFY(english.out.contains(QStringLiteral("log: [Comm/Link] Opened")));
    }

    void badStepsFailBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown operation") << QStringList{"ready", "call", "noSuchOperation", "1"}
                                           << int(CtlRunner::UnknownOperation) << "noSuchOperation";
        QTest::newRow("too few arguments") << QStringList{"call", "gimbalControl", "0", "2"}
                                           << int(CtlRunner::WrongArgumentCount) << "3";
        QTest::newRow("too many for every short form")
            << QStringList{"call", "takePhoto", "0", "1", "a", "b", "c"}
            << int(CtlRunner::WrongArgumentCount) << "2 or 3 or 4";
        QTest::newRow("word for a number") << QStringList{"call", "gimbalControl", "0", "up", "0"}
                                           << int(CtlRunner::BadArgument) << "yawDir";
        QTest::newRow("number for a switch")
            << QStringList{"call", "irTempSwitch", "1"} << int(CtlRunner::BadArgument) << "on";
        QTest::newRow("broken list") << QStringList{"call", "aiRecognitionSet", "true", "0", "1,x"}
                                     << int(CtlRunner::BadArgument) << "categories";
        QTest::newRow("port out of range")
            << QStringList{"call", "playbackClientSet", "1", "127.0.0.1", "70000"}
            << int(CtlRunner::BadArgument) << "port";
        QTest::newRow("unknown property") << QStringList{"state", "yawJoint", "noSuchProperty"}
                                          << int(CtlRunner::UnknownProperty) << "noSuchProperty";
        QTest::newRow("unknown step")
            << QStringList{"ready", "jump"} << int(CtlRunner::UsageError) << "jump";
        QTest::newRow("wait without time")
            << QStringList{"wait"} << int(CtlRunner::UsageError) << "wait";
    }

    void badStepsFailBeforeAnythingIsSent()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        FakeCamera camera;
        QVERIFY(camera.port() != 0);
        const Run run = runCtl(QStringList{QStringLiteral("--udp"), udpTo(camera)} + steps);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        // Checked before the link opens: the camera hears nothing.
        QCoreApplication::processEvents();
        QVERIFY(camera.seen.isEmpty());
    }

    void linkOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("no link") << QStringList{"ready"} << int(CtlRunner::UsageError);
        QTest::newRow("two links")
            << QStringList{"--udp", "127.0.0.1", "--serial", "/dev/null", "ready"}
            << int(CtlRunner::UsageError);
        QTest::newRow("no host") << QStringList{"--udp", ":1030", "ready"}
                                 << int(CtlRunner::UsageError);
        QTest::newRow("bad port") << QStringList{"--udp", "127.0.0.1:0", "ready"}
                                  << int(CtlRunner::UsageError);
        QTest::newRow("bad language") << QStringList{"--lang", "fr", "--udp", "127.0.0.1", "ready"}
                                      << int(CtlRunner::UsageError);
        QTest::newRow("serial device missing")
            << QStringList{"--serial", "/nonexistent/ttyCTL0:9600", "ready"}
            << int(CtlRunner::LinkError);
        // Never falls back to a stored or default camera address.
        QTest::newRow("address not usable")
            << QStringList{"--udp", "not-an-address:1030", "ready"} << int(CtlRunner::UsageError);
    }

    void linkOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        const Run run = runCtl(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(run.err.startsWith(QLatin1String("skyrigctl: ")));
    }

    void udpPortTakenIsALinkError()
    {
        FakeCamera camera;
        QVERIFY(camera.port() != 0);
        QUdpSocket blocker;
        QVERIFY(blocker.bind(QHostAddress(QHostAddress::AnyIPv4), camera.port() + 1,
                             QAbstractSocket::DontShareAddress));
        const Run run = runCtl({QStringLiteral("--udp"), udpTo(camera), QStringLiteral("ready")});
        QCOMPARE(run.exitCode, int(CtlRunner::LinkError));
        QVERIFY2(run.err.contains(udpTo(camera)), qPrintable(run.err));
        QVERIFY(camera.seen.isEmpty());
    }

    void helpDocumentsTheExitCodes()
    {
        const Run run = runCtl({QStringLiteral("--help")});
        QCOMPARE(run.exitCode, 0);
        const QString text = run.out.join(QLatin1Char('\n'));
        QVERIFY(text.contains(QLatin1String("--udp HOST[:PORT]")));
        QVERIFY(text.contains(QLatin1String("7  unknown state property")));
    }
};
SKYRIG_REGISTER_TEST(SkyrigctlTest)

#include "tst_skyrigctl.moc"
