// The simulator's parts driven directly with a fake clock: behaviour that is
// hard to observe exactly through a socket.
#ifdef SKYRIG_HAS_CAMSIM_CORE

#include "CamsimHarness.h"
#include "camsim/FaultInjector.h"
#include "camsim/SimCamera.h"
#include "camsim/SimOptions.h"
#include "common/TestMain.h"
#include "link/Payload.h"
#include "state/GimbalState.h"

using camsim_test::bytes;
using camsim_test::resultOf;

namespace
{

SimOptions optionsFor(const QString &model)
{
    SimOptions o;
    o.modelId = model;
    return o;
}

// Runs the camera from `from` to `to` in 10 ms steps, keeping the frames of `messageId`.
QVector<SimFrame> run(SimCamera &cam, qint64 from, qint64 to, quint32 messageId = 0xFFFFFFFF)
{
    QVector<SimFrame> out;
    for (qint64 t = from; t <= to; t += 10)
        for (const SimFrame &f : cam.advance(t))
            if (f.messageId == messageId)
                out.append(f);
    return out;
}

} // namespace

class CamsimCoreTest : public QObject
{
    Q_OBJECT

private slots:
    void motionFollowsCommandsAndLimits()
    {
        SimCamera cam(optionsFor(QStringLiteral("Otter")));
        cam.advance(0);
        QCOMPARE(resultOf(cam.handleCommand(0x0017, bytes({10, 20, 0}), 0)), quint16(0));
        // Yaw right until the hold runs out 200 ms after the only command.
        cam.handleCommand(0x0010, bytes({0x00, 1, 2, 0}), 0);
        run(cam, 0, 1000);
        QVERIFY2(qAbs(cam.yawJoint() - 4.0) < 0.3, qPrintable(QString::number(cam.yawJoint())));
        QCOMPARE(cam.pitchJoint(), 0.0);
        // An explicit stop ends motion at once.
        cam.handleCommand(0x0010, bytes({0x00, 1, 0, 0}), 1000);
        cam.handleCommand(0x0010, bytes({0x00, 2, 2, 0}), 1050);
        const double yawAtStop = cam.yawJoint();
        run(cam, 1050, 1400);
        QCOMPARE(cam.yawJoint(), yawAtStop);
        // Angle commands slew at the pitch speed limit (10 °/s) and clamp to -90.
        cam.handleCommand(0x0012, bytes({1, 0x10, 0x27, 2, 0, 0, 0}), 1400); // pitch -100°
        run(cam, 1400, 2400);
        QVERIFY(qAbs(cam.pitchJoint() + 10.0) < 0.3);
        run(cam, 2400, 12000);
        QCOMPARE(cam.pitchJoint(), -90.0);
        // Otter's yaw range is 0..360: a negative target stops at 0.
        cam.handleCommand(0x0012, bytes({2, 0, 0, 0, 0x10, 0x27, 0}), 12000);
        run(cam, 12000, 14000);
        QCOMPARE(cam.yawJoint(), 0.0);
        // Centre brings the pitch home.
        cam.handleCommand(0x0010, bytes({0x10, 2, 2, 0}), 14000);
        run(cam, 14000, 25000);
        QCOMPARE(cam.pitchJoint(), 0.0);
        // Yaw beyond what signed hundredths carry is reported wrapped.
        cam.handleCommand(0x0017, bytes({150, 150, 0}), 25000);
        cam.handleCommand(0x0012, bytes({2, 0, 0, 1, 0xB8, 0x88, 0}), 25000); // yaw 350°
        run(cam, 25000, 30000);
        QCOMPARE(cam.yawJoint(), 350.0);
        GimbalState state;
        state.updateAttitude(cam.attitudePayload());
        QCOMPARE(state.property("yawJoint").toDouble(), -10.0);
        // Aim at a point three quarters across the picture at zoom 2 (a 30°
        // field of view): 7.5° to the right.
        cam.handleCommand(0x002C, bytes({0, 20, 0, 0xA0, 0x05, 0x1C, 0x02}), 30000);
        run(cam, 30000, 31000);
        QCOMPARE(cam.yawJoint(), 357.5);
        // Servo off shows in the gimbal's link status; the camera stays linked.
        cam.handleCommand(0x002D, bytes({0}), 31000);
        state.updateGimbalStatus(cam.gimbalStatusPayload());
        QCOMPARE(skyrig_test::props(state, "gimbalConnStatus cameraConnStatus"),
                 QVariantList({2, 1}));
    }

