#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <thread>

// The shape of the live picture a new session gets.
struct StreamSettings {
    int width = 1920;
    int height = 1080;
    bool h265 = false;
    int bitrateKbps = 4000;
};

// The simulated camera's live video: an RTSP server with its own GLib main
// context and loop, run on a thread of its own so the simulator's Qt event
// loop never waits for it. Each session gets its own pipeline built from the
// settings current when it is opened: a moving test picture with the gimbal's
// yaw, pitch and zoom and a wall clock with milliseconds burnt in (the clock
// lets a viewer read the end-to-end delay off the screen), next to the same
// moment as a row of blocks a program can read (TimeStampBlocks: the
// monotonic clock at capture), encoded with H.264 or, when the encoder is
// present, H.265.
//
// start(), stop() and setStreamSettings() belong to the owning thread;
// setOverlay() may be called from any thread.
class RtspServer
{
public:
    // Picture limits; settings outside them are brought inside.
    static constexpr int MinSide = 16;
    static constexpr int MaxSide = 4096;
    static constexpr int MinBitrateKbps = 100;
    static constexpr int MaxBitrateKbps = 50000;
    static constexpr int FramesPerSecond = 30;

    RtspServer(QString bindAddress, quint16 port);
    ~RtspServer();

    RtspServer(const RtspServer &) = delete;
    RtspServer &operator=(const RtspServer &) = delete;

    // Port 0 picks a free one (see boundPort()). Addresses outside loopback
    // are refused unless setAllowRemote(true) was called first.
    bool start(QString *error);
    void stop();
    bool isRunning() const;
    quint16 boundPort() const;

    void setAllowRemote(bool allow);
    // How a viewer asking for UDP media is treated (before start): served,
    // refused at set-up (TCP only), or accepted with every UDP packet
    // dropped inside the server, as a firewall would (the viewer then has
    // to notice that nothing arrives).
    enum class UdpMedia { Serve, Refuse, Drop };
    void setUdpMedia(UdpMedia mode);

    // When the picture whose capture stamp is `captureMs` (TimeStampBlocks)
    // left the server's packetiser as its last RTP packet, on the same
    // clock; false when it is not (or no longer) known. Any thread.
    bool sentAt(uint32_t captureMs, uint32_t *sentMs) const;
    void setStreamSettings(const StreamSettings &s);
    StreamSettings streamSettings() const;
    void setOverlay(double yaw, double pitch, double zoom);
    bool h265Available() const;

    // The pipeline description a new session would get with `s`.
    QString pipelineFor(const StreamSettings &s) const;

    static const char *const MountPaths[3];

    // State the pipelines' streaming threads read; defined with the server.
    struct Shared;

private:
    struct Glib;

    void applyLaunch();

    const QString m_bindAddress;
    const quint16 m_port;
    bool m_allowRemote = false;
    UdpMedia m_udpMedia = UdpMedia::Serve;
    quint16 m_boundPort = 0;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<Glib> m_glib;
    std::thread m_thread;
};
