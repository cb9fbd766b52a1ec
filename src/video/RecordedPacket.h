#pragma once

#include <QByteArray>
#include <QtGlobal>

struct AVPacket;

// One compressed packet of the live stream on its way to the recorder: a copy
// of the payload with the packet's time stamps in the input time base (the
// library's "no value" marker where it has none) and its flags.
struct RecordedPacket {
    QByteArray data;
    qint64 pts = 0;
    qint64 dts = 0;
    qint64 duration = 0;
    int flags = 0; // bit 0: keyframe

    bool isKeyframe() const { return (flags & 1) != 0; }

    // A copy of `packet`'s payload, time stamps and flags.
    static RecordedPacket copyOf(const AVPacket &packet);
};
