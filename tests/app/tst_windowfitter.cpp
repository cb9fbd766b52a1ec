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

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll())
                                                            : QString();
}

} // namespace

class AppWindowFitterTest : public QObject
{
    Q_OBJECT

private slots:
    void fitsTheAvailableArea_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<QSize>("minimum"); // empty: the window is left alone
        QTest::addColumn<QSize>("size");    // empty: only the minimum changes
        QTest::addColumn<QPoint>("position");

        const auto row = [](const char *name, QRect available, QSize window, bool maximized,
                            QSize minimum, QSize size, QPoint position) {
            QTest::newRow(name) << available << window << maximized << minimum << size << position;
        };
        row("1024x600 centres a smaller window", {0, 0, 1024, 600}, {900, 500}, false, {800, 480},
            {900, 500}, {62, 50});
        row("640x400 shrinks minimum and window", {0, 0, 640, 400}, {1280, 800}, false, {640, 400},
            {640, 400}, {0, 0});
        row("window below the minimum grows", {0, 0, 1920, 1080}, {300, 200}, false, {800, 480},
            {800, 480}, {560, 300});
        row("odd leftovers round down", {0, 0, 1001, 601}, {800, 480}, false, {800, 480},
            {800, 480}, {100, 60});
        row("second screen offsets the position", {1920, 40, 1024, 600}, {1280, 800}, false,
            {800, 480}, {1024, 600}, {1920, 40});
        row("exactly 64 pixels is still usable", {0, 0, 64, 64}, {1280, 800}, false, {64, 64},
            {64, 64}, {0, 0});
        row("maximized keeps its geometry", {0, 0, 640, 400}, {1920, 1080}, true, {640, 400}, {},
            {});
        row("invalid screen", {}, {1280, 800}, false, {}, {}, {});
        row("63 wide", {0, 0, 63, 800}, {1280, 800}, true, {}, {}, {});
        row("63 high", {0, 0, 800, 63}, {1280, 800}, false, {}, {}, {});
    }

    void fitsTheAvailableArea()
    {
        QFETCH(QRect, available);
        QFETCH(QSize, window);
        QFETCH(bool, maximized);
        QFETCH(QSize, minimum);
        QFETCH(QSize, size);
        QFETCH(QPoint, position);

        const WindowFitter::Result r = WindowFitter::compute(available, window, maximized);
        QCOMPARE(r.applies, minimum.isValid());
        QCOMPARE(r.placeWindow, size.isValid());
        if (r.applies)
            QCOMPARE(r.minimumSize, minimum);
        if (r.placeWindow) {
            QCOMPARE(r.size, size);
            QCOMPARE(r.position, position);
            QVERIFY(available.contains(QRect(r.position, r.size)));
        }
    }
};

class AppKeyFilterTest : public QObject
{
    Q_OBJECT

    QQmlEngine m_engine;
    std::unique_ptr<QQuickWindow> m_window;

