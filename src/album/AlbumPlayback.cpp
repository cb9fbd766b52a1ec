#include "album/AlbumPlayback.h"

#include "album/PlaybackVideoDecoder.h"
#include "album/PlaybackVideoReceiver.h"
#include "commands/GimbalController.h"
#include "link/Language.h"
#include "state/GimbalState.h"
#include "video/VideoFrameItem.h"

AlbumPlayback::AlbumPlayback(GimbalController *controller, QObject *parent)
    : QObject(parent), m_controller(controller), m_receiver(new PlaybackVideoReceiver(this)),
      m_decoder(new PlaybackVideoDecoder(this))
{
    PlaybackVideoDecoder *decoder = m_decoder;
    connect(m_receiver, &PlaybackVideoReceiver::annexBPayloadReady, this,
            [decoder](const QByteArray &payload) { decoder->enqueue(payload); });
    connect(m_receiver, &PlaybackVideoReceiver::errorOccurred, this,
            [this](const QString &message) {
                setError(BilingualText{message, message});
            });
    connect(
        m_decoder, &PlaybackVideoDecoder::errorOccurred, this,
        [this](const QString &english, const QString &chinese) {
            setError(BilingualText{english, chinese});
        },
        Qt::QueuedConnection);
    // An error on screen follows a language switch.
    connect(Language::instance(), &Language::changed, this, [this] {
        if (!m_error.isEmpty())
            emit errorChanged();
    });
    // Runs on the decoder's thread: each picture is tagged with the run that
    // made it, so a picture still queued when playback restarts is dropped.
    connect(
        m_decoder, &PlaybackVideoDecoder::frameReady, this,
        [this, decoder](const VideoFrame &frame) {
            const quint64 session = decoder->session();
            QMetaObject::invokeMethod(
                this,
                [this, session, frame] {
                    if (session == m_decoder->session() && m_decoder->isRunning())
                        onFrame(frame);
                },
                Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    if (m_controller)
        if (GimbalState *state = m_controller->state())
            connect(state, &GimbalState::playbackStatusChanged, this,
                    &AlbumPlayback::onDeviceStatus);
}

AlbumPlayback::~AlbumPlayback()
{
    m_decoder->requestStop();
    m_decoder->wait();
}

void AlbumPlayback::setTarget(QObject *target)
{
    m_target = qobject_cast<VideoFrameItem *>(target);
}

void AlbumPlayback::setAllowedSenders(const QList<QHostAddress> &senders)
{
    m_receiver->setAllowedSenders(senders);
}

bool AlbumPlayback::bind(quint16 port)
{
    return m_receiver->bind(port);
}

bool AlbumPlayback::isBound() const
{
    return m_receiver->isBound();
}

quint16 AlbumPlayback::port() const
{
    return m_receiver->port();
}

void AlbumPlayback::setError(const BilingualText &message)
{
    m_error = message;
    emit errorChanged();
}

void AlbumPlayback::clearTargetPicture()
{
    if (m_target)
        m_target->clearFrame();
}

void AlbumPlayback::start(const QString &path)
{
    if (m_decoder->isRunning()) {
        m_decoder->requestStop();
        m_decoder->wait();
    }
    clearTargetPicture();
    m_hasFrame = false;
    emit hasFrameChanged();
    m_error = BilingualText();
    emit errorChanged();
    m_totalMs = m_positionMs = 0;
    m_paused = false;
    emit statusChanged();
    m_decoder->startDecoding();
    m_playingPath = path;
    emit playingPathChanged();
    if (m_controller)
        m_controller->videoPlaybackStart(path);
}

void AlbumPlayback::stop()
{
    if (m_controller && !m_playingPath.isEmpty())
        m_controller->videoPlaybackStop(m_playingPath);
    m_receiver->close();
    m_decoder->requestStop();
    m_decoder->wait();
    clearTargetPicture();
    const bool wasPlaying = !m_playingPath.isEmpty();
    m_playingPath.clear();
    if (wasPlaying)
        emit playingPathChanged();
    m_totalMs = m_positionMs = 0;
    m_paused = false;
    m_hasFrame = false;
    emit hasFrameChanged();
    emit statusChanged();
    if (wasPlaying)
        emit stopped();
}

void AlbumPlayback::pauseOrResume()
{
    if (!m_controller || m_playingPath.isEmpty())
        return;
    if (m_paused)
        m_controller->videoPlaybackStart(m_playingPath);
    else
        m_controller->videoPlaybackPause(m_playingPath);
    m_paused = !m_paused;
    emit statusChanged();
}

void AlbumPlayback::seek(int positionMs)
{
    if (!m_controller || m_playingPath.isEmpty())
        return;
    const uint32_t seconds = uint32_t(qMax(positionMs, 0) / 1000);
    m_controller->videoPlaybackSeek(m_playingPath, seconds);
    m_positionMs = int(seconds * 1000);
    emit statusChanged();
}

void AlbumPlayback::onDeviceStatus()
{
    GimbalState *state = m_controller ? m_controller->state() : nullptr;
    if (!state)
        return;
    const int status = state->playbackPlayStatus();
    m_totalMs = state->playbackTotalMs();
    m_positionMs = status == PlayStatusFinished ? m_totalMs : state->playbackPosition();
    m_paused = status != PlayStatusPlaying;
    emit statusChanged();
}

void AlbumPlayback::onFrame(const VideoFrame &frame)
{
    if (m_playingPath.isEmpty())
        return; // a picture decoded just before the stop
    if (m_target)
        m_target->setFrame(frame);
    if (!m_hasFrame) {
        m_hasFrame = true;
        emit hasFrameChanged();
    }
}
