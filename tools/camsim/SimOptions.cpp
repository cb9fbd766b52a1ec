#include "camsim/SimOptions.h"

#include "camsim/LoopbackRule.h"
#include "camsim/MediaRequest.h"

#include <QCommandLineParser>
#include <QHostAddress>

#include <SkyrigVersion.h>

#include <limits>

namespace
{

// One option as the help lists it: no value name makes it a switch.
struct OptionEntry {
    const char *names;        // "h help": every name, blank-separated
    const char *valueName;    // nullptr for a switch
    const char *defaultValue; // nullptr: none
    const char *help;
};

// In the order the help lists them.
const OptionEntry Entries[] = {
    {"h help", nullptr, nullptr, "Show this help."},
    {"version", nullptr, nullptr, "Show the version."},
    {"bind", "address", "127.0.0.1",
     "Address to listen on (default 127.0.0.1; a non-loopback address needs --allow-remote)."},
    {"udp-port", "port", "1030",
     "UDP control port (default 1030; 0 picks a free port and prints it; -1 disables UDP)."},
    {"pty", "path", nullptr,
     "Also serve the serial protocol on a pseudo-terminal whose slave is symlinked at PATH (any "
     "baud rate works)."},
    {"rtsp-port", "port", "8554",
     "RTSP port for the test stream rtsp://ADDR:PORT/test (default 8554; 0 disables it)."},
    {"rtsp-udp", "mode", "serve",
     "RTSP media over UDP: serve it, refuse it (TCP only), or drop it (accepted, never arrives, "
     "like a firewall; default serve)."},
    {"model", "id", "Otter", "Product model whose capabilities to simulate (default Otter)."},
    {"status-kind", "kind", "0", "Frame kind of the status reports: 0 or 2 (default 0)."},
    {"attitude-hz", "hz", "20", "Attitude report rate (default 20)."},
    {"status-hz", "hz", "1", "Gimbal and camera-system status rate (default 1)."},
    {"ir-hz", "hz", "2", "Infrared status rate (default 2)."},
    {"vis-hz", "hz", "2", "Visible camera status rate (default 2)."},
    {"sd", "state", "ready", "Memory card: ready, none or full (default ready)."},
    {"loss", "p", "0",
     "Probability that a frame or datagram is lost (control frames both ways; default 0)."},
    {"corrupt", "p", "0",
     "Probability that a sent frame or datagram has one bit flipped (default 0)."},
    {"duplicate", "p", "0", "Probability that a sent frame or datagram is sent twice (default 0)."},
    {"garbage", "p", "0", "Probability that noise bytes precede a sent frame (default 0)."},
    {"delay", "ms", "0", "Fixed delay of every sent frame in ms (default 0)."},
    {"jitter", "ms", "0", "Extra random delay of 0..MS ms per sent frame (default 0)."},
    {"ack-result", "code=result", nullptr,
     "Answer command CODE (hex 0x0302 or decimal) with result RESULT instead of carrying it out. "
     "Repeatable."},
    {"seed", "n", "1", "Seed of the fault generator (default 1)."},
    {"allow-remote", nullptr, nullptr, "Allow binding and answering non-loopback addresses."},
    {"reorder", "p", "0",
     "Probability that a sent frame or datagram is held back and sent after the next one "
     "(default 0)."},
    {"fault-channel", "channel", nullptr,
     "Apply the line faults only to control, media or playback traffic, or to all (default all). "
     "Repeatable."},
    {"media-dir", "dir", nullptr,
     "Serve the files below DIR as the memory card (they are never modified; default: a "
     "generated card in a temporary folder)."},
    {"media-list-style", "style", "loose",
     "Form of the media list: strict JSON, or loose as cameras send it (a \"JSON\" prefix, sizes "
     "as text, millisecond times, trailing commas; default loose)."},
    {"media-rate", "mbps", "80",
     "Download rate in Mbit/s (default 80; 0 sends as fast as the socket takes the datagrams)."},
    {"media-packet-size", "bytes", "0",
     "Send download packets of this many data bytes whatever was asked for (default 0: as "
     "asked)."},
    {"media-pad-last", nullptr, nullptr,
     "Pad the last packet of every download to the full packet size."},
    {"playback-form", "form", "raw",
     "Playback datagrams: raw Annex B or framed in long frames (default raw)."},
    {"http-port", "port", "8088",
     "Port of the HTTP upgrade service (default 8088; 0 disables it)."},
    {"http-status", "code", nullptr,
     "Answer every package upload with this HTTP status and a short text."},
    {"http-stall", nullptr, nullptr, "Take package uploads but never answer them."},
    {"http-stall-start", nullptr, nullptr, "Take start-upgrade requests but never answer them."},
    {"http-start-code", "n", nullptr,
     "Answer every start-upgrade request with this code (and a message unless it is 0)."},
    {"http-start-body", "text", nullptr,
     "Answer every start-upgrade request with this text instead of JSON."},
    {"reboot-ms", "ms", "1500",
     "How long the camera stays silent while it reboots after an accepted upgrade (default "
     "1500)."},
};

QCommandLineOption optionOf(const OptionEntry &s)
{
    const QStringList names = QString::fromLatin1(s.names).split(QLatin1Char(' '));
    const QString help = QString::fromUtf8(s.help);
    if (!s.valueName)
        return QCommandLineOption(names, help);
    return QCommandLineOption(names, help, QString::fromLatin1(s.valueName),
                              QString::fromLatin1(s.defaultValue));
}

// A number `fits` accepts, or false with "--NAME expects EXPECTED, got "TEXT""
// in `error`.
bool parseReal(const QString &text, const QString &name, bool (*fits)(double), const char *expected,
               double *out, QString *error)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !fits(v)) {
        *error =
            QStringLiteral("--%1 expects %2, got \"%3\"").arg(name, QLatin1String(expected), text);
        return false;
    }
    *out = v;
    return true;
}

