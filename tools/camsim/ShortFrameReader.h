#pragma once

#include "link/FrameCodec.h"

#include <QVector>

// Takes the complete short frames out of a byte stream as it arrives (the
// serial line, or one UDP peer's datagrams). Bytes that are no frame are
// skipped; a buffer grown past `limit` without a frame is dropped, so a peer
// cannot make it grow without end.
class ShortFrameReader
{
public:
    static constexpr int DefaultLimit = 4096;

    static QVector<ParsedFrame> take(QByteArray &buffer, int limit = DefaultLimit)
    {
        QVector<ParsedFrame> frames;
        for (;;) {
            int consumed = 0;
            const ParsedFrame frame = FrameCodec::decodeShortFrame(buffer, consumed);
            buffer.remove(0, consumed);
            if (frame.valid)
                frames.append(frame);
            else if (consumed == 0)
                break;
        }
        if (buffer.size() > limit)
            buffer.clear();
        return frames;
    }
};
