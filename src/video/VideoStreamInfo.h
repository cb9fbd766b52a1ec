#pragma once

#include <QMetaType>
#include <QString>

// What the live decoder knows about its stream: picture size, codec display
// name and bit rate (declared at first, then measured about once a second).
struct VideoStreamInfo {
    int width = 0;
    int height = 0;
    QString codecName;
    qint64 bitrate = 0;
    // How it is decoded and carried (for the statistics): the decoder's
    // name ("h264"), its threads, and the transport in use ("tcp", "udp";
    // empty for other inputs).
    QString decoderName;
    int threads = 1;
    QString transport;

    // Display name of a decoder's short codec name ("h264" -> "H.264").
    static QString displayCodecName(const char *shortName);

    // Registers the type for queued signals; safe to call more than once.
    static void registerMetaType();
};

Q_DECLARE_METATYPE(VideoStreamInfo)
