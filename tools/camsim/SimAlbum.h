#pragma once

#include "camsim/MediaRequest.h"
#include "camsim/SimOptions.h"
#include "camsim/SimReply.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>

class MediaCard;
class QHostAddress;
struct ModelSpec;

// The album: album mode, the card's list, deletes and transfers, the player
// of stored videos with its status reports, and the receivers announced for
// playback video and downloads. It decides; what is to be sent it leaves as
// media requests for the senders.
class SimAlbum : public SimCodes
{
public:
    static constexpr int PlaybackReportIntervalMs = 500;

    // Queues a frame to go out at a given time among the camera's other events.
    using Later = std::function<void(qint64 at, const SimFrame &frame)>;

    SimAlbum(const ModelSpec &model, SimOptions::ListStyle listStyle, bool cardPresent,
             Later later);

    void setCard(MediaCard *card) { m_card = card; }
    MediaCard *card() const { return m_card; }

    // An album, playback or playback-client command; `extra` takes what the
    // answer carries after the result.
    quint16 command(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra);
    // The player's clock: the end of a file, and its status reports.
    void advance(qint64 nowMs, QVector<SimFrame> *out);
    // Leaves album mode, which ends playback and any transfer.
    void leave(qint64 now) { setAlbumMode(false, now); }
    QVector<MediaRequest> takeMediaRequests();

    quint16 clientPort(int type) const;
    QHostAddress clientAddress(int type) const;
    PlayState playState() const { return m_playState; }
    qint64 playPositionMs(qint64 nowMs) const;
    QByteArray playbackStatusPayload(qint64 nowMs) const;

private:
    quint16 albumCommand(quint16 code, const QByteArray &p, qint64 now);
    quint16 mediaTransfer(const QByteArray &p);
    quint16 playbackCommand(quint16 code, const QByteArray &p, qint64 now);
    void setAlbumMode(bool on, qint64 now);
    void stopPlayback(qint64 now);
    void requestPlay(const QString &devicePath, const QString &localPath);

    const ModelSpec &m_model;
    const SimOptions::ListStyle m_listStyle;
    const bool m_cardPresent;
    const Later m_later;
    MediaCard *m_card = nullptr;
    QByteArray m_clientIp[2];
    quint16 m_clientPort[2] = {0, 0};
    bool m_albumMode = false;
    QVector<MediaRequest> m_mediaRequests;
    QString m_transferPath;
    QString m_playPath;
    PlayState m_playState = PlayIdle;
    qint64 m_playTotalMs = 0;
    qint64 m_playBaseMs = 0; // position when the clock below was taken
    qint64 m_playBaseAt = 0; // simulation time of that position
    qint64 m_nextPlayReport = 0;
};