    // The infrared camera measures a fixed scene where the gimbal points: the
    // point, or the hottest and coldest spots inside the area; the laser
    // ranges periodically along the gimbal's pitch.
    void infraredAndRangingFollowTheGimbal()
    {
        SimCamera cam(optionsFor(QStringLiteral("Otter")));
        GimbalState state;
        const auto is = [&state](const char *name) { return state.property(name).toDouble(); };
        cam.advance(0);
        // A point on the hot engine (8° right, 12° down): at zoom 1 the
        // picture spans 50° by 28°.
        cam.handleCommand(0x010F, bytes({0xF3, 0x04, 0xE9, 0x03}), 0); // 1267, 1001
        state.updateIrStatus(cam.irStatusPayload());
        QVERIFY2(
            is("irPointTemp") > 60 && is("irCenterTemp") < 25,
            qPrintable(QStringLiteral("%1 / %2").arg(is("irPointTemp")).arg(is("irCenterTemp"))));
        QCOMPARE(is("irPointTempX"), 1267.0);
        // An area just left of it: its hottest spot is on its right edge.
        cam.handleCommand(0x0110, bytes({200, 0, 100, 0, 0x2B, 0x04, 0xE9, 0x03}), 0); // at 1067
        state.updateIrStatus(cam.irStatusPayload());
        QCOMPARE(skyrig_test::props(state, "irPointTempX irMaxTempX"), QVariantList({1067, 1167}));

        cam.handleCommand(0x0012, bytes({1, 0x88, 0x13, 2, 0, 0, 0}), 0); // pitch -50°
        run(cam, 0, 3000);
        cam.handleCommand(0x0406, bytes({1}), 3000);
        const QVector<SimFrame> ranges = run(cam, 3000, 5000, 0x020406);
        QCOMPARE(ranges.size(), 4);                                          // every 500 ms
        QCOMPARE(Payload::readU16(ranges.last().payload, 2), quint16(1305)); // 130.5 m
    }

    void aiReportsCarryTheChosenCategories()
    {
        SimCamera cam(optionsFor(QStringLiteral("Heron")));
        cam.advance(0);
        // Categories 1 and 4.
        cam.handleCommand(0x0319, bytes({1, 0, 0x09}) + QByteArray(15, '\0'), 0);
        const QVector<SimFrame> reports = run(cam, 0, 1000, 0x0319);
        QVERIFY(!reports.isEmpty());
        GimbalState state;
        const auto targets = [&] { return state.property("aiTargets").toList(); };
        state.updateAiTargets(reports.first().payload);
        QCOMPARE(targets().size(), 2);
        QCOMPARE(targets().at(1).toMap().value(QStringLiteral("categoryId")).toInt(), 4);

        // Recognition with no category sends reports of no target, which must
        // not look like a bare two-byte answer.
        cam.handleCommand(0x0319, bytes({1, 0}) + QByteArray(16, '\0'), 2000);
        const QVector<SimFrame> empty = run(cam, 2000, 2500, 0x0319);
        QVERIFY(!empty.isEmpty());
        QVERIFY(empty.first().payload.size() != 2);
        state.updateAiTargets(empty.first().payload);
        QCOMPARE(targets().size(), 0);
    }

    void missingOrFullCardRefusesCapture_data()
    {
        QTest::addColumn<int>("card");
        QTest::addColumn<int>("sdStatus");
        QTest::newRow("none") << int(SimOptions::CardState::None) << 3;
        QTest::newRow("full") << int(SimOptions::CardState::Full) << 4;
    }

    void missingOrFullCardRefusesCapture()
    {
        QFETCH(int, card);
        QFETCH(int, sdStatus);
        SimOptions o;
        o.card = SimOptions::CardState(card);
        SimCamera cam(o);
        QByteArray record(54, '\0');
        record[1] = 1;
        QCOMPARE(resultOf(cam.handleCommand(0x0303, record, 0)), quint16(SimCamera::NotReady));
        QCOMPARE(resultOf(cam.handleCommand(0x0302, QByteArray(54, '\0'), 0)),
                 quint16(SimCamera::NotReady));
        GimbalState state;
        state.updateCameraSystemStatus(cam.cameraSystemPayload());
        QCOMPARE(state.property("sdStatus").toInt(), sdStatus);
    }

