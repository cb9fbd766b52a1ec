// The headless front end run as a separate process against a small camera
// stand-in on the loopback: frames on the wire, printed state and log lines,
// argument handling and exit codes.

#include "CamsimHarness.h"
#include "app/CtlRunner.h"
#include "common/TestMain.h"

#include <SkyrigVersion.h>

#include <QSettings>

using camsim_test::bytes;
using camsim_test::words;

namespace
{

// Answers every command with a successful acknowledgement and, after the
// first one, reports an attitude of yaw 12.34 and pitch -5 degrees.
class FakeCamera : public QObject
{
    Q_OBJECT
public:
    FakeCamera()
    {
        // The program binds the port after the camera's, so both must be free.
        for (int attempt = 0; attempt < 50 && m_port == 0; ++attempt) {
            m_socket.close();
            QUdpSocket probe;
            if (m_socket.bind(QHostAddress(QHostAddress::LocalHost), 0) &&
                m_socket.localPort() < 65535 &&
                probe.bind(QHostAddress(QHostAddress::AnyIPv4), m_socket.localPort() + 1))
                m_port = m_socket.localPort();
        }
        connect(&m_socket, &QUdpSocket::readyRead, this, &FakeCamera::onReadyRead);
    }

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    quint16 port() const { return m_port; }
    QVector<quint16> codes;
    QVector<QByteArray> payloads;

private:
    void onReadyRead()
    {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_socket.receiveDatagram();
            int consumed = 0;
            const ParsedFrame frame = FrameCodec::decodeShortFrame(datagram.data(), consumed);
            if (!frame.valid)
                continue;
            codes.append(FrameCodec::commandCode(frame.messageId));
            payloads.append(frame.payload);
            reply(datagram, 0x010000u | codes.last(), QByteArray(2, '\0'));
            if (codes.size() == 1) // yaw joint 1234 -> 12.34, pitch joint -500 -> -5
                reply(datagram, 0x0002, bytes({0xD2, 0x04, 0, 0, 0x0C, 0xFE}) + QByteArray(12, 0));
        }
    }

