#pragma once

// Helpers shared by the end-to-end tests: start the real simulator, talk to it
// over a loopback UDP socket decoding what comes back, and run the program's
// executables to their end.

#include "camsim/ShortFrameReader.h"
#include "link/FrameCodec.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QUdpSocket>
#include <QtTest>

namespace camsim_test
{

// The ceiling for work another process does (the simulator, a front end):
// generous, since a loaded machine may run it many times slower.
constexpr int SlowWorkMs = 30000;

// "a b c" -> {"a", "b", "c"}: keeps argument lists readable.
inline QStringList words(const char *text)
{
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// A loopback port free at this moment (another process may take it next).
inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

inline QString rtspUrl(quint16 port, const char *path = "/test")
{
    return QStringLiteral("rtsp://127.0.0.1:%1%2").arg(port).arg(QLatin1String(path));
}

inline QString simulatorPath()
{
    return QStringLiteral(SKYRIG_BIN_DIR "/skyrig-camsim");
}

// The simulator as a child process, stopped when this goes away.
class SimProcess
{
public:
    bool start(const QStringList &extraArgs, QString *error)
    {
        // The generated card's content is made once in the build tree and
        // reused (each test run's own cache folder is new).
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CACHE_HOME"),
                   QDir::cleanPath(QStringLiteral(SKYRIG_BIN_DIR "/../camsim-cache")));
        process.setProcessEnvironment(env);
        // No HTTP service unless asked for: its port is fixed, so simulators
        // of tests running side by side would contend for it.
        process.start(simulatorPath(),
                      words("--udp-port 0 --rtsp-port 0 --http-port 0") + extraArgs);
        static const QRegularExpression ready(
            QStringLiteral("camsim ready udp=(?:\\S*:(\\d+)|-) "));
        // Seconds when the card's content is first made, more on a busy machine.
        QElapsedTimer t;
        t.start();
        while (process.waitForStarted(SlowWorkMs) && t.elapsed() < 2 * SlowWorkMs) {
            readyLine += QString::fromLocal8Bit(process.readAllStandardOutput());
            const QRegularExpressionMatch m = ready.match(readyLine);
            if (m.hasMatch()) {
                port = quint16(m.captured(1).toUInt());
                return true;
            }
            if (process.state() == QProcess::NotRunning)
                break;
            process.waitForReadyRead(200);
        }
        *error = QStringLiteral("simulator not ready: ") + readyLine +
                 QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }

    // Started with its stream on a free port. Another test may take the port
    // between the probe and the simulator's bind, so a refusal is retried.
    bool startWithRtsp(quint16 *rtspPort, QString *error, const QStringList &more = {})
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            *rtspPort = freePort();
            if (!start(QStringList{"--rtsp-port", QString::number(*rtspPort)} + more, error))
                return false;
            if (readyLine.contains(QStringLiteral("rtsp=rtsp://127.0.0.1:%1/").arg(*rtspPort)))
                return true;
            process.kill();
            process.waitForFinished(3000);
            readyLine.clear();
        }
        *error = QStringLiteral("the simulator never served RTSP: ") + readyLine;
        return false;
    }

    ~SimProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            // A clean stop removes the simulator's card folder.
            process.terminate();
            if (!process.waitForFinished(15000))
                process.kill();
            process.waitForFinished(1000);
        }
    }

    // The control address for the program's --udp option.
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port); }

    QProcess process;
    QString readyLine;
    quint16 port = 0;
};

struct Received {
    ParsedFrame frame;
    quint16 code() const { return FrameCodec::commandCode(frame.messageId); }
    quint8 kind() const { return FrameCodec::frameKind(frame.messageId); }
};

