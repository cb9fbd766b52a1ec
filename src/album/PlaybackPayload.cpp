#include "album/PlaybackPayload.h"

#include "link/FrameCodec.h"

namespace
{

constexpr uchar StartByte = 0xFD;
constexpr int FrameHeader = 11;

// The Annex B part of a frame's inner bytes: at once, or behind a 5- or
// 7-byte prefix.
QByteArray fromInner(const QByteArray &inner)
{
    for (int offset : {0, 5, 7})
        if (PlaybackPayload::startsWithStartCode(inner, offset))
            return inner.mid(offset);
    return QByteArray();
}

} // namespace

bool PlaybackPayload::startsWithStartCode(const QByteArray &bytes, int offset)
{
    if (offset < 0 || offset + 3 > bytes.size())
        return false;
    const auto *u = reinterpret_cast<const uchar *>(bytes.constData()) + offset;
    if (u[0] != 0 || u[1] != 0)
        return false;
    if (u[2] == 1)
        return true;
    return u[2] == 0 && offset + 4 <= bytes.size() && u[3] == 1;
}

QByteArray PlaybackPayload::extract(const QByteArray &datagram)
{
    if (startsWithStartCode(datagram))
        return datagram;

    const int size = datagram.size();
    if (size >= 16 && uchar(datagram.at(0)) == StartByte) {
        const int length = uchar(datagram.at(1)) | (uchar(datagram.at(2)) << 8);
        const int frameSize = length + FrameCodec::LongOverhead;
        QByteArray inner;
        if (size < frameSize) {
            inner = datagram.mid(FrameHeader);
        } else {
            int consumed = 0;
            const ParsedLongFrame frame = FrameCodec::decodeLongFrame(datagram, consumed);
            if (frame.valid && (size > frameSize || consumed == size))
                inner = frame.payload;
        }
        const QByteArray payload = fromInner(inner);
        if (!payload.isEmpty())
            return payload;
    }

    if (size > 16 && startsWithStartCode(datagram, 16))
        return datagram.mid(16);
    if (size > 18 && startsWithStartCode(datagram, 18))
        return datagram.mid(18);
    for (int offset = 0; offset <= qMin(size, 32) - 4; ++offset)
        if (startsWithStartCode(datagram, offset))
            return datagram.mid(offset);
    return QByteArray();
}

PlaybackPayload::Scores PlaybackPayload::score(const QByteArray &stream)
{
    Scores s;
    const auto *u = reinterpret_cast<const uchar *>(stream.constData());
    const int n = stream.size();
    for (int i = 0; i + 3 < n; ++i) {
        if (u[i] != 0 || u[i + 1] != 0 || u[i + 2] != 1)
            continue;
        const uchar b = u[i + 3];
        const int h264Type = b & 0x1F;
        if (b == 0x40 || b == 0x42 || b == 0x44) {
            s.h265 += 3; // video, sequence and picture parameter sets
        } else {
            const int h265Type = (b >> 1) & 0x3F;
            if (b < 0x80 && (h265Type == 19 || h265Type == 20 || h265Type == 21))
                s.h265 += 1; // random-access pictures
        }
        if (h264Type == 7 || h264Type == 8)
            s.h264 += 3; // sequence and picture parameter sets
        else if (h264Type == 5)
            s.h264 += 1; // instantaneous refresh picture
        i += 2;
    }
    return s;
}

PlaybackPayload::Codec PlaybackPayload::decide(const QByteArray &stream)
{
    const Scores s = score(stream);
    if (s.h265 > s.h264)
        return Codec::H265;
    if (s.h264 == 0 && stream.size() < ProbeLimit)
        return Codec::Undecided;
    return Codec::H264;
}
