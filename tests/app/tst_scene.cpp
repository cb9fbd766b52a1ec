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

#include <memory>

namespace
{

const char *const MainScene = "qrc:/qml/main.qml";

QStringList toStrings(const QList<QQmlError> &errors)
{
    QStringList texts;
    for (const QQmlError &e : errors)
        texts << e.toString();
    return texts;
}

} // namespace

class AppSceneTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QmlFrontEnd::initResources();
        QVERIFY(!QIcon(QStringLiteral(":/icons/app-icon.png")).isNull());
    }

    void mainSceneLoadsWithoutWarnings_data()
    {
        QTest::addColumn<bool>("chinese");
        QTest::newRow("zh") << true;
        QTest::newRow("en") << false;
    }

    void mainSceneLoadsWithoutWarnings()
    {
        QFETCH(bool, chinese);
        QSettings().setValue(QStringLiteral("startup/isChinese"), chinese);
        QTemporaryDir logs;
        QObject owner;
        auto *core = new AppCore(&owner, logs.path());

        QList<QQmlError> warnings;
        {
            QQmlApplicationEngine engine;
            connect(&engine, &QQmlEngine::warnings, this,
                    [&warnings](const QList<QQmlError> &w) { warnings += w; });
            QmlFrontEnd::publish(engine.rootContext(), core, &owner);
            engine.addImportPath(QStringLiteral("qrc:/qml"));
            engine.load(QUrl(QString::fromLatin1(MainScene)));

            QCOMPARE(engine.rootObjects().size(), 1);
            auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().first());
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

            // The link label reflects the bridge, in the chosen language.
            auto *linkLabel = window->findChild<QQuickItem *>(QStringLiteral("linkLabel"));
            QVERIFY(linkLabel);
            QCOMPARE(linkLabel->property("text").toString(),
                     chinese ? QStringLiteral("未连接") : QStringLiteral("Disconnected"));
            QTest::qWait(0);
        }
        QVERIFY2(warnings.isEmpty(), qPrintable(toStrings(warnings).join('\n')));
    }

    void sceneLoadsWithoutAnyContextObject()
    {
        QList<QQmlError> warnings;
        QQmlApplicationEngine engine;
        connect(&engine, &QQmlEngine::warnings, this,
                [&warnings](const QList<QQmlError> &w) { warnings += w; });
        engine.load(QUrl(QString::fromLatin1(MainScene)));
        QCOMPARE(engine.rootObjects().size(), 1);
        QVERIFY(qobject_cast<QQuickWindow *>(engine.rootObjects().first()));
        QVERIFY2(warnings.isEmpty(), qPrintable(toStrings(warnings).join('\n')));
    }
};

SKYRIG_REGISTER_TEST(AppSceneTest)

#include "tst_scene.moc"
