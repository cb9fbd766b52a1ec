#pragma once

#include "commands/BaseGimbalController.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

// Commands behind the media album and the camera's network settings: album
// mode, media list, deletion, packet-stream downloads, playback control,
// client registration and the camera's IPv4 configuration.
class PlaybackController : public BaseGimbalController
{
    Q_OBJECT
public:
    // Device paths are cut to this many UTF-8 bytes (one length byte).
    static constexpr int MaxPathBytes = 255;

    explicit PlaybackController(QObject *parent = nullptr);

    // 0 when the last client query asked for the playback-video receiver,
    // 1 for the download receiver; tells the reply decoder which one it is.
    int lastClientType() const { return m_lastClientType; }

    Q_INVOKABLE void playbackModeSet(bool on);
    Q_INVOKABLE void mediaListRefresh();
    Q_INVOKABLE void mediaFileDelete(QString path);
    // fileType: 1 media list, 2 thumbnail, 4 photo, 5 video, 7 abort.
    Q_INVOKABLE void mediaFileDownload(QString path, int fileType, int packetSize, int startSeq,
                                       int totalPackets);
    Q_INVOKABLE void videoPlaybackStart(QString path);
    Q_INVOKABLE void videoPlaybackStop(QString path);
    Q_INVOKABLE void videoPlaybackPause(QString path);
    Q_INVOKABLE void videoPlaybackSeek(QString path, uint32_t seconds);
    // type 0 registers the playback-video receiver, 1 the download receiver.
    Q_INVOKABLE void playbackClientSet(int type, QString ip, ushort port);
    Q_INVOKABLE void playbackClientGet(int type);
    Q_INVOKABLE void ipSet(bool dhcp, QString ip, QString mask, QString gateway);
    Q_INVOKABLE void ipGet();

    // Four bytes, most significant part first. Parts beyond the fourth are
    // ignored, missing or non-numeric parts give 0, numbers are clamped to
    // 0..255. Never fails.
    static QByteArray dottedAddress(const QString &text);
    // The path's UTF-8 form cut to MaxPathBytes (possibly inside a character).
    static QByteArray devicePath(const QString &path);

private:
    void sendPath(CommandCode::Code code, const QString &path);

    int m_lastClientType = 0;
};
