// Game controllers through the real poller and SDL's virtual controller:
// names as the controller layer has them, calibration at connect, bindings
// recorded by pressing them, and what the router sends for sticks, buttons
// and triggers, including the stop when the controller goes away.

#include "common/TestMain.h"
#include "input/GamepadService.h"
#include "input/InputControls.h"
#include "input/InputRouter.h"
#include "input/SteeringRig.h"

#include <QSignalSpy>
#include <QtTest>

#include <SDL.h>

class InputGamepadTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<SteeringRig> m_rig;
    std::unique_ptr<GamepadService> m_pads;
    std::unique_ptr<InputRouter> m_router;
    std::unique_ptr<InputControls> m_controls;

    const GamepadService::Device *virtualPad() const
    {
        for (const GamepadService::Device &d : m_pads->devices()) {
            if (d.raw.isVirtual)
                return &d;
        }
        return nullptr;
    }
    bool settled() const
    {
        const GamepadService::Device *d = virtualPad();
        if (!d)
            return false;
        for (const AxisCalibration &c : d->calibration) {
            if (c.state() == AxisCalibration::Settling)
                return false;
        }
        return true;
    }
    // Sets controls and waits until the program has read them.
    bool set(std::initializer_list<QPair<const char *, double>> values)
    {
        for (const auto &v : values) {
            QString error;
            if (!m_pads->setVirtual(QString::fromLatin1(v.first), v.second, &error)) {
                qWarning() << error;
                return false;
            }
        }
        return QTest::qWaitFor(
            [&] {
                const GamepadService::Device *d = virtualPad();
                if (!d)
                    return false;
                for (const auto &v : values) {
                    const GamepadControl c = GamepadControl::parse(QString::fromLatin1(v.first));
                    if (std::abs(d->raw.value(c) - v.second) > 0.001)
                        return false;
                }
                return true;
            },
            30000);
    }
    // Plugs the virtual controller in; `settle` waits out its calibration.
    void attach(bool settle = true)
    {
        QSignalSpy attached(m_pads.get(), &GamepadService::virtualAttached);
        m_pads->attachVirtual();
        QVERIFY(attached.wait(30000)); // SDL's work: a generous ceiling
        QVERIFY2(attached.first().first().toBool(), qPrintable(attached.first().last().toString()));
        if (settle)
            QTRY_VERIFY(settled());
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<SteeringRig>();
        m_pads = std::make_unique<GamepadService>();
        m_router = std::make_unique<InputRouter>(&m_rig->steering, m_pads.get());
        m_controls = std::make_unique<InputControls>(m_router.get(), &m_rig->steering, m_pads.get(),
                                                     &m_rig->camera);
        QSignalSpy started(m_pads.get(), &GamepadService::started);
        m_pads->start(true);
        QVERIFY(started.wait(30000));
        QVERIFY2(started.first().first().toBool(), qPrintable(m_pads->errorText()));
    }
    void cleanup()
    {
        m_controls.reset();
        m_router.reset();
        m_pads.reset();
        m_rig.reset();
    }

    void namesAreTheControllerLayers()
    {
        for (int b = 0; b < GamepadControl::ButtonCount; ++b)
            QCOMPARE(GamepadControl::buttonName(b),
                     QString::fromLatin1(
                         SDL_GameControllerGetStringForButton(SDL_GameControllerButton(b))));
        for (int a = 0; a < GamepadControl::AxisCount; ++a)
            QCOMPARE(
                GamepadControl::axisName(a),
                QString::fromLatin1(SDL_GameControllerGetStringForAxis(SDL_GameControllerAxis(a))));
        // The virtual controller reads back every control under its name.
        attach();
        QVERIFY(set({{"leftx", -1}, {"righty", 0.5}, {"lefttrigger", 1}, {"righttrigger", 0.25}}));
        // (The virtual controller has no touchpad to press.)
        for (int b = 0; b < GamepadControl::ButtonCount - 1; ++b) {
            const QByteArray name = GamepadControl::buttonName(b).toLatin1();
            QVERIFY2(set({{name.constData(), 1}}), name.constData());
            QCOMPARE(virtualPad()->raw.buttons, 1u << b);
            QVERIFY(set({{name.constData(), 0}}));
        }
        QString error;
        QVERIFY(!m_pads->setVirtual(QStringLiteral("lefttrigger"), -0.5, &error));
        QVERIFY(!m_pads->setVirtual(QStringLiteral("a"), 0.5, &error));
        QVERIFY(!m_pads->setVirtual(QStringLiteral("leftx+"), 1, &error));
    }

    void sticksButtonsAndTriggersSteer()
    {
        attach();
        // Half right: the stick's speed; full: the top speed.
        QVERIFY(set({{"leftx", 0.55}}));
        QTRY_COMPARE(m_rig->texts(), (QStringList{"speed 38 38", "move R -"}));
        QVERIFY(set({{"leftx", 1.0}, {"lefty", -1.0}}));
        QTRY_VERIFY(m_rig->texts().contains(QStringLiteral("move R U")));
        QTRY_VERIFY(m_rig->texts().contains(QStringLiteral("speed 90 90")));
        QVERIFY(set({{"leftx", 0}, {"lefty", 0}}));
        QVERIFY(m_rig->settled());
        QCOMPARE(m_rig->texts().last(), QStringLiteral("stop"));

        // Buttons act once per press; triggers zoom while held.
        m_rig->sent.clear();
        QVERIFY(set({{"x", 1}}));
        QVERIFY(set({{"x", 0}, {"righttrigger", 0.9}}));
        QVERIFY(set({{"righttrigger", 0.4}})); // still held: released below 0.3
        QVERIFY(set({{"righttrigger", 0}}));
        QVERIFY(set({{"y", 1}}));
        QVERIFY(m_rig->settled());
        QCOMPARE(m_rig->texts(), (QStringList{"centre", "zoom in", "zoom stop", "down"}));

        // Leaving the controls section while moving stops, and the stick
        // steers again only once it was back at rest.
        QVERIFY(set({{"y", 0}, {"leftx", 0.8}}));
        QTRY_VERIFY(m_rig->texts().contains(QStringLiteral("move R -")));
        m_controls->sectionClosed();
        QVERIFY(m_rig->settled());
        QCOMPARE(m_rig->texts().last(), QStringLiteral("stop"));
        m_rig->sent.clear();
        QVERIFY(set({{"leftx", 0.9}}));
        const qint64 rest = m_rig->clock.elapsed();
        QVERIFY(set({{"leftx", 0}}));

        // Unplugged while moving: the stop goes out.
        QVERIFY(set({{"y", 0}, {"leftx", -0.8}}));
        QTRY_VERIFY(m_rig->texts().contains(QStringLiteral("move L -")));
        QVERIFY(m_rig->sent.first().ms >= rest); // nothing while latched
        m_pads->detachVirtual();
        QTRY_VERIFY(!virtualPad());
        QVERIFY(m_rig->settled());
        QCOMPARE(m_rig->texts().last(), QStringLiteral("stop"));
        QCOMPARE(m_rig->count(QStringLiteral("stop")), 3);
    }

    void stuckAxisIsIgnoredWithANote()
    {
        skyrig_test::setChinese(false);
        m_controls->setWatching(true);
        attach(false);
        // Far out while the controller settles: ignored, and said so.
        QString error;
        QVERIFY(m_pads->setVirtual(QStringLiteral("rightx"), 0.9, &error));
        QVERIFY(m_pads->setVirtual(QStringLiteral("leftx"), 0.9, &error));
        QTRY_VERIFY(
            !m_controls->devices().value(0).toMap().value("notes").toStringList().isEmpty());
        const QVariantMap device = m_controls->devices().value(0).toMap();
        QCOMPARE(device.value("notes").toStringList().value(0),
                 QStringLiteral("Left stick X read 0.90 when connected, far from rest: ignored "
                                "until it returns"));
        const QVariantMap axis = device.value("axes").toList().value(0).toMap();
        QCOMPARE(axis.value("state").toString(), QStringLiteral("ignored"));
        QCOMPARE(axis.value("bound").toString(), QStringLiteral("Yaw (stick)"));
        QVERIFY(set({{"leftx", 0.95}}));
        const qint64 rest = m_rig->clock.elapsed();
        // Back at rest, it steers; nothing went out before.
        QVERIFY(set({{"leftx", 0}}));
        QVERIFY(set({{"leftx", 1}}));
        QTRY_VERIFY(m_rig->texts().contains(QStringLiteral("move R -")));
        QVERIFY(m_rig->sent.first().ms >= rest);
        QVERIFY(set({{"leftx", 0}}));
        QVERIFY(m_rig->settled());
    }

    void bindingsAreRecordedByPressing()
    {
        attach();
        QSignalSpy changed(m_controls.get(), &InputControls::bindingsChanged);
        // The next control moved is the binding; it does not act meanwhile.
        m_controls->captureGamepad(QStringLiteral("centre"));
        QVERIFY(m_controls->capturing());
        QVERIFY(set({{"start", 1}}));
        QTRY_VERIFY(!m_controls->capturing());
        QCOMPARE(m_controls->profile().bindings.gamepad(InputAction::Centre).name(),
                 QStringLiteral("start"));
        QVERIFY(set({{"start", 0}}));
        QCOMPARE(m_rig->texts(), QStringList());
        QVERIFY(set({{"start", 1}}));
        QTRY_COMPARE(m_rig->texts(), QStringList{"centre"});
        QVERIFY(set({{"start", 0}}));
        // A stick pushed for an axis action binds the whole axis.
        m_controls->captureGamepad(QStringLiteral("yaw"));
        QVERIFY(set({{"rightx", -0.8}}));
        QTRY_VERIFY(!m_controls->capturing());
        QCOMPARE(m_controls->profile().bindings.gamepad(InputAction::Yaw).name(),
                 QStringLiteral("rightx"));
        // Held through the recording: nothing until it was back at rest.
        const qint64 rest = m_rig->clock.elapsed();
        QVERIFY(set({{"rightx", 0}}));
        QVERIFY(set({{"rightx", -0.8}}));
        QTRY_COMPARE(m_rig->texts().last(), QStringLiteral("move L -"));
        for (const SentCommand &c : m_rig->sent)
            QVERIFY(c.text == QLatin1String("centre") || c.ms >= rest);
        QVERIFY(set({{"rightx", 0}}));
        QVERIFY(m_rig->settled());

        // Keys the same way; Escape gives up; conflicts are listed.
        m_controls->captureKey(QStringLiteral("photo"), 1);
        m_router->keyPressed(Qt::Key_W, false);
        QVERIFY(!m_controls->capturing());
        QCOMPARE(m_controls->actions().value(InputAction::Photo).toMap().value("keys").toList(),
                 (QVariantList{QString(), QStringLiteral("W")}));
        QCOMPARE(m_controls->conflicts().size(), 1);
        m_controls->captureKey(QStringLiteral("photo"), 0);
        m_router->keyPressed(Qt::Key_Escape, false);
        QVERIFY(!m_controls->capturing());
        QVERIFY(m_controls->setKeyBinding(QStringLiteral("zoomIn"), 0, QStringLiteral("+")));
        QVERIFY(!m_controls->setKeyBinding(QStringLiteral("zoomIn"), 0, QStringLiteral("Ctrl+P")));
        QVERIFY(!m_controls->setGamepadBinding(QStringLiteral("yaw"), QStringLiteral("a")));
        QVERIFY(changed.count() >= 4);

        // Stored for the product, and back to the defaults on request.
        QCOMPARE(InputProfile::load(m_rig->camera.modelId()), m_controls->profile());
        m_controls->resetDefaults();
        QCOMPARE(InputProfile::load(m_rig->camera.modelId()), InputProfile());
    }
};

SKYRIG_REGISTER_TEST(InputGamepadTest)

#include "tst_input_gamepad.moc"