    void streamSettingsFollowTheCatalogueCodes()
    {
        SimCamera cam(optionsFor(QStringLiteral("Otter")));
        QSignalSpy spy(&cam, &SimCamera::streamSettingsChanged);
        // Written as the catalogue's write value, reported as its read value.
        QCOMPARE(resultOf(cam.handleCommand(0x030A, bytes({2, 0}), 0)), quint16(0));
        QCOMPARE(spy.last().at(0).toInt(), 1280);
        QCOMPARE(Payload::readU8(cam.cameraSystemPayload(), 1), quint8(1));
        cam.handleCommand(0x0308, bytes({6, 0}), 0);
        QCOMPARE(spy.last().at(3).toInt(), 12000);
        // A refused value changes nothing.
        QCOMPARE(resultOf(cam.handleCommand(0x030A, bytes({7, 0}), 0)),
                 quint16(SimCamera::InvalidParameter));
        QCOMPARE(spy.count(), 2);
        // Zoom is bounded by the model and shows in the visible status.
        cam.handleCommand(0x0304, bytes({0, 0xE8, 0x03}), 0); // 100x
        GimbalState state;
        state.updateVisStatus(cam.visStatusPayload());
        QCOMPARE(skyrig_test::props(state, "hybridZoom focalLength"),
                 QVariantList({64.0f, 4.8f * 64}));
        // Zooming out runs the whole range in 10 s and stops at its end.
        cam.handleCommand(0x0306, bytes({1}), 0);
        run(cam, 0, 11000);
        state.updateVisStatus(cam.visStatusPayload());
        QCOMPARE(skyrig_test::props(state, "hybridZoom zoomStatus"), QVariantList({1.0f, 0}));
    }

    void faultInjectorIsSeededAndHonest()
    {
        quint8 seq = 0;
        const QByteArray frame =
            FrameCodec::encodeShortFrame(seq, 4, 1, 0x0002, QByteArray(18, 'x'));
        const FaultInjector::Settings s{0.1, 0.2, 0.1, 0.3, 0, 20};
        FaultInjector a(s, 5), b(s, 5), other(s, 6);
        int lost = 0, broken = 0, noisy = 0, twice = 0;
        bool differs = false;
        const int n = 5000;
        for (int i = 0; i < n; ++i) {
            const auto da = a.apply(frame);
            const auto db = b.apply(frame);
            differs = differs || da.size() != other.apply(frame).size();
            QCOMPARE(da.size(), db.size());
            for (int k = 0; k < da.size(); ++k) {
                QCOMPARE(da[k].bytes, db[k].bytes);
                QCOMPARE(da[k].delayMs, db[k].delayMs);
                QVERIFY(da[k].delayMs >= 0 && da[k].delayMs <= 20);
            }
            lost += da.isEmpty();
            if (da.isEmpty())
                continue;
            twice += da.size() == 2;
            QByteArray bytes = da.first().bytes;
            const int start = bytes.indexOf(char(0xFD));
            noisy += start > 0; // noise never holds a start byte
            int consumed = 0;
            broken += !FrameCodec::decodeShortFrame(bytes.mid(start), consumed).valid;
        }
        QVERIFY(differs);
        const QByteArray seen =
            QString::asprintf("%d lost, %d broken, %d noisy, %d twice", lost, broken, noisy, twice)
                .toLatin1();
        QVERIFY2(qAbs(lost - 0.1 * n) < 0.03 * n, seen.constData());
        QVERIFY2(qAbs(broken - 0.2 * (n - lost)) < 0.03 * n, seen.constData());
        QVERIFY2(qAbs(noisy - 0.3 * (n - lost)) < 0.03 * n, seen.constData());
        QVERIFY2(qAbs(twice - 0.1 * (n - lost)) < 0.03 * n, seen.constData());
        QCOMPARE(a.counters().lost, quint64(lost));
    }

