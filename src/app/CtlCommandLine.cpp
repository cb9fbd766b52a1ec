#include "app/CtlCommandLine.h"

#include "input/GamepadService.h"

#include <QHostAddress>

namespace
{

// Splits "NAME:NUMBER" at its last colon when what follows is a number;
// otherwise the whole text is the name.
void splitSuffix(const QString &value, QString &name, QString &number)
{
    const int colon = value.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        name = value;
        number.clear();
        return;
    }
    name = value.left(colon);
    number = value.mid(colon + 1);
}

} // namespace

bool CtlCommandLine::isStepKeyword(const QString &word)
{
    return word == QLatin1String("ready") || word == QLatin1String("call") ||
           word == QLatin1String("wait") || word == QLatin1String("state") ||
           word == QLatin1String("until") || word == QLatin1String("gamepad");
}

void CtlCommandLine::splitQualified(const QString &name, QString &object, QString &member)
{
    const int dot = name.indexOf(QLatin1Char('.'));
    object = dot < 0 ? QString() : name.left(dot);
    member = dot < 0 ? name : name.mid(dot + 1);
}

bool CtlCommandLine::fail(const QString &text)
{
    m_error = text;
    return false;
}

bool CtlCommandLine::parse(const QStringList &arguments)
{
    int i = 1; // arguments[0] is the program
    while (i < arguments.size()) {
        const QString word = arguments.at(i);
        if (!word.startsWith(QLatin1Char('-')))
            break;
        if (word == QLatin1String("-h") || word == QLatin1String("--help")) {
            m_help = true;
            return true;
        }
        if (word == QLatin1String("--version")) {
            m_version = true;
            return true;
        }
        if (word == QLatin1String("--virtual-gamepad")) {
            m_virtualGamepad = true;
            ++i;
            continue;
        }
        QString option = word;
        QString value;
        const int equals = word.indexOf(QLatin1Char('='));
        if (equals > 0) {
            option = word.left(equals);
            value = word.mid(equals + 1);
        } else {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("option %1 needs a value").arg(word));
            value = arguments.at(++i);
        }
        ++i;
        if (option == QLatin1String("--udp")) {
            if (!parseUdp(value))
                return false;
        } else if (option == QLatin1String("--serial")) {
            if (!parseSerial(value))
                return false;
        } else if (option == QLatin1String("--model")) {
            if (value.trimmed().isEmpty())
                return fail(QStringLiteral("--model needs a product id"));
            m_modelId = value.trimmed();
        } else if (option == QLatin1String("--lang")) {
            if (value == QLatin1String("en"))
                m_chinese = false;
            else if (value == QLatin1String("zh"))
                m_chinese = true;
            else
                return fail(QStringLiteral("--lang takes en or zh, not \"%1\"").arg(value));
        } else {
            return fail(QStringLiteral("unknown option %1").arg(option));
        }
    }
    // Without a link only the objects that need none (video, files) can be
    // driven; a `ready` step then fails with the link error.
    if (useUdp() && useSerial())
        return fail(QStringLiteral("give at most one of --udp HOST[:PORT] and --serial "
                                   "DEVICE[:BAUD]"));
    return parseSteps(arguments.mid(i));
}

bool CtlCommandLine::parseUdp(const QString &value)
{
    QString host;
    QString port;
    splitSuffix(value.trimmed(), host, port);
    host = host.trimmed();
    // There is deliberately no default camera address: the tool only talks to
    // a host it was told.
    if (host.isEmpty())
        return fail(QStringLiteral("--udp needs a HOST"));
    if (host == QLatin1String("localhost"))
        host = QStringLiteral("127.0.0.1");
    // Checked here: the link would otherwise fall back to the last address it
    // stored, which is not where this run was told to go.
    QHostAddress address;
    if (!address.setAddress(host) || address.protocol() != QAbstractSocket::IPv4Protocol)
        return fail(QStringLiteral("\"%1\" is not an IPv4 address").arg(host));
    int number = DefaultUdpPort;
    if (value.contains(QLatin1Char(':'))) {
        bool ok = false;
        number = port.toInt(&ok);
        if (!ok || number < 1 || number > 65535)
            return fail(
                QStringLiteral("UDP port must be between 1 and 65535, not \"%1\"").arg(port));
    }
    m_udpHost = host;
    m_udpPort = number;
    return true;
}

bool CtlCommandLine::parseSerial(const QString &value)
{
    QString device = value.trimmed();
    int baud = DefaultBaudRate;
    QString name;
    QString number;
    splitSuffix(device, name, number);
    // Device paths may contain colons themselves; only a numeric tail is a baud rate.
    bool numeric = !number.isEmpty();
    for (const QChar c : number)
        numeric = numeric && c.isDigit();
    if (numeric) {
        bool ok = false;
        baud = number.toInt(&ok);
        if (!ok || baud <= 0)
            return fail(
                QStringLiteral("baud rate must be a positive number, not \"%1\"").arg(number));
        device = name;
    } else if (device.endsWith(QLatin1Char(':'))) {
        return fail(QStringLiteral("--serial needs a baud rate after the colon"));
    }
    if (device.isEmpty())
        return fail(QStringLiteral("--serial needs a DEVICE"));
    m_serialDevice = device;
    m_baudRate = baud;
    return true;
}

