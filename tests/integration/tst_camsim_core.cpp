// The simulator's parts driven directly with a fake clock: behaviour that is
// hard to observe exactly through a socket.
#ifdef SKYRIG_HAS_CAMSIM_CORE

#include "camsim/FaultInjector.h"
#include "camsim/SimCamera.h"
#include "camsim/SimOptions.h"
#include "common/TestMain.h"
#include "link/FrameCodec.h"
#include "link/Payload.h"
#include "state/GimbalState.h"

#include <QSignalSpy>

namespace
{

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

SimOptions optionsFor(const QString &model, int statusKind = 0)
{
    SimOptions o;
    o.modelId = model;
    o.statusKind = statusKind;
    return o;
}

quint16 resultOf(const QVector<SimFrame> &frames)
{
    return frames.isEmpty() ? 0xFFFF : Payload::readU16(frames.first().payload, 0);
}

QVector<SimFrame> only(const QVector<SimFrame> &frames, quint32 messageId)
{
    QVector<SimFrame> out;
    for (const SimFrame &f : frames)
        if (f.messageId == messageId)
            out.append(f);
    return out;
}

// Runs the camera from `from` to `to` in 10 ms steps, collecting its frames.
QVector<SimFrame> run(SimCamera &cam, qint64 from, qint64 to)
{
    QVector<SimFrame> out;
    for (qint64 t = from; t <= to; t += 10)
        out += cam.advance(t);
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
        // Centre and the attitude report carry the joints.
        cam.handleCommand(0x0010, bytes({0x10, 2, 2, 0}), 14000);
        run(cam, 14000, 25000);
        GimbalState state;
        state.updateAttitude(cam.attitudePayload());
        QCOMPARE(state.property("pitchJoint").toDouble(), 0.0);
    }

    void yawBeyondSignedRangeIsReportedWrapped()
    {
        SimCamera cam(optionsFor(QStringLiteral("Otter")));
        cam.advance(0);
        cam.handleCommand(0x0017, bytes({150, 150, 0}), 0);
        cam.handleCommand(0x0012, bytes({2, 0, 0, 1, 0xB8, 0x88, 0}), 0); // yaw 350°
        run(cam, 0, 5000);
        QCOMPARE(cam.yawJoint(), 350.0);
        GimbalState state;
        state.updateAttitude(cam.attitudePayload());
        QCOMPARE(state.property("yawJoint").toDouble(), -10.0);
    }

    void infraredTemperaturesFollowTheMeasuredSpot()
    {
        SimCamera cam(optionsFor(QStringLiteral("Heron")));
        cam.advance(0);
        GimbalState state;
        state.updateIrStatus(cam.irStatusPayload());
        const int hotX = state.property("irMaxTempX").toInt();
        const int hotY = state.property("irMaxTempY").toInt();
        const double hottest = state.property("irMaxTemp").toDouble();
        QVERIFY(hottest > state.property("irAvgTemp").toDouble() + 5.0);
        // Point measurement on the hottest spot and on the coldest one.
        cam.handleCommand(0x010F, bytes({hotX & 0xFF, hotX >> 8, hotY & 0xFF, hotY >> 8, 0}), 0);
        state.updateIrStatus(cam.irStatusPayload());
        QVERIFY(qAbs(state.property("irPointTemp").toDouble() - hottest) < 0.15);
        QCOMPARE(state.property("irPointTempX").toInt(), hotX);
        const int coldX = state.property("irMinTempX").toInt();
        const int coldY = state.property("irMinTempY").toInt();
        cam.handleCommand(0x010F, bytes({coldX & 0xFF, coldX >> 8, coldY & 0xFF, coldY >> 8, 0}),
                          0);
        state.updateIrStatus(cam.irStatusPayload());
        QVERIFY(state.property("irPointTemp").toDouble() < hottest - 10.0);
        // An area away from the hot spot has a lower maximum than the whole picture.
        const int cx = hotX < 960 ? 1700 : 200;
        cam.handleCommand(0x0110, bytes({100, 0, 100, 0, cx & 0xFF, cx >> 8, 0x1C, 0x02, 0}), 0);
        state.updateIrStatus(cam.irStatusPayload());
        QVERIFY(state.property("irMaxTemp").toDouble() < hottest - 5.0);
        QVERIFY(qAbs(state.property("irMaxTempX").toInt() - cx) <= 50);
        // Switched off, nothing is measured.
        cam.handleCommand(0x0108, bytes({1, 0}), 0);
        state.updateIrStatus(cam.irStatusPayload());
        QCOMPARE(state.property("irMaxTemp").toDouble(), 0.0);
    }

