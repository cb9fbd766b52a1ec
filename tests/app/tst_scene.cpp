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
        QmlFrontEnd::registerTypes();
        QVERIFY(!QIcon(QStringLiteral(":/icons/app-icon.png")).isNull());
    }

    void init() { m_warnings.clear(); }

    void mainSceneLoadsWithoutWarnings_data()
    {
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("offline");
        QTest::newRow("zh") << true << QStringLiteral("云台相机控制") << QStringLiteral("未连接");
        QTest::newRow("en") << false << QStringLiteral("Gimbal Camera Control")
                            << QStringLiteral("Offline");
    }

    void mainSceneLoadsWithoutWarnings()
    {
        QFETCH(bool, chinese);
        QFETCH(QString, title);
        QFETCH(QString, offline);
        // A stored product opens the main page at once.
        QSettings settings;
        settings.setValue(QStringLiteral("startup/isChinese"), chinese);
        settings.setValue(QStringLiteral("startup/hasProduct"), true);
        settings.setValue(QStringLiteral("startup/productId"), QStringLiteral("Otter"));
        settings.setValue(QStringLiteral("startup/productName"), QStringLiteral("Otter"));
        // Never the product's default camera address, and nothing plays.
        settings.setValue(QStringLiteral("Connection/Otter_udpIp"), QStringLiteral("127.0.0.1"));
        settings.setValue(QStringLiteral("Video/urls_Otter"),
                          QStringList{QStringLiteral("rtsp://127.0.0.1:8554/test")});
        settings.setValue(QStringLiteral("video/autoStream_Otter"), false);
        settings.sync();
        QTemporaryDir logs;
        QObject owner;
        auto *core = new AppCore(&owner, logs.path());
        {
            QQmlApplicationEngine engine;
            QmlFrontEnd::publish(engine.rootContext(), core, &owner);
            engine.addImportPath(QStringLiteral("qrc:/qml"));
            QQuickWindow *window = load(engine);
            QVERIFY(window);
            QCOMPARE(window->title(), title);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));

            // The log pane follows the log model.
            QQuickItem *logView = nullptr;
            QTRY_VERIFY((logView = window->findChild<QQuickItem *>(QStringLiteral("logView"))));
            const int shown = logView->property("count").toInt();
            QCOMPARE(shown, core->logModel()->rowCount());
            core->logBridge()->append(QStringLiteral("[Test] one more line"));
            QTRY_COMPARE(logView->property("count").toInt(), shown + 1);

            auto *linkChip = window->findChild<QQuickItem *>(QStringLiteral("titleLinkChip"));
            QVERIFY(linkChip);
            QCOMPARE(linkChip->property("text").toString(), offline);
            QTest::qWait(0);
        }
        QVERIFY2(m_warnings.isEmpty(), qPrintable(m_warnings.join('\n')));
    }

    void sceneLoadsWithoutAnyContextObject()
    {
        QQmlApplicationEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qml"));
        QVERIFY(load(engine));
        QVERIFY2(m_warnings.isEmpty(), qPrintable(m_warnings.join('\n')));
    }

    // The scene's pictures and their textures are gone before the leak
    // check of the sanitizer run.
    void cleanupTestCase() { QmlFrontEnd::releaseSceneCaches(); }
};

SKYRIG_REGISTER_TEST(AppSceneTest)

#include "tst_scene.moc"
