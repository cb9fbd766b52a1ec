// The headless front end run as a separate process against the simulator on
// the loopback: commands reaching the camera, printed state, argument handling
// and exit codes. (The soak test runs it through a poor line.)

#include "CamsimHarness.h"
#include "app/CtlRunner.h"
#include "common/TestMain.h"

#include <SkyrigVersion.h>

#include <QSettings>

using namespace camsim_test;

namespace
{

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
    // Short forms, booleans, lists (an empty one too), negative decimals,
    // addresses; the whole state, then published objects by name and an
    // until that runs out (a value it has passed does not end it).
    void argumentFormsStateAndObjects()
    {
        CAMSIM_START(sim, "--model Heron");
        const Run run = runCtl(QStringList{"--udp", sim.address()} +
                               words("call takePhoto 0 1 call focusControl 1 "
                                     "call aiRecognitionSet true 0 3,5 "
                                     "call aiRecognitionSetList false 0") +
                               QStringList{QString()} +
                               words("call gimbalAngleControl 0 -12.5 1 16 "
                                     "call playbackClientSet 1 127.0.0.1 6665 "
                                     // Answers come in order: once the last
                                     // read-back is in, every reply is.
                                     "call playbackClientGet 1 "
                                     "until downloadClientPort=6665 30000 state "
                                     "until controller.handshakeReady=true 30000 "
                                     "call controller.cameraVersionGet "
                                     "until cameraVersion=2.6.31 30000 "
                                     "state cameraModel.modelId connBridge.connected cameraVersion "
                                     "until uartProtocol=-2 200"));
        QVERIFY2(run.exitCode == CtlRunner::UntilTimeout, qPrintable(run.all()));
        for (const char *name : {"Take photo", "Focus control", "Target tracking set",
                                 "AI recognition set", "Set angle", "Set playback client"})
            QVERIFY2(
                run.out.contains(QStringLiteral("log: Received reply for %1 command").arg(name)),
                qPrintable(run.all()));

        const QString json = run.out.filter(QStringLiteral("\"yawJoint\":")).value(0);
        QVERIFY2(json.startsWith(QLatin1Char('{')) && json.endsWith(QLatin1Char('}')),
                 qPrintable(run.all()));
        QVERIFY(json.contains(QLatin1String("\"aiRecognitionEnabled\":false")));
        QVERIFY(!json.contains(QLatin1String("objectName")));
        QVERIFY2(run.out.contains(QStringLiteral(R"({"cameraModel.modelId":"Otter",)"
                                                 R"("connBridge.connected":true,)"
                                                 R"("cameraVersion":"2.6.31"})")),
                 qPrintable(run.all()));
        QVERIFY2(run.err.contains(
                     QLatin1String("uartProtocol did not become -2 within 200 ms (it is -1)")),
                 qPrintable(run.err));
    }

    void chineseRunKeepsItsOwnStore()
    {
        CAMSIM_START(sim, "");
        const QVariantMap programStore = storeContents("Skyrig");
        const Run run = runCtl(QStringList{"--lang", "zh", "--udp", sim.address()} +
                               words("--model Marten ready"));
        QVERIFY2(run.exitCode == CtlRunner::Success, qPrintable(run.all()));
        QVERIFY(run.out.contains(QStringLiteral("log: [通信/链路] 已打开")));
        QCOMPARE(storeContents("Skyrig"), programStore);
        QCOMPARE(storeContents("skyrigctl").value(QStringLiteral("startup/isChinese")).toBool(),
                 true);
        // The next run's language is its own again.
        const Run english = runCtl({"--udp", sim.address()});
        QCOMPARE(english.exitCode, 0);
        QVERIFY(english.out.contains(QStringLiteral("log: [Comm/Link] Opened")));
    }

