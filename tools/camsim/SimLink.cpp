#include "camsim/SimLink.h"

#include "camsim/PtyEndpoint.h"
#include "camsim/SimCamera.h"
#include "camsim/UdpEndpoint.h"

#include <QPointer>
#include <QTimer>

namespace
{
FaultInjector::Settings faultSettings(const SimOptions &o)
{
    FaultInjector::Settings s;
    s.loss = o.loss;
    s.corrupt = o.corrupt;
    s.duplicate = o.duplicate;
    s.garbage = o.garbage;
    s.delayMs = o.delayMs;
    s.jitterMs = o.jitterMs;
    return s;
}
} // namespace

SimLink::SimLink(const SimOptions &options, SimCamera *camera, QObject *parent)
    : QObject(parent), m_options(options), m_camera(camera),
      m_faults(faultSettings(options), options.seed)
{
}

bool SimLink::start(QString *error)
{
    m_clock.start();
    if (m_options.udpPort >= 0) {
        m_udp = new UdpEndpoint(m_options.allowRemote, this);
        connect(m_udp, &UdpEndpoint::warning, this, &SimLink::warning);
        if (!m_udp->open(QHostAddress(m_options.bindAddress), quint16(m_options.udpPort), error))
            return false;
        connect(m_udp, &UdpEndpoint::frameReceived, this,
                [this](const ParsedFrame &frame, const QHostAddress &address, quint16 port) {
                    onFrame(frame, Target{false, address, port});
                });
    }
    if (!m_options.ptyPath.isEmpty()) {
        m_pty = new PtyEndpoint(this);
        if (!m_pty->open(m_options.ptyPath, error))
            return false;
        connect(m_pty, &PtyEndpoint::frameReceived, this, [this](const ParsedFrame &frame) {
            onFrame(frame, Target{true, {}, 0});
        });
    }
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &SimLink::tick);
    m_timer->start(TickMs);
    tick();
    return true;
}

quint16 SimLink::udpPort() const
{
    return m_udp ? m_udp->port() : 0;
}

QString SimLink::udpAddress() const
{
    return m_udp ? m_udp->address().toString() : QString();
}

QString SimLink::ptyPath() const
{
    return m_pty ? m_pty->linkPath() : QString();
}

void SimLink::onFrame(const ParsedFrame &frame, const Target &from)
{
    ++m_framesReceived;
    if (m_faults.dropIncoming())
        return;
    // Only commands (kind 0) are for the camera; anything else is ignored.
    if (FrameCodec::frameKind(frame.messageId) != 0)
        return;
    const qint64 now = m_clock.elapsed();
    // Bring the simulation up to date first, so the answer sees current state.
    sendFrames(m_camera->advance(now), everyone());
    sendFrames(
        m_camera->handleCommand(FrameCodec::commandCode(frame.messageId), frame.payload, now),
        {from});
}

void SimLink::tick()
{
    sendFrames(m_camera->advance(m_clock.elapsed()), everyone());
}

QVector<SimLink::Target> SimLink::everyone() const
{
    QVector<Target> out;
    if (m_pty)
        out.append(Target{true, {}, 0});
    if (m_udp)
        for (const UdpEndpoint::Peer &peer : m_udp->activePeers())
            out.append(Target{false, peer.address, peer.port});
    return out;
}

void SimLink::sendFrames(const QVector<SimFrame> &frames, const QVector<Target> &targets)
{
    for (const SimFrame &f : frames) {
        for (const Target &target : targets) {
            const QByteArray bytes =
                FrameCodec::encodeShortFrame(m_sequence, 0x04, 0x01, f.messageId, f.payload);
            if (bytes.isEmpty()) {
                emit warning(QStringLiteral("Frame 0x%1 too long for the control link")
                                 .arg(f.messageId, 6, 16, QLatin1Char('0')));
                continue;
            }
            for (const FaultInjector::Delivery &d : m_faults.apply(bytes)) {
                if (d.delayMs <= 0) {
                    write(d.bytes, target);
                } else {
                    QPointer<SimLink> self(this);
                    QTimer::singleShot(d.delayMs, this, [self, d, target] {
                        if (self)
                            self->write(d.bytes, target);
                    });
                }
            }
        }
    }
}

void SimLink::write(const QByteArray &bytes, const Target &target)
{
    if (target.pty) {
        if (m_pty)
            m_pty->write(bytes);
    } else if (m_udp) {
        m_udp->send(bytes, target.address, target.port);
    }
}