    void reply(const QNetworkDatagram &to, quint32 messageId, const QByteArray &payload)
    {
        m_socket.writeDatagram(
            FrameCodec::encodeShortFrame(m_sequence, 0x04, 0x01, messageId, payload),
            to.senderAddress(), quint16(to.senderPort()));
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
    QSignalSpy finished(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    process.start(QStringLiteral(SKYRIG_BIN_DIR "/skyrigctl"), arguments);
    if (!process.waitForStarted(10000) || !finished.wait(30000)) {
        process.kill();
        process.waitForFinished(5000);
        run.err = QStringLiteral("skyrigctl did not run to its end");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The tool's child process finds its stores through XDG_CONFIG_HOME, which
// the test entry point pointed at a scratch folder.
QVariantMap storeContents(const char *application)
{
    QSettings store(qEnvironmentVariable("XDG_CONFIG_HOME") + "/Skyrig/" + application + ".conf",
                    QSettings::IniFormat);
    QVariantMap contents;
    for (const QString &key : store.allKeys())
        contents.insert(key, store.value(key));
    return contents;
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
        const Run run = runCtl(QStringList{"--udp", camera.address()} +
                               words("ready call gimbalControl 0 2 0 wait 300 "
                                     "state yawJoint pitchJoint connected"));
        QVERIFY2(run.exitCode == CtlRunner::Success, qPrintable(run.err));

        // Ready means the time sync went out before anything else.
        QTRY_COMPARE(camera.codes, QVector<quint16>({0x030E, 0x0010}));
        QCOMPARE(camera.payloads.at(1), QByteArray("\x00\x02\x00\x00", 4));

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
        // Short forms, booleans, lists (an empty one too), negative decimals, addresses.
        const Run run = runCtl(QStringList{"--udp", camera.address()} +
                               words("call takePhoto 0 1 call focusControl 1 "
                                     "call aiRecognitionSet true 0 3,5 "
                                     "call aiRecognitionSetList false 0") +
                               QStringList{QString()} +
                               words("call gimbalAngleControl 0 -12.5 1 16 "
                                     "call playbackClientSet 1 127.0.0.1 6665 state"));
        QVERIFY2(run.exitCode == CtlRunner::Success, qPrintable(run.err));
        QTRY_VERIFY(camera.codes.contains(0x0334));
        for (quint16 code : {0x0302, 0x0313, 0x0319, 0x0012})
            QVERIFY2(camera.codes.contains(code), qPrintable(QString::number(code, 16)));

        const QString json = run.out.last();
        QVERIFY2(json.startsWith(QLatin1Char('{')) && json.endsWith(QLatin1Char('}')),
                 qPrintable(json));
        QVERIFY(json.contains(QLatin1String("\"yawJoint\":")));
        QVERIFY(json.contains(QLatin1String("\"aiRecognitionEnabled\":false")));
        QVERIFY(!json.contains(QLatin1String("objectName")));
    }

    void publishedObjectsByName()
    {
        FakeCamera camera;
        QVERIFY(camera.port() != 0);
        const Run run = runCtl(QStringList{"--udp", camera.address()} +
                               words("until controller.handshakeReady=true 3000 "
                                     "call controller.gimbalControl 0 2 0 "
                                     "state cameraModel.modelId connBridge.connected pitchJoint "
                                     "until connected=true 1000 until pitchJoint=99 200"));
        QCOMPARE(run.exitCode, int(CtlRunner::UntilTimeout));
        QVERIFY2(run.out.contains(QStringLiteral(
                     "{\"cameraModel.modelId\":\"Otter\",\"connBridge.connected\":true,"
                     "\"pitchJoint\":-5}")),
                 qPrintable(run.out.join(QLatin1Char('\n'))));
        QVERIFY2(run.err.contains(
                     QLatin1String("pitchJoint did not become 99 within 200 ms (it is -5)")),
                 qPrintable(run.err));
    }

    void chineseRunKeepsItsOwnStore()
    {
        FakeCamera camera;
        QVERIFY(camera.port() != 0);
        const QVariantMap programStore = storeContents("Skyrig");
        const Run run = runCtl(QStringList{"--lang", "zh", "--udp", camera.address()} +
                               words("--model Marten ready"));
        QVERIFY2(run.exitCode == CtlRunner::Success, qPrintable(run.err));
        QVERIFY(run.out.contains(QStringLiteral("log: [通信/链路] 已打开")));
        QCOMPARE(storeContents("Skyrig"), programStore);
        QCOMPARE(storeContents("skyrigctl").value(QStringLiteral("startup/isChinese")).toBool(),
                 true);
        // The next run's language is its own again.
        const Run english = runCtl({"--udp", camera.address()});
        QCOMPARE(english.exitCode, 0);
        QVERIFY(english.out.contains(QStringLiteral("log: [Comm/Link] Opened")));
    }

    void badStepsFailBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown operation") << "ready call noSuchOperation 1"
                                           << int(CtlRunner::UnknownOperation) << "noSuchOperation";
        QTest::newRow("too few arguments")
            << "call gimbalControl 0 2" << int(CtlRunner::WrongArgumentCount) << "3";
        QTest::newRow("too many for every short form")
            << "call takePhoto 0 1 a b c" << int(CtlRunner::WrongArgumentCount) << "2 or 3 or 4";
        QTest::newRow("word for a number")
            << "call gimbalControl 0 up 0" << int(CtlRunner::BadArgument) << "yawDir";
        QTest::newRow("number for a switch")
            << "call irTempSwitch 1" << int(CtlRunner::BadArgument) << "on";
        QTest::newRow("broken list")
            << "call aiRecognitionSet true 0 1,x" << int(CtlRunner::BadArgument) << "categories";
        QTest::newRow("port out of range")
            << "call playbackClientSet 1 127.0.0.1 70000" << int(CtlRunner::BadArgument) << "port";
        QTest::newRow("unknown property") << "state yawJoint noSuchProperty"
                                          << int(CtlRunner::UnknownProperty) << "noSuchProperty";
        QTest::newRow("unknown object")
            << "call noSuchObject.start" << int(CtlRunner::UnknownProperty) << "noSuchObject";
        QTest::newRow("unknown property of an object")
            << "until cameraModel.noSuchProperty=1 100" << int(CtlRunner::UnknownProperty)
            << "cameraModel.noSuchProperty";
        QTest::newRow("until without a value")
            << "until connected 100" << int(CtlRunner::UsageError) << "PROPERTY=VALUE";
        QTest::newRow("unknown step") << "ready jump" << int(CtlRunner::UsageError) << "jump";
        QTest::newRow("wait without time") << "wait" << int(CtlRunner::UsageError) << "wait";
    }

    void badStepsFailBeforeAnythingIsSent()
    {
        QFETCH(QString, steps);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        FakeCamera camera;
        QVERIFY(camera.port() != 0);
        const Run run = runCtl(QStringList{"--udp", camera.address()} + words(qPrintable(steps)));
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        // Checked before the link opens: the camera hears nothing.
        QCoreApplication::processEvents();
        QVERIFY(camera.codes.isEmpty());
    }

    void linkOptions_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message"); // on stderr, or on stdout for a success
        QTest::newRow("no link") << "ready" << int(CtlRunner::LinkError) << "needs a link";
        QTest::newRow("two links") << "--udp 127.0.0.1 --serial /dev/null ready"
                                   << int(CtlRunner::UsageError) << "at most one";
        // Never falls back to a stored or default camera address.
        QTest::newRow("no host") << "--udp :1030 ready" << int(CtlRunner::UsageError) << "HOST";
        QTest::newRow("address not usable")
            << "--udp not-an-address:1030 ready" << int(CtlRunner::UsageError) << "not-an-address";
        QTest::newRow("bad port") << "--udp 127.0.0.1:0 ready" << int(CtlRunner::UsageError)
                                  << "65535";
        QTest::newRow("bad language")
            << "--lang fr --udp 127.0.0.1 ready" << int(CtlRunner::UsageError) << "fr";
        QTest::newRow("serial device missing")
            << "--serial /nonexistent/ttyCTL0:9600 ready" << int(CtlRunner::LinkError) << "ttyCTL0";
        QTest::newRow("help") << "--help" << int(CtlRunner::Success) << "8  until timed out";
        QTest::newRow("version") << "--version" << int(CtlRunner::Success)
                                 << "skyrigctl " SKYRIG_VERSION;
    }

    void linkOptions()
    {
        QFETCH(QString, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const Run run = runCtl(words(qPrintable(arguments)));
        QCOMPARE(run.exitCode, exitCode);
        const QString text = exitCode ? run.err : run.out.join(QLatin1Char('\n'));
        QVERIFY2(text.contains(message), qPrintable(text));
        if (exitCode)
            QVERIFY(run.err.startsWith(QLatin1String("skyrigctl: ")));
    }

    void udpPortTakenIsALinkError()
    {
        FakeCamera camera;
        QVERIFY(camera.port() != 0);
        QUdpSocket blocker;
        QVERIFY(blocker.bind(QHostAddress(QHostAddress::AnyIPv4), camera.port() + 1,
                             QAbstractSocket::DontShareAddress));
        const Run run = runCtl({"--udp", camera.address(), "ready"});
        QCOMPARE(run.exitCode, int(CtlRunner::LinkError));
        QVERIFY2(run.err.contains(camera.address()), qPrintable(run.err));
        QVERIFY(camera.codes.isEmpty());
    }
};
SKYRIG_REGISTER_TEST(SkyrigctlTest)

#include "tst_skyrigctl.moc"