    void badArgumentsAndLinkOptions_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message"); // on stderr, or on stdout for a success
        const auto row = [](const char *name, const char *arguments, int exitCode,
                            const char *message) {
            QTest::newRow(name) << QString::fromUtf8(arguments) << exitCode
                                << QString::fromUtf8(message);
        };
        using C = CtlRunner;
        row("no link", "ready", C::LinkError, "needs a link");
        row("two links", "--udp 127.0.0.1 --serial /dev/null ready", C::UsageError, "at most one");
        // Never falls back to a stored or default camera address.
        row("no host", "--udp :1030 ready", C::UsageError, "HOST");
        row("address not usable", "--udp not-an-address:1030 ready", C::UsageError,
            "not-an-address");
        row("bad port", "--udp 127.0.0.1:0 ready", C::UsageError, "65535");
        row("bad language", "--lang fr --udp 127.0.0.1 ready", C::UsageError, "fr");
        // A link opens whether or not a camera is there; ready waits for its answer.
        row("nobody answers", "--udp %silent ready", C::ReadyTimeout, "did not answer");
        // The program listens on the port after the camera's.
        row("listening port taken", "--udp %taken ready", C::LinkError, "%taken");
        row("serial device missing", "--serial /nonexistent/ttyCTL0:9600 ready", C::LinkError,
            "ttyCTL0");
        row("help", "--help", C::Success, "8  until timed out");
        row("version", "--version", C::Success, "skyrigctl " SKYRIG_VERSION);
        // Bad steps fail before the link opens: the camera hears nothing.
        row("unknown operation", "--udp %silent ready call noSuchOperation 1", C::UnknownOperation,
            "noSuchOperation");
        row("too few arguments", "--udp %silent call gimbalControl 0 2", C::WrongArgumentCount,
            "3");
        row("too many for every short form", "--udp %silent call takePhoto 0 1 a b c",
            C::WrongArgumentCount, "2 or 3 or 4");
        row("word for a number", "--udp %silent call gimbalControl 0 up 0", C::BadArgument,
            "yawDir");
        row("number for a switch", "--udp %silent call irTempSwitch 1", C::BadArgument, "on");
        row("broken list", "--udp %silent call aiRecognitionSet true 0 1,x", C::BadArgument,
            "categories");
        row("port out of range", "--udp %silent call playbackClientSet 1 127.0.0.1 70000",
            C::BadArgument, "port");
        row("unknown property", "--udp %silent state yawJoint noSuchProperty", C::UnknownProperty,
            "noSuchProperty");
        row("unknown object", "--udp %silent call noSuchObject.start", C::UnknownProperty,
            "noSuchObject");
        row("unknown property of an object", "--udp %silent until cameraModel.noSuchProperty=1 100",
            C::UnknownProperty, "cameraModel.noSuchProperty");
        row("until without a value", "--udp %silent until connected 100", C::UsageError,
            "PROPERTY=VALUE");
        row("unknown step", "--udp %silent ready jump", C::UsageError, "jump");
        row("wait without time", "--udp %silent wait", C::UsageError, "wait");
    }

    void badArgumentsAndLinkOptions()
    {
        QFETCH(QString, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QUdpSocket silent, blocker;
        QVERIFY(silent.bind(QHostAddress(QHostAddress::LocalHost), 0));
        QVERIFY(blocker.bind(QHostAddress(QHostAddress::AnyIPv4), 0,
                             QAbstractSocket::DontShareAddress));
        const QString taken = QStringLiteral("127.0.0.1:%1").arg(blocker.localPort() - 1);
        arguments.replace(QLatin1String("%silent"),
                          QStringLiteral("127.0.0.1:%1").arg(silent.localPort()));
        arguments.replace(QLatin1String("%taken"), taken);
        message.replace(QLatin1String("%taken"), taken);
        const Run run = runCtl(words(qPrintable(arguments)));
        QCOMPARE(run.exitCode, exitCode);
        const QString text = exitCode ? run.err : run.out.join(QLatin1Char('\n'));
        QVERIFY2(text.contains(message), qPrintable(text));
        if (exitCode)
            QVERIFY(run.err.startsWith(QLatin1String("skyrigctl: ")));
        if (exitCode != CtlRunner::ReadyTimeout)
            QVERIFY(!silent.hasPendingDatagrams());
    }
};
SKYRIG_REGISTER_TEST(SkyrigctlTest)

#include "tst_skyrigctl.moc"
