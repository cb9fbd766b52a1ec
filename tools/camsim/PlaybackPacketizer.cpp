#include "camsim/PlaybackPacketizer.h"

#include "link/FrameCodec.h"
#include "link/Payload.h"

namespace
{

constexpr char FrameStart = char(0xFD);
const QByteArray StartCode4("\x00\x00\x00\x01", 4);
const QByteArray StartCode3("\x00\x00\x01", 3);

} // namespace

PlaybackPacketizer::PlaybackPacketizer(SimOptions::PlaybackForm form) : m_form(form) {}

QVector<QByteArray> PlaybackPacketizer::splitNalUnits(const QByteArray &annexB)
{
    QVector<QByteArray> out;
    const int n = annexB.size();
    const char *b = annexB.constData();
    int start = -1;
    int i = 0;
    const auto close = [&](int end) {
        if (start < 0)
            return;
        while (end > start && b[end - 1] == 0)
            --end; // the first zero of a 4-byte start code, or trailing zeros
        if (end > start)
            out.append(annexB.mid(start, end - start));
    };
    while (i + 2 < n) {
        if (b[i] == 0 && b[i + 1] == 0 && b[i + 2] == 1) {
            close(i);
            i += 3;
            start = i;
        } else {
            ++i;
        }
    }
    close(n);
    return out;
}

bool PlaybackPacketizer::continuationsSafe(const QByteArray &bytes)
{
    for (int at = MaxDatagram; at < bytes.size(); at += MaxDatagram)
        if (bytes.at(at) == FrameStart)
            return false;
    return true;
}

void PlaybackPacketizer::cut(const QByteArray &bytes, QVector<QByteArray> *out)
{
    for (int at = 0; at < bytes.size(); at += MaxDatagram)
        out->append(bytes.mid(at, MaxDatagram));
}

QVector<QByteArray> PlaybackPacketizer::packetize(const QByteArray &annexB, qint64 ptsMs, bool key)
{
    QVector<QByteArray> out;
    const QVector<QByteArray> nals = splitNalUnits(annexB);
    if (m_form == SimOptions::PlaybackForm::Raw) {
        raw(nals, &out);
    } else {
        for (const QByteArray &nal : nals)
            framed(nal, ptsMs, key, &out);
    }
    return out;
}

void PlaybackPacketizer::raw(const QVector<QByteArray> &nals, QVector<QByteArray> *out)
{
    QByteArray current;
    for (const QByteArray &nal : nals) {
        const int unit = StartCode4.size() + nal.size();
        if (current.size() + unit <= MaxDatagram) {
            current += StartCode4 + nal;
            continue;
        }
        if (!current.isEmpty())
            out->append(current);
        current.clear();
        if (unit <= MaxDatagram) {
            current = StartCode4 + nal;
            continue;
        }
        // Zero bytes before a start code are allowed by the byte-stream
        // format; they only move where the continuation datagrams begin.
        QByteArray bytes;
        for (int padding = 0; padding <= 12; ++padding) {
            bytes = QByteArray(padding, '\0') + StartCode4 + nal;
            if (continuationsSafe(bytes))
                break;
        }
        cut(bytes, out);
    }
    if (!current.isEmpty())
        out->append(current);
}

void PlaybackPacketizer::framed(const QByteArray &nal, qint64 ptsMs, bool key,
                                QVector<QByteArray> *out)
{
    const int preferred = int(m_counter % 3);
    const quint32 counter = m_counter++;
    static const int headerLengths[3] = {0, 5, 7};
    QByteArray chosen;
    quint8 sequenceAfter = m_sequence;
    for (int attempt = 0; attempt < 6; ++attempt) {
        const int headerLength = headerLengths[(preferred + attempt / 2) % 3];
        QByteArray payload;
        if (headerLength >= 5) {
            Payload::appendU8(payload, 0x80 | (key ? 1 : 0));
            Payload::appendU32(payload, quint32(ptsMs));
        }
        if (headerLength == 7) {
            // No zero bytes here, so nothing in the header looks like the
            // start code the receiver searches for after it.
            Payload::appendU8(payload, 0x80 | (counter & 0x7F));
            Payload::appendU8(payload, 0x80 | ((counter >> 7) & 0x7F));
        }
        payload += (attempt % 2 == 0 ? StartCode4 : StartCode3) + nal;
        if (payload.size() > FrameCodec::MaxLongPayload)
            continue;
        quint8 sequence = m_sequence;
        const QByteArray frame =
            FrameCodec::encodeLongFrame(sequence, 0x04, 0x01, MessageId, payload);
        const QByteArray body = frame.left(frame.size() - 2);
        const bool fits = frame.size() <= MaxDatagram;
        const bool good = fits || (continuationsSafe(body) && body.size() % MaxDatagram != 0);
        if (good || chosen.isEmpty()) {
            chosen = frame;
            sequenceAfter = sequence;
        }
        if (good)
            break;
    }
    if (chosen.isEmpty()) {
        // Too long for one frame: this NAL unit goes out in the raw form.
        raw({nal}, out);
        return;
    }
    m_sequence = sequenceAfter;
    if (chosen.size() <= MaxDatagram) {
        out->append(chosen);
        return;
    }
    // A frame longer than a datagram: its bytes in pieces, the checksum in a
    // piece of its own after a short one, so a receiver that forwards
    // continuations does not take the checksum for video, and one that
    // reassembles the frame still finds it whole.
    cut(chosen.left(chosen.size() - 2), out);
    out->append(chosen.right(2));
}
