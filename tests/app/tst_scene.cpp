#include "app/QmlFrontEnd.h"
#include "common/TestMain.h"

#include <QIcon>
#include <QQmlApplicationEngine>
#include <QtTest>

// The scene with its real objects is driven end to end by tst_ui; here it
// loads from the program's resources with no published object at all (as a
// scene tool would), without a single warning.
class AppSceneTest : public QObject
{
    Q_OBJECT

private slots:
    void sceneLoadsWithoutAnyContextObject()
    {
        QmlFrontEnd::initResources();
        QmlFrontEnd::registerTypes();
        QVERIFY(!QIcon(QStringLiteral(":/icons/app-icon.png")).isNull());
        QStringList warnings;
        {
            QQmlApplicationEngine engine;
            connect(&engine, &QQmlEngine::warnings, this, [&warnings](const QList<QQmlError> &w) {
                for (const QQmlError &e : w)
                    warnings << e.toString();
            });
            engine.addImportPath(QStringLiteral("qrc:/qml"));
            engine.load(QUrl(QStringLiteral("qrc:/qml/main.qml")));
            QCOMPARE(engine.rootObjects().size(), 1);
        }
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
    }

    // The scene's pictures and their textures are gone before the leak
    // check of the sanitizer run.
    void cleanupTestCase() { QmlFrontEnd::releaseSceneCaches(); }
};

SKYRIG_REGISTER_TEST(AppSceneTest)

#include "tst_scene.moc"
