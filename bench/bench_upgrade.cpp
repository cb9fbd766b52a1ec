// Firmware upgrade of a large package against the simulator's HTTP upgrade
// service on loopback: how long the digest and upload take, how many
// progress steps the interface sees, and how much the resident memory grows
// (it stays flat only while nothing holds the package, or the multipart
// body, whole).
//
// Usage: bench_upgrade [MiB] [TIMES]   (default 1024 MiB once; the package
// is a sparse file). Several upgrades in a row show whether each one leaves
// resident memory behind.

#include "camsim/HttpServer.h"
#include "upgrade/FirmwareUpgradeBridge.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace
{

// A figure from /proc/self/status in KiB, or -1.
qint64 statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("SkyrigBench"));
    QCoreApplication::setApplicationName(QStringLiteral("bench_upgrade"));
    QStandardPaths::setTestModeEnabled(true);
    QSettings().setValue(QStringLiteral("startup/isChinese"), false);
    const qint64 mebibytes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 1024;
    const int times = argc > 2 ? qMax(1, QString::fromLocal8Bit(argv[2]).toInt()) : 1;

    QTemporaryDir work;
    const QString path = work.filePath(QStringLiteral("L4T-V4.0-Upgrade.tar"));
    QFile sparse(path);
    if (!sparse.open(QIODevice::WriteOnly) || !sparse.resize(mebibytes << 20)) {
        std::printf("bench_upgrade: cannot make the package\n");
        return 1;
    }
    sparse.close();
    HttpServer camera(QStringLiteral("127.0.0.1"), QStringLiteral("Heron"), false, {});
    QString error;
    if (!camera.start(0, &error)) {
        std::printf("bench_upgrade: %s\n", qPrintable(error));
        return 1;
    }
    FirmwareUpgradeBridge bridge;
    bridge.setPort(camera.port());
    int steps = 0;
    QObject::connect(&bridge, &FirmwareUpgradeBridge::progressChanged, [&steps] { ++steps; });
    QString outcome;
    QObject::connect(&bridge, &FirmwareUpgradeBridge::finished,
                     [&outcome, &app](bool, const QString &message) {
                         outcome = message;
                         app.quit();
                     });

    QFile refs(QStringLiteral("/proc/self/clear_refs")); // the peak starts afresh
    const bool peakReset = refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
    refs.close();
    const qint64 baseKiB = statusKiB("VmRSS:");
    bool whole = true;
    for (int round = 1; round <= times; ++round) {
        steps = 0;
        bridge.setFirmwareFile(path, QStringLiteral("Heron"));
        QElapsedTimer clock;
        clock.start();
        bridge.startUpgrade(QStringLiteral("127.0.0.1"), QStringLiteral("Heron"));
        app.exec();
        // What is left once the upload's objects are gone.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        const bool arrived = camera.lastUpload().size == (mebibytes << 20);
        whole = whole && arrived;
        std::printf("%lld MiB upgrade %d: %s in %.1f s, %d progress steps, package %s, "
                    "resident %.1f MiB after\n",
                    (long long)mebibytes, round, qPrintable(outcome), clock.elapsed() / 1000.0,
                    steps, arrived ? "arrived whole" : "DID NOT ARRIVE WHOLE",
                    statusKiB("VmRSS:") / 1024.0);
    }
    if (peakReset && baseKiB > 0)
        std::printf("resident %.1f MiB before, peak growth %.0f MiB (the package is %lld MiB), "
                    "%.1f MiB more after %d upgrades\n",
                    baseKiB / 1024.0, (statusKiB("VmHWM:") - baseKiB) / 1024.0,
                    (long long)mebibytes, (statusKiB("VmRSS:") - baseKiB) / 1024.0, times);
    return whole ? 0 : 1;
}
