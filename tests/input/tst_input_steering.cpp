// The steering object against a real controller and transport manager: what
// goes out on the link for the pad, keys, controllers and pointer, with the
// stop rule, the speed throttle, zoom holds and steps, and the safety stops.

#include "common/TestMain.h"
#include "input/SteeringRig.h"

#include <QtTest>

class InputSteeringTest : public QObject
{
    Q_OBJECT

private slots:
    void padHoldRepeatsThenStopsThreeTimes()
    {
        SteeringRig rig;
        rig.steering.padPress(QStringLiteral("up"));
        QCOMPARE(rig.texts(), (QStringList{"speed 30 30", "move - U"}));
        QTRY_VERIFY(rig.count(QStringLiteral("move - U")) >= 4);
        rig.steering.padRelease();
        // A busy machine may deliver a late tick together with the next one,
        // so the pace is checked over the whole hold: never more than one
        // repeat per 33 ms (a coarse timer fires up to 5 % early).
        const QVector<qint64> moves = rig.times(QStringLiteral("move - U"));
        QVERIFY(moves.size() <= 2 + (moves.last() - moves.first()) / 30);
        QVERIFY(rig.settled());
        const QVector<qint64> stops = rig.times(QStringLiteral("stop"));
        QCOMPARE(stops.size(), 3);
        QVERIFY2(stops[2] - stops[0] >= 75, "the stops span two 40 ms gaps");
        QCOMPARE(rig.count(QStringLiteral("move - U")), moves.size());
        QVERIFY(!rig.steering.moving());

        rig.sent.clear();
        rig.steering.padOnce(QStringLiteral("centre"));
        rig.steering.padOnce(QStringLiteral("faceDown"));
        rig.steering.padOnce(QStringLiteral("stop"));
        QCOMPARE(rig.texts(), (QStringList{"centre", "down", "stop"}));
    }

    void latestSourceLeads()
    {
        SteeringRig rig;
        rig.steering.steer(GimbalSteering::Keys, 1, 0, true);
        // A controller pushed up and right, half way: both axes at once, at
        // the stick's speed for each.
        rig.steering.steer(GimbalSteering::Gamepad, 0.5, 1, false);
        // Let go: the key still held leads again, at its own speed.
        rig.steering.steer(GimbalSteering::Gamepad, 0, 0, false);
        rig.steering.steer(GimbalSteering::Keys, 0, 0, true);
        QVERIFY(rig.settled());
        QCOMPARE(rig.texts(), (QStringList{"speed 30 30", "move R -", "speed 90 48", "move R U",
                                           "speed 30 30", "move R -", "stop"}));
    }

    void safetyStopsLatchUntilRest()
    {
        SteeringRig rig;
        rig.steering.steer(GimbalSteering::Gamepad, 0.6, 0, false);
        rig.steering.holdZoom(GimbalSteering::Gamepad, ZoomDirection::In);
        rig.steering.setLinkUp(false); // the link is lost
        QVERIFY(rig.settled());
        QCOMPARE(rig.count(QStringLiteral("stop")), 3);
        QCOMPARE(rig.count(QStringLiteral("zoom stop")), 3);
        rig.steering.setLinkUp(true);
        rig.sent.clear();
        // Still deflected: nothing until it was back at rest (halt(), which
        // unplugging and closing the section use, is driven in
        // tst_input_gamepad); a fresh pad press is a fresh start.
        rig.steering.steer(GimbalSteering::Gamepad, 0.7, 0, false);
        QCOMPARE(rig.texts(), QStringList());
        rig.steering.padPress(QStringLiteral("left"));
        QCOMPARE(rig.texts().last(), QStringLiteral("move L -"));
        rig.steering.padRelease();
        rig.steering.steer(GimbalSteering::Gamepad, 0, 0, false);
        rig.steering.steer(GimbalSteering::Gamepad, 0.7, 0, false);
        QCOMPARE(rig.texts().last(), QStringLiteral("move R -"));
        rig.steering.halt();
        QVERIFY(rig.settled());
    }

