#pragma once

// Helpers shared by the simulator tests: start the real simulator and talk to
// it over a loopback UDP socket, decoding what comes back.

#include "link/FrameCodec.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace camsim_test
{

inline QString simulatorPath()
{
    return QStringLiteral(SKYRIG_BIN_DIR "/skyrig-camsim");
}

inline bool simulatorBuilt()
{
    return QFileInfo(simulatorPath()).isExecutable();
}

// The simulator as a child process, stopped when this goes away.
class SimProcess
{
public:
    bool start(const QStringList &extraArgs, QString *error = nullptr)
    {
        QStringList args{QStringLiteral("--udp-port"), QStringLiteral("0"),
                         QStringLiteral("--rtsp-port"), QStringLiteral("0")};
        args << extraArgs;
        process.setProgram(simulatorPath());
        process.setArguments(args);
        process.start();
        if (!process.waitForStarted(5000))
            return fail(error, QStringLiteral("cannot start the simulator"));
        QElapsedTimer t;
        t.start();
        static const QRegularExpression ready(QStringLiteral("camsim ready udp=(\\S+)"));
        while (t.elapsed() < 10000) {
            readyLine += QString::fromLocal8Bit(process.readAllStandardOutput());
            const QRegularExpressionMatch m = ready.match(readyLine);
            if (m.hasMatch()) {
                const QString udp = m.captured(1);
                port = quint16(udp.mid(udp.lastIndexOf(QLatin1Char(':')) + 1).toUInt());
                return true;
            }
            if (process.state() == QProcess::NotRunning)
                return fail(error, QString::fromLocal8Bit(process.readAllStandardError()));
            process.waitForReadyRead(200);
        }
        return fail(error, QStringLiteral("no ready line"));
    }

    ~SimProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(3000))
                process.kill();
            process.waitForFinished(1000);
        }
    }

    QProcess process;
    QString readyLine;
    quint16 port = 0;

private:
    static bool fail(QString *error, const QString &text)
    {
        if (error)
            *error = text;
        return false;
    }
};

struct Received {
    ParsedFrame frame;
    QByteArray datagram;
    qint64 atMs = 0;
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
        clock.start();
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
            const QNetworkDatagram d = socket.receiveDatagram();
            QByteArray buffer = d.data();
            datagrams.append(d.data());
            for (;;) {
                int consumed = 0;
                const ParsedFrame f = FrameCodec::decodeShortFrame(buffer, consumed);
                if (consumed > 0)
                    buffer.remove(0, consumed);
                if (f.valid)
                    frames.append(Received{f, d.data(), clock.elapsed()});
                else if (consumed == 0)
                    break;
            }
        }
    }

    void collect(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            pump(int(qMax<qint64>(1, ms - t.elapsed())));
    }

    // The first acknowledgement of `code` after index `from`, waiting for it.
    const Received *waitAck(quint16 code, int timeoutMs = 3000)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            for (int i = m_ackCursor; i < frames.size(); ++i) {
                if (frames.at(i).kind() == 1 && frames.at(i).code() == code) {
                    m_ackCursor = i + 1;
                    return &frames.at(i);
                }
            }
            if (t.elapsed() > timeoutMs)
                return nullptr;
            pump(50);
        }
    }

    QByteArray request(quint16 code, const QByteArray &payload)
    {
        m_ackCursor = frames.size();
        send(code, payload);
        const Received *r = waitAck(code);
        return r ? r->frame.payload : QByteArray("<no reply>");
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
    QElapsedTimer clock;

private:
    quint16 m_simPort;
    quint8 m_seq = 0;
    int m_ackCursor = 0;
};

inline quint16 result(const QByteArray &payload)
{
    return payload.size() >= 2 ? quint16(quint8(payload[0]) | (quint8(payload[1]) << 8)) : 0xFFFF;
}

} // namespace camsim_test

#define CAMSIM_START(sim, ...)                                                                     \
    if (!camsim_test::simulatorBuilt())                                                            \
        QSKIP("the simulator is not built (SKYRIG_BUILD_CAMSIM=OFF)");                             \
    camsim_test::SimProcess sim;                                                                   \
    {                                                                                              \
        QString startError;                                                                        \
        QVERIFY2(sim.start(QStringList{__VA_ARGS__}, &startError), qPrintable(startError));        \
    }