bool parseInt(const QString &text, const QString &name, int low, int high, int *out, QString *error)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high) {
        *error = QStringLiteral("--%1 expects a whole number from %2 to %3, got \"%4\"")
                     .arg(name)
                     .arg(low)
                     .arg(high)
                     .arg(text);
        return false;
    }
    *out = v;
    return true;
}

// The index of `value` (blanks and case aside) among `choices`, or -1 with
// "--NAME expects a, b or c, got "VALUE"" in `error` (the value as given when
// `asGiven`, else as compared).
int parseChoice(const QString &value, const char *name, const QStringList &choices, QString *error,
                bool asGiven = false)
{
    const QString compared = value.trimmed().toLower();
    const int index = choices.indexOf(compared);
    if (index < 0)
        *error = QStringLiteral("--%1 expects %2 or %3, got \"%4\"")
                     .arg(QLatin1String(name),
                          choices.mid(0, choices.size() - 1).join(QStringLiteral(", ")),
                          choices.last(), asGiven ? value : compared);
    return index;
}

} // namespace

bool SimOptions::parseCode(const QString &text, quint16 *value)
{
    const QString t = text.trimmed();
    bool ok = false;
    uint v = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toUInt(&ok, 16);
    else
        v = t.toUInt(&ok, 10);
    if (!ok || v > 0xFFFF)
        return false;
    *value = quint16(v);
    return true;
}

