#pragma once

// The frame checksum in its plainest form, one byte at a time with the
// accumulate step of the checksum's definition (start value 0xFFFF, no final
// inversion): what the codec's table-driven checksum, eight bytes a step,
// must agree with for every length and alignment.

#include "link/FrameCodec.h"

inline quint16 referenceCrc16(const char *data, int count)
{
    quint16 crc = 0xFFFF;
    for (int i = 0; i < count; ++i) {
        quint8 t = quint8(quint8(data[i]) ^ quint8(crc & 0xFF));
        t = quint8(t ^ (t << 4));
        crc = quint16((crc >> 8) ^ (quint16(t) << 8) ^ (quint16(t) << 3) ^ (t >> 4));
    }
    return crc;
}

// The codec's checksum against the reference over `bytes` from each of the
// first eight offsets (every alignment of the eight-byte steps).
inline bool crcMatchesReference(const QByteArray &bytes)
{
    for (int offset = 0; offset < 8 && offset <= bytes.size(); ++offset) {
        const int count = qMin(bytes.size() - offset, 0xFFFF);
        if (FrameCodec::crc16(bytes.constData() + offset, quint16(count)) !=
            referenceCrc16(bytes.constData() + offset, count))
            return false;
    }
    return true;
}
