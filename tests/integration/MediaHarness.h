#pragma once

// Helpers for the simulator's media and playback channels: a loopback
// receiver that decodes what the camera sends, the program's own playback
// receiver, and files and command payloads with known contents.

#include "album/PlaybackVideoReceiver.h"
#include "link/FrameCodec.h"
#include "link/Payload.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QNetworkDatagram>
#include <QObject>
#include <QSet>
#include <QUdpSocket>

#include <random>

namespace media_test
{

// One decoded packet of the download channel.
struct Packet {
    int type = 0;      // 1 start, 2 data
    quint32 value = 0; // start: total size; data: sequence number
    quint16 field = 0; // start only
    QByteArray data;   // data only
    int datagramSize = 0;
};

// Receives the camera's datagrams on a loopback port and decodes them as the
// program's receiver does for well-formed traffic: one long frame per
// datagram, its payload a start or data packet.
class MediaReceiver : public QObject
{
public:
    MediaReceiver()
    {
        socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
        socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 8 * 1024 * 1024);
        QObject::connect(&socket, &QUdpSocket::readyRead, this, [this] { drain(); });
    }

    quint16 port() const { return socket.localPort(); }

    void drain()
    {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = socket.receiveDatagram();
            datagrams.append(d.data());
            int consumed = 0;
            const ParsedLongFrame f = FrameCodec::decodeLongFrame(d.data(), consumed);
            if (!f.valid || consumed != d.data().size()) {
                ++invalid;
                continue;
            }
            messageIds.insert(f.messageId);
            Packet p;
            p.type = Payload::readU8(f.payload, 0);
            p.value = Payload::readU32(f.payload, 1);
            p.datagramSize = d.data().size();
            if (p.type == 1)
                p.field = Payload::readU16(f.payload, 5);
            else
                p.data = f.payload.mid(5);
            packets.append(p);
            if (p.type == 2 && !data.contains(p.value))
                data.insert(p.value, p.data);
            if (p.type == 1)
                total = p.value;
        }
    }

    int count(int type) const
    {
        int n = 0;
        for (const Packet &p : packets)
            n += p.type == type ? 1 : 0;
        return n;
    }

    // The file from sequence 0 on, as far as it is contiguous.
    QByteArray assembled() const
    {
        QByteArray out;
        for (quint32 seq = 0; data.contains(seq); ++seq)
            out += data.value(seq);
        return out;
    }

    bool complete() const { return total > 0 && quint32(assembled().size()) >= total; }

    void clear()
    {
        drain();
        packets.clear();
        data.clear();
        datagrams.clear();
        messageIds.clear();
        invalid = 0;
        total = 0;
    }

    QUdpSocket socket;
    QVector<Packet> packets;
    QMap<quint32, QByteArray> data;
    QVector<QByteArray> datagrams;
    QSet<quint32> messageIds;
    int invalid = 0;
    quint32 total = 0;
};

// Bytes that are different at every offset, so a misplaced packet shows.
inline QByteArray noise(int size, quint32 seed)
{
    std::mt19937 rng(seed);
    QByteArray out(size, '\0');
    for (char &c : out)
        c = char(rng() & 0xFF);
    return out;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Command payloads as the program builds them.
inline QByteArray pathPayload(const QString &path)
{
    const QByteArray utf8 = path.toUtf8().left(255);
    return QByteArray(1, char(utf8.size())) + utf8;
}

inline QByteArray downloadPayload(const QString &path, int type, int packetSize, quint32 start,
                                  int count)
{
    const QByteArray utf8 = path.toUtf8().left(255);
    QByteArray p;
    Payload::appendU8(p, utf8.size());
    Payload::appendU8(p, type);
    Payload::appendU16(p, quint16(packetSize));
    Payload::appendU32(p, start);
    Payload::appendU8(p, count);
    return p + utf8;
}

inline QByteArray clientPayload(int type, quint16 port)
{
    QByteArray p("\0\x7F\0\0\x01", 5); // the type, then 127.0.0.1
    p[0] = char(type);
    Payload::appendU16(p, port);
    return p + '\0';
}

// The program's own playback receiver, fed one datagram at a time.
class ProgramPlaybackReceiver
{
public:
    ProgramPlaybackReceiver()
    {
        QObject::connect(&m_receiver, &PlaybackVideoReceiver::annexBPayloadReady,
                         [this](const QByteArray &piece) { m_piece = piece; });
    }

    // The Annex B bytes the program takes from `d` (empty when dropped).
    QByteArray take(const QByteArray &d)
    {
        m_piece.clear();
        m_receiver.handleDatagram(d);
        return m_piece;
    }

private:
    PlaybackVideoReceiver m_receiver;
    QByteArray m_piece;
};

} // namespace media_test
