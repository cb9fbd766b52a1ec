// The controller facade: link handshake timing over real UDP and serial links,
// commands left unanswered, the split-screen tracking rule, forwarding to the
// groups and the AI-recognition confirmation.

#include "common/PtyPair.h"
#include "common/TestMain.h"

#include "catalog/GimbalModel.h"
#include "commands/AnswerWatch.h"
#include "commands/CommandLoggers.h"
#include "commands/CommonCameraController.h"
#include "commands/GimbalController.h"
#include "common/TestTransport.h"
#include "link/FrameCodec.h"
#include "link/SerialTransport.h"
#include "link/TransportManager.h"
#include "link/UdpTransport.h"
#include "log/LogBridge.h"
#include "state/GimbalState.h"
#include "state/InboundFrames.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#define QVERIFY_BETWEEN(value, low, high)                                                          \
    QVERIFY2((value) >= (low) && (value) < (high), qPrintable(QString::number(value)))

namespace
{

using inbound::frameOf;
using inbound::hex;
using inbound::texts;

// A controller whose link opens when the clock starts; notes when it turned
// ready and every frame that left for the device, with the time it left.
struct Rig {
    struct Sent {
        quint16 code;
        QByteArray payload;
        qint64 at;
        int sequence;
    };
    QElapsedTimer clock;
    TransportManager manager;
    GimbalController controller;
    qint64 readyAt = -1;
    QVector<Sent> sent;

    Rig()
    {
        clock.start();
        QObject::connect(&controller, &GimbalController::handshakeReadyChanged, [this] {
            if (controller.handshakeReady() && readyAt < 0)
                readyAt = clock.elapsed();
        });
        QObject::connect(
            &manager, &TransportManager::commandSent,
            [this](uint32_t id, const QString &, const QByteArray &frame) {
                int used = 0;
                const ParsedFrame f = FrameCodec::decodeShortFrame(frame, used);
                sent.append({FrameCodec::commandCode(id), f.payload, clock.elapsed(), f.sequence});
            });
    }
    void attach(ITransport *transport)
    {
        controller.setTransportManager(&manager);
        clock.start();
        manager.setTransport(transport);
    }
    QVector<quint16> codes() const
    {
        QVector<quint16> out;
        for (const Sent &s : sent)
            out.append(s.code);
        return out;
    }
    // When the frames carrying this code left.
    QVector<qint64> times(quint16 code) const
    {
        QVector<qint64> out;
        for (const Sent &s : sent)
            if (s.code == code)
                out.append(s.at);
        return out;
    }
};

// A reply (frame kind 1) with result 0 for the given code.
QByteArray answerTo(quint16 code)
{
    static quint8 sequence = 0;
    return FrameCodec::encodeShortFrame(sequence, 0x04, 0x01, (1u << 16) | code, hex("0000"));
}

// The camera's side of a loopback UDP link. Silent unless told otherwise; it
// may answer every command but the codes it ignores, and report its attitude
// every 100 ms to whoever it last heard from. Falling silent forgets that
// listener, as a camera that restarts does: its reports come back only once
// it hears from us again.
struct LoopbackCamera {
    QUdpSocket socket;
    QTimer reports;
    bool answers = false;
    QVector<quint16> ignores;
    bool reportsWhenHeard = false;
    QHostAddress peer;
    quint16 peerPort = 0;
    quint8 sequence = 0;

    bool bind()
    {
        QObject::connect(&socket, &QUdpSocket::readyRead, [this] { onDatagrams(); });
        QObject::connect(&reports, &QTimer::timeout, [this] {
            socket.writeDatagram(
                FrameCodec::encodeShortFrame(sequence, 0x04, 0x01, 0x0002, QByteArray(18, '\x01')),
                peer, peerPort);
        });
        return socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
    }
    void onDatagrams()
    {
        while (socket.hasPendingDatagrams()) {
            QByteArray datagram(int(socket.pendingDatagramSize()), '\0');
            socket.readDatagram(datagram.data(), datagram.size(), &peer, &peerPort);
            int used = 0;
            const ParsedFrame frame = FrameCodec::decodeShortFrame(datagram, used);
            const quint16 code = FrameCodec::commandCode(frame.messageId);
            if (answers && !ignores.contains(code))
                socket.writeDatagram(answerTo(code), peer, peerPort);
            if (reportsWhenHeard && !reports.isActive())
                reports.start(100);
        }
    }
    void fallSilent()
    {
        reports.stop();
        answers = reportsWhenHeard = false;
    }
};

// The same on a real UDP link to a loopback camera.
struct UdpRig : Rig {
    LoopbackCamera device;
    UdpTransport transport;

