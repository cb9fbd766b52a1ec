#include "video/RecordedPacket.h"

extern "C" {
#include <libavcodec/packet.h>
}

RecordedPacket RecordedPacket::copyOf(const AVPacket &packet)
{
    RecordedPacket copy;
    copy.data = QByteArray(reinterpret_cast<const char *>(packet.data), packet.size);
    copy.pts = packet.pts;
    copy.dts = packet.dts;
    copy.duration = packet.duration;
    copy.flags = packet.flags;
    return copy;
}
