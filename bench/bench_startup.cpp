// Start-up time of the interface program to its first drawn frame, with the
// camera simulator running and a product stored (so the main page with its
// live video panel is what gets drawn). Each run starts `skyrig --screenshot
// FILE --screenshot-delay 0`, which grabs the window right after its first
// frame and exits; the wall time of that run is the figure. Needs a display
// (run it under xvfb-run). Goal: below 1 s.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString bin = QCoreApplication::applicationDirPath();
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;

    QProcess sim;
    sim.start(bin + QStringLiteral("/skyrig-camsim"),
              {QStringLiteral("--udp-port"), QStringLiteral("0"), QStringLiteral("--rtsp-port"),
               QStringLiteral("0"), QStringLiteral("--http-port"), QStringLiteral("0")});
    QString ready;
    QElapsedTimer wait;
    wait.start();
    static const QRegularExpression port(QStringLiteral("udp=127\\.0\\.0\\.1:(\\d+)"));
    while (wait.elapsed() < 10000 && !port.match(ready).hasMatch()) {
        sim.waitForReadyRead(200);
        ready += QString::fromLocal8Bit(sim.readAllStandardOutput());
    }
    const QString udpPort = port.match(ready).captured(1);
    if (udpPort.isEmpty()) {
        std::fprintf(stderr, "bench_startup: the simulator did not start\n");
        return 1;
    }

    QDir().mkpath(dir.filePath(QStringLiteral("config/Skyrig")));
    QFile conf(dir.filePath(QStringLiteral("config/Skyrig/Skyrig.conf")));
    conf.open(QIODevice::WriteOnly);
    // The stream history holds a loopback address and auto stream is off:
    // the product's default camera address is never even preselected.
    conf.write(QStringLiteral("[startup]\nhasProduct=true\nproductId=Otter\nproductName=Otter\n"
                              "[Connection]\nOtter_udpIp=127.0.0.1\nOtter_udpPort=%1\n"
                              "[Video]\nurls_Otter=rtsp://127.0.0.1:8554/test\n"
                              "[video]\nautoStream_Otter=false\n")
                   .arg(udpPort)
                   .toUtf8());
    conf.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    std::vector<qint64> times;
    for (int i = 0; i < runs; ++i) {
        QProcess ui;
        ui.setProcessEnvironment(env);
        QElapsedTimer t;
        t.start();
        ui.start(bin + QStringLiteral("/skyrig"),
                 {QStringLiteral("--screenshot"), dir.filePath(QStringLiteral("first.png")),
                  QStringLiteral("--screenshot-delay"), QStringLiteral("0")});
        if (!ui.waitForFinished(30000) || ui.exitCode() != 0) {
            std::fprintf(stderr, "bench_startup: run %d failed: %s\n", i,
                         ui.readAllStandardError().constData());
            return 1;
        }
        times.push_back(t.elapsed());
    }
    sim.terminate();
    sim.waitForFinished(3000);
    std::sort(times.begin(), times.end());
    std::printf("startup to first frame (%d runs, simulator running): min %lld ms, median %lld ms, "
                "max %lld ms (goal < 1000 ms)\n",
                runs, static_cast<long long>(times.front()),
                static_cast<long long>(times[times.size() / 2]),
                static_cast<long long>(times.back()));
    return 0;
}
