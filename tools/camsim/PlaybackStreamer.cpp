#include "camsim/PlaybackStreamer.h"

#include "camsim/DatagramChannel.h"

#include <QTimer>

PlaybackStreamer::PlaybackStreamer(DatagramChannel *channel, SimOptions::PlaybackForm form,
                                   QObject *parent)
    : QObject(parent), m_channel(channel), m_packetizer(form), m_timer(new QTimer(this))
{
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &PlaybackStreamer::tick);
}

void PlaybackStreamer::play(const QString &localPath, qint64 fromMs, const QHostAddress &to,
                            quint16 port)
{
    m_timer->stop();
    if (localPath != m_file || !m_reader.isOpen()) {
        QString error;
        m_file = localPath;
        if (!m_reader.open(localPath, &error)) {
            m_file.clear();
            emit warning(QStringLiteral("Cannot play: %1").arg(error));
            return;
        }
    }
    m_reader.seek(fromMs);
    m_fromMs = fromMs;
    m_to = to;
    m_port = port;
    m_haveNext = m_reader.read(&m_next);
    m_clock.start();
    m_timer->start(TickMs);
    tick();
}

void PlaybackStreamer::pause()
{
    m_timer->stop();
    m_channel->flush();
}

void PlaybackStreamer::stop()
{
    pause();
    m_reader.close();
    m_file.clear();
    m_haveNext = false;
}

void PlaybackStreamer::tick()
{
    const qint64 due = m_fromMs + m_clock.elapsed();
    while (m_haveNext && m_next.ptsMs <= due) {
        for (const QByteArray &datagram :
             m_packetizer.packetize(m_next.annexB, m_next.ptsMs, m_next.key)) {
            if (m_channel->send(datagram, m_to, m_port) == DatagramChannel::Outcome::Refused) {
                stop();
                return;
            }
        }
        m_haveNext = m_reader.read(&m_next);
    }
    if (!m_haveNext) {
        pause();
        emit finished();
    }
}
