#include "app/AppKeyFilter.h"
#include "app/StartupLog.h"
#include "app/WindowFitter.h"
#include "common/TestMain.h"

#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace
{

// An item that takes keyboard focus and counts what reaches it, to prove the
// application-wide key filter never swallows a keystroke.
class KeySink : public QQuickItem
{
public:
    int presses = 0;
    int releases = 0;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        ++presses;
        event->accept();
    }
    void keyReleaseEvent(QKeyEvent *event) override
    {
        ++releases;
        event->accept();
    }
};

QString readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

class AppWindowFitterTest : public QObject
{
    Q_OBJECT

private slots:
    void smallScreensLowerTheMinimum_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("position");

        QTest::newRow("1024x600 centres a smaller window")
            << QRect(0, 0, 1024, 600) << QSize(900, 500) << QSize(800, 480) << QSize(900, 500)
            << QPoint(62, 50);
        QTest::newRow("640x400 shrinks minimum and window")
            << QRect(0, 0, 640, 400) << QSize(1280, 800) << QSize(640, 400) << QSize(640, 400)
            << QPoint(0, 0);
        QTest::newRow("window larger than screen is clamped")
            << QRect(0, 0, 1366, 728) << QSize(3000, 2000) << QSize(800, 480) << QSize(1366, 728)
            << QPoint(0, 0);
        QTest::newRow("window below the minimum grows")
            << QRect(0, 0, 1920, 1080) << QSize(300, 200) << QSize(800, 480) << QSize(800, 480)
            << QPoint(560, 300);
        QTest::newRow("odd leftovers round down")
            << QRect(0, 0, 1001, 601) << QSize(800, 480) << QSize(800, 480) << QSize(800, 480)
            << QPoint(100, 60);
        QTest::newRow("second screen offsets the position")
            << QRect(1920, 40, 1024, 600) << QSize(1280, 800) << QSize(800, 480) << QSize(1024, 600)
            << QPoint(1920, 40);
        QTest::newRow("exactly 64 pixels is still usable")
            << QRect(0, 0, 64, 64) << QSize(1280, 800) << QSize(64, 64) << QSize(64, 64)
            << QPoint(0, 0);
    }

    void smallScreensLowerTheMinimum()
    {
        QFETCH(QRect, available);
        QFETCH(QSize, window);
        QFETCH(QSize, minimum);
        QFETCH(QSize, size);
        QFETCH(QPoint, position);

        const WindowFitter::Result r = WindowFitter::compute(available, window, false);
        QVERIFY(r.applies);
        QCOMPARE(r.minimumSize, minimum);
        QVERIFY(r.placeWindow);
        QCOMPARE(r.size, size);
        QCOMPARE(r.position, position);
        // The placed window always lies inside the available area.
        QVERIFY(available.contains(QRect(r.position, r.size)));
    }

    void maximizedWindowKeepsItsGeometry()
    {
        const WindowFitter::Result r =
            WindowFitter::compute(QRect(0, 0, 640, 400), QSize(1920, 1080), true);
        QVERIFY(r.applies);
        QCOMPARE(r.minimumSize, QSize(640, 400));
        QVERIFY(!r.placeWindow);
    }

    void unusableScreensChangeNothing_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::newRow("invalid") << QRect();
        QTest::newRow("empty") << QRect(10, 10, 0, 0);
        QTest::newRow("63 wide") << QRect(0, 0, 63, 800);
        QTest::newRow("63 high") << QRect(0, 0, 800, 63);
    }

    void unusableScreensChangeNothing()
    {
        QFETCH(QRect, available);
        for (bool maximized : {false, true}) {
            const WindowFitter::Result r =
                WindowFitter::compute(available, QSize(1280, 800), maximized);
            QVERIFY(!r.applies);
            QVERIFY(!r.placeWindow);
        }
    }

    void realWindowIsFittedToItsScreen()
    {
        QScreen *screen = QGuiApplication::primaryScreen();
        if (!screen)
            QSKIP("no screen");
        const QRect available = screen->availableGeometry();
        QQuickWindow window;
        window.resize(available.width() + 500, available.height() + 300);
        WindowFitter::fit(&window);

        QCOMPARE(window.minimumWidth(), qMin(available.width(), 800));
        QCOMPARE(window.minimumHeight(), qMin(available.height(), 480));
        QCOMPARE(window.size(), available.size());
        QCOMPARE(window.position(), available.topLeft());

        // Fitting again (as a screen change does) is stable.
        WindowFitter::fit(&window);
        QCOMPARE(window.size(), available.size());
        QCOMPARE(window.position(), available.topLeft());

        WindowFitter::fit(nullptr);
    }
};

class AppKeyFilterTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QQuickWindow> m_window;
    KeySink *m_sink = nullptr;

