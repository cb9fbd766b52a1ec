#pragma once

// Helpers for the simulator's media and playback channels: a loopback
// receiver that decodes what the camera sends, the media list tolerances the
// program applies, and a small card folder with known contents.

#include "link/FrameCodec.h"
#include "link/Payload.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QMap>
#include <QNetworkDatagram>
#include <QObject>
#include <QRegularExpression>
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

// The program's media list tolerances, applied to the bytes the camera sent:
// text up to the first zero byte, a "JSON" tag, a byte-order mark, a missing
// bracket pair and commas before a closing bracket.
inline QJsonDocument tolerantList(const QByteArray &bytes, QString *text = nullptr)
{
    const int zero = bytes.indexOf('\0');
    QString t = QString::fromUtf8(zero >= 0 ? bytes.left(zero) : bytes).trimmed();
    if (t.startsWith(QLatin1String("JSON"), Qt::CaseInsensitive))
        t = t.mid(4).trimmed();
    if (t.startsWith(QChar(0xFEFF)))
        t.remove(0, 1);
    if (!t.startsWith(QLatin1Char('[')))
        t = QLatin1Char('[') + t + QLatin1Char(']');
    t.replace(QRegularExpression(QStringLiteral(",\\s*]")), QStringLiteral("]"));
    if (text)
        *text = t;
    return QJsonDocument::fromJson(t.toUtf8());
}

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
    QByteArray p;
    Payload::appendU8(p, type);
    for (int b : {127, 0, 0, 1})
        Payload::appendU8(p, b);
    Payload::appendU16(p, port);
    Payload::appendU8(p, 0);
    return p;
}

// The program's playback receiver in short: the Annex B bytes it takes from
// each datagram (a start code at the front; a long frame, whole or the first
// piece of one, with the start code after 0, 5 or 7 header bytes; a start
// code searched near the front) and continuation datagrams forwarded whole
// after a full-sized one.
class PlaybackExtractor
{
public:
    static bool startCodeAt(const QByteArray &b, int at)
    {
        return at >= 0 && (b.mid(at, 4) == QByteArray("\x00\x00\x00\x01", 4) ||
                           b.mid(at, 3) == QByteArray("\x00\x00\x01", 3));
    }

    static QByteArray payloadOf(const QByteArray &d)
    {
        if (startCodeAt(d, 0))
            return d;
        if (d.size() >= 16 && d.at(0) == char(0xFD)) {
            const int length = Payload::readU16(d, 1);
            QByteArray inner;
            int consumed = 0;
            if (d.size() < length + 13) {
                inner = d.mid(11);
            } else {
                const ParsedLongFrame f = FrameCodec::decodeLongFrame(d, consumed);
                if (f.valid && (d.size() > length + 13 || consumed == d.size()))
                    inner = f.payload;
            }
            for (int skip : {0, 5, 7})
                if (startCodeAt(inner, skip))
                    return inner.mid(skip);
            return {};
        }
        if (d.size() > 16 && startCodeAt(d, 16))
            return d.mid(16);
        if (d.size() > 18 && startCodeAt(d, 18))
            return d.mid(18);
        for (int i = 0; i <= qMin(d.size(), 32) - 4; ++i)
            if (startCodeAt(d, i))
                return d.mid(i);
        return {};
    }

    // Returns the bytes forwarded for `d` (empty when dropped).
    QByteArray take(const QByteArray &d)
    {
        QByteArray p = payloadOf(d);
        if (p.isEmpty() && m_continuation && !d.isEmpty() && d.at(0) != char(0xFD))
            p = d;
        m_continuation = !p.isEmpty() && d.size() > 1399;
        if (p.isEmpty())
            ++dropped;
        return p;
    }

    int dropped = 0;

private:
    bool m_continuation = false;
};

} // namespace media_test
