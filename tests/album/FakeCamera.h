#pragma once

// The camera's side of the album for tests, in a few lines: it answers the
// commands the controller sends over an in-process link and sends the list,
// thumbnails and files over real loopback UDP, with the faults a test asks
// for (loss, duplicates, reordering, lost answers, odd sizes). A new request
// replaces the window being sent, as a camera does.

#include "MediaPackets.h"
#include "commands/GimbalController.h"
#include "link/FrameCodec.h"
#include "link/ITransport.h"
#include "link/Payload.h"
#include "link/TransportManager.h"

#include <QHash>
#include <QMap>
#include <QTimer>
#include <QUdpSocket>
#include <QVector>
#include <functional>

namespace album_test
{

struct Request {
    quint16 code = 0;
    QByteArray payload;
};

struct DownloadRequest {
    QString path;
    int type = 0;
    int packetSize = 0;
    quint32 start = 0;
    int count = 0;
};

class CameraLink : public ITransport
{
public:
    std::function<void(quint16, QByteArray)> onCommand;
    int lagMs = 0; // how long the camera takes to act on a command
    bool open() override
    {
        emit connectionChanged(m_open = true);
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    QString errorString() const override { return QString(); }
    QString displayName() const override { return QStringLiteral("camera link"); }
    bool write(const QByteArray &bytes) override
    {
        int consumed = 0;
        const ParsedFrame f = FrameCodec::decodeShortFrame(bytes, consumed);
        ParsedLongFrame l;
        if (!f.valid)
            l = FrameCodec::decodeLongFrame(bytes, consumed);
        const quint16 code = FrameCodec::commandCode(f.valid ? f.messageId : l.messageId);
        const QByteArray payload = f.valid ? f.payload : l.payload;
        // Answer after the sender has returned, as a real link would.
        QTimer::singleShot(lagMs, this, [this, code, payload] {
            if (onCommand)
                onCommand(code, payload);
        });
        return true;
    }
    void deliver(const QByteArray &bytes) { emit dataReceived(bytes); }

private:
    bool m_open = false;
};

class FakeCamera : public QObject
{
public:
    FakeCamera()
    {
        link.onCommand = [this](quint16 code, const QByteArray &p) { handle(code, p); };
        controller.setTransportManager(&manager);
        link.open();
        manager.setTransport(&link);
        media.bind(QHostAddress(QHostAddress::LocalHost), 0);
        connect(&pacer, &QTimer::timeout, this, [this] { sendSome(); });
        pacer.setInterval(0);
    }

    void ack(quint16 code, quint16 result, const QByteArray &extra = QByteArray())
    {
        QByteArray p;
        Payload::appendU16(p, result);
        link.deliver(FrameCodec::encodeShortFrame(m_seq, 4, 1, code | (1u << 16), p + extra));
    }
    void status(quint16 code, const QByteArray &payload, int kind = 2)
    {
        link.deliver(
            FrameCodec::encodeShortFrame(m_seq, 4, 1, code | (quint32(kind) << 16), payload));
    }

    // What the camera holds.
    QByteArray listJson;
    QMap<QString, QByteArray> files;
    std::function<QByteArray(const QString &)> thumbnail = [](const QString &p) {
        return QByteArray("thumb:") + p.toUtf8();
    };
    // Faults.
    double loss = 0, duplicate = 0, reorder = 0;
    QHash<quint16, quint16> result;  // forced acknowledgement results
    QHash<quint16, int> swallowAcks; // number of answers to leave out, per code
    qint64 announcedSize = -1;       // start packet size instead of the real one
    int datagramsPerTurn = 4;
    int paceMs = 0;

    QVector<Request> requests;
    QVector<DownloadRequest> downloads;
    QHostAddress clientAddress;
    quint16 downloadPort = 0, playbackPort = 0;

    CameraLink link;
    TransportManager manager;
    GimbalController controller;
    QUdpSocket media;

    QVector<DownloadRequest> fileWindows() const
    {
        QVector<DownloadRequest> out;
        for (const DownloadRequest &d : downloads)
            if (d.type == 4 || d.type == 5)
                out.append(d);
        return out;
    }

private:
    void handle(quint16 code, const QByteArray &p)
    {
        requests.append({code, p});
        if (code == CommandCode::SetPlaybackClient && p.size() >= 7) {
            const quint32 ip = (quint32(quint8(p[1])) << 24) | (quint32(quint8(p[2])) << 16) |
                               (quint32(quint8(p[3])) << 8) | quint8(p[4]);
            clientAddress = QHostAddress(ip);
            (p[0] == 0 ? playbackPort : downloadPort) = Payload::readU16(p, 5);
        } else if (code == CommandCode::DeleteMediaFile) {
            files.remove(QString::fromUtf8(p.mid(1, quint8(p[0]))));
        } else if (code == CommandCode::DownloadMediaFile) {
            download(p);
        }
        if (swallowAcks.value(code) > 0) {
            --swallowAcks[code];
            return;
        }
        ack(code, result.value(code, 0));
    }

    void download(const QByteArray &p)
    {
        DownloadRequest d;
        d.type = Payload::readU8(p, 1);
        d.packetSize = Payload::readU16(p, 2);
        d.start = Payload::readU32(p, 4);
        d.count = Payload::readU8(p, 8);
        d.path = QString::fromUtf8(p.mid(9, Payload::readU8(p, 0)));
        downloads.append(d);
        m_queue.clear(); // a new request replaces the window being sent
        if (d.type == 7 || result.value(CommandCode::DownloadMediaFile, 0) >= 2)
            return;
        const QByteArray content = d.type == 1   ? listJson
                                   : d.type == 2 ? thumbnail(d.path)
                                                 : files.value(d.path);
        const qint64 size = announcedSize >= 0 ? announcedSize : content.size();
        if (d.start == 0)
            m_queue.append(mediaFrame(startPacket(quint32(size))));
        for (int i = 0; i < d.count && d.packetSize > 0; ++i) {
            const qint64 offset = qint64(d.start + i) * d.packetSize;
            if (offset >= content.size())
                break;
            m_queue.append(
                mediaFrame(dataPacket(d.start + i, content.mid(int(offset), d.packetSize))));
        }
        pacer.start(paceMs);
    }

    double random()
    {
        m_rng = m_rng * 1103515245u + 12345u;
        return double((m_rng >> 8) & 0xFFFF) / 65536.0;
    }

    void sendSome()
    {
        for (int i = 0; i < datagramsPerTurn && !m_queue.isEmpty(); ++i) {
            QByteArray datagram = m_queue.takeFirst();
            if (reorder > 0 && !m_queue.isEmpty() && random() < reorder)
                std::swap(datagram, m_queue.first());
            if (random() < loss)
                continue;
            media.writeDatagram(datagram, clientAddress, downloadPort);
            if (random() < duplicate)
                media.writeDatagram(datagram, clientAddress, downloadPort);
        }
        if (m_queue.isEmpty())
            pacer.stop();
    }

    QTimer pacer;
    QList<QByteArray> m_queue;
    quint8 m_seq = 0;
    quint32 m_rng = 7;
};

} // namespace album_test
