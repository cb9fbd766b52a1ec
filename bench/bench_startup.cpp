// Start-up time of the interface program to its first drawn frame, with the
// camera simulator running and a product stored (so the main page with its
// live video panel is what gets drawn). Each run starts `skyrig --screenshot
// FILE --screenshot-delay 0`, which announces its first frame, grabs the
// window right after it and exits; the time from starting the process to the
// announcement is the figure (the time to the saved picture and the end of
// the program is printed too). Needs a display (run it under xvfb-run).
// Goal: below 1 s.

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
    // A cache folder of its own: the first run starts without compiled scene
    // files (as after an install), the others with them.
    env.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral("cache")));
    std::vector<qint64> firstFrame;
    std::vector<qint64> saved;
    qint64 coldFrame = -1;
    for (int i = 0; i <= runs; ++i) {
        QProcess ui;
        ui.setProcessEnvironment(env);
        QElapsedTimer t;
        t.start();
        ui.start(bin + QStringLiteral("/skyrig"),
                 {QStringLiteral("--screenshot"), dir.filePath(QStringLiteral("first.png")),
                  QStringLiteral("--screenshot-delay"), QStringLiteral("0")});
        // The program says when its first frame is drawn; then it grabs a
        // picture, saves it and ends.
        QByteArray err;
        qint64 frameAt = -1;
        while (frameAt < 0 && t.elapsed() < 30000 && ui.state() != QProcess::NotRunning) {
            ui.waitForReadyRead(20);
            err += ui.readAllStandardError();
            if (err.contains("skyrig: first frame drawn"))
                frameAt = t.elapsed();
        }
        if (!ui.waitForFinished(30000) || ui.exitCode() != 0 || frameAt < 0) {
            std::fprintf(stderr, "bench_startup: run %d failed: %s\n", i,
                         (err + ui.readAllStandardError()).constData());
            return 1;
        }
        if (i == 0) {
            coldFrame = frameAt;
            continue;
        }
        firstFrame.push_back(frameAt);
        saved.push_back(t.elapsed());
    }
    sim.terminate();
    sim.waitForFinished(3000);
    const auto report = [runs](const char *what, std::vector<qint64> &v) {
        std::sort(v.begin(), v.end());
        std::printf("%s (%d runs, simulator running): min %lld ms, median %lld ms, max %lld ms\n",
                    what, runs, static_cast<long long>(v.front()),
                    static_cast<long long>(v[v.size() / 2]), static_cast<long long>(v.back()));
    };
    report("startup to first frame (goal < 1000 ms)", firstFrame);
    report("startup to picture saved and program ended", saved);
    std::printf("first start without compiled scene files: first frame after %lld ms\n",
                static_cast<long long>(coldFrame));
    return 0;
}
