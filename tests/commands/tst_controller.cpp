// The controller facade: link handshake timing over real UDP and serial links,
// the split-screen tracking rule, forwarding to the groups and the
// AI-recognition confirmation.

#include "common/PtyPair.h"
#include "common/TestMain.h"

#include "catalog/GimbalModel.h"
#include "commands/GimbalController.h"
#include "link/FrameCodec.h"
#include "link/SerialTransport.h"
#include "link/TransportManager.h"
#include "link/UdpTransport.h"
#include "state/GimbalState.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

#define QVERIFY_BETWEEN(value, low, high)                                                          \
    QVERIFY2((value) >= (low) && (value) < (high), qPrintable(QString::number(value)))

namespace
{

ParsedFrame frameOf(quint8 kind, quint16 code, const QByteArray &payload)
{
    ParsedFrame frame;
    frame.valid = true;
    frame.messageId = (quint32(kind) << 16) | code;
    frame.payload = payload;
    return frame;
}

QByteArray hex(const char *text, int size = 0)
{
    QByteArray out = QByteArray::fromHex(text);
    return out + QByteArray(qMax(0, size - out.size()), '\0');
}

QStringList texts(const QSignalSpy &spy)
{
    QStringList out;
    for (const QList<QVariant> &args : spy)
        out.append(args.at(0).toString());
    return out;
}

// A controller whose link opens when the clock starts; notes when it turned
// ready and every frame that left for the device, with the time it left.
struct Rig {
    struct Sent {
        quint16 code;
        QByteArray payload;
        qint64 at;
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
        QObject::connect(&manager, &TransportManager::commandSent,
                         [this](uint32_t id, const QString &, const QByteArray &frame) {
                             int used = 0;
                             sent.append({FrameCodec::commandCode(id),
                                          FrameCodec::decodeShortFrame(frame, used).payload,
                                          clock.elapsed()});
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

// The same on a real UDP link to a loopback socket.
struct UdpRig : Rig {
    QUdpSocket device;
    UdpTransport transport;

    bool start()
    {
        if (!device.bind(QHostAddress(QHostAddress::LocalHost), 0))
            return false;
        transport.setTarget(QHostAddress::LocalHost, device.localPort());
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

using skyrig_test::setChinese;

constexpr quint16 TimeSyncCode = 0x030E;
const QByteArray SplitScreenSystemStatus = hex("00000007", 16);

} // namespace

// ---------------------------------------------------------------------------

class ControllerHandshakeTest : public QObject
{
    Q_OBJECT
private slots:
    // Each link waits its own delay before the time sync. The upper bound is a
    // reference timer started before the link is attached: timers that fall due
    // together fire in the order of their due times, so the bound holds however
    // late a loaded machine runs the event loop.
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
        QUdpSocket device;
        UdpTransport udp;
        PtyPair pty;
        SerialTransport serial;
        ITransport *link = &udp;
        if (medium == QLatin1String("UDP")) {
            QVERIFY(device.bind(QHostAddress(QHostAddress::LocalHost), 0));
            udp.setTarget(QHostAddress::LocalHost, device.localPort());
        } else {
            QVERIFY(pty.ok());
            serial.setPortName(pty.slaveName);
            serial.setBaudRate(115200);
            link = &serial;
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
        if (medium == QLatin1String("UDP"))
            QTRY_VERIFY(device.hasPendingDatagrams());
        link->close();
    }

    void closingEarlyCancelsTheHandshake()
    {
        UdpRig rig;
        QSignalSpy ready(&rig.controller, &GimbalController::handshakeReadyChanged);
        QVERIFY(rig.start());
        QTimer::singleShot(100, &rig.transport, [&rig] { rig.transport.close(); });
        // Well past the point where the time sync and readiness would have come.
        QVERIFY(!ready.wait(900));
        QVERIFY(!rig.controller.handshakeReady());
        QVERIFY(rig.times(TimeSyncCode).isEmpty());
    }

    void readinessFollowsTheLink()
    {
        UdpRig rig;
        QVERIFY(rig.start());
        QTRY_VERIFY_WITH_TIMEOUT(rig.controller.handshakeReady(), 5000);
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
        QVERIFY(texts(log).contains(TrackingRefused));
        c.targetTrackingSet(false, 0, 0, 1, 1); // stopping is always allowed
        QCOMPARE(rig.codes(), QVector<quint16>({0x0324}));

        // The requested mode wins over what the device still reports.
        c.onFrameReceived(frameOf(0, 0x0003, SplitScreenSystemStatus));
        c.imageModeSet(1);
        QVERIFY(!c.splitScreenMode());
        rig.sent.clear();
        c.targetTrackingSet(true, 10, 20, 30, 40);
        QCOMPARE(rig.codes(), QVector<quint16>({0x0324}));
        QCOMPARE(rig.sent.at(0).payload.at(0), char(1));
    }

    void deviceReportedSplitScreenCountsWithoutOverride()
    {
        setChinese(true);
        GimbalController c;
        QSignalSpy split(&c, &GimbalController::splitScreenModeChanged);
        QSignalSpy log(&c, &GimbalController::logMessage);
        c.onFrameReceived(frameOf(0, 0x0003, SplitScreenSystemStatus));
        QVERIFY(c.splitScreenMode());
        QVERIFY(split.count() >= 1);
        c.targetTrackingSet(true, 1, 1, 2, 2);
        QCOMPARE(texts(log), QStringList(QStringLiteral("[追踪/提示] 分屏模式下不能开启跟踪")));
    }

    // Replies reach the state and the controller's listeners; a client reply
    // does not say which client it describes, the last request does.
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
    }

    // Settings show in the state at once, before any device answer.
    void stateEchoesAtOnce()
    {
        GimbalController c; // no link: the commands are dropped, the echo still shows
        c.irBrightnessSet(150);
        c.irFusionSet(true, 3, 9);
        c.visFusionSet(true, 4, 0);
        QCOMPARE(c.state()->property("irBrightness").toInt(), 100);
        QCOMPARE(c.state()->property("irFusionVisWeight").toInt(), 3);
        QCOMPARE(c.state()->property("visFusionIrWeight").toInt(), 4);
    }

    // The scene calls by name with fewer arguments; the short forms must exist.
    void forwardsWithShortForms()
    {
        UdpRig rig;
        QVERIFY(rig.start());
        GimbalController &c = rig.controller;
        QVERIFY(QMetaObject::invokeMethod(&c, "takePhoto", Q_ARG(int, 0), Q_ARG(int, 1)));
        QVERIFY(QMetaObject::invokeMethod(&c, "recordVideo", Q_ARG(int, 0), Q_ARG(int, 1),
                                          Q_ARG(QString, QStringLiteral("DCIM"))));
        QVERIFY(QMetaObject::invokeMethod(&c, "focusControl", Q_ARG(int, 1)));
        QVERIFY(QMetaObject::invokeMethod(&c, "focusControl", Q_ARG(int, 1), Q_ARG(int, 2),
                                          Q_ARG(int, 3)));
        c.gimbalControl(0, 2, 0);
        c.gimbalStabilize(true); // part of the interface, sends nothing
        c.gimbalLockFollow(1);
        c.videoPlaybackSeek(QStringLiteral("/a.mp4"), 90);
        c.sbusChannelConfig(1, 2, 3, 4, 5, 6, 7, 8);
        const auto &frames = rig.sent;
        QCOMPARE(rig.codes(),
                 QVector<quint16>({0x0302, 0x0303, 0x0313, 0x0313, 0x0010, 0x0332, 0x0501}));
        QCOMPARE(frames.at(1).payload.left(6), hex("00014443494d"));
        QCOMPARE(frames.at(2).payload, hex("01", 10));
        QCOMPARE(frames.at(3).payload, hex("01020003", 10));
        QCOMPARE(frames.at(4).payload, hex("00020000"));
        QCOMPARE(frames.at(6).payload, hex("0102030405060708"));
    }

    void groupLogLinesAreRelayed()
    {
        GimbalController c; // no transport manager: every group reports the drop
        QSignalSpy log(&c, &GimbalController::logMessage);
        c.gimbalCalibration();
        c.irZoomSet(2);
        c.visIsoSet(100);
        c.tfFormat();
        c.ipGet();
        c.laserRange();
        c.sbusSwitch(true);
        QCOMPARE(texts(log),
                 QVector<QString>(
                     7, QStringLiteral("[Comm/Dropped] Controller has no transport manager"))
                     .toList());
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
        QCOMPARE(off.codes().last(), quint16(0x0336));

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