    void speedFollowsTheStickAtABoundedRate()
    {
        SteeringRig rig;
        // A light touch, then full deflection at once: the new speed waits
        // out the throttle's gap, and the stick's latest position wins.
        rig.steering.steer(GimbalSteering::Gamepad, 0.2, 0, false);
        rig.steering.steer(GimbalSteering::Gamepad, 0.6, 0, false);
        rig.steering.steer(GimbalSteering::Gamepad, 1.0, 0, false);
        QTRY_COMPARE(rig.count(QStringLiteral("speed 90 90")), 1);
        const QVector<qint64> speeds = rig.times(QStringLiteral("speed"));
        QCOMPARE(speeds.size(), 2);
        QVERIFY(speeds[1] - speeds[0] >= SpeedThrottle::MinGapMs - 2);
        // Held still: the direction repeats, the speed is not sent again.
        const int moves = rig.count(QStringLiteral("move R -"));
        QTRY_VERIFY(rig.count(QStringLiteral("move R -")) >= moves + 5);
        QCOMPARE(rig.times(QStringLiteral("speed")).size(), 2);
        // Fine aim slows it.
        rig.steering.setFine(GimbalSteering::Keys, true);
        QTRY_COMPARE(rig.count(QStringLiteral("speed 23 23")), 1);
        rig.steering.halt();
        QVERIFY(rig.settled());
    }

    void zoomHoldsAndSteps()
    {
        SteeringRig rig;
        // The zoom buttons name their direction: the protocol's 0 is in.
        rig.steering.zoomButton(ZoomDirection::In);
        rig.steering.holdZoom(GimbalSteering::Gamepad, ZoomDirection::Out);
        rig.steering.holdZoom(GimbalSteering::Gamepad, ZoomDirection::Stop);
        rig.steering.zoomButton(ZoomDirection::Stop);
        QVERIFY(rig.settled());
        QCOMPARE(rig.texts(), (QStringList{"zoom in", "zoom out", "zoom in", "zoom stop"}));
        QCOMPARE(rig.count(QStringLiteral("zoom stop")), 3);
        QCOMPARE(rig.sent.first().text, QStringLiteral("zoom in"));

        // Steps by 1.25 each, on the last factor sent while reports lag,
        // kept in the product's range and its step.
        rig.sent.clear();
        const double low = rig.camera.visZoomMin();
        rig.steering.zoomSteps(2);
        rig.steering.zoomSteps(1);
        rig.steering.zoomSteps(-20);
        rig.steering.zoomSteps(-1); // already widest: nothing
        rig.steering.zoomSteps(1000);
        rig.steering.zoomWide();
        QCOMPARE(rig.texts(),
                 (QStringList{QStringLiteral("zoom to %1").arg(low * 1.6),
                              QStringLiteral("zoom to %1").arg(low * 2),
                              QStringLiteral("zoom to %1").arg(low),
                              QStringLiteral("zoom to %1").arg(rig.camera.visZoomMax()),
                              QStringLiteral("zoom to %1").arg(low)}));
    }

    void pointerDragSteersByDistance()
    {
        SteeringRig rig;
        rig.steering.pointerSteer(5, -7, 200, false); // a tremor: nothing
        QCOMPARE(rig.texts(), QStringList());
        // Right a quarter and up half of the way past the first 8 pixels.
        rig.steering.pointerSteer(56, -104, 200, false);
        rig.steering.pointerSteer(56, -104, 200, false);
        rig.steering.pointerSteer(-300, 0, 200, true); // past full, fine
        // Speeds: 5 + 85 × 0.25 and 5 + 85 × 0.5, then full at a quarter
        // once the throttle's gap is over.
        QTRY_VERIFY(rig.texts().contains(QStringLiteral("speed 23 23")));
        rig.steering.pointerRelease();
        QVERIFY(rig.settled());
        QCOMPARE(rig.texts(),
                 (QStringList{"speed 48 26", "move R U", "move L -", "speed 23 23", "stop"}));
    }

    void captureNeedsTheCard()
    {
        SteeringRig rig;
        QStringList lines;
        connect(&rig.steering, &GimbalSteering::logMessage, this,
                [&lines](const QString &l) { lines << l; });
        skyrig_test::setChinese(false);
        rig.steering.takePhoto();
        rig.steering.toggleRecording();
        QCOMPARE(rig.texts(), QStringList());
        QCOMPARE(lines, (QStringList{"[Photo/Hint] The SD card is not ready",
                                     "[Record/Hint] The SD card is not ready"}));
    }
};

SKYRIG_REGISTER_TEST(InputSteeringTest)

#include "tst_input_steering.moc"
