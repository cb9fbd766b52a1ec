// The controller facade: link handshake timing over real UDP and serial links,
// inbound dispatch into the device state, acknowledgement result rules, the
// split-screen tracking rule and the AI-recognition confirmation.

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

class ControllerDispatchTest : public QObject
{
    Q_OBJECT
private slots:
    void frameFeedsState_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<QString>("untouched");
        // UNTOUCHED names a neighbouring property the frame must leave as it was.
        auto row = [](int kind, int code, const QByteArray &payload, const char *property,
                      const QVariant &expected, const char *untouched = "") {
            QTest::addRow("%d/%04x %s %s", kind, code, payload.toHex().constData(), property)
                << kind << code << payload << QString::fromLatin1(property) << expected
                << QString::fromLatin1(untouched);
        };
        // Status codes both status kinds carry.
        for (int kind : {0, 2}) {
            row(kind, 0x0001, hex("3a05050000"), "gimbalConnStatus", 10);
            row(kind, 0x0002, hex("d204", 18), "yawJoint", 12.34f);
            row(kind, 0x0003, hex("00000006", 16), "streamMode", 6);
            row(kind, 0x0004, hex("fb", 10), "irMaxTemp", 25.1f);
            row(kind, 0x0005, hex("0000000000009001", 12), "isoValue", 400);
            row(kind, 0x0302, hex("0002"), "photoStatus", 2);
            row(kind, 0x0303, hex("00011e00"), "recordStatus", 1);
            row(kind, 0x0303, hex("00011e00"), "recordDuration", 30);
        }
        // Codes only the second status kind carries.
        const QByteArray laser = hex("00003930"); // 12345 -> 1234.5 m
        const QByteArray playback = hex("0102102700000700000000");
        row(0, 0x0400, laser, "laserDistance", 0.0f);
        row(0, 0x0406, laser, "laserDistance", 0.0f);
        row(0, 0x0333, playback, "playbackPosition", 0);
        row(2, 0x0400, laser, "laserDistance", 1234.5f);
        row(2, 0x0406, hex("00000a00"), "laserDistance", 1.0f);
        row(2, 0x0333, playback, "playbackPosition", 7000);
        row(2, 0x0333, playback, "playbackTotalMs", 10000);
        // Replies: every read-back lands in its own property, and only on success.
        row(1, 0x0317, hex("0100040506"), "cameraVersion", QString());
        row(1, 0x0317, hex("0000040506"), "cameraVersion", QStringLiteral("4.5.6"),
            "kernelVersion");
        row(1, 0x033A, hex("0000050a78"), "kernelVersion", QStringLiteral("5.10.120"),
            "cameraVersion");
        row(1, 0x0337, hex("0000534b31"), "deviceSn", QStringLiteral("SK1"), "cameraVersion");
        row(1, 0x0018, hex("000001020304050600"), "gimbalHwVersion", QStringLiteral("1.2.3"),
            "cameraVersion");
        row(1, 0x0325, hex("0000c801"), "coreTemp", 45.6f, "irMaxTemp");
        row(1, 0x0343, hex("000002"), "uartProtocol", 2, "sbusStreamChannel");
        row(1, 0x0400, hex("00006400"), "laserDistance", 10.0f, "coreTemp");
        row(1, 0x0312, hex("00000a000007ffffff000a000001"), "cameraIp", QStringLiteral("10.0.0.7"),
            "playbackClientIp");
        const QByteArray sbus = hex("0000d00764000102030405060713");
        row(1, 0x0502, sbus, "sbusMax", 2000, "uartProtocol");
        row(1, 0x0502, sbus, "sbusIrPaletteChannel", 9);
        row(1, 0x0339, hex("00007f0000011a09"), "playbackClientIp", QStringLiteral("127.0.0.1"),
            "downloadClientIp");
        row(1, 0x0200, hex("0000150203"), "photoResolution", 21, "irPalette");
        row(1, 0x0100, hex("0000050000000000000000"), "irPalette", 5, "photoResolution");
        row(1, 0x0335, hex("", 30) + hex("01"), "osdWatermarkEnabled", true);
        // Photo and record replies carry the status whatever their result, when
        // their length is that of a status.
        row(1, 0x0302, hex("03050000"), "photoStatus", 5);
        row(1, 0x0302, hex("000400"), "photoStatus", 0);
        row(1, 0x0303, QByteArray(17, '\x01'), "recordStatus", 0);
        row(1, 0x0303, hex("00030900"), "recordStatus", 3);
        // A category reply too short to carry a result configures at once.
        row(1, 0x0336, hex("0105"), "aiRecognitionEnabled", true);
        row(1, 0x0336, hex("0105"), "aiSelectedCategories", QVariantList({1, 3}));
    }

    void frameFeedsState()
    {
        QFETCH(int, kind);
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(QString, property);
        QFETCH(QVariant, expected);
        QFETCH(QString, untouched);
        GimbalController c;
        c.onFrameReceived(frameOf(0, 0x0003, QByteArray(16, '\0'))); // card ready
        const auto neighbour = [&] {
            return untouched.isEmpty() ? QVariant() : c.state()->property(qPrintable(untouched));
        };
        const QVariant before = neighbour();
        c.onFrameReceived(frameOf(quint8(kind), quint16(code), payload));
        QCOMPARE(neighbour(), before);
        const QVariant actual = c.state()->property(qPrintable(property));
        if (expected.userType() == QMetaType::Float)
            QCOMPARE(actual.toFloat(), expected.toFloat());
        else
            QCOMPARE(actual, expected);
    }

    void ackResult_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<uint>("result");
        QTest::newRow("empty") << 0x0ABC << QByteArray() << 0u;
        QTest::newRow("too short for a result") << 0x0308 << hex("07") << 0u;
        QTest::newRow("result little-endian") << 0x0308 << hex("0501ff") << 0x0105u;
        QTest::newRow("photo failed") << 0x0302 << hex("09000000") << 9u;
        QTest::newRow("osd complete") << 0x0335 << hex("000001", 31) << 0u;
        QTest::newRow("osd short") << 0x0335 << QByteArray(30, '\x01') << 1u;
        QTest::newRow("ai categories empty") << 0x0336 << QByteArray() << 1u;
        QTest::newRow("ai categories short") << 0x0336 << hex("0105") << 0u;
    }

    void ackResult()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, payload);
        QFETCH(uint, result);
        GimbalController c;
        QSignalSpy acks(&c, &GimbalController::ackReceived);
        QSignalSpy log(&c, &GimbalController::logMessage);
        QSignalSpy osd(c.state(), &GimbalState::osdConfigChanged);
        c.onFrameReceived(frameOf(1, quint16(code), payload));
        QCOMPARE(acks.count(), 1);
        QCOMPARE(acks.at(0).at(0).toUInt(), uint(code));
        QCOMPARE(acks.at(0).at(1).toUInt(), result);
        QCOMPARE(texts(log).value(0), QStringLiteral("[ACK Raw] MsgID=0x%1  Len=%2  Data=%3")
                                          .arg(code, 8, 16, QLatin1Char('0'))
                                          .arg(payload.size())
                                          .arg(QString::fromLatin1(payload.toHex(' '))));
        // Only a complete OSD reply is taken into the state.
        QCOMPARE(osd.count(), code == 0x0335 && payload.size() == 31 ? 1 : 0);
    }

    void logLines()
    {
        GimbalController c;
        QSignalSpy log(&c, &GimbalController::logMessage);
        c.onFrameReceived(frameOf(2, 0x0302, hex("00ab")));
        c.onFrameReceived(frameOf(0, 0x0303, QByteArray()));
        c.onFrameReceived(frameOf(0, 0x0002, QByteArray(18, '\0')));
        c.onFrameReceived(frameOf(1, 0x0200, hex("0000")));
        c.onFrameReceived(frameOf(1, 0x0100, hex("000001")));
        c.onFrameReceived(frameOf(1, 0x0100, hex("020001"))); // failed: no read-back at all
        const QStringList lines = texts(log);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.at(0), QStringLiteral("[Status Raw] type=0x02 MsgID=0x00000302 Len=2 "
                                             "Data=00 ab"));
        QCOMPARE(lines.at(1),
                 QStringLiteral("[Status Raw] type=0x00 MsgID=0x00000303 Len=0 Data="));
        QCOMPARE(lines.at(3), QStringLiteral("[VIS] all-params ACK rejected (len=2)"));
        QCOMPARE(lines.at(5),
                 QStringLiteral("[IR] all-params ACK rejected (len=3, need >=10, result=00 00)"));
    }

    void unknownKindsAreIgnoredSilently()
    {
        GimbalController c;
        QSignalSpy log(&c, &GimbalController::logMessage);
        QSignalSpy acks(&c, &GimbalController::ackReceived);
        QSignalSpy attitude(c.state(), &GimbalState::attitudeChanged);
        for (quint8 kind : {quint8(3), quint8(0x7F), quint8(0xFF)}) {
            c.onFrameReceived(frameOf(kind, 0x0002, QByteArray(18, '\x10')));
            c.onFrameReceived(frameOf(kind, 0x0302, hex("0001")));
            c.onFrameReceived(frameOf(kind, 0x0018, hex("0000")));
        }
        QCOMPARE(log.count() + acks.count() + attitude.count(), 0);
    }

    void playbackClientReplyUsesTheLastRequestedType()
    {
        GimbalController c;
        GimbalState *s = c.state();
        const QString playbackIp = s->property("playbackClientIp").toString();
        const QString downloadIp = s->property("downloadClientIp").toString();
        const int downloadPort = s->property("downloadClientPort").toInt();
        c.playbackClientGet(1); // no link: dropped, but the type is remembered
        c.onFrameReceived(frameOf(1, 0x0339, hex("00007f000005091a", 14)));
        QVERIFY(s->property("downloadClientIp").toString() != downloadIp ||
                s->property("downloadClientPort").toInt() != downloadPort);
        QCOMPARE(s->property("playbackClientIp").toString(), playbackIp);
    }

    void recognitionAnswersAndTargetReports()
    {
        GimbalController c;
        QSignalSpy acks(&c, &GimbalController::ackReceived);
        QSignalSpy targets(c.state(), &GimbalState::aiTargetsChanged);
        c.onFrameReceived(frameOf(0, 0x0319, hex("0100")));
        QCOMPARE(acks.count(), 1);
        QCOMPARE(acks.last().at(0).toUInt(), 0x0319u);
        QCOMPARE(acks.last().at(1).toUInt(), 1u);
        QCOMPARE(targets.count(), 0);

        // One target announced, detection status 2.
        const QByteArray report = hex("000000000000000000000102");
        c.onFrameReceived(frameOf(0, 0x0324, report));
        QCOMPARE(targets.count(), 1);
        QVERIFY(c.state()->property("aiTrackingActive").toBool());
        QCOMPARE(c.state()->property("aiTargets").toList().size(), 1);
        c.onFrameReceived(frameOf(0, 0x0319, report));
        QVERIFY(!c.state()->property("aiTrackingActive").toBool());
        // The second status kind is always a report, even with two bytes.
        c.onFrameReceived(frameOf(2, 0x0324, hex("0004")));
        QCOMPARE(targets.count(), 3);
        QCOMPARE(c.state()->property("aiDetectStatus").toInt(), 4);
        QCOMPARE(acks.count(), 1);
    }
};
SKYRIG_REGISTER_TEST(ControllerDispatchTest)

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
