#include "camsim/SimAlbum.h"

#include "camsim/MediaCard.h"
#include "catalog/ModelSpec.h"
#include "link/CommandCode.h"
#include "link/Payload.h"

#include <QHostAddress>

#include <limits>

SimAlbum::SimAlbum(const ModelSpec &model, SimOptions::ListStyle listStyle, bool cardPresent,
                   Later later)
    : m_model(model), m_listStyle(listStyle), m_cardPresent(cardPresent), m_later(std::move(later))
{
    m_clientIp[0] = m_clientIp[1] = QByteArray(4, '\0');
}

quint16 SimAlbum::command(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra)
{
    const int b0 = Payload::readU8(p, 0);
    switch (code) {
    case CommandCode::PlaybackMode: // album mode, list, delete and transfers
    case CommandCode::RefreshMediaList:
    case CommandCode::DeleteMediaFile:
    case CommandCode::DownloadMediaFile:
        return m_model.hasAlbum ? albumCommand(code, p, now) : quint16(Unsupported);
    case CommandCode::StartVideoPlayback: // playback of stored videos
    case CommandCode::StopVideoPlayback:
    case CommandCode::PauseVideoPlayback:
    case CommandCode::SeekVideoPlayback:
        return m_model.hasAlbum ? playbackCommand(code, p, now) : quint16(Unsupported);
    case CommandCode::SetPlaybackClient: {
        if (p.size() < 7 || b0 > 1)
            return InvalidParameter;
        m_clientIp[b0] = p.mid(1, 4);
        m_clientPort[b0] = Payload::readU16(p, 5);
        return Ok;
    }
    case CommandCode::GetPlaybackClient: { // 1 asks for the playback client, 2 for downloads
        if (b0 != 1 && b0 != 2)
            return InvalidParameter;
        const int type = b0 - 1;
        extra->append(m_clientIp[type]);
        Payload::appendU16(*extra, m_clientPort[type]);
        return Ok;
    }
    default:
        return UnknownCommand;
    }
}

void SimAlbum::advance(qint64 nowMs, QVector<SimFrame> *out)
{
    if (m_playState == Playing && playPositionMs(nowMs) >= m_playTotalMs) {
        // The end of the file: the player stops there and says so.
        m_playState = PlayFinished;
        m_playBaseMs = m_playTotalMs;
        m_playBaseAt = nowMs;
        m_mediaRequests.append(MediaRequest::of(MediaRequest::PlayPause));
        m_nextPlayReport = nowMs;
    }
    if (!m_playPath.isEmpty() && nowMs >= m_nextPlayReport) {
        out->append(SimReply::frame(SimReply::SecondStatusKind, CommandCode::PlaybackStatusReport,
                                    playbackStatusPayload(nowMs)));
        // Reports while a file is open in the player; a finished one reports once.
        m_nextPlayReport = m_playState == PlayFinished ? std::numeric_limits<qint64>::max()
                                                       : nowMs + PlaybackReportIntervalMs;
    }
}

quint16 SimAlbum::clientPort(int type) const
{
    return type == 0 || type == 1 ? m_clientPort[type] : 0;
}

QHostAddress SimAlbum::clientAddress(int type) const
{
    if (type != 0 && type != 1)
        return {};
    const QByteArray &b = m_clientIp[type];
    return QHostAddress(quint32(Payload::readU8(b, 0)) << 24 |
                        quint32(Payload::readU8(b, 1)) << 16 | quint32(Payload::readU8(b, 2)) << 8 |
                        quint32(Payload::readU8(b, 3)));
}

QVector<MediaRequest> SimAlbum::takeMediaRequests()
{
    QVector<MediaRequest> out;
    out.swap(m_mediaRequests);
    return out;
}

void SimAlbum::setAlbumMode(bool on, qint64 now)
{
    if (m_albumMode == on)
        return;
    m_albumMode = on;
    if (!on) {
        // Leaving the album ends whatever it was doing.
        stopPlayback(now);
        m_mediaRequests.append(MediaRequest::of(MediaRequest::AbortTransfer));
        m_transferPath.clear();
    }
}

quint16 SimAlbum::albumCommand(quint16 code, const QByteArray &p, qint64 now)
{
    if (code == CommandCode::PlaybackMode) {
        const int mode = Payload::readU8(p, 0);
        if (p.isEmpty() || (mode != 1 && mode != 2))
            return InvalidParameter;
        setAlbumMode(mode == 1, now);
        return Ok;
    }
    if (code == CommandCode::DownloadMediaFile && Payload::readU8(p, 1) == 7) {
        // The abort is heard in any mode.
        m_mediaRequests.append(MediaRequest::of(MediaRequest::AbortTransfer));
        m_transferPath.clear();
        return Ok;
    }
    if (!m_albumMode)
        return NotReady;
    if (code == CommandCode::RefreshMediaList)
        return Ok; // the list is always current; it travels with a type-1 transfer
    if (code == CommandCode::DownloadMediaFile)
        return mediaTransfer(p);
    QString path;
    if (!SimReply::readPath(p, 0, 1, &path) || path.isEmpty())
        return InvalidParameter;
    if (!m_card || !m_cardPresent || !m_card->find(path))
        return NotFound;
    if (path == m_playPath)
        stopPlayback(now);
    if (path == m_transferPath) {
        m_mediaRequests.append(MediaRequest::of(MediaRequest::AbortTransfer));
        m_transferPath.clear();
    }
    m_card->remove(path);
    return Ok;
}

