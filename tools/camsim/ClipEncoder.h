#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

// Writes short MP4 clips of drawn pictures with the FFmpeg libraries' H.264
// or H.265 encoder: the simulated camera's recordings. Settings favour speed
// (clips are made while the simulator starts) and a stream a low-delay
// decoder plays straight away: no B-frames, a key frame every second.
class ClipEncoder
{
public:
    struct Settings {
        bool h265 = false;
        QSize size{320, 180};
        int fps = 25;
        int frameCount = 75;
        int bitrateKbps = 600;
    };

    // True when the encoder for that codec is in the FFmpeg build.
    static bool available(bool h265);

    // Draws frame i with `draw(i)` (any format; converted as needed) and
    // writes the clip to `file`. Returns false with a readable `error`.
    static bool encode(const QString &file, const Settings &settings,
                       const std::function<QImage(int)> &draw, QString *error);
};
