#pragma once

#include <QString>
#include <QVector>

// How an RTSP stream's media travels. Auto tries UDP first (lowest delay,
// no waiting for lost packets) and falls back to TCP when the camera
// refuses UDP or nothing arrives over it (a firewall, NAT); TCP and UDP are
// kept as chosen. Other addresses (files, tcp://) ignore the choice.
class StreamTransport
{
public:
    enum Choice { Auto, Tcp, Udp };

    // How long an Auto attempt over UDP waits for the stream's first
    // pictures before it gives up on UDP: the camera answers RTSP within
    // milliseconds and sends a key frame at least every 2 s.
    static constexpr int AutoUdpWaitMs = 2500;
    // Socket receive buffer asked for over UDP: a 4K key frame (up to about
    // 2 MB at the highest bit rates) must fit while the reader is busy.
    static constexpr int UdpBufferBytes = 4 * 1024 * 1024;

    // "auto", "tcp", "udp" (what the settings and scripts use).
    static QString name(Choice choice);
    // Unknown names give Auto with *ok false.
    static Choice fromName(const QString &name, bool *ok = nullptr);
    // "UDP", "TCP", "Auto".
    static QString label(Choice choice);

    static bool isRtsp(const QString &url);
    // The transports to open the stream with, in order (Auto: UDP, then
    // TCP; not RTSP: one attempt, where the choice plays no part).
    static QVector<Choice> attempts(Choice choice, const QString &url);

    // The largest receive buffer the system grants a program (Linux's
    // net.core.rmem_max, doubled as the kernel books it), or 0 when unknown.
    static int systemReceiveBufferLimit();
};
