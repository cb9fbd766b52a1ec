#pragma once

// The media channel's packets as a camera sends them: a start packet with the
// file size, data packets with their sequence number, each in a long frame.

#include "link/CommandCode.h"
#include "link/FrameCodec.h"
#include "link/Payload.h"

namespace album_test
{

inline QByteArray mediaFrame(const QByteArray &payload)
{
    quint8 seq = 0;
    return FrameCodec::encodeLongFrame(seq, 4, 1, CommandCode::DownloadMediaFile, payload);
}

inline QByteArray startPacket(quint32 size)
{
    QByteArray p(1, char(1));
    Payload::appendU32(p, size);
    Payload::appendU16(p, 0);
    return p;
}

inline QByteArray dataPacket(quint32 seq, const QByteArray &data)
{
    QByteArray p(1, char(2));
    Payload::appendU32(p, seq);
    return p + data;
}

} // namespace album_test
