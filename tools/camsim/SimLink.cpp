#include "camsim/SimLink.h"

#include "camsim/DatagramChannel.h"
#include "camsim/MediaSender.h"
#include "camsim/PlaybackStreamer.h"
#include "camsim/PtyEndpoint.h"
#include "camsim/SimCamera.h"
#include "camsim/UdpEndpoint.h"

#include <QTimer>

SimLink::SimLink(const SimOptions &options, SimCamera *camera, QObject *parent)
    : QObject(parent), m_options(options), m_camera(camera),
      m_faults(options.faultsOn(SimOptions::ControlChannel), options.seed)
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
    // Media and playback leave from sockets of their own, each with its own
    // fault sequence so choosing channels does not change the others.
    const QHostAddress bind(m_options.bindAddress);
    m_mediaChannel =
        new DatagramChannel(QStringLiteral("media"), m_options.allowRemote,
                            m_options.faultsOn(SimOptions::MediaChannel), m_options.seed + 1, this);
    m_playbackChannel = new DatagramChannel(QStringLiteral("playback"), m_options.allowRemote,
                                            m_options.faultsOn(SimOptions::PlaybackChannel),
                                            m_options.seed + 2, this);
    for (DatagramChannel *channel : {m_mediaChannel, m_playbackChannel}) {
        connect(channel, &DatagramChannel::warning, this, &SimLink::warning);
        if (!channel->open(bind, error))
            return false;
    }
    m_sender = new MediaSender(m_mediaChannel, m_options.mediaRateMbps, this);
    connect(m_sender, &MediaSender::warning, this, &SimLink::warning);
    m_streamer = new PlaybackStreamer(m_playbackChannel, m_options.playbackForm, this);
    connect(m_streamer, &PlaybackStreamer::warning, this, &SimLink::warning);

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

QString SimLink::ptyPath() const
{
    return m_pty ? m_pty->linkPath() : QString();
}

void SimLink::onFrame(const ParsedFrame &frame, const Target &from)
{
    ++m_framesReceived;
    if (m_faults.dropIncoming())
        return;
    if (!from.pty)
        m_peer = from.address;
    // Only commands (kind 0) are for the camera; anything else is ignored.
    if (FrameCodec::frameKind(frame.messageId) != 0)
        return;
    const qint64 now = m_clock.elapsed();
    // Bring the simulation up to date first, so the answer sees current state.
    sendFrames(m_camera->advance(now), everyone());
    sendFrames(
        m_camera->handleCommand(FrameCodec::commandCode(frame.messageId), frame.payload, now),
        {from});
    carryOut(m_camera->takeMediaRequests());
}

void SimLink::tick()
{
    sendFrames(m_camera->advance(m_clock.elapsed()), everyone());
    carryOut(m_camera->takeMediaRequests());
}

void SimLink::destination(int type, QHostAddress *address, quint16 *port) const
{
    *address = m_peer;
    *port = type == 0 ? SimCamera::DefaultPlaybackPort : SimCamera::DefaultMediaPort;
    if (m_camera->clientPort(type) == 0)
        return;
    *port = m_camera->clientPort(type);
    const QHostAddress announced = m_camera->clientAddress(type);
    // 0.0.0.0 names no host: the data goes to the control peer.
    if (announced != QHostAddress(QHostAddress::AnyIPv4))
        *address = announced;
}

void SimLink::carryOut(const QVector<MediaRequest> &requests)
{
    if (!m_sender)
        return;
    QHostAddress address;
    quint16 port = 0;
    for (const MediaRequest &r : requests) {
        switch (r.kind) {
        case MediaRequest::Transfer:
            destination(1, &address, &port);
            m_sender->start(r, address, port);
            break;
        case MediaRequest::AbortTransfer:
            m_sender->abort();
            break;
        case MediaRequest::PlayStart:
            destination(0, &address, &port);
            m_streamer->play(r.localPath, r.positionMs, address, port);
            break;
        case MediaRequest::PlayPause:
            m_streamer->pause();
            break;
        case MediaRequest::PlayStop:
            m_streamer->stop();
            break;
        }
    }
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
    if (frames.isEmpty())
        return;
    const auto deliver = [this](const QVector<FaultInjector::Delivery> &deliveries,
                                const Target &target) {
        for (const FaultInjector::Delivery &d : deliveries) {
            if (d.delayMs <= 0) {
                write(d.bytes, target);
            } else {
                // The link as context: a delivery due after it is gone never runs.
                QTimer::singleShot(d.delayMs, this, [this, d, target] { write(d.bytes, target); });
            }
        }
    };
    for (const Target &target : targets) {
        for (const SimFrame &f : frames) {
            const QByteArray bytes =
                FrameCodec::encodeShortFrame(m_sequence, 0x04, 0x01, f.messageId, f.payload);
            if (bytes.isEmpty()) {
                emit warning(QStringLiteral("Frame 0x%1 too long for the control link")
                                 .arg(f.messageId, 6, 16, QLatin1Char('0')));
                continue;
            }
            deliver(m_faults.apply(bytes), target);
        }
        // A frame held back for reordering goes out behind the others of this
        // batch to the same peer.
        deliver(m_faults.flush(), target);
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