bool CtlCommandLine::parseSteps(const QStringList &words)
{
    int i = 0;
    while (i < words.size()) {
        const QString word = words.at(i++);
        Step step;
        if (word == QLatin1String("ready")) {
            step.kind = Step::Ready;
        } else if (word == QLatin1String("wait")) {
            step.kind = Step::Wait;
            if (i >= words.size())
                return fail(QStringLiteral("wait needs a time in milliseconds"));
            bool ok = false;
            step.milliseconds = words.at(i).toInt(&ok);
            if (!ok || step.milliseconds < 0)
                return fail(QStringLiteral("wait needs a time in milliseconds, not \"%1\"")
                                .arg(words.at(i)));
            ++i;
        } else if (word == QLatin1String("until")) {
            step.kind = Step::Until;
            const QString usage = QStringLiteral("until needs [OBJECT.]PROPERTY=VALUE and a time "
                                                 "in milliseconds");
            if (i + 1 >= words.size())
                return fail(usage);
            const QString condition = words.at(i++);
            const int equals = condition.indexOf(QLatin1Char('='));
            if (equals < 1)
                return fail(usage + QStringLiteral(", not \"%1\"").arg(condition));
            step.name = condition.left(equals);
            step.args = QStringList{condition.mid(equals + 1)};
            bool ok = false;
            step.milliseconds = words.at(i).toInt(&ok);
            if (!ok || step.milliseconds < 0)
                return fail(usage + QStringLiteral(", not \"%1\"").arg(words.at(i)));
            ++i;
        } else if (word == QLatin1String("call") || word == QLatin1String("state")) {
            const bool call = word == QLatin1String("call");
            step.kind = call ? Step::Call : Step::State;
            if (call) {
                if (i >= words.size() || isStepKeyword(words.at(i)))
                    return fail(QStringLiteral("call needs an operation name"));
                step.name = words.at(i++);
            }
            while (i < words.size() && !isStepKeyword(words.at(i)))
                step.args.append(words.at(i++));
        } else if (word == QLatin1String("gamepad")) {
            step.kind = Step::Gamepad;
            if (!m_virtualGamepad)
                return fail(QStringLiteral("gamepad needs --virtual-gamepad"));
            while (i < words.size() && !isStepKeyword(words.at(i))) {
                const QString control = words.at(i++);
                const int equals = control.indexOf(QLatin1Char('='));
                bool ok = false;
                const double value = equals > 0 ? control.mid(equals + 1).toDouble(&ok) : 0.0;
                QString error;
                GamepadControl checked;
                if (!ok)
                    return fail(
                        QStringLiteral("gamepad takes NAME=VALUE, not \"%1\"").arg(control));
                if (!GamepadService::checkVirtual(control.left(equals), value, &checked, &error))
                    return fail(error);
                step.controls.append({control.left(equals), value});
            }
            if (step.controls.isEmpty())
                return fail(QStringLiteral("gamepad needs at least one NAME=VALUE"));
        } else {
            return fail(QStringLiteral("unknown step \"%1\" (expected ready, call, wait, state, "
                                       "until or gamepad)")
                            .arg(word));
        }
        m_steps.append(step);
    }
    return true;
}

QString CtlCommandLine::usage(const QStringList &objects)
{
    return QStringLiteral(
               "Usage: skyrigctl [OPTION]... STEP...\n"
               "Drives the camera without the interface, through the same objects the\n"
               "program publishes, one step after the other.\n"
               "\n"
               "Options (read only before the first step):\n"
               "  --udp HOST[:PORT]       camera address (required) and port (default 1030)\n"
               "  --serial DEVICE[:BAUD]  serial device, baud rate (default 115200)\n"
               "  --model ID              product (default Otter)\n"
               "  --lang en|zh            language of the log lines (default en)\n"
               "  --virtual-gamepad       attach a virtual game controller for gamepad steps\n"
               "                          (other controllers are left alone)\n"
               "  -h, --help              show this text and exit\n"
               "      --version           show the version and exit\n"
               "Give at most one link. Without one, only the objects that need no link can\n"
               "be used, and ready fails.\n"
               "\n"
               "Steps, run in order:\n"
               "  ready                   wait until the camera answered the handshake\n"
               "                          (at most 5 s)\n"
               "  call [OBJECT.]OPERATION [ARG...]\n"
               "                          call an operation of a published object (the\n"
               "                          controller when no OBJECT is named); arguments\n"
               "                          are numbers, true/false, texts, or comma-separated\n"
               "                          numbers for lists (\"\" for an empty list)\n"
               "  wait MS                 let the program run for MS milliseconds\n"
               "  state [[OBJECT.]PROPERTY...]\n"
               "                          print the named properties (of the device state\n"
               "                          when no OBJECT is named; all of its properties when\n"
               "                          none is named) as one line of JSON\n"
               "  until [OBJECT.]PROPERTY=VALUE MS\n"
               "                          wait until the property reads VALUE, at most MS ms\n"
               "  gamepad NAME=VALUE...   set controls of the virtual controller and wait\n"
               "                          until the program has read them; NAME as the\n"
               "                          game-controller layer names them (leftx, righty,\n"
               "                          righttrigger, a, leftshoulder, dpup, ...); sticks\n"
               "                          -1...1, triggers 0...1, buttons 0/1\n"
               "The arguments of call, state and gamepad run up to the next step word.\n"
               "\n"
               "Objects: %1.\n"
               "\n"
               "Every log line is printed to standard output as \"log: <text>\"; every\n"
               "error, finish and status-text change of an object as\n"
               "\"event: OBJECT: <text>\".\n"
               "\n"
               "Exit status:\n"
               "  0  all steps done\n"
               "  1  bad command line\n"
               "  2  the link could not be opened\n"
               "  3  ready timed out\n"
               "  4  unknown operation\n"
               "  5  wrong number of arguments for the operation\n"
               "  6  an argument does not fit its parameter\n"
               "  7  unknown object or property\n"
               "  8  until timed out\n"
               "  9  the virtual controller could not be attached or read\n")
        .arg(objects.join(QStringLiteral(", ")));
}
