#include "app/QmlFrontEnd.h"
#include "common/TestMain.h"

#include <QQmlEngine>
#include <QtQuickTest>

// Gives every test file's engine the program's scene modules.
class QmlTestSetup : public QObject
{
    Q_OBJECT
public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        QmlFrontEnd::initResources();
        QmlFrontEnd::registerTypes();
        engine->addImportPath(QStringLiteral("qrc:/qml"));
    }
    // After the last test file's window is gone, while the application
    // still exists: the scene's pictures and textures are freed before the
    // leak check of the sanitizer run.
    void cleanupTestCase() { QmlFrontEnd::releaseSceneCaches(); }
};

int main(int argc, char **argv)
{
    skyrig_test::chooseHeadlessPlatform<QApplication>();
    const QString root = skyrig_test::isolateUserFolders();
    QTEST_SET_MAIN_SOURCE_PATH
    QmlTestSetup setup;
    const int status =
        quick_test_main_with_setup(argc, argv, "skyrig_qml", QUICK_TEST_SOURCE_DIR, &setup);
    QDir(root).removeRecursively();
    return status;
}

#include "tst_qml_main.moc"