// A ground-station stand-in: one loopback socket, every datagram decoded.
class Client
{
public:
    explicit Client(quint16 simPort) : m_simPort(simPort)
    {
        socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
        // A test descheduled for a while on a busy machine must not lose
        // reports to a full socket buffer.
        socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4 * 1024 * 1024);
    }

    void send(quint16 code, const QByteArray &payload)
    {
        socket.writeDatagram(FrameCodec::encodeShortFrame(m_seq, 0x04, 0x01, code, payload),
                             QHostAddress::LocalHost, m_simPort);
    }

    // Reads whatever has arrived; waits up to `ms` for more.
    void pump(int ms)
    {
        if (!socket.hasPendingDatagrams())
            socket.waitForReadyRead(ms);
        while (socket.hasPendingDatagrams()) {
            const QByteArray d = socket.receiveDatagram().data();
            datagrams.append(d);
            QByteArray buffer = d;
            for (const ParsedFrame &f : ShortFrameReader::take(buffer))
                frames.append(Received{f});
        }
    }

    // Reads until `done` holds; the ceiling is for a simulator slowed down
    // by a loaded machine, not a measure of its speed.
    template <typename Done> bool until(Done done, int ceilingMs = SlowWorkMs)
    {
        QElapsedTimer t;
        for (t.start(); !done(); pump(50)) {
            if (t.elapsed() > ceilingMs)
                return false;
        }
        return true;
    }

    // Sends one command and returns the payload of its acknowledgement.
    QByteArray request(quint16 code, const QByteArray &payload)
    {
        int cursor = frames.size();
        send(code, payload);
        QByteArray reply("<no reply>");
        until([&] {
            for (; cursor < frames.size(); ++cursor) {
                if (frames.at(cursor).kind() == 1 && frames.at(cursor).code() == code) {
                    reply = frames.at(cursor).frame.payload;
                    return true;
                }
            }
            return false;
        });
        return reply;
    }

    QVector<Received> framesOf(quint16 code, int kind = -1) const
    {
        QVector<Received> out;
        for (const Received &r : frames)
            if (r.code() == code && (kind < 0 || r.kind() == kind))
                out.append(r);
        return out;
    }

    QUdpSocket socket;
    QVector<Received> frames;
    QVector<QByteArray> datagrams;

private:
    quint16 m_simPort;
    quint8 m_seq = 0;
};

inline quint16 result(const QByteArray &payload)
{
    return payload.size() >= 2 ? quint16(quint8(payload[0]) | (quint8(payload[1]) << 8)) : 0xFFFF;
}

// The result of the first of `frames` (the simulator core's answer to a
// command), 0xFFFF when there is none.
template <typename Frames> quint16 resultOf(const Frames &frames)
{
    return frames.isEmpty() ? 0xFFFF : result(frames.first().payload);
}

// What a program run to its end left: its exit code (-1 when it did not end
// in time, -2 when it crashed) and its output.
struct Run {
    int exitCode = -1;
    QStringList out; // standard output, one entry a line
    QString err;

    QString all() const { return out.join(QLatin1Char('\n')) + QLatin1Char('\n') + err; }
};

inline Run runProgram(const QString &program, const QStringList &arguments,
                      int timeoutMs = SlowWorkMs)
{
    Run run;
    QProcess process;
    process.start(program, arguments);
    // The event loop keeps going meanwhile: the test may be serving the program.
    if (!process.waitForStarted(SlowWorkMs) ||
        !QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        run.err = program + QStringLiteral(" did not run to its end");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    run.err += QString::fromUtf8(process.readAllStandardError());
    return run;
}

inline QString ctlPath()
{
    return QStringLiteral(SKYRIG_BIN_DIR "/skyrigctl");
}

inline Run runCtl(const QStringList &arguments, int timeoutMs = SlowWorkMs)
{
    return runProgram(ctlPath(), arguments, timeoutMs);
}

} // namespace camsim_test

// Starts the simulator with space-separated options; skips when it is not built.
#define CAMSIM_START(sim, options)                                                                 \
    if (!QFileInfo(camsim_test::simulatorPath()).isExecutable())                                   \
        QSKIP("the simulator is not built (SKYRIG_BUILD_CAMSIM=OFF)");                             \
    camsim_test::SimProcess sim;                                                                   \
    {                                                                                              \
        QString startError;                                                                        \
        QVERIFY2(sim.start(camsim_test::words(options), &startError), qPrintable(startError));     \
    }