    void aiReportsMoveAndTrackingTakesOver()
    {
        SimCamera cam(optionsFor(QStringLiteral("Heron")));
        cam.advance(0);
        QByteArray on = bytes({1, 0, 0x09}); // categories 1 and 4
        on.append(QByteArray(15, '\0'));
        QCOMPARE(resultOf(cam.handleCommand(0x0319, on, 0)), quint16(0));
        const QVector<SimFrame> reports = only(run(cam, 0, 2000), 0x0319);
        QVERIFY(reports.size() >= 8);
        GimbalState state;
        state.updateAiTargets(reports.first().payload);
        const QVariantList first = state.property("aiTargets").toList();
        QCOMPARE(first.size(), 2);
        QCOMPARE(first.at(0).toMap().value(QStringLiteral("categoryId")).toInt(), 1);
        QCOMPARE(first.at(1).toMap().value(QStringLiteral("categoryId")).toInt(), 4);
        state.updateAiTargets(reports.last().payload);
        QVERIFY(state.property("aiTargets").toList().at(0).toMap().value(QStringLiteral("x")) !=
                first.at(0).toMap().value(QStringLiteral("x")));

        cam.handleCommand(0x0324, bytes({1, 0x20, 0x03, 0xF4, 0x01, 80, 0, 60, 0, 0}), 2000);
        const QVector<SimFrame> all = run(cam, 2000, 3000);
        QVERIFY(only(all, 0x0319).isEmpty());
        const QVector<SimFrame> tracked = only(all, 0x0324);
        QVERIFY(!tracked.isEmpty());
        state.updateAiTargets(tracked.last().payload, true);
        QCOMPARE(state.property("aiTargets").toList().size(), 1);
        QCOMPARE(state.property("aiTrackingActive").toBool(), true);
        // Split screen ends tracking; recognition with no category sends empty
        // reports that still are not two bytes long in the first status kind.
        cam.handleCommand(0x0318, bytes({7, 0}), 3000);
        QByteArray none = bytes({1, 0});
        none.append(QByteArray(16, '\0'));
        cam.handleCommand(0x0319, none, 3000);
        const QVector<SimFrame> empty = only(run(cam, 3000, 3500), 0x0319);
        QVERIFY(!empty.isEmpty());
        QVERIFY(empty.first().payload.size() != 2);
        state.updateAiTargets(empty.first().payload);
        QCOMPARE(state.property("aiTargets").toList().size(), 0);
    }

    void recordingReportsAndFillsTheCard()
    {
        SimOptions o = optionsFor(QStringLiteral("Otter"));
        SimCamera cam(o);
        cam.advance(0);
        const double freeBefore = cam.cardFreeMB();
        QByteArray start(54, '\0');
        start[1] = 1;
        QCOMPARE(resultOf(cam.handleCommand(0x0303, start, 0)), quint16(0));
        const QVector<SimFrame> reports = only(run(cam, 0, 3100), 0x0303);
        QCOMPARE(reports.size(), 4); // at 0, 1, 2 and 3 s
        QCOMPARE(Payload::readU8(reports.last().payload, 1), quint8(1));
        QCOMPARE(Payload::readU16(reports.last().payload, 2), quint16(3));
        QVERIFY(qAbs(freeBefore - cam.cardFreeMB() - 3.1 * SimCamera::RecordMBPerSecond) < 1.0);
        QByteArray stop(54, '\0');
        stop[1] = 2;
        cam.handleCommand(0x0303, stop, 3100);
        const QVector<SimFrame> last = only(run(cam, 3100, 3300), 0x0303);
        QCOMPARE(last.size(), 1);
        QCOMPARE(Payload::readU8(last.first().payload, 1), quint8(0));

        // A full card refuses capture; the status reports it.
        o.card = SimOptions::CardState::Full;
        SimCamera full(o);
        QCOMPARE(resultOf(full.handleCommand(0x0303, start, 0)), quint16(SimCamera::NotReady));
        QCOMPARE(resultOf(full.handleCommand(0x0302, QByteArray(54, '\0'), 0)),
                 quint16(SimCamera::NotReady));
        QCOMPARE(Payload::readU8(full.cameraSystemPayload(), 8), quint8(4));
    }

