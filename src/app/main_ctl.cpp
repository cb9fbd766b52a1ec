#include "app/CtlRunner.h"

#include <SkyrigVersion.h>

#include <QGuiApplication>

int main(int argc, char **argv)
{
    // The video player draws to an item that needs a GUI application; no
    // window is ever shown, so the offscreen platform serves anywhere.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // A store of its own: scripted runs never change the interface program's settings.
    QCoreApplication::setOrganizationName(QStringLiteral("Skyrig"));
    QCoreApplication::setApplicationName(QStringLiteral("skyrigctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SKYRIG_VERSION));
    CtlRunner runner;
    return runner.run(QCoreApplication::arguments());
}
