#include "camsim/MediaSender.h"

#include "camsim/DatagramChannel.h"
#include "link/FrameCodec.h"
#include "link/Payload.h"

#include <QTimer>

#include <cmath>

namespace
{
// Unpaced sending yields to the event loop after about this many bytes, so
// commands (an abort) are still heard during a long window.
constexpr quint64 UnpacedBurstBytes = 256 * 1024;
// A sender that fell behind its schedule catches up at most this much at once.
constexpr double MaxCatchUpMs = 20.0;
} // namespace

MediaSender::MediaSender(DatagramChannel *channel, double rateMbps, QObject *parent)
    : QObject(parent), m_channel(channel), m_bytesPerMs(rateMbps * 1000.0 / 8.0),
      m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &MediaSender::pump);
    m_clock.start();
}

double MediaSender::nowMs() const
{
    return double(m_clock.nsecsElapsed()) / 1e6;
}

QByteArray MediaSender::startPacket(quint32 totalSize, quint16 packetSize)
{
    QByteArray p;
    Payload::appendU8(p, 1);
    Payload::appendU32(p, totalSize);
    Payload::appendU16(p, packetSize);
    return p;
}

QByteArray MediaSender::dataPacket(quint32 sequence, const QByteArray &data)
{
    QByteArray p;
    p.reserve(5 + data.size());
    Payload::appendU8(p, 2);
    Payload::appendU32(p, sequence);
    p.append(data);
    return p;
}

void MediaSender::start(const MediaRequest &request, const QHostAddress &to, quint16 port)
{
    abort();
    if (request.packetSize < 1 || request.packetSize > MediaRequest::MaxDataPerPacket)
        return;
    m_request = request;
    if (!request.localPath.isEmpty()) {
        m_file.setFileName(request.localPath);
        if (!m_file.open(QIODevice::ReadOnly)) {
            emit warning(
                QStringLiteral("Cannot read %1: %2").arg(request.localPath, m_file.errorString()));
            return;
        }
    }
    const qint64 size = request.size;
    const quint64 packets =
        (quint64(size) + quint64(request.packetSize) - 1) / quint64(request.packetSize);
    m_next = request.startSeq;
    m_end = quint32(qMin<quint64>(packets, quint64(request.startSeq) + quint64(request.count)));
    m_to = to;
    m_port = port;
    m_startPending = true;
    m_active = true;
    m_pending.clear();
    m_windowBytes = 0;
    m_windowStartedAt = m_clock.elapsed();
    m_nextSendAt = qMax(m_nextSendAt, nowMs());
    pump();
}

void MediaSender::abort()
{
    m_timer->stop();
    if (m_active)
        m_channel->flush();
    m_active = false;
    m_pending.clear();
    m_file.close();
}

bool MediaSender::nextDatagram(QByteArray *out)
{
    QByteArray payload;
    if (m_startPending) {
        m_startPending = false;
        payload = startPacket(quint32(qMin<qint64>(m_request.size, 0xFFFFFFFFll)),
                              quint16(m_request.packetSize));
    } else if (m_next < m_end) {
        const qint64 offset = qint64(m_next) * m_request.packetSize;
        const qint64 length = qMin<qint64>(m_request.packetSize, m_request.size - offset);
        QByteArray data;
        if (m_file.isOpen()) {
            if (!m_file.seek(offset) || (data = m_file.read(length)).size() != length) {
                emit warning(
                    QStringLiteral("Cannot read %1 at %2").arg(m_request.localPath).arg(offset));
                return false;
            }
        } else {
            data = m_request.data.mid(int(offset), int(length));
        }
        // Some cameras fill the last packet up to the full size.
        if (m_request.padLast && data.size() < m_request.packetSize)
            data.append(QByteArray(m_request.packetSize - data.size(), '\xEE'));
        payload = dataPacket(m_next, data);
        ++m_next;
    } else {
        return false;
    }
    *out = FrameCodec::encodeLongFrame(m_sequence, 0x04, 0x01, MessageId, payload);
    return true;
}

void MediaSender::pump()
{
    quint64 sent = 0;
    while (m_active) {
        if (m_pending.isEmpty() && !nextDatagram(&m_pending)) {
            finish();
            return;
        }
        const double now = nowMs();
        if (m_bytesPerMs > 0) {
            if (m_nextSendAt < now - MaxCatchUpMs)
                m_nextSendAt = now - MaxCatchUpMs;
            if (m_nextSendAt > now) {
                m_timer->start(qMax(1, int(std::ceil(m_nextSendAt - now))));
                return;
            }
        } else if (sent >= UnpacedBurstBytes) {
            m_timer->start(0);
            return;
        }
        const DatagramChannel::Outcome outcome = m_channel->send(m_pending, m_to, m_port);
        if (outcome == DatagramChannel::Outcome::Busy) {
            m_timer->start(1);
            return;
        }
        if (outcome == DatagramChannel::Outcome::Refused) {
            abort();
            return;
        }
        if (m_bytesPerMs > 0)
            m_nextSendAt += double(m_pending.size()) / m_bytesPerMs;
        m_windowBytes += quint64(m_pending.size());
        sent += quint64(m_pending.size());
        m_pending.clear();
    }
}

void MediaSender::finish()
{
    const quint32 packets = m_end > m_request.startSeq ? m_end - m_request.startSeq : 0;
    const QString path = m_request.devicePath;
    const quint64 bytes = m_windowBytes;
    const qint64 elapsed = m_clock.elapsed() - m_windowStartedAt;
    abort();
    emit windowSent(path, packets, bytes, elapsed);
}