    void streamSettingsFollowTheCatalogueCodes()
    {
        SimCamera cam(optionsFor(QStringLiteral("Otter")));
        QSignalSpy spy(&cam, &SimCamera::streamSettingsChanged);
        // The program writes the option's write value (2) for 1280x720.
        QCOMPARE(resultOf(cam.handleCommand(0x030A, bytes({2, 0}), 0)), quint16(0));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.last().at(0).toInt(), 1280);
        QCOMPARE(Payload::readU8(cam.cameraSystemPayload(), 1), quint8(1)); // reports the value
        cam.handleCommand(0x0308, bytes({6, 0}), 0);
        QCOMPARE(spy.last().at(3).toInt(), 12000);
        cam.handleCommand(0x030B, bytes({1, 0}), 0);
        QCOMPARE(spy.last().at(2).toBool(), true);
        QCOMPARE(resultOf(cam.handleCommand(0x030A, bytes({7, 0}), 0)),
                 quint16(SimCamera::InvalidParameter));
        QCOMPARE(spy.count(), 3);
        // Zoom is bounded by the model and shows in the visible status.
        cam.handleCommand(0x0304, bytes({0, 0xE8, 0x03}), 0); // 100x
        GimbalState state;
        state.updateVisStatus(cam.visStatusPayload());
        QCOMPARE(state.property("hybridZoom").toDouble(), 64.0);
    }

    void faultInjectorIsSeededAndHonest()
    {
        quint8 seq = 0;
        const QByteArray frame =
            FrameCodec::encodeShortFrame(seq, 4, 1, 0x0002, QByteArray(18, 'x'));
        FaultInjector::Settings s;
        s.loss = 0.1;
        s.corrupt = 0.2;
        s.duplicate = 0.1;
        s.garbage = 0.3;
        s.jitterMs = 20;
        FaultInjector a(s, 5), b(s, 5), other(s, 6);
        int lost = 0, broken = 0, noisy = 0, twice = 0;
        bool differs = false;
        const int n = 5000;
        for (int i = 0; i < n; ++i) {
            const auto da = a.apply(frame);
            const auto db = b.apply(frame);
            const auto dc = other.apply(frame);
            QCOMPARE(da.size(), db.size());
            for (int k = 0; k < da.size(); ++k) {
                QCOMPARE(da[k].bytes, db[k].bytes);
                QCOMPARE(da[k].delayMs, db[k].delayMs);
                QVERIFY(da[k].delayMs >= 0 && da[k].delayMs <= 20);
            }
            differs = differs || da.size() != dc.size();
            if (da.isEmpty()) {
                ++lost;
                continue;
            }
            twice += da.size() == 2;
            QByteArray bytes = da.first().bytes;
            const int start = bytes.indexOf(char(0xFD));
            QVERIFY(start >= 0);
            noisy += start > 0; // noise never holds a start byte
            bytes.remove(0, start);
            int consumed = 0;
            broken += !FrameCodec::decodeShortFrame(bytes, consumed).valid;
        }
        QVERIFY(differs);
        const auto near = [](int count, int total, double p) {
            return qAbs(double(count) / total - p) < 0.03;
        };
        QVERIFY2(near(lost, n, 0.1), qPrintable(QString::number(lost)));
        QVERIFY2(near(broken, n - lost, 0.2), qPrintable(QString::number(broken)));
        QVERIFY2(near(noisy, n - lost, 0.3), qPrintable(QString::number(noisy)));
        QVERIFY2(near(twice, n - lost, 0.1), qPrintable(QString::number(twice)));
        QCOMPARE(a.counters().lost, quint64(lost));
    }

    void optionsRejectBadInputWithAReason_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("remote bind") << QStringList{"--bind", "192.168.144.64"} << "--allow-remote";
        QTest::newRow("probability") << QStringList{"--corrupt", "2"} << "--corrupt";
        QTest::newRow("kind 1") << QStringList{"--status-kind", "1"} << "--status-kind";
        QTest::newRow("rate") << QStringList{"--attitude-hz", "0"} << "--attitude-hz";
        QTest::newRow("card") << QStringList{"--sd", "half"} << "--sd";
        QTest::newRow("ack") << QStringList{"--ack-result", "0x10000=1"} << "--ack-result";
        QTest::newRow("port") << QStringList{"--udp-port", "70000"} << "--udp-port";
        QTest::newRow("nothing") << QStringList{"--udp-port=-1"} << "Nothing to serve";
    }

    void optionsRejectBadInputWithAReason()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, mentions);
        SimOptions o;
        QString error;
        QVERIFY(!o.parse(QStringList{"camsim"} + args, &error));
        QVERIFY2(error.contains(mentions), qPrintable(error));
    }

    void optionsAcceptRemoteOnlyWhenAllowed()
    {
        SimOptions o;
        QString error;
        QVERIFY(o.parse({"camsim", "--bind", "0.0.0.0", "--allow-remote", "--ack-result",
                         "0x0302=3", "--ack-result", "1027=0", "--pty", "/tmp/x", "--loss", "0.25"},
                        &error));
        QCOMPARE(o.ackResults.value(0x0302), quint16(3));
        QVERIFY(o.ackResults.contains(0x0403));
        QCOMPARE(o.loss, 0.25);
        QVERIFY(SimOptions::isLoopback(QStringLiteral("127.0.0.5")));
        QVERIFY(SimOptions::isLoopback(QStringLiteral("::1")));
        QVERIFY(!SimOptions::isLoopback(QStringLiteral("192.168.144.64")));
    }
};
SKYRIG_REGISTER_TEST(CamsimCoreTest)

#include "tst_camsim_core.moc"

#endif
