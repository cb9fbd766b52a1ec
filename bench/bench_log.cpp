// Throughput of the application log: lines per second through the log object
// (capped model + flushed session file), and what the per-line flush costs
// compared with a plain buffered text stream to the same disk.

#include "log/LogBridge.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace
{

constexpr int Lines = 100000;

QString sampleLine(int i)
{
    return QStringLiteral("[Serial COM3 TX] Sent Gimbal angle control (20B) #%1").arg(i);
}

void report(const char *what, qint64 nanos)
{
    const double seconds = nanos / 1e9;
    std::printf("%-46s %8.0f ms  %10.0f lines/s  %7.2f us/line\n", what, seconds * 1e3,
                Lines / seconds, nanos / 1e3 / Lines);
}

qint64 plainStream(const QString &path, bool flushEachLine)
{
    QFile file(path);
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text |
                                     (flushEachLine ? QIODevice::Unbuffered : QIODevice::NotOpen);
    if (!file.open(mode))
        return -1;
    QTextStream out(&file);
    out.setCodec("UTF-8");
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Lines; ++i) {
        out << LogBridge::timeStamp() << QLatin1String("  ") << sampleLine(i) << '\n';
        if (flushEachLine)
            out.flush();
    }
    out.flush();
    return timer.nsecsElapsed();
}

} // namespace

int main(int argc, char **argv)
{
    // Keep the operator's settings out of it: the log object reads one key.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Skyrig"));
    QCoreApplication::setApplicationName(QStringLiteral("SkyrigBench"));

    QTemporaryDir dir;
    std::printf("log bench: %d lines, directory %s\n", Lines, qPrintable(dir.path()));

    {
        QStringListModel model;
        LogBridge log(&model, dir.filePath(QStringLiteral("a")));
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < Lines; ++i)
            log.append(sampleLine(i));
        report("append, model capped at 500, flushed file", timer.nsecsElapsed());
        std::printf("  model rows after run: %d\n", log.lineCount());
    }
    {
        LogBridge log(nullptr, dir.filePath(QStringLiteral("b")));
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < Lines; ++i)
            log.append(sampleLine(i));
        report("append, no model, flushed file", timer.nsecsElapsed());

        QElapsedTimer debugTimer;
        debugTimer.start();
        for (int i = 0; i < Lines; ++i)
            log.appendDebug(sampleLine(i));
        report("appendDebug (file only)", debugTimer.nsecsElapsed());

        log.setRawCaptureEnabled(true);
        const QByteArray frame = QByteArray::fromHex("fd1200040100001200000a0b0c0d0e0f5566");
        QElapsedTimer rawTimer;
        rawTimer.start();
        for (int i = 0; i < Lines; ++i)
            log.appendRaw(QStringLiteral("TX"), QStringLiteral("UART"), QStringLiteral("COM3"),
                          frame);
        report("appendRaw, 18-byte frame", rawTimer.nsecsElapsed());
        log.setRawCaptureEnabled(false);
    }

    {
        QElapsedTimer timer;
        timer.start();
        qint64 chars = 0;
        for (int i = 0; i < Lines; ++i)
            chars += LogBridge::timeStamp().size();
        report("time stamp formatting alone", timer.nsecsElapsed());
        if (chars == 0)
            return 1;
    }

    const qint64 flushed = plainStream(dir.filePath(QStringLiteral("plain-flushed.log")), true);
    const qint64 buffered = plainStream(dir.filePath(QStringLiteral("plain-buffered.log")), false);
    report("plain text stream, flush per line", flushed);
    report("plain text stream, buffered", buffered);
    if (flushed > 0 && buffered > 0)
        std::printf("  per-line flush cost: %.2f us/line (%.1fx)\n",
                    (flushed - buffered) / 1e3 / Lines, double(flushed) / double(buffered));
    return 0;
}