quint16 SimAlbum::mediaTransfer(const QByteArray &p)
{
    QString path;
    if (p.size() < 9 || !SimReply::readPath(p, 0, 9, &path))
        return InvalidParameter;
    MediaRequest r;
    r.kind = MediaRequest::Transfer;
    r.devicePath = path;
    r.fileType = Payload::readU8(p, 1);
    r.packetSize = Payload::readU16(p, 2);
    r.startSeq = Payload::readU32(p, 4);
    r.count = Payload::readU8(p, 8);
    if (r.packetSize < 1 || r.packetSize > MediaRequest::MaxDataPerPacket || r.count < 1)
        return InvalidParameter;
    const bool card = m_card && m_cardPresent;
    const MediaCard::Entry *entry = card && !path.isEmpty() ? m_card->find(path) : nullptr;
    switch (r.fileType) {
    case 1: // the media list
        r.data = card ? m_card->listJson(m_listStyle) : MediaCard::listJson({}, m_listStyle);
        break;
    case 2: // a thumbnail
        if (!entry)
            return NotFound;
        r.data = m_card->thumbnail(path);
        break;
    case 3:
    case 4: // photo
    case 5: // video
    case 6:
        if (!entry)
            return NotFound;
        r.localPath = entry->localPath;
        r.size = entry->size;
        break;
    default:
        return InvalidParameter;
    }
    if (r.localPath.isEmpty())
        r.size = r.data.size();
    const quint64 packets = (quint64(r.size) + quint64(r.packetSize) - 1) / quint64(r.packetSize);
    if (quint64(r.startSeq) >= packets && !(packets == 0 && r.startSeq == 0))
        return InvalidParameter; // nothing in that window
    m_transferPath = path;
    m_mediaRequests.append(r);
    return Ok;
}

qint64 SimAlbum::playPositionMs(qint64 nowMs) const
{
    if (m_playState != Playing)
        return m_playBaseMs;
    return qMin(m_playTotalMs, m_playBaseMs + qMax<qint64>(0, nowMs - m_playBaseAt));
}

void SimAlbum::requestPlay(const QString &devicePath, const QString &localPath)
{
    MediaRequest r = MediaRequest::of(MediaRequest::PlayStart);
    r.devicePath = devicePath;
    r.localPath = localPath;
    r.positionMs = m_playBaseMs;
    m_mediaRequests.append(r);
}

void SimAlbum::stopPlayback(qint64 now)
{
    if (m_playPath.isEmpty())
        return;
    m_mediaRequests.append(MediaRequest::of(MediaRequest::PlayStop));
    m_playState = PlayIdle;
    m_playBaseMs = 0;
    m_playBaseAt = now;
    // One last report says the player is idle; then the reports stop.
    m_later(now, SimReply::frame(SimReply::SecondStatusKind, CommandCode::PlaybackStatusReport,
                                 playbackStatusPayload(now)));
    m_playPath.clear();
}

quint16 SimAlbum::playbackCommand(quint16 code, const QByteArray &p, qint64 now)
{
    if (!m_albumMode)
        return NotReady;
    QString path;
    if (!SimReply::readPath(p, 0, code == CommandCode::SeekVideoPlayback ? 5 : 1, &path))
        return InvalidParameter;
    if (code == CommandCode::StopVideoPlayback) { // stop: whatever is playing
        stopPlayback(now);
        return Ok;
    }
    if (code == CommandCode::StartVideoPlayback) { // start, or resume the paused file
        if (path.isEmpty())
            return InvalidParameter;
        const MediaCard::Entry *entry = m_card && m_cardPresent ? m_card->find(path) : nullptr;
        if (!entry)
            return NotFound;
        if (!entry->video || entry->durationMs < 0)
            return InvalidParameter; // not a video this camera can play
        const bool resume = path == m_playPath &&
                            (m_playState == PlayPaused || m_playState == PlayFinished) &&
                            m_playBaseMs < m_playTotalMs;
        if (!resume) {
            if (!m_playPath.isEmpty() && path != m_playPath)
                m_mediaRequests.append(MediaRequest::of(MediaRequest::PlayStop));
            m_playPath = path;
            m_playTotalMs = entry->durationMs;
            m_playBaseMs = 0;
        }
        m_playState = Playing;
        m_playBaseAt = now;
        requestPlay(path, entry->localPath);
        m_nextPlayReport = now; // at the next step, with the state just set
        return Ok;
    }
    if (m_playPath.isEmpty())
        return NotReady;                           // nothing in the player
    if (code == CommandCode::PauseVideoPlayback) { // pause
        if (m_playState == Playing) {
            m_playBaseMs = playPositionMs(now);
            m_playBaseAt = now;
            m_playState = PlayPaused;
            m_mediaRequests.append(MediaRequest::of(MediaRequest::PlayPause));
        }
        m_nextPlayReport = now;
        return Ok;
    }
    // Seek: a playing file goes on from there, a paused or finished one waits
    // there.
    m_playBaseMs = qMin(m_playTotalMs, qint64(Payload::readU32(p, 1)) * 1000);
    m_playBaseAt = now;
    if (m_playState == Playing) {
        const MediaCard::Entry *entry = m_card ? m_card->find(m_playPath) : nullptr;
        requestPlay(m_playPath, entry ? entry->localPath : QString());
    } else {
        m_playState = PlayPaused;
    }
    m_nextPlayReport = now;
    return Ok;
}

QByteArray SimAlbum::playbackStatusPayload(qint64 nowMs) const
{
    QByteArray p;
    Payload::appendU8(p, 0); // download state: not reported by this camera
    Payload::appendU8(p, m_playState);
    Payload::appendU32(p, quint32(m_playTotalMs));
    Payload::appendU32(p, quint32(playPositionMs(nowMs) / 1000));
    return p;
}
