// The keyboard in the real scene against the real simulator: real key
// events, and the commands that actually leave the link. A held key stops
// however it is let go or interrupted; a key acts on one thing only; keys
// typed into a dialog never steer; the pad, the zoom buttons and the pointer
// on the picture steer and zoom as labelled.

#include "SceneTest.h"
#include "common/TestMain.h"
#include "input/SteeringRig.h"
#include "integration/CamsimHarness.h"
#include "link/ConnectionBridge.h"
#include "state/GimbalState.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace camsim_test;

class UiKeysTest : public SceneTest
{
    Q_OBJECT

    SimProcess m_sim;
    QTemporaryDir m_logs;
    QStringList m_sent;

    void show(int section) { QVERIFY(click(qPrintable(QStringLiteral("nav_%1").arg(section)))); }
    // The steering commands sent since the last call, repeats folded.
    QStringList sent()
    {
        QStringList out;
        for (const QString &s : qAsConst(m_sent)) {
            if (out.isEmpty() || out.last() != s)
                out.append(s);
        }
        m_sent.clear();
        return out;
    }
    // Nothing is to go out: time for the steering's own repeat timer to
    // send any repeat it still had (an absence has no event to wait on).
    void settle() { QTest::qWait(4 * GimbalSteering::StopGapMs); }
    void nothingSent()
    {
        settle();
        const QStringList got = sent();
        QVERIFY2(got.isEmpty(), qPrintable(got.join(QLatin1Char(','))));
    }
    void focusWindow()
    {
        m_window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(m_window, Slow));
    }