private slots:
    void init()
    {
        m_window = std::make_unique<QQuickWindow>();
        m_window->resize(200, 200);
        m_sink = new KeySink;
        m_sink->setParentItem(m_window->contentItem());
        m_sink->setSize(QSizeF(200, 200));
        m_sink->setFocus(true);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->requestActivate();
        QTRY_VERIFY(m_sink->hasActiveFocus());
    }

    void cleanup() { m_window.reset(); }

    void plainKeysAreReportedOncePerKeystroke()
    {
        AppKeyFilter filter;
        QSignalSpy pressed(&filter, &AppKeyFilter::pressed);
        QSignalSpy released(&filter, &AppKeyFilter::released);

        QTest::keyPress(m_window.get(), Qt::Key_Left);
        QTest::keyRelease(m_window.get(), Qt::Key_Left);
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(pressed.at(0).at(0).toInt(), int(Qt::Key_Left));
        QCOMPARE(pressed.at(0).at(1).toBool(), false);
        QCOMPARE(released.count(), 1);
        QCOMPARE(released.at(0).at(0).toInt(), int(Qt::Key_Left));

        // The focused control still receives every keystroke.
        QCOMPARE(m_sink->presses, 1);
        QCOMPARE(m_sink->releases, 1);
    }

    void modifiersDecideWhatIsReported()
    {
        AppKeyFilter filter;
        QList<int> pressedKeys;
        QList<int> releasedKeys;
        connect(&filter, &AppKeyFilter::pressed, this,
                [&pressedKeys](int key, bool) { pressedKeys << key; });
        connect(&filter, &AppKeyFilter::released, this,
                [&releasedKeys](int key, bool) { releasedKeys << key; });

        // The simulated keystrokes include the modifier keys themselves; only
        // the arrow and digit keys matter here.
        QTest::keyPress(m_window.get(), Qt::Key_Left, Qt::ControlModifier);
        QTest::keyRelease(m_window.get(), Qt::Key_Left, Qt::ControlModifier);
        QTest::keyPress(m_window.get(), Qt::Key_Up, Qt::AltModifier);
        QTest::keyPress(m_window.get(), Qt::Key_Down, Qt::MetaModifier);
        QVERIFY(!pressedKeys.contains(Qt::Key_Left));
        QVERIFY(!releasedKeys.contains(Qt::Key_Left));
        QVERIFY(!pressedKeys.contains(Qt::Key_Up));
        QVERIFY(!pressedKeys.contains(Qt::Key_Down));
        // Held modifiers filter the report only, never the delivery.
        QCOMPARE(m_sink->presses, 6);

        pressedKeys.clear();
        QTest::keyPress(m_window.get(), Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyPress(m_window.get(), Qt::Key_8, Qt::KeypadModifier);
        QCOMPARE(pressedKeys.count(Qt::Key_Left), 1);
        QCOMPARE(pressedKeys.count(Qt::Key_8), 1);
    }

    void autoRepeatIsPassedOn()
    {
        AppKeyFilter filter;
        QSignalSpy pressed(&filter, &AppKeyFilter::pressed);
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
        QCoreApplication::sendEvent(m_window.get(), &repeat);
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(pressed.at(0).at(1).toBool(), true);
    }
};

class AppStartupLogTest : public QObject
{
    Q_OBJECT

private slots:
    void rewrittenAtEveryStart()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString logDir = dir.filePath(QStringLiteral("nested/logs"));
        QString path;
        {
            StartupLog first(logDir);
            QVERIFY(first.isOpen());
            path = first.filePath();
            QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("qml-startup.log"));
            for (int i = 0; i < 50; ++i)
                first.writeLine(QStringLiteral("first run line %1").arg(i));
        }
        QVERIFY(readAll(path).contains(QStringLiteral("first run line 49")));
        {
            StartupLog second(logDir);
            second.writeLine(QStringLiteral("QML root object count: 1"));
        }
        QCOMPARE(readAll(path), QStringLiteral("QML root object count: 1\n"));
    }

    void unopenableLogLosesLinesQuietly()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("afile")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        StartupLog log(dir.filePath(QStringLiteral("afile/logs")));
        QVERIFY(!log.isOpen());
        log.writeLine(QStringLiteral("lost"));
        log.flush();
    }

    void engineWarningsReachTheFileAtOnce()
    {
        QTemporaryDir dir;
        StartupLog log(dir.path());
        QQmlEngine engine;
        log.attach(&engine);
        int warnings = 0;
        QObject::connect(&engine, &QQmlEngine::warnings, this,
                         [&warnings](const QList<QQmlError> &w) { warnings += w.size(); });

        QQmlComponent component(&engine);
        component.setData("import QtQuick 2.15\n"
                          "Item { Component.onCompleted: missingThing.go() }\n",
                          QUrl(QStringLiteral("file:///probe.qml")));
        std::unique_ptr<QObject> object(component.create());
        QVERIFY(object);
        QTRY_VERIFY(warnings > 0);

        // Flushed without waiting for the log to close.
        const QString text = readAll(log.filePath());
        QVERIFY2(text.contains(QStringLiteral("missingThing")), qPrintable(text));
        QVERIFY(text.endsWith(QLatin1Char('\n')));
    }
};

SKYRIG_REGISTER_TEST(AppWindowFitterTest)
SKYRIG_REGISTER_TEST(AppKeyFilterTest)
SKYRIG_REGISTER_TEST(AppStartupLogTest)

#include "tst_windowfitter.moc"
