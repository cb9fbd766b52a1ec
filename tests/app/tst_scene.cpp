#include "app/GraphicsBackend.h"
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
            // the rail and the narrowest panel), limited by the fitter to the
            // screen; a window larger than the screen is fitted to it, and
            // fitting again (as a screen change does) keeps it there.
            auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().first());
            QVERIFY(window && window->screen());
            const QRect available = window->screen()->availableGeometry();
            window->resize(available.width() + 500, available.height() + 300);
            for (int fit = 0; fit < 2; ++fit) {
                WindowFitter::fit(window);
                const qreal scale = window->property("fitScale").toReal();
                QCOMPARE(window->minimumSize(),
                         QSize(qMin(available.width(), qRound((88 + 320 + 640) * scale)),
                               qMin(available.height(), qRound(480 * scale))));
                QCOMPARE(window->geometry(), available);
            }
            WindowFitter::fit(nullptr);
        }
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
    }

    // Mesa's CPU rasterisers take the software scene, and the program says
    // which one it found and how to keep OpenGL; a GPU keeps OpenGL silently.
    void softwareRasterisersTakeTheSoftwareScene_data()
    {
        QTest::addColumn<QString>("renderer");
        QTest::addColumn<bool>("software");
        QTest::newRow("llvmpipe") << "llvmpipe (LLVM 15.0.6, 256 bits)" << true;
        QTest::newRow("softpipe") << "softpipe" << true;
        QTest::newRow("gpu") << "Mesa Intel(R) UHD Graphics 620 (KBL GT2)" << false;
        QTest::newRow("none") << "" << false;
    }

    void softwareRasterisersTakeTheSoftwareScene()
    {
        QFETCH(QString, renderer);
        QFETCH(bool, software);
        QCOMPARE(GraphicsBackend::isSoftwareRasteriser(renderer), software);
        const QString text = GraphicsBackend::notice(software ? GraphicsBackend::SoftwareRaster
                                                              : GraphicsBackend::OpenGL,
                                                     QStringLiteral("xcb"), renderer);
        QCOMPARE(text.isEmpty(), !software);
        if (software)
            QVERIFY2(text.startsWith(QLatin1String("skyrig: OpenGL here is only a software "
                                                   "rasteriser (") +
                                     renderer) &&
                         text.contains(QLatin1String("QT_QUICK_BACKEND=opengl")),
                     qPrintable(text));
    }

    // The scene's pictures and their textures are gone before the leak
    // check of the sanitizer run.
    void cleanupTestCase() { QmlFrontEnd::releaseSceneCaches(); }
};

SKYRIG_REGISTER_TEST(AppSceneTest)

#include "tst_scene.moc"