    bool start()
    {
        if (!device.bind())
            return false;
        transport.setTarget(QHostAddress::LocalHost, device.socket.localPort());
        if (!transport.open())
            return false;
        attach(&transport);
        return true;
    }
};

const QString TrackingRefused =
    QStringLiteral("[Tracking/Hint] Tracking is not allowed in split-screen mode");
const QString AiTimeoutHint =
    QStringLiteral("[Recognition/Hint] No AI-set ACK; reading device config to verify");
const QString AiStillOffHint = QStringLiteral(
    "[Recognition/Hint] Device still OFF. Stop tracking first, then enable recognition");
const QString AiByReport = QStringLiteral("[Recognition] Target report received (set took effect)");
const QString AiByStatus = QStringLiteral("[Recognition] Status frame received (set took effect)");

using skyrig_test::props;
using skyrig_test::setChinese;

constexpr quint16 TimeSyncCode = 0x030E;
const QByteArray SplitScreenSystemStatus = hex("00000007", 16);

} // namespace

// ---------------------------------------------------------------------------

class ControllerHandshakeTest : public QObject
{
    Q_OBJECT
private slots:
    // Each link waits its own delay before the time sync, and is ready once
    // the camera answered it. The upper bound is a reference timer started
    // before the link is attached: timers that fall due together fire in the
    // order of their due times, so the bound holds however late a loaded
    // machine runs the event loop.
    void handshakeWaitsForItsLink_data()
    {
        QTest::addColumn<QString>("medium");
        QTest::addColumn<int>("delay");
        QTest::newRow("udp") << "UDP" << 300;
        QTest::newRow("serial") << "UART" << 1000;
    }

    void handshakeWaitsForItsLink()
    {
        QFETCH(QString, medium);
        QFETCH(int, delay);
        Rig rig;
        LoopbackCamera device;
        UdpTransport udp;
        PtyPair pty;
        SerialTransport serial;
        ITransport *link = &udp;
        if (medium == QLatin1String("UDP")) {
            QVERIFY(device.bind());
            device.answers = true;
            udp.setTarget(QHostAddress::LocalHost, device.socket.localPort());
        } else {
            QVERIFY(pty.ok());
            serial.setPortName(pty.slaveName);
            serial.setBaudRate(115200);
            link = &serial;
            // The camera on the serial line answers the time sync at once.
            QObject::connect(&rig.manager, &TransportManager::commandSent, [&pty](uint32_t id) {
                pty.take();
                pty.send(answerTo(FrameCodec::commandCode(id)));
            });
        }
        QVERIFY2(link->open(), qPrintable(link->errorString()));
        int syncsAtBound = -1;
        QTimer::singleShot(delay + delay / 2, Qt::PreciseTimer, this,
                           [&] { syncsAtBound = rig.times(TimeSyncCode).size(); });
        rig.attach(link);
        QCOMPARE(rig.manager.mediumName(), medium);
        QVERIFY(!rig.controller.handshakeReady());
        // Asked for before the link is ready: ignored, the handshake runs on undisturbed.
        rig.controller.requestTimeSync();

        QTRY_VERIFY_WITH_TIMEOUT(rig.readyAt >= 0, 5000 + delay);
        QCOMPARE(rig.times(TimeSyncCode).size(), 1);
        QCOMPARE(rig.sent.first().code, TimeSyncCode); // the first thing the device hears
        const qint64 syncAt = rig.times(TimeSyncCode).first();
        QVERIFY_BETWEEN(syncAt, delay - 1, delay + 3000);
        QTRY_VERIFY(syncsAtBound >= 0);
        QCOMPARE(syncsAtBound, 1);
        QVERIFY_BETWEEN(rig.readyAt, syncAt + 199, syncAt + 200 + 3000);

        // Once ready, a request sends one more after a fixed delay, whatever the link.
        QElapsedTimer sinceRequest;
        sinceRequest.start();
        rig.controller.requestTimeSync();
        QTRY_COMPARE_WITH_TIMEOUT(rig.times(TimeSyncCode).size(), 2, 3000);
        QVERIFY_BETWEEN(sinceRequest.elapsed(), 299, 300 + 3000);
        QVERIFY(rig.controller.handshakeReady());
        link->close();
    }

