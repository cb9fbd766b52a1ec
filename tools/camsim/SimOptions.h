#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// Everything the simulator can be told on its command line. Parsing is kept
// apart from main() so that a bad option is reported with a clear text and the
// defaults can be checked without starting any I/O.
class SimOptions
{
public:
    enum class CardState { Ready, None, Full };
    enum class ListStyle { Strict, Loose };
    enum class PlaybackForm { Raw, Framed };
    // Where the line faults apply.
    enum Channel { ControlChannel = 1, MediaChannel = 2, PlaybackChannel = 4, AllChannels = 7 };

    QString bindAddress = QStringLiteral("127.0.0.1");
    int udpPort = 1030;  // 0 = pick a free one; -1 = no UDP endpoint
    QString ptyPath;     // empty = no serial endpoint
    int rtspPort = 8554; // 0 = no RTSP server
    QString modelId = QStringLiteral("Otter");
    int statusKind = 0;
    double attitudeHz = 20.0;
    double statusHz = 1.0;
    double irHz = 2.0;
    double visHz = 2.0;
    CardState card = CardState::Ready;

    double loss = 0.0;
    double corrupt = 0.0;
    double duplicate = 0.0;
    double garbage = 0.0;
    int delayMs = 0;
    int jitterMs = 0;
    QHash<quint16, quint16> ackResults; // command code -> forced result
    double reorder = 0.0;
    int faultChannels = AllChannels;
    quint32 seed = 1;
    bool allowRemote = false;

    QString mediaDir; // empty = a generated card in a temporary folder
    ListStyle listStyle = ListStyle::Loose;
    double mediaRateMbps = 80.0; // 0 = as fast as the socket takes them
    PlaybackForm playbackForm = PlaybackForm::Raw;

    // HTTP upgrade service and its faults.
    int httpPort = 8088;                     // 0 = no HTTP service
    int httpStatus = 0;                      // answer uploads with this status (0 = normally)
    bool httpStall = false;                  // take uploads, never answer
    bool httpStallStart = false;             // take start requests, never answer
    std::optional<int> httpStartCode;        // answer start requests with this code
    std::optional<QByteArray> httpStartBody; // answer start requests with these bytes
    int rebootMs = 1500;                     // how long the camera is away after an upgrade

    // Parses `arguments` (argv, program name first). On failure returns false
    // and sets `error`; with --help or --version sets `helpText` and returns
    // false with an empty error.
    bool parse(const QStringList &arguments, QString *error, QString *helpText = nullptr);

    // True for 127.0.0.0/8 and ::1 (also in their textual forms).
    static bool isLoopback(const QString &address);
    // "0x0302" or "770" -> 770; returns false for anything else or > 0xFFFF.
    static bool parseCode(const QString &text, quint16 *value);

    bool faultsOn(Channel channel) const { return (faultChannels & channel) != 0; }
};
