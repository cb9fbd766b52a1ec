#pragma once

#include "camsim/SimOptions.h"
#include "link/CommandCode.h"

#include <QByteArray>
#include <QVector>

// Cuts the Annex B access units of a played clip into datagrams of at most
// 1400 bytes, in one of two forms:
//
// raw     Annex B bytes. Whole NAL units are packed together while they fit; a
//         larger NAL unit starts a datagram of its own (with its start code)
//         and goes on in continuation datagrams of exactly 1400 bytes, the
//         last one shorter, so the receiver knows a datagram without a start
//         code continues the previous one.
// framed  one long frame per NAL unit (the playback start command's code,
//         second status kind); the frame payload is the start code and the
//         NAL unit, after a 5- or 7-byte header on two frames out of three.
//         A frame longer than 1400 bytes is cut into datagrams the same way
//         as above, with its two checksum bytes in a datagram of their own
//         behind a shorter piece: a receiver that forwards continuations
//         drops them, one that reassembles frames finds the frame whole.
//
// A receiver takes a datagram that begins with 0xFD for a frame, so a
// continuation datagram must not begin with that byte: the split point is
// moved (zero bytes in front of the start code in the raw form, another
// header length or start code length in the framed form) until none does.
class PlaybackPacketizer
{
public:
    static constexpr int MaxDatagram = 1400;
    static constexpr quint32 MessageId = CommandCode::StartVideoPlayback | (2u << 16);

    explicit PlaybackPacketizer(SimOptions::PlaybackForm form);

    QVector<QByteArray> packetize(const QByteArray &annexB, qint64 ptsMs, bool key);

    // The NAL units of an Annex B buffer, without start codes or the zero
    // bytes around them.
    static QVector<QByteArray> splitNalUnits(const QByteArray &annexB);

private:
    void raw(const QVector<QByteArray> &nals, QVector<QByteArray> *out);
    void framed(const QByteArray &nal, qint64 ptsMs, bool key, QVector<QByteArray> *out);
    static void cut(const QByteArray &bytes, QVector<QByteArray> *out);
    static bool continuationsSafe(const QByteArray &bytes);

    const SimOptions::PlaybackForm m_form;
    quint8 m_sequence = 0;
    quint32 m_counter = 0;
};