    // Ready needs an answer; a camera that is not there, or falls silent, is
    // asked again every few seconds, so that reports resume by themselves.
    void readyAndReportingFollowTheCamera_data()
    {
        QTest::addColumn<bool>("answers"); // and reports once it hears from us
        QTest::newRow("no answer: never ready") << false;
        QTest::newRow("reports stop, then resume") << true;
    }

    void readyAndReportingFollowTheCamera()
    {
        QFETCH(bool, answers);
        UdpRig rig;
        rig.device.answers = rig.device.reportsWhenHeard = answers;
        const GimbalState *state = rig.controller.state();
        QVERIFY(rig.start());
        if (!answers) {
            QTRY_VERIFY_WITH_TIMEOUT(rig.times(TimeSyncCode).size() >= 2, 10000);
            QVERIFY(!rig.controller.handshakeReady());
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(rig.controller.handshakeReady(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(state->reporting(), 5000);
        rig.device.fallSilent();
        QTRY_VERIFY_WITH_TIMEOUT(!state->reporting(), 10000);
        QVERIFY(rig.controller.handshakeReady());
        // The camera is back but reports only once it hears from us: nobody
        // sends a command, the handshake brings the reports back.
        const int syncs = rig.times(TimeSyncCode).size();
        rig.device.reportsWhenHeard = true;
        QTRY_VERIFY_WITH_TIMEOUT(state->reporting(), 10000);
        QVERIFY(rig.times(TimeSyncCode).size() > syncs);
        QVERIFY(rig.codes().count(TimeSyncCode) == rig.codes().size());
    }

    void readinessFollowsTheLink()
    {
        UdpRig rig;
        rig.device.answers = rig.device.reportsWhenHeard = true;
        QSignalSpy readyChanged(&rig.controller, &GimbalController::handshakeReadyChanged);
        QVERIFY(rig.start());
        // Closed before the time sync was due: the handshake is called off,
        // nothing goes out and nothing turns ready well past its time.
        QTimer::singleShot(100, &rig.transport, [&rig] { rig.transport.close(); });
        QVERIFY(!readyChanged.wait(900));
        QVERIFY(rig.times(TimeSyncCode).isEmpty());
        QVERIFY(rig.transport.open());
        QTRY_VERIFY_WITH_TIMEOUT(rig.controller.handshakeReady(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(rig.controller.state()->reporting(), 5000);
        QSignalSpy ready(&rig.controller, &GimbalController::handshakeReadyChanged);
        rig.transport.close();
        QVERIFY(!rig.controller.handshakeReady());
        QCOMPARE(ready.count(), 1);

        // Reopening starts over from not-ready; detaching the manager clears it too.
        QVERIFY(rig.transport.open());
        QTRY_VERIFY_WITH_TIMEOUT(rig.controller.handshakeReady(), 5000);
        rig.controller.setTransportManager(nullptr);
        QVERIFY(!rig.controller.handshakeReady());

        // A manager attached to a link that is already open starts the handshake.
        rig.controller.setTransportManager(&rig.manager);
        QTRY_VERIFY_WITH_TIMEOUT(rig.controller.handshakeReady(), 5000);
        QCOMPARE(rig.times(TimeSyncCode).size(), 3);
    }
};
SKYRIG_REGISTER_TEST(ControllerHandshakeTest)

// ---------------------------------------------------------------------------

class ControllerCommandTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { setChinese(false); }
    void cleanupTestCase() { setChinese(true); }

    void splitScreenStopsTrackingAndRefusesIt()
    {
        UdpRig rig;
        QVERIFY(rig.start());
        GimbalController &c = rig.controller;
        QSignalSpy split(&c, &GimbalController::splitScreenModeChanged);
        QSignalSpy log(&c, &GimbalController::logMessage);

        // Split screen as the device reports it, with no mode requested.
        setChinese(true);
        c.onFrameReceived(frameOf(0, 0x0003, SplitScreenSystemStatus));
        QVERIFY(c.splitScreenMode());
        QVERIFY(split.count() >= 1);
        c.targetTrackingSet(true, 1, 1, 2, 2);
        QVERIFY(rig.sent.isEmpty());
        QCOMPARE(texts(log), QStringList(QStringLiteral("[追踪/提示] 分屏模式下不能开启跟踪")));
        setChinese(false);

        // Asking for it stops tracking first.
        c.imageModeSet(1);
        split.clear();
        rig.sent.clear();
        c.imageModeSet(7);
        const auto &frames = rig.sent;
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames.at(0).code, quint16(0x0324));
        QCOMPARE(frames.at(0).payload, hex("02000000000100010000"));
        QCOMPARE(frames.at(1).code, quint16(0x0318));
        QCOMPARE(frames.at(1).payload, hex("0700"));
        QVERIFY(c.splitScreenMode());
        QCOMPARE(split.count(), 1);

        rig.sent.clear();
        c.targetTrackingSet(true, 10, 20, 30, 40);
        QVERIFY(rig.sent.isEmpty());
        QCOMPARE(texts(log).last(), TrackingRefused);
        // Stopping is always allowed, and takes the camera's tracking box off at once.
        c.onFrameReceived(frameOf(0, 0x0324, hex("0a000a00140014005a010102")));
        QVERIFY(c.state()->aiTrackingActive());
        c.targetTrackingSet(false, 0, 0, 1, 1);
        QCOMPARE(rig.codes(), QVector<quint16>({0x0324}));
        QVERIFY(!c.state()->aiTrackingActive());
        QVERIFY(c.state()->aiTargets().isEmpty());

        // The requested mode wins over what the device still reports.
        c.imageModeSet(1);
        QVERIFY(!c.splitScreenMode());
        rig.sent.clear();
        c.targetTrackingSet(true, 10, 20, 30, 40);
        QCOMPARE(rig.codes(), QVector<quint16>({0x0324}));
        QCOMPARE(rig.sent.at(0).payload.at(0), char(1));
    }

    // Replies and the groups' lines reach the state and the controller's
    // listeners; a client reply does not say which client it describes, the
    // last request does.
    void repliesReachStateAndListeners()
    {
        GimbalController c;
        QSignalSpy acks(&c, &GimbalController::ackReceived);
        QSignalSpy log(&c, &GimbalController::logMessage);
        GimbalState *s = c.state();
        const QString playbackIp = s->property("playbackClientIp").toString();
        c.playbackClientGet(1); // no link: dropped, but the type is remembered
        log.clear();
        c.onFrameReceived(frameOf(1, 0x0339, hex("00007f000005091a", 14)));
        QCOMPARE(s->property("downloadClientIp").toString(), QStringLiteral("127.0.0.5"));
        QCOMPARE(s->property("playbackClientIp").toString(), playbackIp);
        QCOMPARE(acks.count(), 1);
        QCOMPARE(acks.at(0).at(0).toUInt(), 0x0339u);
        QCOMPARE(acks.at(0).at(1).toUInt(), 0u);
        QVERIFY(texts(log).value(0).startsWith(QStringLiteral("[ACK Raw] MsgID=0x00000339")));

        // So do the groups' own log lines.
        log.clear();
        QStringList names;
        for (BaseGimbalController *group : c.findChildren<BaseGimbalController *>()) {
            names << QString::fromLatin1(group->metaObject()->className());
            emit group->logMessage(names.last());
        }
        QCOMPARE(names.size(), 7);
        QCOMPARE(texts(log), names);
    }

    // Every operation the controller hands to one group, found by name and
    // parameters in the groups' own interface (the scene's shorter call forms
    // included) and called both ways with the same arguments, one value per
    // position: the frames must be the same.
    void forwardersMatchTheirGroups()
    {
        TransportManager manager;
        TestTransport link;
        manager.setTransport(link.opened());
        GimbalController c;
        const QList<BaseGimbalController *> groups = c.findChildren<BaseGimbalController *>();
        QCOMPARE(groups.size(), 7);
        for (BaseGimbalController *group : groups)
            group->setTransportManager(&manager);
        c.common()->setClock([] { return QDateTime(QDate(2024, 5, 6), QTime(7, 8), Qt::UTC); });
        // The rules that span groups are checked on their own.
        const QByteArrayList rules = {
            "setModel",         "imageModeSet",         "targetTrackingSet",
            "aiRecognitionSet", "aiRecognitionSetList", "requestTimeSync"};
        // The frames written, without the sequence number and the checksum
        // that follows from it (every command here fits a short frame).
        const auto sent = [&] {
            QByteArrayList frames;
            for (const QByteArray &frame : qExchange(link.writes, {}))
                frames << frame.mid(5, frame.size() - 7).toHex();
            return frames;
        };
        const QMetaObject *mo = c.metaObject();
        int compared = 0;
        for (int i = mo->methodOffset(); i < mo->methodCount(); ++i) {
            const QMetaMethod facade = mo->method(i);
            if (facade.methodType() != QMetaMethod::Method || rules.contains(facade.name()))
                continue;
            const QByteArray signature = facade.methodSignature();
            QObject *group = nullptr;
            for (BaseGimbalController *candidate : groups) {
                if (candidate->metaObject()->indexOfMethod(signature) >= 0)
                    group = candidate;
            }
            QVERIFY2(group, signature.constData());
            const QMetaMethod direct =
                group->metaObject()->method(group->metaObject()->indexOfMethod(signature));
            QVariantList values;
            QGenericArgument args[10];
            for (int n = 0; n < facade.parameterCount(); ++n) {
                const int type = facade.parameterType(n);
                QVariant v = type == QMetaType::QString
                                 ? QVariant(QStringLiteral("10.0.0.%1").arg(n))
                             : type == QMetaType::Bool  ? QVariant(n % 2 == 0)
                             : type == QMetaType::Float ? QVariant(n + 1.5f)
                                                        : QVariant(n + 1);
                QVERIFY2(v.convert(type), signature.constData());
                values << v;
            }
            for (int n = 0; n < values.size(); ++n)
                args[n] = QGenericArgument(facade.parameterTypes().at(n).constData(),
                                           values.at(n).constData());
            QVERIFY(facade.invoke(&c, Qt::DirectConnection, args[0], args[1], args[2], args[3],
                                  args[4], args[5], args[6], args[7], args[8], args[9]));
            const QByteArrayList viaFacade = sent();
            QVERIFY(direct.invoke(group, Qt::DirectConnection, args[0], args[1], args[2], args[3],
                                  args[4], args[5], args[6], args[7], args[8], args[9]));
            QVERIFY2(viaFacade == sent(), signature.constData());
            ++compared;
        }
        QVERIFY2(compared > 90, qPrintable(QString::number(compared)));
        // And every group operation, in each of its call forms, is there for the scene.
        for (BaseGimbalController *group : groups) {
            const QMetaObject *gm = group->metaObject();
            for (int i = gm->methodOffset(); i < gm->methodCount(); ++i) {
                if (gm->method(i).methodType() == QMetaMethod::Method)
                    QVERIFY2(mo->indexOfMethod(gm->method(i).methodSignature()) >= 0,
                             gm->method(i).methodSignature().constData());
            }
        }
    }

    // Settings that show in the state at once, before any device answer.
    void stateEchoesAtOnce()
    {
        struct Echo {
            std::function<void(GimbalController &)> call;
            const char *names;
            QVariantList values;
        };
        using C = GimbalController;
        // clang-format off
        const Echo echoes[] = {
            {[](C &c) { c.irTempSwitch(false); }, "irTempEnabled", {false}},
            {[](C &c) { c.irBrightnessSet(70); }, "irBrightness", {70}},
            {[](C &c) { c.irContrastSet(7); }, "irContrast", {7}},
            {[](C &c) { c.irDenoiseSet(true, 40); }, "irDenoiseEnabled irDenoiseLevel", {true, 40}},
            {[](C &c) { c.irEnhanceSet(3); }, "irEnhanceEnabled irEnhanceLevel", {true, 3}},
            {[](C &c) { c.irFusionSet(true, 3, 9); }, "irFusionEnabled irFusionVisWeight", {true, 3}},
            {[](C &c) { c.irFusionGraySet(true); }, "irFusionGray", {true}},
            {[](C &c) { c.irAiSuperResSet(true); }, "irAiSuperResEnabled", {true}},
            {[](C &c) { c.visFusionSet(true, 4, 0); }, "visFusionEnabled visFusionIrWeight", {true, 4}},
            {[](C &c) { c.visFusionGraySet(true); }, "visFusionGray", {true}},
        };
        // clang-format on
        for (const Echo &echo : echoes) {
            GimbalController c; // no link: the command is dropped, the echo still shows
            echo.call(c);
            QCOMPARE(props(*c.state(), echo.names), echo.values);
        }
    }

    // Each command the camera leaves unanswered is one line once its time is
    // up, in the operator's language; an answer, or the link going down,
    // leaves no line. A camera that is gone leaves the newest commands to
    // tell of it, not an ever longer list. The handshake's own time sync is
    // not among them.
    void unansweredCommandsAreToldOnce_data()
    {
        QTest::addColumn<QString>("peer"); // "answers", "ignores core temperature" or "silent"
        QTest::addColumn<int>("rounds");   // of three queries each
        QTest::addColumn<bool>("closeLink");
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QStringList>("lines");
        const QString coreTemp =
            QStringLiteral("[Link/NoAnswer] Get core temperature: no answer from the camera");
        QTest::newRow("answered") << "answers" << 2 << false << false << QStringList();
        QTest::newRow("one ignored")
            << "ignores core temperature" << 1 << false << false << QStringList{coreTemp};
        QTest::newRow("one ignored, Chinese")
            << "ignores core temperature" << 1 << false << true
            << QStringList{"[链路/无应答] 读取核心温度：相机无应答"};
        QTest::newRow("link closed") << "silent" << 1 << true << false << QStringList();
        // The oldest fall off: the lines are for the last commands sent.
        const QStringList names{"Get camera version", "Get core temperature", "Get gimbal version"};
        QStringList newest;
        const int sent = 100 * names.size();
        for (int i = sent - AnswerWatch::PendingLimit; i < sent; ++i)
            newest << QStringLiteral("[Link/NoAnswer] %1: no answer from the camera")
                          .arg(names.at(i % names.size()));
        QTest::newRow("camera gone") << "silent" << 100 << false << false << newest;
    }

    void unansweredCommandsAreToldOnce()
    {
        QFETCH(QString, peer);
        QFETCH(int, rounds);
        QFETCH(bool, closeLink);
        QFETCH(bool, chinese);
        QFETCH(QStringList, lines);
        constexpr int Limit = 500;
        setChinese(chinese);
        UdpRig rig;
        QTemporaryDir folder;
        QStringListModel model;
        LogBridge log(&model, folder.path());
        CommandLoggers loggers(&rig.manager, &log);
        QObject::connect(&rig.manager, &TransportManager::commandSent, &loggers,
                         &CommandLoggers::onCommandSent);
        QObject::connect(&rig.controller, &GimbalController::commandUnanswered, &loggers,
                         &CommandLoggers::onCommandUnanswered);
        QStringList told;
        QObject::connect(&log, &LogBridge::messageAppended, [&told](const QString &line) {
            if (line.startsWith(QStringLiteral("[Link/")) ||
                line.startsWith(QStringLiteral("[链路/")))
                told << line;
        });
        QSignalSpy unanswered(&rig.controller, &GimbalController::commandUnanswered);
        rig.device.answers = peer != QLatin1String("silent");
        if (peer == QLatin1String("ignores core temperature"))
            rig.device.ignores = {0x0325};
        rig.controller.setAnswerTimeout(Limit);
        QVERIFY(rig.start());

        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < rounds; ++i) {
            rig.controller.cameraVersionGet();
            rig.controller.coreTempGet();
            rig.controller.gimbalVersionGet();
        }
        QCOMPARE(rig.sent.size(), 3 * rounds);
        if (closeLink)
            rig.transport.close();
        QTRY_COMPARE_WITH_TIMEOUT(told.size(), lines.size(), 10000);
        QCOMPARE(told, lines);
        QCOMPARE(unanswered.size(), lines.size());
        if (!lines.isEmpty())
            QVERIFY2(clock.elapsed() >= Limit, qPrintable(QString::number(clock.elapsed())));
        // The signal names each frame by its code and sequence number.
        QVector<QPair<quint16, int>> ignored, reported;
        for (const Rig::Sent &s : rig.sent.mid(0, 3 * rounds))
            if (!rig.device.answers || rig.device.ignores.contains(s.code))
                ignored.append({s.code, s.sequence});
        for (const QList<QVariant> &signal : unanswered)
            reported.append({quint16(signal.at(0).toUInt()), signal.at(2).toInt()});
        QCOMPARE(reported, ignored.mid(ignored.size() - reported.size()));
        // Nothing more comes, the handshake's time sync included.
        if (!closeLink)
            QTRY_VERIFY_WITH_TIMEOUT(!rig.times(TimeSyncCode).isEmpty(), 5000);
        QVERIFY(!unanswered.wait(3 * Limit));
        QCOMPARE(told, lines);
    }

    void aiSettingSendsAndEchoes()
    {
        UdpRig rig;
        QVERIFY(rig.start());
        rig.controller.aiRecognitionSet(true, 0, {0, 3, -1, 5});
        QCOMPARE(rig.codes(), QVector<quint16>({0x0324, 0x0319}));
        QCOMPARE(rig.sent.at(0).payload.at(0), char(2)); // stop tracking first
        GimbalState *s = rig.controller.state();
        QVERIFY(s->property("aiRecognitionEnabled").toBool());
        QCOMPARE(s->property("aiSelectedCategories").toList(), QVariantList({3, 5}));

        rig.sent.clear();
        QVERIFY(QMetaObject::invokeMethod(&rig.controller, "aiRecognitionSetList",
                                          Q_ARG(bool, false), Q_ARG(int, 0),
                                          Q_ARG(QVariantList, QVariantList({2, 0}))));
        QCOMPARE(rig.codes(), QVector<quint16>({0x0319}));
        QVERIFY(!s->property("aiRecognitionEnabled").toBool());
        QCOMPARE(s->property("aiSelectedCategories").toList(), QVariantList({2}));
    }

    // All confirmation paths run side by side so one wait covers them.
    void aiConfirmationAndTimeOut()
    {
        GimbalController byAck, byAnswer, byReport, byStatus, stillOn;
        QList<GimbalController *> confirmed = {&byAck, &byAnswer, &byReport, &byStatus};
        QList<QSignalSpy *> logs;
        for (GimbalController *c : confirmed + QList<GimbalController *>{&stillOn}) {
            logs.append(new QSignalSpy(c, &GimbalController::logMessage));
            c->aiRecognitionSet(true, 0, {1});
        }
        UdpRig off;
        QVERIFY(off.start());
        QSignalSpy offLog(&off.controller, &GimbalController::logMessage);
        QElapsedTimer clock;
        clock.start();
        off.controller.aiRecognitionSet(false, 0, {});
        qint64 timeoutAt = -1;
        qint64 offHintAt = -1;
        QObject::connect(&off.controller, &GimbalController::logMessage, [&](const QString &m) {
            if (m == AiTimeoutHint)
                timeoutAt = clock.elapsed();
            if (m == AiStillOffHint)
                offHintAt = clock.elapsed();
        });

        const QByteArray report(12, '\0');
        byAck.onFrameReceived(frameOf(1, 0x0319, hex("0000")));
        byAnswer.onFrameReceived(frameOf(0, 0x0319, hex("0000")));
        byReport.onFrameReceived(frameOf(0, 0x0319, report));
        byStatus.onFrameReceived(frameOf(2, 0x0319, report));
        QVERIFY(texts(*logs.at(2)).contains(AiByReport));
        QVERIFY(texts(*logs.at(3)).contains(AiByStatus));
        // Only one confirmation is reported.
        byStatus.onFrameReceived(frameOf(2, 0x0319, report));
        QCOMPARE(texts(*logs.at(3)).count(AiByStatus), 1);

        QTRY_VERIFY2_WITH_TIMEOUT(offHintAt >= 0, qPrintable(texts(offLog).join(QLatin1Char('\n'))),
                                  5000);
        QVERIFY2(timeoutAt >= 1499, qPrintable(QString::number(timeoutAt)));
        QVERIFY2(offHintAt - timeoutAt >= 799, qPrintable(QString::number(offHintAt - timeoutAt)));
        // The read-back went out at the time-out.
        QCOMPARE(off.codes().count(0x0336), 1);

        for (int i = 0; i < confirmed.size(); ++i)
            QVERIFY2(!texts(*logs.at(i)).contains(AiTimeoutHint), qPrintable(QString::number(i)));
        // Recognition still on after the read-back: the time-out hint only.
        QVERIFY(texts(*logs.last()).contains(AiTimeoutHint));
        QVERIFY(!texts(*logs.last()).contains(AiStillOffHint));
        qDeleteAll(logs);
    }
};
SKYRIG_REGISTER_TEST(ControllerCommandTest)

#include "tst_controller.moc"
