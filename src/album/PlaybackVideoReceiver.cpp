#include "album/PlaybackVideoReceiver.h"

#include "album/PlaybackPayload.h"

PlaybackVideoReceiver::PlaybackVideoReceiver(QObject *parent) : QObject(parent) {}

bool PlaybackVideoReceiver::bind(quint16 port)
{
    close();
    const QString error = m_socket.bind(port, 4 * 1024 * 1024, this, [this] { onReadyRead(); });
    if (error.isEmpty())
        return true;
    emit errorOccurred(error);
    return false;
}

void PlaybackVideoReceiver::close()
{
    m_continuationAllowed = false;
    m_socket.close();
}

void PlaybackVideoReceiver::onReadyRead()
{
    int size = 0;
    while (const char *datagram = m_socket.next(size))
        handleDatagram(QByteArray(datagram, size));
}

void PlaybackVideoReceiver::handleDatagram(const QByteArray &datagram)
{
    QByteArray payload = PlaybackPayload::extract(datagram);
    if (payload.isEmpty()) {
        // A large access unit is split over several datagrams; only the first
        // carries a start code.
        if (!m_continuationAllowed || datagram.isEmpty() || uchar(datagram.at(0)) == 0xFD) {
            m_continuationAllowed = false;
            return;
        }
        payload = datagram;
    }
    m_continuationAllowed = datagram.size() >= ContinuationSize;
    emit annexBPayloadReady(payload);
}
