#include "app/QmlFrontEnd.h"
#include "app/WindowFitter.h"
#include "common/TestMain.h"

#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QScreen>
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

            // The window's minimum is the scene's (a 640-wide video area beside
            // the rail and the narrowest panel), limited by the fitter to the screen.
            auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().first());
            QVERIFY(window && window->screen());
            WindowFitter::fit(window);
            const QRect available = window->screen()->availableGeometry();
            const qreal scale = window->property("fitScale").toReal();
            QCOMPARE(window->minimumSize(),
                     QSize(qMin(available.width(), qRound((88 + 320 + 640) * scale)),
                           qMin(available.height(), qRound(480 * scale))));
        }
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
    }

    // The scene's pictures and their textures are gone before the leak
    // check of the sanitizer run.
    void cleanupTestCase() { QmlFrontEnd::releaseSceneCaches(); }
};

SKYRIG_REGISTER_TEST(AppSceneTest)

#include "tst_scene.moc"
