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
};

int main(int argc, char **argv)
{
    const QString root = skyrig_test::isolateUserFolders();
    QTEST_SET_MAIN_SOURCE_PATH
    QmlTestSetup setup;
    const int status =
        quick_test_main_with_setup(argc, argv, "skyrig_qml", QUICK_TEST_SOURCE_DIR, &setup);
    QDir(root).removeRecursively();
    return status;
}

#include "tst_qml_main.moc"
