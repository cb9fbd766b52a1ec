#pragma once

#include <QByteArray>
#include <QString>

// What the camera asks of its media and playback senders after a command:
// the camera decides (no I/O), the senders carry it out on their sockets.
struct MediaRequest {
    // The most file bytes one packet can carry: an IPv4 datagram holds 65507
    // bytes, less the long frame's 13 and the data packet's 5 bytes.
    static constexpr int MaxDataPerPacket = 65507 - 13 - 5;

    enum Kind {
        Transfer,      // send a window of a file, a thumbnail or the list
        AbortTransfer, // stop sending whatever transfer is under way
        PlayStart,     // stream `localPath` from `positionMs` on, in real time
        PlayPause,     // stop streaming, keep the position
        PlayStop,      // stop streaming and forget the file
    };

    static MediaRequest of(Kind kind)
    {
        MediaRequest r;
        r.kind = kind;
        return r;
    }

    Kind kind = Transfer;
    QString devicePath;
    // Transfer: the content is `data` when `localPath` is empty.
    QString localPath;
    QByteArray data;
    qint64 size = 0;
    int fileType = 0;
    int packetSize = 0;
    bool padLast = false; // the file's last packet padded to full size
    quint32 startSeq = 0;
    int count = 0;
    // Playback.
    qint64 positionMs = 0;
};