    // A held-back datagram goes out right after the next one, or when the
    // sender flushes: late, never lost.
    void reorderSwapsNeighboursAndLosesNothing()
    {
        FaultInjector::Settings settings;
        settings.reorder = 0.3;
        FaultInjector faults(settings, 9);
        QVector<int> order;
        const auto take = [&order](const QVector<FaultInjector::Delivery> &out) {
            for (const FaultInjector::Delivery &d : out)
                order.append(d.bytes.toInt());
        };
        for (int i = 0; i < 1000; ++i)
            take(faults.apply(QByteArray::number(i)));
        take(faults.flush());
        QCOMPARE(order.size(), 1000);
        int moved = 0;
        for (int i = 0; i < order.size(); ++i) {
            QVERIFY(qAbs(order.at(i) - i) <= 1);
            moved += order.at(i) != i ? 1 : 0;
        }
        QCOMPARE(quint64(moved), 2 * faults.counters().reordered);
        QVERIFY2(moved > 300 && moved < 600, qPrintable(QString::number(moved)));
    }

    // Every kind of refusal, with the text the operator reads.
    void optionsAreCheckedWithAReason_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("error"); // empty: accepted
        const auto row = [](const char *args, const QString &error) {
            QTest::newRow(args) << QString::fromLatin1(args) << error;
        };
        row("--bind 192.0.2.1",
            "Refusing to bind the non-loopback address 192.0.2.1 without --allow-remote");
        row("--bind 0.0.0.0 --allow-remote", {});
        row("--bind 127.0.0.5", {});
        row("--bind camera.local", R"(--bind expects a numeric IP address, got "camera.local")");
        row("--corrupt 2", R"(--corrupt expects a probability between 0 and 1, got "2")");
        row("--attitude-hz 0",
            R"(--attitude-hz expects a rate in Hz above 0 and at most 1000, got "0")");
        row("--udp-port 70000",
            R"(--udp-port expects a whole number from -1 to 65535, got "70000")");
        row("--http-status 42",
            R"(--http-status expects a whole number from 200 to 599, got "42")");
        row("--http-start-code x", "--http-start-code expects a whole number from -2147483648 to "
                                   R"(2147483647, got "x")");
        row("--status-kind 1", "--status-kind expects 0 or 2 (1 is the acknowledgement kind)");
        row("--sd Half", R"(--sd expects ready, none or full, got "half")");
        row("--fault-channel media --fault-channel Video",
            R"(--fault-channel expects control, media, playback or all, got "Video")");
        row("--media-list-style json", R"(--media-list-style expects strict or loose, got "json")");
        row("--playback-form rtp", R"(--playback-form expects raw or framed, got "rtp")");
        row("--media-rate -1", R"(--media-rate expects Mbit/s from 0 to 100000, got "-1")");
        row("--seed 4294967296",
            R"(--seed expects a non-negative 32-bit number, got "4294967296")");
        row("--ack-result 0x10000=1",
            R"(--ack-result expects CODE=RESULT (for example 0x0302=3), got "0x10000=1")");
        row("--media-dir=", "--media-dir expects a folder");
        row("--udp-port=-1", "Nothing to serve: UDP is disabled and no --pty was given");
    }

    void optionsAreCheckedWithAReason()
    {
        QFETCH(QString, args);
        QFETCH(QString, error);
        SimOptions o;
        QString actual;
        QCOMPARE(o.parse(camsim_test::words(qPrintable("camsim " + args)), &actual),
                 error.isEmpty());
        QCOMPARE(actual, error);
    }

    void optionValues()
    {
        SimOptions o;
        QString error;
        QVERIFY(o.parse(camsim_test::words("camsim --http-port 0 --http-status 503 --http-stall "
                                           "--http-stall-start --http-start-code -2 "
                                           "--http-start-body nope --reboot-ms 0 --loss 0.5 "
                                           "--jitter 7 --fault-channel MEDIA --sd full"),
                        &error));
        const HttpServer::Faults &h = o.httpFaults;
        QVERIFY(o.httpPort == 0 && h.uploadStatus == 503 && h.stallUpload && h.stallStart &&
                h.startCode == -2 && h.startBody == QByteArray("nope") && o.rebootMs == 0);
        QCOMPARE(o.faultsOn(SimOptions::MediaChannel).loss, 0.5);
        QCOMPARE(o.faultsOn(SimOptions::MediaChannel).jitterMs, 7);
        QCOMPARE(o.faultsOn(SimOptions::ControlChannel).loss, 0.0);
        QVERIFY(o.card == SimOptions::CardState::Full);
    }
};
SKYRIG_REGISTER_TEST(CamsimCoreTest)

#include "tst_camsim_core.moc"

#endif
