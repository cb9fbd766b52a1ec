// Game controller end to end: SDL's virtual controller read by the program's
// input layer steers the real simulator; then the headless front end's gamepad.

#include "CamsimHarness.h"
#include "app/AppCore.h"
#include "app/CtlRunner.h"
#include "commands/GimbalController.h"
#include "common/TestMain.h"
#include "input/GamepadService.h"
#include "link/ConnectionBridge.h"
#include "link/TransportManager.h"
#include "state/GimbalState.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>

using namespace camsim_test;

class InputEndToEndTest : public QObject
{
    Q_OBJECT

    SimProcess m_sim;
    QTemporaryDir m_logs;
    std::unique_ptr<QObject> m_owner;
    AppCore *m_core = nullptr;
    QVector<QPair<qint64, double>> m_yaw;       // yaw reports with the time they arrived
    QVector<QPair<qint64, QByteArray>> m_moves; // gimbalControl payloads sent
    QElapsedTimer m_clock;
    int m_visReports = 0;
    int m_zoomStopped = -1; // the visible reports seen when the zoom was found at rest

    GamepadService *pads() const { return m_core->gamepads(); }
    GimbalState *state() const { return m_core->gimbalState(); }
    const GamepadService::Device *virtualPad() const
    {
        for (const GamepadService::Device &d : pads()->devices())
            if (d.raw.isVirtual)
                return &d;
        return nullptr;
    }
    // Sets one control and waits until the program has read it; returns when.
    qint64 set(const char *name, double value)
    {
        QString error;
        const qint64 at = m_clock.elapsed();
        if (!pads()->setVirtual(QString::fromLatin1(name), value, &error))
            return -1;
        const GamepadControl control = GamepadControl::parse(QString::fromLatin1(name));
        const bool seen = QTest::qWaitFor(
            [&] {
                return virtualPad() && std::abs(virtualPad()->raw.value(control) - value) < 0.001;
            },
            SlowWorkMs);
        return seen ? at : -1;
    }
    // Degrees per second the yaw moved between two moments (from reports).
    double yawRate(qint64 fromMs, qint64 toMs) const
    {
        QPair<qint64, double> first{-1, 0}, last{-1, 0};
        for (const auto &s : m_yaw) {
            if (s.first < fromMs || s.first > toMs)
                continue;
            if (first.first < 0)
                first = s;
            last = s;
        }
        return last.first > first.first
                   ? (last.second - first.second) * 1000.0 / double(last.first - first.first)
                   : 0.0;
    }
    qint64 firstStopAfter(qint64 ms) const
    {
        for (const auto &m : m_moves)
            if (m.first >= ms && m.second == QByteArray::fromHex("00020200"))
                return m.first;
        return -1;
    }
    // Waits until reports span `ms` after `fromMs` (the simulator's work: a
    // generous ceiling).
    bool reportsSpan(qint64 fromMs, qint64 ms)
    {
        return QTest::qWaitFor(
            [&] { return !m_yaw.isEmpty() && m_yaw.last().first >= fromMs + ms; }, SlowWorkMs);
    }
    // The yaw comes to rest: half a second of reports without a change.
    bool restsAfter(qint64 fromMs)
    {
        return QTest::qWaitFor(
            [&] {
                const qint64 last = m_yaw.isEmpty() ? -1 : m_yaw.last().first;
                return last >= fromMs + 500 && std::abs(yawRate(last - 500, last)) < 0.5;
            },
            SlowWorkMs);
    }

private slots:
    void initTestCase()
    {
        if (!QFileInfo(simulatorPath()).isExecutable())
            QSKIP("the simulator is not built (SKYRIG_BUILD_CAMSIM=OFF)");
        QString error;
        // Zoom reports as often as attitude ones, to see the zoom stop.
        QVERIFY2(m_sim.start(words("--model Heron --vis-hz 20"), &error), qPrintable(error));
        m_owner = std::make_unique<QObject>();
        m_core = new AppCore(m_owner.get(), m_logs.path());
        m_core->controller()->setModel(QStringLiteral("Heron"));
        m_clock.start();
        connect(state(), &GimbalState::attitudeChanged, this, [this] {
            m_yaw.append({m_clock.elapsed(), state()->yawJoint()});
        });
        // Two reports in a row with the same zoom: it has stopped.
        connect(state(), &GimbalState::visStatusChanged, this, [this, last = -1.0f]() mutable {
            ++m_visReports;
            m_zoomStopped = state()->hybridZoom() == last ? m_visReports : -1;
            last = state()->hybridZoom();
        });
        connect(m_core->transportManager(), &TransportManager::commandSent, this,
                [this](uint32_t id, const QString &, const QByteArray &frame) {
                    int used = 0;
                    const ParsedFrame f = FrameCodec::decodeShortFrame(frame, used);
                    if (FrameCodec::commandCode(id) == 0x0010)
                        m_moves.append({m_clock.elapsed(), f.payload});
                });
        m_core->connectionBridge()->connectUdp(QStringLiteral("127.0.0.1"), m_sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->controller()->handshakeReady(), SlowWorkMs);

        QSignalSpy attached(pads(), &GamepadService::virtualAttached);
        connect(pads(), &GamepadService::started, pads(), &GamepadService::attachVirtual);
        m_core->startGamepads(true);
        QVERIFY(attached.wait(SlowWorkMs));
        QVERIFY2(attached.first().first().toBool(), qPrintable(attached.first().last().toString()));
        QTRY_VERIFY_WITH_TIMEOUT(
            virtualPad() && virtualPad()->calibration[0].state() == AxisCalibration::Live &&
                virtualPad()->calibration[5].state() == AxisCalibration::Live,
            SlowWorkMs);
        m_core->controller()->gimbalControl(1, 2, 2); // centred
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(state()->yawJoint()) < 0.5, SlowWorkMs);
    }

    void stickSteersAtARateThatGrowsWithDeflection()
    {
        // Right at 40 %, then at full: the yaw grows, faster the further.
        const qint64 gentle = set("leftx", 0.4);
        QVERIFY(gentle >= 0 && reportsSpan(gentle, 900));
        const qint64 full = set("leftx", 1.0);
        QVERIFY(full >= 0 && reportsSpan(full, 700));
        const double slow = yawRate(gentle + 250, full);
        const double fast = yawRate(full + 250, m_yaw.last().first);
        QVERIFY2(slow > 10 && fast > 2 * slow,
                 qPrintable(QStringLiteral("%1 then %2 deg/s").arg(slow).arg(fast)));

        // Back to centre: the stop goes out (bench_input times it), nothing
        // moves after it, and the gimbal rests.
        const qint64 centred = set("leftx", 0);
        QVERIFY(centred >= 0);
        QTRY_VERIFY_WITH_TIMEOUT(firstStopAfter(centred) >= 0, SlowWorkMs);
        QVERIFY(restsAfter(centred));
        const qint64 stop = firstStopAfter(centred);
        for (const auto &m : m_moves)
            QVERIFY(m.first < stop || m.second == QByteArray::fromHex("00020200"));
    }

    void triggerZoomsWhileHeld()
    {
        const float start = state()->hybridZoom();
        QVERIFY(set("righttrigger", 1.0) >= 0);
        QTRY_VERIFY_WITH_TIMEOUT(state()->hybridZoom() > start + 5, SlowWorkMs);
        QVERIFY(set("righttrigger", 0) >= 0);
        // Released: the zoom stops where it is, and stays there over the
        // next ten reports.
        QTRY_VERIFY_WITH_TIMEOUT(m_zoomStopped >= 0, SlowWorkMs);
        const float stopped = state()->hybridZoom();
        const int reports = m_visReports;
        QTRY_VERIFY_WITH_TIMEOUT(m_visReports >= reports + 10, SlowWorkMs);
        QCOMPARE(state()->hybridZoom(), stopped);
        QVERIFY(stopped < 100);
    }

    void headlessBindingsSurviveARestart()
    {
        if (!QFileInfo(ctlPath()).isExecutable())
            QSKIP("skyrigctl is not built");
        // The simulator is the headless front end's from here.
        m_core->connectionBridge()->disconnectUdp();
        // One run binds Start to centring (stored for the product)...
        const Run bind = runCtl(words("--model Heron call inputControls.setGamepadBinding "
                                      "centre start"));
        QVERIFY2(bind.exitCode == CtlRunner::Success, qPrintable(bind.all()));
        // ...the next steers with the stick and centres with Start.
        const Run use = runCtl(QStringList{"--udp", m_sim.address()} +
                               words("--model Heron --lang en --virtual-gamepad ready "
                                     "gamepad leftx=1 wait 600 gamepad leftx=0 wait 200 "
                                     "state yawJoint gamepad start=1 wait 300"));
        QVERIFY2(use.exitCode == CtlRunner::Success, qPrintable(use.all()));
        QVERIFY2(use.out.contains(QStringLiteral("log: Sent Center command")),
                 qPrintable(use.all()));
        QVERIFY2(use.out.contains(QStringLiteral("log: Received reply for Stop motion command")),
                 qPrintable(use.all()));
        // Yaw moved right from the centre by tens of degrees.
        const QString json = use.out.filter(QStringLiteral("{\"yawJoint\":")).value(0);
        QVERIFY2(json.mid(12).chopped(1).toDouble() > 20, qPrintable(json));

        // A control that is no control, or out of its range, is refused.
        const Run bad = runCtl(words("--virtual-gamepad gamepad lefttrigger=-1"));
        QCOMPARE(bad.exitCode, int(CtlRunner::UsageError));
        QVERIFY2(bad.err.contains(QStringLiteral("axis lefttrigger takes 0…1")),
                 qPrintable(bad.all()));
        QCOMPARE(runCtl(words("gamepad a=1")).exitCode, int(CtlRunner::UsageError));
    }
};

SKYRIG_REGISTER_TEST(InputEndToEndTest)

#include "tst_input_e2e.moc"
