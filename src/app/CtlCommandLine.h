#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The command line of the headless front end, taken apart but not yet checked
// against the controller: link options first, then the steps in order.
//
//   skyrigctl [--udp HOST[:PORT] | --serial DEVICE[:BAUD]] [--model ID]
//             [--lang en|zh] [--transport auto|tcp|udp] [--virtual-gamepad] STEP...
//             |  --help  |  --version
//
// Options are only read before the first step, so step arguments such as
// negative numbers are never mistaken for options.
class CtlCommandLine
{
public:
    static constexpr int DefaultUdpPort = 1030;
    static constexpr int DefaultBaudRate = 115200;

    struct Step {
        enum Kind { Ready, Call, Wait, State, Until, Gamepad };
        Kind kind = Ready;
        QString name;     // [OBJECT.]OPERATION of a call, [OBJECT.]PROPERTY of an until
        QStringList args; // call arguments, property names of a state, the value of an until
        // The controls of a gamepad step and their values, in order.
        QVector<QPair<QString, double>> controls;
        int milliseconds = 0; // of a wait, or the longest an until waits
    };

    // False with errorText() set when the line cannot be used.
    bool parse(const QStringList &arguments);

    bool helpRequested() const { return m_help; }
    bool versionRequested() const { return m_version; }
    bool hasLink() const { return useUdp() || useSerial(); }
    bool useUdp() const { return !m_udpHost.isEmpty(); }
    QString udpHost() const { return m_udpHost; }
    int udpPort() const { return m_udpPort; }
    bool useSerial() const { return !m_serialDevice.isEmpty(); }
    QString serialDevice() const { return m_serialDevice; }
    int baudRate() const { return m_baudRate; }
    QString modelId() const { return m_modelId; }
    bool chinese() const { return m_chinese; }
    bool virtualGamepad() const { return m_virtualGamepad; }
    // The video player's transport, empty when not given.
    QString transport() const { return m_transport; }
    const QVector<Step> &steps() const { return m_steps; }
    QString errorText() const { return m_error; }

    static bool isStepKeyword(const QString &word);
    // "OBJECT.MEMBER" split at its first dot; a name without a dot leaves
    // `object` empty (the caller's default object).
    static void splitQualified(const QString &name, QString &object, QString &member);
    // `objects`: the names a step may use as OBJECT.
    static QString usage(const QStringList &objects);

private:
    bool fail(const QString &text);
    bool parseUdp(const QString &value);
    bool parseSerial(const QString &value);
    bool parseSteps(const QStringList &words);

    bool m_help = false;
    bool m_version = false;
    QString m_udpHost;
    int m_udpPort = DefaultUdpPort;
    QString m_serialDevice;
    int m_baudRate = DefaultBaudRate;
    QString m_modelId = QStringLiteral("Otter");
    bool m_chinese = false;
    bool m_virtualGamepad = false;
    QString m_transport;
    QVector<Step> m_steps;
    QString m_error;
};
