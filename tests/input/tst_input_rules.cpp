// The input layer's pure rules, as tables: stick response, speed, the speed
// throttle, stick calibration, controller names, bindings and their
// conflicts, and the stored profile.

#include "common/TestMain.h"

#include "input/AxisCalibration.h"
#include "input/AxisResponse.h"
#include "input/BindingTable.h"
#include "input/InputProfile.h"
#include "input/SpeedRule.h"
#include "input/SpeedThrottle.h"

#include <QSettings>
#include <QtTest>

#include <cmath>

class InputRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void stickResponse_data()
    {
        QTest::addColumn<double>("deadZone");
        QTest::addColumn<double>("curve");
        QTest::addColumn<bool>("invert");
        QTest::addColumn<double>("raw");
        QTest::addColumn<double>("deflection");
        // Defaults: 10 % dead zone, mildly exponential.
        QTest::newRow("centre") << 0.1 << 0.3 << false << 0.0 << 0.0;
        QTest::newRow("inside dead zone") << 0.1 << 0.3 << false << -0.07 << 0.0;
        QTest::newRow("half") << 0.1 << 0.3 << false << 0.55 << 0.7 * 0.5 + 0.3 * 0.125;
        QTest::newRow("full is full") << 0.1 << 0.3 << false << 1.0 << 1.0;
        QTest::newRow("past full clamps") << 0.1 << 0.3 << false << -1.5 << -1.0;
        QTest::newRow("linear rescaled") << 0.2 << 0.0 << false << 0.6 << 0.5;
        QTest::newRow("cubic") << 0.0 << 1.0 << false << 0.5 << 0.125;
        QTest::newRow("inverted") << 0.1 << 0.0 << true << 0.55 << -0.5;
        QTest::newRow("dead zone capped") << 0.9 << 0.0 << false << 0.75 << 0.5;
        QTest::newRow("not a number") << 0.1 << 0.3 << false << double(NAN) << 0.0;
    }
    void stickResponse()
    {
        QFETCH(double, deadZone);
        QFETCH(double, curve);
        QFETCH(bool, invert);
        QFETCH(double, raw);
        QFETCH(double, deflection);
        const AxisResponse r{deadZone, curve, invert};
        QVERIFY2(std::abs(r.apply(raw) - deflection) < 1e-9,
                 qPrintable(QString::number(r.apply(raw))));
    }

    void speed_data()
    {
        QTest::addColumn<double>("deflection"); // < 0: the key speed
        QTest::addColumn<double>("zoom");
        QTest::addColumn<bool>("fine");
        QTest::addColumn<bool>("zoomScaling");
        QTest::addColumn<int>("speed");
        QTest::newRow("just past dead zone") << 0.001 << 1.0 << false << true << 5;
        QTest::newRow("half") << 0.5 << 1.0 << false << true << 48;
        QTest::newRow("full") << 1.0 << 1.0 << false << true << 90;
        QTest::newRow("full at 3x") << 1.0 << 3.0 << false << true << 30;
        QTest::newRow("full at 3x, scaling off") << 1.0 << 3.0 << false << false << 90;
        QTest::newRow("zoom unknown counts as 1x") << 1.0 << 0.0 << false << true << 90;
        QTest::newRow("full, fine") << 1.0 << 1.0 << true << true << 23;
        QTest::newRow("never below the minimum") << 1.0 << 30.0 << true << true << 5;
        QTest::newRow("keys") << -1.0 << 1.0 << false << true << 30;
        QTest::newRow("keys at 2x, fine") << -1.0 << 2.0 << true << true << 5;
    }
    void speed()
    {
        QFETCH(double, deflection);
        QFETCH(double, zoom);
        QFETCH(bool, fine);
        QFETCH(bool, zoomScaling);
        SpeedRule rule;
        rule.zoomScaling = zoomScaling;
        const double rate = deflection < 0 ? rule.keySpeed : rule.rateFor(deflection);
        QTEST(rule.speedFor(rate, zoom, fine), "speed");
    }

    void throttle()
    {
        SpeedThrottle t;
        // (pitch, yaw, ms, starting) → decision; SendNow rows are sent.
        struct Row {
            int pitch, yaw;
            qint64 ms;
            bool starting;
            SpeedThrottle::Decision decision;
        };
        const Row rows[] = {
            {30, 30, 0, true, SpeedThrottle::SendNow},      // unknown: always
            {30, 30, 10, false, SpeedThrottle::Keep},       // the same
            {31, 32, 200, false, SpeedThrottle::SendLater}, // a wobble waits to settle
            {31, 30, 250, true, SpeedThrottle::SendNow},    // a start: at once
            {60, 31, 300, false, SpeedThrottle::SendLater}, // too soon after the last
            {60, 31, 350, false, SpeedThrottle::SendNow},   // gap over
            {64, 31, 550, false, SpeedThrottle::SendLater}, // under a tenth: settles...
            {62, 31, 800, false, SpeedThrottle::SendLater}, // ...wanted the same...
            {62, 31, 1099, false, SpeedThrottle::SendLater},
            {62, 31, 1100, false, SpeedThrottle::SendNow}, // ...for 300 ms
            {66, 31, 1150, true, SpeedThrottle::SendNow},
        };
        for (const Row &r : rows) {
            const auto got = t.offer(r.pitch, r.yaw, r.ms, r.starting);
            QVERIFY2(got == r.decision,
                     qPrintable(QStringLiteral("at %1 ms: %2").arg(r.ms).arg(got)));
            if (got == SpeedThrottle::SendNow)
                t.sent(r.pitch, r.yaw, r.ms);
        }
        t.forget();
        QCOMPARE(t.offer(66, 31, 1160, false), SpeedThrottle::SendNow);
    }

    void calibration_data()
    {
        QTest::addColumn<bool>("trigger");
        QTest::addColumn<QList<double>>("readings"); // one every 50 ms
        QTest::addColumn<double>("last");            // what the last reading gave
        QTest::addColumn<int>("state");
        QTest::addColumn<double>("rest");
        const int live = AxisCalibration::Live;
        const int ignored = AxisCalibration::Ignored;
        // Settling takes 250 ms: the sixth reading is the first that counts.
        QTest::newRow("centred") << false << QList<double>{0, 0, 0, 0, 0, 0.5} << 0.5 << live
                                 << 0.0;
        QTest::newRow("settling gives nothing") << false << QList<double>{0.8, 0.8, 0.8} << 0.0
                                                << int(AxisCalibration::Settling) << 0.0;
        QTest::newRow("rests off centre: measured there")
            << false << QList<double>{0.2, 0.2, 0.2, 0.2, 0.2, 0.2, 0.6} << 0.5 << live << 0.2;
        QTest::newRow("off centre, full still reaches full")
            << false << QList<double>{-0.2, -0.2, -0.2, -0.2, -0.2, -0.2, -1.0} << -1.0 << live
            << -0.2;
        QTest::newRow("touched while settling: nominal rest")
            << false << QList<double>{0.0, 0.3, 0.1, 0.2, 0.3, 0.3} << 0.3 << live << 0.0;
        QTest::newRow("stuck far out: ignored")
            << false << QList<double>{0.9, 0.9, 0.9, 0.9, 0.9, 0.9, 0.9} << 0.0 << ignored << 0.0;
        QTest::newRow("held at connect, let go: live")
            << false << QList<double>{1, 1, 1, 1, 1, 1, 0.05, 0.5} << 0.5 << live << 0.0;
        QTest::newRow("trigger pulled at connect")
            << true << QList<double>{1, 1, 1, 1, 1, 1} << 0.0 << ignored << 0.0;
        QTest::newRow("trigger released, then pulled")
            << true << QList<double>{0, 0, 0, 0, 0, 0, 0.7} << 0.7 << live << 0.0;
    }
    void calibration()
    {
        QFETCH(bool, trigger);
        QFETCH(QList<double>, readings);
        QFETCH(double, last);
        QFETCH(double, rest);
        AxisCalibration c(trigger);
        double out = 0;
        for (int i = 0; i < readings.size(); ++i)
            out = c.feed(readings[i], 1000 + 50 * i);
        QTEST(int(c.state()), "state");
        QVERIFY2(std::abs(out - last) < 1e-9, qPrintable(QString::number(out)));
        QVERIFY(std::abs(c.rest() - rest) < 1e-9);
    }

    void controlNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");
        QTest::newRow("button") << "A" << int(GamepadControl::Button) << "a";
        QTest::newRow("last button") << "touchpad" << int(GamepadControl::Button) << "touchpad";
        QTest::newRow("axis") << " leftx " << int(GamepadControl::Axis) << "leftx";
        QTest::newRow("trigger") << "righttrigger" << int(GamepadControl::Axis) << "righttrigger";
        QTest::newRow("stick direction") << "righty-" << int(GamepadControl::HalfAxis) << "righty-";
        QTest::newRow("trigger has no direction")
            << "lefttrigger+" << int(GamepadControl::None) << "";
        QTest::newRow("button has no direction") << "a+" << int(GamepadControl::None) << "";
        QTest::newRow("unknown") << "start2" << int(GamepadControl::None) << "";
    }
    void controlNames()
    {
        QFETCH(QString, text);
        const GamepadControl c = GamepadControl::parse(text);
        QTEST(int(c.type()), "type");
        QTEST(c.name(), "name");
        if (!c.isNone())
            QVERIFY(!c.label().english.isEmpty() && !c.label().chinese.isEmpty());
    }

    void bindings()
    {
        BindingTable t = BindingTable::defaults();
        // Today's keys are the keyboard's defaults, and they clash nowhere.
        QCOMPARE(t.actionsForKey(Qt::Key_Up), QVector<InputAction::Id>{InputAction::PitchUp});
        QCOMPARE(t.actionsForKey(Qt::Key_D), QVector<InputAction::Id>{InputAction::YawRight});
        QCOMPARE(t.actionsForKey(Qt::Key_C), QVector<InputAction::Id>{InputAction::Centre});
        QVERIFY(t.conflicts().isEmpty());

        // What suits what: a whole stick axis steers, the rest are pressed.
        QVERIFY(!t.setGamepad(InputAction::Yaw, GamepadControl::parse("a")));
        QVERIFY(!t.setGamepad(InputAction::Yaw, GamepadControl::parse("lefttrigger")));
        QVERIFY(!t.setGamepad(InputAction::Photo, GamepadControl::parse("rightx")));
        QVERIFY(t.setGamepad(InputAction::Photo, GamepadControl::parse("rightx+")));
        QVERIFY(!t.setKey(InputAction::Photo, 0, Qt::Key_Escape));
        QVERIFY(!t.setKey(InputAction::Photo, 0, Qt::Key_Control));
        QVERIFY(!t.setKey(InputAction::Photo, 2, Qt::Key_P));
        QVERIFY(!t.setKey(InputAction::Yaw, 0, Qt::Key_P));

        // Conflicts: a key in two actions; a stick direction inside an axis
        // another action steers with; one stick direction in two actions
        // (the other direction is another control).
        QVERIFY(t.setKey(InputAction::Photo, 1, Qt::Key_W));
        QVERIFY(t.setGamepad(InputAction::Record, GamepadControl::parse("lefty+")));
        QVERIFY(t.setGamepad(InputAction::ZoomWide, GamepadControl::parse("rightx+")));
        QVERIFY(t.setGamepad(InputAction::Centre, GamepadControl::parse("rightx-")));
        QStringList found;
        for (const BindingTable::Conflict &c : t.conflicts())
            found << QStringLiteral("%1 %2 %3 %4")
                         .arg(InputAction::name(c.first), InputAction::name(c.second))
                         .arg(c.keyboard ? "key" : "pad", c.input);
        QCOMPARE(found, (QStringList{"pitch record pad lefty", "pitchUp photo key W",
                                     "zoomWide photo pad rightx+"}));
        QVERIFY(t.setKey(InputAction::Photo, 1, 0));
        QCOMPARE(t.conflicts().size(), 2);
    }

    void profileIsStoredPerProduct()
    {
        InputProfile changed;
        changed.bindings.setKey(InputAction::ZoomIn, 0, Qt::Key_Plus);
        changed.bindings.setGamepad(InputAction::Photo, GamepadControl());
        changed.yaw.deadZone = changed.pitch.deadZone = 0.2;
        changed.pitch.invert = true;
        changed.speed.topSpeed = 120;
        changed.speed.zoomScaling = false;
        changed.save(QStringLiteral(" Heron "));
        QCOMPARE(InputProfile::load(QStringLiteral("Heron")), changed);
        QCOMPARE(InputProfile::load(QStringLiteral("Otter")), InputProfile());

        // What cannot be read keeps its default; numbers are kept in range.
        QSettings s;
        s.setValue(QStringLiteral("Input/Heron/keys/zoomIn"), QStringLiteral("nonsense"));
        s.setValue(QStringLiteral("Input/Heron/gamepad/record"), QStringLiteral("bogus"));
        s.setValue(QStringLiteral("Input/Heron/gamepad/yaw"), QStringLiteral("a"));
        s.setValue(QStringLiteral("Input/Heron/topSpeed"), 999);
        s.setValue(QStringLiteral("Input/Heron/deadZone"), QStringLiteral("wide"));
        const InputProfile read = InputProfile::load(QStringLiteral("Heron"));
        QCOMPARE(read.bindings.key(InputAction::ZoomIn, 0), 0);
        QCOMPARE(read.bindings.gamepad(InputAction::Record).name(), QStringLiteral("b"));
        QCOMPARE(read.bindings.gamepad(InputAction::Yaw).name(), QStringLiteral("leftx"));
        QCOMPARE(read.speed.topSpeed, 150);
        QCOMPARE(read.yaw.deadZone, 0.1);
        QVERIFY(read.bindings.gamepad(InputAction::Photo).isNone());
    }
};

SKYRIG_REGISTER_TEST(InputRulesTest)

#include "tst_input_rules.moc"