bool SimOptions::parse(const QStringList &arguments, QString *error, QString *helpText)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Skyrig camera simulator: answers the gimbal camera control protocol over UDP and/or a\n"
        "pseudo-terminal, streams status reports, and optionally serves RTSP test video.\n"
        "It only talks to loopback addresses unless --allow-remote is given.\n"
        "On start it prints one line: camsim ready udp=ADDR:PORT pty=PATH rtsp=URL model=ID\n"
        "media=FILES card=FOLDER http=ADDR:PORT"));
    for (const OptionEntry &entry : Entries)
        p.addOption(optionOf(entry));
    const auto value = [&p](const char *name) { return p.value(QString::fromLatin1(name)); };
    const auto isSet = [&p](const char *name) { return p.isSet(QString::fromLatin1(name)); };

    if (!p.parse(arguments)) {
        *error = p.errorText();
        return false;
    }
    if (isSet("version") || isSet("help")) {
        if (helpText)
            *helpText = isSet("version") ? QStringLiteral("skyrig-camsim " SKYRIG_VERSION "\n")
                                         : p.helpText();
        error->clear();
        return false;
    }
    if (!p.positionalArguments().isEmpty()) {
        *error = QStringLiteral("Unexpected argument \"%1\"").arg(p.positionalArguments().first());
        return false;
    }

    allowRemote = isSet("allow-remote");
    bindAddress = value("bind").trimmed();
    QHostAddress bindHost;
    if (!bindHost.setAddress(bindAddress)) {
        *error = QStringLiteral("--bind expects a numeric IP address, got \"%1\"").arg(bindAddress);
        return false;
    }
    if (!allowRemote && !LoopbackRule::isLoopback(bindAddress)) {
        *error = QStringLiteral("Refusing to bind the non-loopback address %1 without "
                                "--allow-remote")
                     .arg(bindAddress);
        return false;
    }

    const struct {
        const char *name;
        int low, high;
        int *field;
    } whole[] = {{"udp-port", -1, 65535, &udpPort},
                 {"rtsp-port", 0, 65535, &rtspPort},
                 {"status-kind", 0, 2, &statusKind},
                 {"delay", 0, 60000, &faults.delayMs},
                 {"jitter", 0, 60000, &faults.jitterMs},
                 {"http-port", 0, 65535, &httpPort},
                 {"reboot-ms", 0, 600000, &rebootMs},
                 {"media-packet-size", 0, MediaRequest::MaxDataPerPacket, &mediaPacketSize}};
    for (const auto &o : whole)
        if (!parseInt(value(o.name), QLatin1String(o.name), o.low, o.high, o.field, error))
            return false;
    bool (*const rate)(double) = [](double v) { return v > 0.0 && v <= 1000.0; };
    bool (*const probability)(double) = [](double v) { return v >= 0.0 && v <= 1.0; };
    const char *const rateText = "a rate in Hz above 0 and at most 1000";
    const char *const probabilityText = "a probability between 0 and 1";
    const struct {
        const char *name;
        double *field;
        bool (*fits)(double);
        const char *expected;
    } reals[] = {{"attitude-hz", &attitudeHz, rate, rateText},
                 {"status-hz", &statusHz, rate, rateText},
                 {"ir-hz", &irHz, rate, rateText},
                 {"vis-hz", &visHz, rate, rateText},
                 {"loss", &faults.loss, probability, probabilityText},
                 {"corrupt", &faults.corrupt, probability, probabilityText},
                 {"duplicate", &faults.duplicate, probability, probabilityText},
                 {"garbage", &faults.garbage, probability, probabilityText},
                 {"reorder", &faults.reorder, probability, probabilityText}};
    for (const auto &o : reals)
        if (!parseReal(value(o.name), QLatin1String(o.name), o.fits, o.expected, o.field, error))
            return false;
    if (statusKind == 1) {
        *error = QStringLiteral("--status-kind expects 0 or 2 (1 is the acknowledgement kind)");
        return false;
    }

    httpFaults = HttpServer::Faults{};
    if (isSet("http-status") && !parseInt(value("http-status"), QStringLiteral("http-status"), 200,
                                          599, &httpFaults.uploadStatus, error))
        return false;
    httpFaults.stallUpload = isSet("http-stall");
    httpFaults.stallStart = isSet("http-stall-start");
    if (isSet("http-start-code")) {
        int code = 0;
        if (!parseInt(value("http-start-code"), QStringLiteral("http-start-code"),
                      std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), &code,
                      error))
            return false;
        httpFaults.startCode = code;
    }
    if (isSet("http-start-body"))
        httpFaults.startBody = value("http-start-body").toUtf8();

    if (isSet("fault-channel")) {
        faultChannels = 0;
        const QStringList channels = {QStringLiteral("control"), QStringLiteral("media"),
                                      QStringLiteral("playback"), QStringLiteral("all")};
        const int bits[] = {ControlChannel, MediaChannel, PlaybackChannel, AllChannels};
        for (const QString &v : p.values(QStringLiteral("fault-channel"))) {
            const int index = parseChoice(v, "fault-channel", channels, error, true);
            if (index < 0)
                return false;
            faultChannels |= bits[index];
        }
    }
    mediaDir = value("media-dir");
    if (isSet("media-dir") && mediaDir.trimmed().isEmpty()) {
        *error = QStringLiteral("--media-dir expects a folder");
        return false;
    }
    // The choices in the order of their enumerations.
    const int style = parseChoice(value("media-list-style"), "media-list-style",
                                  {QStringLiteral("strict"), QStringLiteral("loose")}, error);
    if (style < 0)
        return false;
    listStyle = ListStyle(style);
    if (!parseReal(
            value("media-rate"), QStringLiteral("media-rate"),
            [](double v) { return v >= 0.0 && v <= 100000.0; }, "Mbit/s from 0 to 100000",
            &mediaRateMbps, error))
        return false;
    const int form = parseChoice(value("playback-form"), "playback-form",
                                 {QStringLiteral("raw"), QStringLiteral("framed")}, error);
    if (form < 0)
        return false;
    playbackForm = PlaybackForm(form);
    const int udpMode = parseChoice(
        value("rtsp-udp"), "rtsp-udp",
        {QStringLiteral("serve"), QStringLiteral("refuse"), QStringLiteral("drop")}, error);
    if (udpMode < 0)
        return false;
    rtspUdp = RtspUdp(udpMode);
    mediaPadLast = isSet("media-pad-last");
    ptyPath = value("pty");
    if (isSet("pty") && ptyPath.trimmed().isEmpty()) {
        *error = QStringLiteral("--pty expects a path");
        return false;
    }
    modelId = value("model").trimmed();

    const int cardState = parseChoice(
        value("sd"), "sd",
        {QStringLiteral("ready"), QStringLiteral("none"), QStringLiteral("full")}, error);
    if (cardState < 0)
        return false;
    card = CardState(cardState);

    bool seedOk = false;
    const qulonglong s = value("seed").toULongLong(&seedOk);
    if (!seedOk || s > 0xFFFFFFFFull) {
        *error = QStringLiteral("--seed expects a non-negative 32-bit number, got \"%1\"")
                     .arg(value("seed"));
        return false;
    }
    seed = quint32(s);

    ackResults.clear();
    for (const QString &entry : p.values(QStringLiteral("ack-result"))) {
        const int eq = entry.indexOf(QLatin1Char('='));
        quint16 code = 0;
        quint16 result = 0;
        if (eq <= 0 || !parseCode(entry.left(eq), &code) ||
            !parseCode(entry.mid(eq + 1), &result)) {
            *error = QStringLiteral("--ack-result expects CODE=RESULT (for example 0x0302=3), "
                                    "got \"%1\"")
                         .arg(entry);
            return false;
        }
        ackResults.insert(code, result);
    }
    if (udpPort < 0 && ptyPath.isEmpty()) {
        *error = QStringLiteral("Nothing to serve: UDP is disabled and no --pty was given");
        return false;
    }
    return true;
}