    QQuickItem *item(const char *name) const
    {
        return m_window->findChild<QQuickItem *>(QString::fromLatin1(name));
    }

private slots:
    void init()
    {
        // A scene with the kinds of controls the program's sections use.
        QQmlComponent component(&m_engine);
        component.setData("import QtQuick 2.15\n"
                          "import QtQuick.Controls 2.15\n"
                          "ApplicationWindow {\n"
                          "  width: 300; height: 300; visible: true\n"
                          "  Column {\n"
                          "    Item { objectName: 'plain'; width: 10; height: 10 }\n"
                          "    Button { objectName: 'button'; text: 'b' }\n"
                          "    ComboBox { objectName: 'combo'; model: ['a', 'b', 'c'] }\n"
                          "    TextField { objectName: 'field' }\n"
                          "    Slider { objectName: 'slider'; value: 0.5 }\n"
                          "    SpinBox { objectName: 'spin'; value: 5 }\n"
                          "    ListView { objectName: 'list'; width: 50; height: 30;"
                          " model: 3; delegate: Text { text: index } }\n"
                          "  }\n"
                          "  Popup { objectName: 'popup'; width: 50; height: 50 }\n"
                          "}\n",
                          QUrl(QStringLiteral("file:///keys.qml")));
        m_window.reset(qobject_cast<QQuickWindow *>(component.create()));
        QVERIFY2(m_window, qPrintable(component.errorString()));
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get(), 30000));
        // Without a window manager an activation request can be lost to the
        // previous row's window going away: ask again until it takes.
        QVERIFY(QTest::qWaitFor(
            [this] {
                if (!m_window->isActive())
                    m_window->requestActivate();
                return m_window->isActive();
            },
            30000));
    }

    void cleanup() { m_window.reset(); }

    void aPressSteersOnlyWhenNothingTookIt_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("reported");
        QTest::newRow("plain") << "plain" << int(Qt::Key_Left) << int(Qt::NoModifier) << true;
        QTest::newRow("shift") << "plain" << int(Qt::Key_Left) << int(Qt::ShiftModifier) << true;
        QTest::newRow("keypad") << "plain" << int(Qt::Key_8) << int(Qt::KeypadModifier) << true;
        QTest::newRow("control") << "plain" << int(Qt::Key_Left) << int(Qt::ControlModifier)
                                 << false;
        QTest::newRow("alt") << "plain" << int(Qt::Key_Up) << int(Qt::AltModifier) << false;
        QTest::newRow("meta") << "plain" << int(Qt::Key_Down) << int(Qt::MetaModifier) << false;
        QTest::newRow("button passes arrows on") << "button" << int(Qt::Key_Right) << 0 << true;
        QTest::newRow("combo takes Down") << "combo" << int(Qt::Key_Down) << 0 << false;
        QTest::newRow("combo owns Left too") << "combo" << int(Qt::Key_Left) << 0 << false;
        QTest::newRow("combo owns Home") << "combo" << int(Qt::Key_Home) << 0 << false;
        QTest::newRow("combo searches letters") << "combo" << int(Qt::Key_W) << 0 << false;
        QTest::newRow("field takes letters") << "field" << int(Qt::Key_D) << 0 << false;
        QTest::newRow("field owns Up") << "field" << int(Qt::Key_Up) << 0 << false;
        QTest::newRow("slider takes Left") << "slider" << int(Qt::Key_Left) << 0 << false;
        QTest::newRow("slider owns Up") << "slider" << int(Qt::Key_Up) << 0 << false;
        QTest::newRow("slider owns Home") << "slider" << int(Qt::Key_Home) << 0 << false;
        QTest::newRow("spin box owns Up") << "spin" << int(Qt::Key_Up) << 0 << false;
        QTest::newRow("list owns Down") << "list" << int(Qt::Key_Down) << 0 << false;
        QTest::newRow("list passes letters on") << "list" << int(Qt::Key_A) << 0 << true;
        QTest::newRow("slider passes letters on") << "slider" << int(Qt::Key_W) << 0 << true;
        QTest::newRow("popup open") << "popup" << int(Qt::Key_Right) << 0 << false;
    }
    void aPressSteersOnlyWhenNothingTookIt()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, reported);
        if (focus == QLatin1String("popup"))
            QVERIFY(QMetaObject::invokeMethod(m_window->findChild<QObject *>(focus), "open"));
        else
            item(focus.toLatin1().constData())->forceActiveFocus();
        AppKeyFilter filter;
        QSignalSpy pressed(&filter, &AppKeyFilter::pressed);
        QSignalSpy released(&filter, &AppKeyFilter::released);
        // The simulated keystroke includes the modifier keys themselves.
        QTest::keyClick(m_window.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        const QVariantList report{key, false};
        QCOMPARE(int(pressed.count(report)), reported ? 1 : 0);
        // A release is never filtered out.
        QCOMPARE(int(released.count(report)), 1);
    }

    void autoRepeatIsPassedOn()
    {
        AppKeyFilter filter;
        QSignalSpy pressed(&filter, &AppKeyFilter::pressed);
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
        QCoreApplication::sendEvent(m_window.get(), &repeat);
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(pressed.at(0), (QVariantList{int(Qt::Key_Up), true}));
    }
};

class AppStartupLogTest : public QObject
{
    Q_OBJECT

private slots:
    // Rewritten at every start; the engine's warnings reach the file at once
    // (not when the log closes); a log that cannot be opened loses its lines
    // quietly.
    void rewrittenAtEveryStartAndFlushed()
    {
        QTemporaryDir dir;
        const QString logDir = dir.filePath(QStringLiteral("nested/logs"));
        QString path;
        {
            StartupLog first(logDir);
            QVERIFY(first.isOpen());
            path = first.filePath();
            QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("qml-startup.log"));
            first.writeLine(QString(500, QLatin1Char('#'))); // longer than all the next run writes
        }
        QVERIFY(readAll(path).startsWith(QLatin1Char('#')));
        StartupLog second(logDir);
        second.writeLine(QStringLiteral("QML root object count: 1"));
        QQmlEngine engine;
        second.attach(&engine);
        QQmlComponent component(&engine);
        component.setData("import QtQuick 2.15\n"
                          "Item { Component.onCompleted: missingThing.go() }\n",
                          QUrl(QStringLiteral("file:///probe.qml")));
        std::unique_ptr<QObject> object(component.create());
        QVERIFY(object);
        QTRY_VERIFY(readAll(path).contains(QStringLiteral("missingThing")));
        const QString text = readAll(path);
        QVERIFY2(text.startsWith(QStringLiteral("QML root object count: 1\n")) &&
                     text.endsWith(QLatin1Char('\n')) && !text.contains('#'),
                 qPrintable(text));

        QFile blocker(dir.filePath(QStringLiteral("afile")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        StartupLog lost(dir.filePath(QStringLiteral("afile/logs")));
        QVERIFY(!lost.isOpen());
        lost.writeLine(QStringLiteral("lost"));
        lost.flush();
    }
};

SKYRIG_REGISTER_TEST(AppWindowFitterTest)
SKYRIG_REGISTER_TEST(AppKeyFilterTest)
SKYRIG_REGISTER_TEST(AppStartupLogTest)

#include "tst_windowfitter.moc"
