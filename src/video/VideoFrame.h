#pragma once

#include "video/FrameTiming.h"

#include <QByteArray>
#include <QMetaType>

// One decoded picture in planar YUV 4:2:0, rows packed without padding. The
// planes are implicitly shared, so a frame is cheap to copy across threads.
// Pictures are shown as they arrive; the timing only feeds the statistics.
struct VideoFrame {
    static constexpr int MaxWidth = 7680;
    static constexpr int MaxHeight = 4320;

    int width = 0;
    int height = 0;
    QByteArray yPlane; // width x height
    QByteArray uPlane; // ((width+1)/2) x ((height+1)/2)
    QByteArray vPlane; // same size as uPlane
    FrameTiming timing;

    static int chromaWidth(int width) { return (width + 1) / 2; }
    static int chromaHeight(int height) { return (height + 1) / 2; }

    static bool sizeAccepted(int width, int height)
    {
        return width >= 1 && width <= MaxWidth && height >= 1 && height <= MaxHeight;
    }
    // Size within 1..7680 x 1..4320 and every plane at its packed size.
    bool isValid() const;

    // Registers the type for queued signals; safe to call more than once.
    static void registerMetaType();
};

Q_DECLARE_METATYPE(VideoFrame)
