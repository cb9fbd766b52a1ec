#include "camsim/SimOptions.h"

#include <QCommandLineParser>
#include <QHostAddress>

#include <SkyrigVersion.h>

#include <limits>

namespace
{

bool parseProbability(const QString &text, const QString &name, double *out, QString *error)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || v < 0.0 || v > 1.0) {
        *error = QStringLiteral("--%1 expects a probability between 0 and 1, got \"%2\"")
                     .arg(name, text);
        return false;
    }
    *out = v;
    return true;
}

bool parseRate(const QString &text, const QString &name, double *out, QString *error)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || v <= 0.0 || v > 1000.0) {
        *error = QStringLiteral("--%1 expects a rate in Hz above 0 and at most 1000, got \"%2\"")
                     .arg(name, text);
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

} // namespace

bool SimOptions::isLoopback(const QString &address)
{
    const QString trimmed = address.trimmed();
    if (trimmed.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress host;
    if (!host.setAddress(trimmed))
        return false;
    return host.isLoopback();
}

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
    const QCommandLineOption oHelp(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                   QStringLiteral("Show this help."));
    const QCommandLineOption oVersion(QStringLiteral("version"),
                                      QStringLiteral("Show the version."));
    const QCommandLineOption oBind(QStringLiteral("bind"),
                                   QStringLiteral("Address to listen on (default 127.0.0.1; a "
                                                  "non-loopback address needs --allow-remote)."),
                                   QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption oUdpPort(
        QStringLiteral("udp-port"),
        QStringLiteral("UDP control port (default 1030; 0 picks a free port and prints it; "
                       "-1 disables UDP)."),
        QStringLiteral("port"), QStringLiteral("1030"));
    const QCommandLineOption oPty(
        QStringLiteral("pty"),
        QStringLiteral("Also serve the serial protocol on a pseudo-terminal whose slave is "
                       "symlinked at PATH (any baud rate works)."),
        QStringLiteral("path"));
    const QCommandLineOption oRtspPort(
        QStringLiteral("rtsp-port"),
        QStringLiteral("RTSP port for the test stream rtsp://ADDR:PORT/test (default 8554; 0 "
                       "disables it)."),
        QStringLiteral("port"), QStringLiteral("8554"));
    const QCommandLineOption oModel(QStringLiteral("model"),
                                    QStringLiteral("Product model whose capabilities to "
                                                   "simulate (default Otter)."),
                                    QStringLiteral("id"), QStringLiteral("Otter"));
    const QCommandLineOption oStatusKind(
        QStringLiteral("status-kind"),
        QStringLiteral("Frame kind of the status reports: 0 or 2 (default 0)."),
        QStringLiteral("kind"), QStringLiteral("0"));
    const QCommandLineOption oAttitudeHz(QStringLiteral("attitude-hz"),
                                         QStringLiteral("Attitude report rate (default 20)."),
                                         QStringLiteral("hz"), QStringLiteral("20"));
    const QCommandLineOption oStatusHz(
        QStringLiteral("status-hz"),
        QStringLiteral("Gimbal and camera-system status rate (default 1)."), QStringLiteral("hz"),
        QStringLiteral("1"));
    const QCommandLineOption oIrHz(QStringLiteral("ir-hz"),
                                   QStringLiteral("Infrared status rate (default 2)."),
                                   QStringLiteral("hz"), QStringLiteral("2"));
    const QCommandLineOption oVisHz(QStringLiteral("vis-hz"),
                                    QStringLiteral("Visible camera status rate (default 2)."),
                                    QStringLiteral("hz"), QStringLiteral("2"));
    const QCommandLineOption oSd(QStringLiteral("sd"),
                                 QStringLiteral("Memory card: ready, none or full (default "
                                                "ready)."),
                                 QStringLiteral("state"), QStringLiteral("ready"));
    const QCommandLineOption oLoss(
        QStringLiteral("loss"),
        QStringLiteral("Probability that a frame or datagram is lost (control frames both ways; "
                       "default 0)."),
        QStringLiteral("p"), QStringLiteral("0"));
    const QCommandLineOption oCorrupt(
        QStringLiteral("corrupt"),
        QStringLiteral(
            "Probability that a sent frame or datagram has one bit flipped (default 0)."),
        QStringLiteral("p"), QStringLiteral("0"));
    const QCommandLineOption oDuplicate(
        QStringLiteral("duplicate"),
        QStringLiteral("Probability that a sent frame or datagram is sent twice (default 0)."),
        QStringLiteral("p"), QStringLiteral("0"));
    const QCommandLineOption oGarbage(
        QStringLiteral("garbage"),
        QStringLiteral("Probability that noise bytes precede a sent frame (default 0)."),
        QStringLiteral("p"), QStringLiteral("0"));
    const QCommandLineOption oDelay(QStringLiteral("delay"),
                                    QStringLiteral("Fixed delay of every sent frame in ms "
                                                   "(default 0)."),
                                    QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption oJitter(
        QStringLiteral("jitter"),
        QStringLiteral("Extra random delay of 0..MS ms per sent frame (default 0)."),
        QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption oAckResult(
        QStringLiteral("ack-result"),
        QStringLiteral("Answer command CODE (hex 0x0302 or decimal) with result RESULT instead "
                       "of carrying it out. Repeatable."),
        QStringLiteral("code=result"));
    const QCommandLineOption oSeed(QStringLiteral("seed"),
                                   QStringLiteral("Seed of the fault generator (default 1)."),
                                   QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption oReorder(
        QStringLiteral("reorder"),
        QStringLiteral("Probability that a sent frame or datagram is held back and sent after the "
                       "next one (default 0)."),
        QStringLiteral("p"), QStringLiteral("0"));
    const QCommandLineOption oFaultChannel(
        QStringLiteral("fault-channel"),
        QStringLiteral("Apply the line faults only to control, media or playback traffic, or to "
                       "all (default all). Repeatable."),
        QStringLiteral("channel"));
    const QCommandLineOption oMediaDir(
        QStringLiteral("media-dir"),
        QStringLiteral("Serve the files below DIR as the memory card (they are never modified; "
                       "default: a generated card in a temporary folder)."),
        QStringLiteral("dir"));
    const QCommandLineOption oListStyle(
        QStringLiteral("media-list-style"),
        QStringLiteral("Form of the media list: strict JSON, or loose as cameras send it (a "
                       "\"JSON\" prefix, sizes as text, millisecond times, trailing commas; "
                       "default loose)."),
        QStringLiteral("style"), QStringLiteral("loose"));
    const QCommandLineOption oMediaRate(
        QStringLiteral("media-rate"),
        QStringLiteral("Download rate in Mbit/s (default 80; 0 sends as fast as the socket "
                       "takes the datagrams)."),
        QStringLiteral("mbps"), QStringLiteral("80"));
    const QCommandLineOption oPlaybackForm(
        QStringLiteral("playback-form"),
        QStringLiteral("Playback datagrams: raw Annex B or framed in long frames (default raw)."),
        QStringLiteral("form"), QStringLiteral("raw"));
    const QCommandLineOption oAllowRemote(
        QStringLiteral("allow-remote"),
        QStringLiteral("Allow binding and answering non-loopback addresses."));
    p.addOptions({oHelp,     oVersion,    oBind,       oUdpPort,     oPty,     oRtspPort,
                  oModel,    oStatusKind, oAttitudeHz, oStatusHz,    oIrHz,    oVisHz,
                  oSd,       oLoss,       oCorrupt,    oDuplicate,   oGarbage, oDelay,
                  oJitter,   oAckResult,  oSeed,       oAllowRemote, oReorder, oFaultChannel,
                  oMediaDir, oListStyle,  oMediaRate,  oPlaybackForm});
    const QCommandLineOption oHttpPort(
        QStringLiteral("http-port"),
        QStringLiteral("Port of the HTTP upgrade service (default 8088; 0 disables it)."),
        QStringLiteral("port"), QStringLiteral("8088"));
    const QCommandLineOption oHttpStatus(
        QStringLiteral("http-status"),
        QStringLiteral("Answer every package upload with this HTTP status and a short text."),
        QStringLiteral("code"));
    const QCommandLineOption oHttpStall(
        QStringLiteral("http-stall"),
        QStringLiteral("Take package uploads but never answer them."));
    const QCommandLineOption oHttpStallStart(
        QStringLiteral("http-stall-start"),
        QStringLiteral("Take start-upgrade requests but never answer them."));
    const QCommandLineOption oHttpStartCode(
        QStringLiteral("http-start-code"),
        QStringLiteral("Answer every start-upgrade request with this code (and a message "
                       "unless it is 0)."),
        QStringLiteral("n"));
    const QCommandLineOption oHttpStartBody(
        QStringLiteral("http-start-body"),
        QStringLiteral("Answer every start-upgrade request with this text instead of JSON."),
        QStringLiteral("text"));
    const QCommandLineOption oRebootMs(
        QStringLiteral("reboot-ms"),
        QStringLiteral("How long the camera stays silent while it reboots after an accepted "
                       "upgrade (default 1500)."),
        QStringLiteral("ms"), QStringLiteral("1500"));
    p.addOptions({oHttpPort, oHttpStatus, oHttpStall, oHttpStallStart, oHttpStartCode,
                  oHttpStartBody, oRebootMs});

    if (!p.parse(arguments)) {
        *error = p.errorText();
        return false;
    }
    if (p.isSet(oVersion)) {
        if (helpText)
            *helpText = QStringLiteral("skyrig-camsim " SKYRIG_VERSION "\n");
        error->clear();
        return false;
    }
    if (p.isSet(oHelp)) {
        if (helpText)
            *helpText = p.helpText();
        error->clear();
        return false;
    }
    if (!p.positionalArguments().isEmpty()) {
        *error = QStringLiteral("Unexpected argument \"%1\"").arg(p.positionalArguments().first());
        return false;
    }

    allowRemote = p.isSet(oAllowRemote);
    bindAddress = p.value(oBind).trimmed();
    QHostAddress bindHost;
    if (!bindHost.setAddress(bindAddress)) {
        *error = QStringLiteral("--bind expects a numeric IP address, got \"%1\"").arg(bindAddress);
        return false;
    }
    if (!allowRemote && !isLoopback(bindAddress)) {
        *error = QStringLiteral("Refusing to bind the non-loopback address %1 without "
                                "--allow-remote")
                     .arg(bindAddress);
        return false;
    }
    if (!parseInt(p.value(oUdpPort), QStringLiteral("udp-port"), -1, 65535, &udpPort, error) ||
        !parseInt(p.value(oRtspPort), QStringLiteral("rtsp-port"), 0, 65535, &rtspPort, error) ||
        !parseInt(p.value(oStatusKind), QStringLiteral("status-kind"), 0, 2, &statusKind, error) ||
        !parseRate(p.value(oAttitudeHz), QStringLiteral("attitude-hz"), &attitudeHz, error) ||
        !parseRate(p.value(oStatusHz), QStringLiteral("status-hz"), &statusHz, error) ||
        !parseRate(p.value(oIrHz), QStringLiteral("ir-hz"), &irHz, error) ||
        !parseRate(p.value(oVisHz), QStringLiteral("vis-hz"), &visHz, error) ||
        !parseProbability(p.value(oLoss), QStringLiteral("loss"), &loss, error) ||
        !parseProbability(p.value(oCorrupt), QStringLiteral("corrupt"), &corrupt, error) ||
        !parseProbability(p.value(oDuplicate), QStringLiteral("duplicate"), &duplicate, error) ||
        !parseProbability(p.value(oGarbage), QStringLiteral("garbage"), &garbage, error) ||
        !parseInt(p.value(oDelay), QStringLiteral("delay"), 0, 60000, &delayMs, error) ||
        !parseInt(p.value(oJitter), QStringLiteral("jitter"), 0, 60000, &jitterMs, error) ||
        !parseProbability(p.value(oReorder), QStringLiteral("reorder"), &reorder, error))
        return false;
    if (!parseInt(p.value(oHttpPort), QStringLiteral("http-port"), 0, 65535, &httpPort, error) ||
        !parseInt(p.value(oRebootMs), QStringLiteral("reboot-ms"), 0, 600000, &rebootMs, error))
        return false;
    httpStatus = 0;
    if (p.isSet(oHttpStatus) && !parseInt(p.value(oHttpStatus), QStringLiteral("http-status"), 200,
                                          599, &httpStatus, error))
        return false;
    httpStall = p.isSet(oHttpStall);
    httpStallStart = p.isSet(oHttpStallStart);
    httpStartCode.reset();
    if (p.isSet(oHttpStartCode)) {
        int code = 0;
        if (!parseInt(p.value(oHttpStartCode), QStringLiteral("http-start-code"),
                      std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), &code,
                      error))
            return false;
        httpStartCode = code;
    }
    httpStartBody.reset();
    if (p.isSet(oHttpStartBody))
        httpStartBody = p.value(oHttpStartBody).toUtf8();

    if (p.isSet(oFaultChannel)) {
        faultChannels = 0;
        for (const QString &value : p.values(oFaultChannel)) {
            const QString v = value.trimmed().toLower();
            if (v == QLatin1String("control"))
                faultChannels |= ControlChannel;
            else if (v == QLatin1String("media"))
                faultChannels |= MediaChannel;
            else if (v == QLatin1String("playback"))
                faultChannels |= PlaybackChannel;
            else if (v == QLatin1String("all"))
                faultChannels |= AllChannels;
            else {
                *error = QStringLiteral("--fault-channel expects control, media, playback or "
                                        "all, got \"%1\"")
                             .arg(value);
                return false;
            }
        }
    }
    mediaDir = p.value(oMediaDir);
    if (p.isSet(oMediaDir) && mediaDir.trimmed().isEmpty()) {
        *error = QStringLiteral("--media-dir expects a folder");
        return false;
    }
    const QString style = p.value(oListStyle).trimmed().toLower();
    if (style == QLatin1String("strict"))
        listStyle = ListStyle::Strict;
    else if (style == QLatin1String("loose"))
        listStyle = ListStyle::Loose;
    else {
        *error =
            QStringLiteral("--media-list-style expects strict or loose, got \"%1\"").arg(style);
        return false;
    }
    bool rateOk = false;
    mediaRateMbps = p.value(oMediaRate).toDouble(&rateOk);
    if (!rateOk || mediaRateMbps < 0.0 || mediaRateMbps > 100000.0) {
        *error = QStringLiteral("--media-rate expects Mbit/s from 0 to 100000, got \"%1\"")
                     .arg(p.value(oMediaRate));
        return false;
    }
    const QString form = p.value(oPlaybackForm).trimmed().toLower();
    if (form == QLatin1String("raw"))
        playbackForm = PlaybackForm::Raw;
    else if (form == QLatin1String("framed"))
        playbackForm = PlaybackForm::Framed;
    else {
        *error = QStringLiteral("--playback-form expects raw or framed, got \"%1\"").arg(form);
        return false;
    }
    if (statusKind == 1) {
        *error = QStringLiteral("--status-kind expects 0 or 2 (1 is the acknowledgement kind)");
        return false;
    }
    ptyPath = p.value(oPty);
    if (p.isSet(oPty) && ptyPath.trimmed().isEmpty()) {
        *error = QStringLiteral("--pty expects a path");
        return false;
    }
    modelId = p.value(oModel).trimmed();

    const QString card = p.value(oSd).trimmed().toLower();
    if (card == QLatin1String("ready"))
        this->card = CardState::Ready;
    else if (card == QLatin1String("none"))
        this->card = CardState::None;
    else if (card == QLatin1String("full"))
        this->card = CardState::Full;
    else {
        *error = QStringLiteral("--sd expects ready, none or full, got \"%1\"").arg(card);
        return false;
    }

    bool seedOk = false;
    const qulonglong s = p.value(oSeed).toULongLong(&seedOk);
    if (!seedOk || s > 0xFFFFFFFFull) {
        *error = QStringLiteral("--seed expects a non-negative 32-bit number, got \"%1\"")
                     .arg(p.value(oSeed));
        return false;
    }
    this->seed = quint32(s);

    ackResults.clear();
    for (const QString &entry : p.values(oAckResult)) {
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
