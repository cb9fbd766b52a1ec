#pragma once

// Loopback peers for the decoder and player tests: a server that plays one
// file's bytes over and over to whoever connects (a stream whose packets keep
// coming), one that accepts connections and never says a word, and (where
// the build has it) the simulator's RTSP stream.

#ifdef SKYRIG_TEST_HAS_RTSP_SERVER
#include "camsim/RtspServer.h"
#endif

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace video_test
{

class LoopingServer : public QObject
{
public:
    explicit LoopingServer(const QByteArray &data) : m_data(data)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::bytesWritten, socket,
                        [this, socket] { feed(socket); });
                feed(socket);
            }
        });
    }

    QString url() const { return QStringLiteral("tcp://127.0.0.1:%1").arg(m_server.serverPort()); }

private:
    void feed(QTcpSocket *socket)
    {
        while (socket->bytesToWrite() < 4 * m_data.size() && socket->bytesToWrite() < (1 << 20))
            socket->write(m_data);
    }

    QByteArray m_data;
    QTcpServer m_server;
};

class SilentServer : public QObject
{
public:
    SilentServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                ++connections;
            }
        });
    }

    QString url() const
    {
        return QStringLiteral("rtsp://127.0.0.1:%1/live").arg(m_server.serverPort());
    }

    int connections = 0;

private:
    QTcpServer m_server;
};

// An address on loopback where nothing listens.
inline QString closedPortUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("rtsp://127.0.0.1:%1/test").arg(port);
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The simulator's 320 x 240 H.264 stream at `kbps` from a server in this
// process (on `port`, or a free one); null, with the reason in `error`, when
// it cannot start or the build has no such server.
#ifdef SKYRIG_TEST_HAS_RTSP_SERVER
inline std::unique_ptr<RtspServer> simulatorStream(int kbps, QString *error, quint16 port = 0)
{
    auto server = std::make_unique<RtspServer>(QStringLiteral("127.0.0.1"), port);
    StreamSettings settings;
    settings.width = 320;
    settings.height = 240;
    settings.bitrateKbps = kbps;
    server->setStreamSettings(settings);
    if (!server->start(error))
        return nullptr;
    return server;
}
#else
struct RtspServer {
    quint16 boundPort() const { return 0; }
};
inline std::unique_ptr<RtspServer> simulatorStream(int, QString *error, quint16 = 0)
{
    *error = QStringLiteral("built without the simulator's RTSP server (GStreamer missing)");
    return nullptr;
}
#endif

inline QString urlOf(const RtspServer &server)
{
    return QStringLiteral("rtsp://127.0.0.1:%1/test").arg(server.boundPort());
}

} // namespace video_test
