#pragma once

#include <QByteArray>

// What the camera's playback datagrams carry: Annex B video (H.264 or H.265
// with start codes), either bare or wrapped in a long frame, sometimes behind
// a short prefix. Also tells the two codecs apart by their NAL unit headers.
class PlaybackPayload
{
public:
    enum class Codec { Undecided, H264, H265 };

    // The Annex B bytes of one datagram; empty when it holds no start code
    // where one is expected.
    static QByteArray extract(const QByteArray &datagram);

    // 00 00 01 or 00 00 00 01 at `offset`.
    static bool startsWithStartCode(const QByteArray &bytes, int offset = 0);

    struct Scores {
        int h264 = 0;
        int h265 = 0;
    };
    // Scores every NAL unit header byte that follows a start code.
    static Scores score(const QByteArray &stream);
    // H.265 when its score is higher; H.264 otherwise, unless nothing looked
    // like H.264 and fewer than ProbeLimit bytes were seen (keep probing).
    static Codec decide(const QByteArray &stream);

    static constexpr int ProbeLimit = 65536;
};
