#include "app/AppCore.h"
#include "app/QmlFrontEnd.h"
#include "common/TestMain.h"
#include "log/LogBridge.h"

#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QtTest>

class AppSceneTest : public QObject
{
    Q_OBJECT

private:
    QStringList m_warnings;

    // Loads the main scene; every engine warning is collected for the check
    // after the engine is gone.
    QQuickWindow *load(QQmlApplicationEngine &engine)
    {
        connect(&engine, &QQmlEngine::warnings, this, [this](const QList<QQmlError> &w) {
            for (const QQmlError &e : w)
                m_warnings << e.toString();
        });
        engine.load(QUrl(QStringLiteral("qrc:/qml/main.qml")));
        return engine.rootObjects().size() == 1
                   ? qobject_cast<QQuickWindow *>(engine.rootObjects().first())
                   : nullptr;
    }

private slots:
    void initTestCase()
    {
        QmlFrontEnd::initResources();
        QVERIFY(!QIcon(QStringLiteral(":/icons/app-icon.png")).isNull());
    }

    void init() { m_warnings.clear(); }

    void mainSceneLoadsWithoutWarnings_data()
    {
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QString>("disconnected");
        QTest::newRow("zh") << true << QStringLiteral("未连接");
        QTest::newRow("en") << false << QStringLiteral("Disconnected");
    }

    void mainSceneLoadsWithoutWarnings()
    {
        QFETCH(bool, chinese);
        QFETCH(QString, disconnected);
        QSettings().setValue(QStringLiteral("startup/isChinese"), chinese);
        QTemporaryDir logs;
        QObject owner;
        auto *core = new AppCore(&owner, logs.path());
        {
            QQmlApplicationEngine engine;
            QmlFrontEnd::publish(engine.rootContext(), core, &owner);
            engine.addImportPath(QStringLiteral("qrc:/qml"));
            QQuickWindow *window = load(engine);
            QVERIFY(window);
            QCOMPARE(window->title(), QStringLiteral("Skyrig"));
            QVERIFY(QTest::qWaitForWindowExposed(window));

            // The log pane follows the log model.
            auto *logView = window->findChild<QQuickItem *>(QStringLiteral("logView"));
            QVERIFY(logView);
            const int shown = logView->property("count").toInt();
            QCOMPARE(shown, core->logModel()->rowCount());
            core->logBridge()->append(QStringLiteral("[Test] one more line"));
            QTRY_COMPARE(logView->property("count").toInt(), shown + 1);

            auto *linkLabel = window->findChild<QQuickItem *>(QStringLiteral("linkLabel"));
            QVERIFY(linkLabel);
            QCOMPARE(linkLabel->property("text").toString(), disconnected);
            QTest::qWait(0);
        }
        QVERIFY2(m_warnings.isEmpty(), qPrintable(m_warnings.join('\n')));
    }

    void sceneLoadsWithoutAnyContextObject()
    {
        QQmlApplicationEngine engine;
        QVERIFY(load(engine));
        QVERIFY2(m_warnings.isEmpty(), qPrintable(m_warnings.join('\n')));
    }
};

SKYRIG_REGISTER_TEST(AppSceneTest)

#include "tst_scene.moc"
