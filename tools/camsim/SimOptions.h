#pragma once

#include "camsim/FaultInjector.h"
#include "camsim/HttpServer.h"

#include <QHash>
#include <QString>
#include <QStringList>

// Everything the simulator can be told on its command line. Parsing is kept
// apart from main() so that a bad option is reported with a clear text and the
// defaults can be checked without starting any I/O.
class SimOptions
{
public:
    enum class CardState { Ready, None, Full };
    enum class ListStyle { Strict, Loose };
    enum class PlaybackForm { Raw, Framed };
    // How the RTSP stream treats a viewer that asks for its media over UDP.
    enum class RtspUdp { Serve, Refuse, Drop };
    // Where the line faults apply.
    enum Channel { ControlChannel = 1, MediaChannel = 2, PlaybackChannel = 4, AllChannels = 7 };

    QString bindAddress = QStringLiteral("127.0.0.1");
    int udpPort = 1030;  // 0 = pick a free one; -1 = no UDP endpoint
    QString ptyPath;     // empty = no serial endpoint
    int rtspPort = 8554; // 0 = no RTSP server
    RtspUdp rtspUdp = RtspUdp::Serve;
    QString modelId = QStringLiteral("Otter");
    int statusKind = 0;
    double attitudeHz = 20.0;
    double statusHz = 1.0;
    double irHz = 2.0;
    double visHz = 2.0;
    CardState card = CardState::Ready;

    FaultInjector::Settings faults; // line faults, on the channels below
    int faultChannels = AllChannels;
    QHash<quint16, quint16> ackResults; // command code -> forced result
    quint32 seed = 1;
    bool allowRemote = false;

    QString mediaDir; // empty = a generated card in a temporary folder
    ListStyle listStyle = ListStyle::Loose;
    double mediaRateMbps = 80.0; // 0 = as fast as the socket takes them
    PlaybackForm playbackForm = PlaybackForm::Raw;
    // Download packets: the camera's own data size whatever was asked (0 =
    // as asked), and the last packet of every transfer padded to full size.
    int mediaPacketSize = 0;
    bool mediaPadLast = false;

    // HTTP upgrade service and its faults.
    int httpPort = 8088; // 0 = no HTTP service
    HttpServer::Faults httpFaults;
    int rebootMs = 1500; // how long the camera is away after an upgrade

    // Parses `arguments` (argv, program name first). On failure returns false
    // and sets `error`; with --help or --version sets `helpText` and returns
    // false with an empty error.
    bool parse(const QStringList &arguments, QString *error, QString *helpText = nullptr);

    // "0x0302" or "770" -> 770; returns false for anything else or > 0xFFFF.
    static bool parseCode(const QString &text, quint16 *value);

    // The line faults of `channel`: none where --fault-channel leaves it out.
    FaultInjector::Settings faultsOn(Channel channel) const
    {
        return (faultChannels & channel) != 0 ? faults : FaultInjector::Settings{};
    }
};
