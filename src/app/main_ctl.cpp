#include "app/CtlRunner.h"

#include <SkyrigVersion.h>

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // A store of its own: scripted runs never change the interface program's settings.
    QCoreApplication::setOrganizationName(QStringLiteral("Skyrig"));
    QCoreApplication::setApplicationName(QStringLiteral("skyrigctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SKYRIG_VERSION));
    CtlRunner runner;
    return runner.run(QCoreApplication::arguments());
}
