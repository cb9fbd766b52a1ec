#include "app/CtlRunner.h"

#include <SkyrigVersion.h>

#include <QGuiApplication>

int main(int argc, char **argv)
{
    // The video player draws to an item that needs a GUI application. No
    // window is ever shown, so whatever platform the environment names, the
    // minimal one serves: it needs no display and, unlike the offscreen
    // one, frees its screen at exit.
    qputenv("QT_QPA_PLATFORM", "minimal");
    QGuiApplication app(argc, argv);
    // A store of its own: scripted runs never change the interface program's settings.
    QCoreApplication::setOrganizationName(QStringLiteral("Skyrig"));
    QCoreApplication::setApplicationName(QStringLiteral("skyrigctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SKYRIG_VERSION));
    CtlRunner runner;
    return runner.run(QCoreApplication::arguments());
}