private slots:
    void initTestCase()
    {
        if (!skyrig_test::hasDisplay())
            QSKIP("needs a display for real key events (run under xvfb-run)");
        QString error;
        QVERIFY2(m_sim.start(words("--model Heron"), &error), qPrintable(error));
        chooseProduct(QStringLiteral("Heron"), false);
        m_owner = std::make_unique<QObject>();
        m_core = new AppCore(m_owner.get(), m_logs.path());
        connect(m_core->transportManager(), &TransportManager::commandSent, this,
                [this](uint32_t id, const QString &, const QByteArray &frame) {
                    int used = 0;
                    const ParsedFrame f = FrameCodec::decodeShortFrame(frame, used);
                    const QString text = describe(FrameCodec::commandCode(id), f.payload);
                    if (!text.isEmpty())
                        m_sent.append(text);
                });
        QVERIFY(showScene());
        m_core->connectionBridge()->connectUdp(QStringLiteral("127.0.0.1"), m_sim.port);
        QTRY_VERIFY_WITH_TIMEOUT(m_core->controller()->handshakeReady(), Slow);
    }

    void heldKeyStopsHoweverItEnds_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("released with Control held") << "control";
        QTest::newRow("released with Alt held") << "alt";
        QTest::newRow("window loses the focus") << "focus";
        QTest::newRow("a dialog opens") << "dialog";
        QTest::newRow("a popup opens") << "popup";
    }
    void heldKeyStopsHoweverItEnds()
    {
        QFETCH(QString, ending);
        const bool popup = ending == QLatin1String("popup");
        focusWindow();
        show(popup ? 3 : 2);
        QTRY_VERIFY_WITH_TIMEOUT(item(popup ? "irPalette" : "padUp"), Slow);
        sent();
        QTest::keyPress(m_window, Qt::Key_Right);
        QTRY_VERIFY(m_sent.contains(QStringLiteral("move R -")));
        std::unique_ptr<QWidget> other;
        if (ending == QLatin1String("control") || ending == QLatin1String("alt")) {
            const bool control = ending == QLatin1String("control");
            const Qt::Key key = control ? Qt::Key_Control : Qt::Key_Alt;
            const Qt::KeyboardModifier held = control ? Qt::ControlModifier : Qt::AltModifier;
            QTest::keyPress(m_window, key, held);
            QTest::keyRelease(m_window, Qt::Key_Right, held);
            QTest::keyRelease(m_window, key);
        } else if (ending == QLatin1String("focus")) {
            other = std::make_unique<QWidget>();
            other->resize(200, 100);
            other->show();
            other->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(other.get(), Slow));
        } else if (ending == QLatin1String("dialog")) {
            auto *dialog = new QFileDialog;
            other.reset(dialog);
            dialog->setOption(QFileDialog::DontUseNativeDialog);
            dialog->setModal(true);
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog, Slow));
        } else {
            // The operator clicks a combo box while still holding the key.
            QQuickItem *combo = item("irPalette");
            QTest::mouseClick(m_window, Qt::LeftButton, {}, centre(combo));
            QTRY_VERIFY(combo->property("popup").value<QObject *>()->property("opened").toBool());
        }
        // The stop and its two repeats.
        QTRY_COMPARE(m_sent.count(QStringLiteral("stop")), 3);
        QCOMPARE(sent().last(), QStringLiteral("stop"));
        // Nothing moves after, even with the key still down; typing a path
        // into the dialog never steers.
        if (ending == QLatin1String("dialog")) {
            auto *field = other->findChild<QLineEdit *>();
            QVERIFY(field);
            field->setFocus();
            QTest::keyClicks(field, QStringLiteral("/tmp/wasd-firmware"));
            QTest::keyClick(field, Qt::Key_Up);
        }
        nothingSent();
        other.reset();
        if (popup)
            QTest::keyClick(m_window, Qt::Key_Escape);
        focusWindow();
        QTest::keyRelease(m_window, Qt::Key_Right);
        nothingSent();
    }

    // The pad: a held button moves until it is let go (then the stop and
    // its two repeats), the stop button stops once.
    void padSteersWhileHeld()
    {
        show(2);
        QQuickItem *up = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((up = item("padUp")) != nullptr, Slow);
        sent();
        QTest::mousePress(m_window, Qt::LeftButton, {}, centre(up));
        QTRY_VERIFY(m_sent.contains(QStringLiteral("move - U")));
        QTest::mouseRelease(m_window, Qt::LeftButton, {}, centre(up));
        QTRY_COMPARE(m_sent.count(QStringLiteral("stop")), 3);
        settle();
        const QStringList held = sent(); // a speed may go out first
        QCOMPARE(held.mid(held.indexOf(QStringLiteral("move - U"))),
                 (QStringList{"move - U", "stop"}));
        QVERIFY(click("padStop"));
        QTRY_VERIFY(!m_sent.isEmpty());
        settle();
        QCOMPARE(m_sent, QStringList{"stop"});
        m_sent.clear();
    }

    void aKeyActsOnOneThing()
    {
        show(3);
        QQuickItem *combo = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((combo = item("irPalette")) != nullptr, Slow);
        combo->forceActiveFocus();
        const int before = combo->property("currentIndex").toInt();
        // Down, W and Home go to the palette (the combo's keys), and
        // nothing steers.
        QVERIFY(combo->property("count").toInt() >= 2);
        QTest::keyClick(m_window, Qt::Key_Down);
        QCOMPARE(combo->property("currentIndex").toInt(), before + 1);
        QTest::keyClick(m_window, Qt::Key_W);
        QTest::keyClick(m_window, Qt::Key_Home);
        QCOMPARE(combo->property("currentIndex").toInt(), 0);
        nothingSent();
        // The same keys with nothing that uses them focused steer.
        item("zoomIn")->forceActiveFocus();
        QTest::keyClick(m_window, Qt::Key_Home);
        QTRY_VERIFY(m_sent.contains(QStringLiteral("centre")));
        QCOMPARE(sent(), QStringList{"centre"});
    }

    void zoomButtonsZoomAsLabelled()
    {
        show(3);
        for (const QString &name : {QStringLiteral("zoomIn"), QStringLiteral("zoomOut")}) {
            QQuickItem *button = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((button = item(qPrintable(name))) != nullptr, Slow);
            QTest::mousePress(m_window, Qt::LeftButton, {}, centre(button));
            QTRY_VERIFY(!m_sent.isEmpty());
            QTest::mouseRelease(m_window, Qt::LeftButton, {}, centre(button));
            QTRY_VERIFY(m_sent.contains(QStringLiteral("zoom stop")));
            settle();
            QCOMPARE(sent(), (QStringList{name == QLatin1String("zoomIn") ? "zoom in" : "zoom out",
                                          "zoom stop"}));
        }
    }

    void pointerOnTheVideoSteersAndZooms()
    {
        QQuickItem *area = item("pointerSteering");
        QVERIFY(area);
        const QPointF from = area->mapToScene(QPointF(area->width() / 2, area->height() / 2));
        const QPointF to = from + QPointF(area->width() / 5, 0);
        sent();
        // Right-drag: steers towards the drag; released: stops.
        mouse(QEvent::MouseButtonPress, from, Qt::RightButton, Qt::RightButton);
        mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::RightButton);
        QTRY_VERIFY(m_sent.contains(QStringLiteral("move R -")));
        mouse(QEvent::MouseButtonRelease, to, Qt::RightButton, Qt::NoButton);
        QTRY_COMPARE(m_sent.count(QStringLiteral("stop")), 3);
        QCOMPARE(sent().last(), QStringLiteral("stop"));
        // One wheel notch away from the operator: one zoom step in.
        QWheelEvent wheel(from, m_window->mapToGlobal(from.toPoint()), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QGuiApplication::sendEvent(m_window, &wheel);
        QTRY_VERIFY(!m_sent.isEmpty());
        const QStringList zoomed = sent();
        QCOMPARE(zoomed.size(), 1);
        QVERIFY2(zoomed.first().startsWith(QLatin1String("zoom to ")), qPrintable(zoomed.first()));
        QVERIFY(zoomed.first().mid(8).toDouble() > m_core->gimbalState()->hybridZoom());
    }

    void cleanupTestCase() { closeScene(); }
};

SKYRIG_REGISTER_TEST(UiKeysTest)

#include "tst_ui_keys.moc"
