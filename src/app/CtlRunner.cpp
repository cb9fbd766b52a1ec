#include "app/CtlRunner.h"

#include "app/AppCore.h"
#include "app/CtlEventPrinter.h"
#include "catalog/CameraModelBridge.h"
#include "commands/GimbalController.h"
#include "input/GamepadService.h"
#include "link/ConnectionBridge.h"
#include "link/Language.h"
#include "link/TransportManager.h"
#include "log/LogBridge.h"
#include "log/LogDirectory.h"
#include "state/GimbalState.h"
#include "video/QmlVideoPlayer.h"
#include "video/RecordingSession.h"
#include "video/TelemetryFeed.h"
#include "video/VideoFrameItem.h"

#include <SkyrigVersion.h>

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QMetaProperty>
#include <QSettings>
#include <QStringListModel>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace
{

void writeTo(FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// One property value as compact JSON. Angles and temperatures are floats:
// they go through their shortest decimal form so -0.01 prints as -0.01.
QByteArray jsonValue(const QVariant &value)
{
    QJsonValue json;
    if (value.userType() == QMetaType::Float)
        json = QString::number(value.toFloat(), 'g', 7).toDouble();
    else
        json = QJsonValue::fromVariant(value);
    const QByteArray array = QJsonDocument(QJsonArray{json}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// An until step's VALUE against a property: true/false for flags, numbers by
// value (so 100 matches 100.0), anything else by its text.
bool valueMatches(const QVariant &value, const QString &wanted)
{
    if (value.userType() == QMetaType::Bool)
        return wanted == (value.toBool() ? QLatin1String("true") : QLatin1String("false"));
    bool numeric = false;
    const double number = wanted.toDouble(&numeric);
    switch (value.userType()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
        return numeric && value.toDouble() == number;
    default:
        return value.toString() == wanted;
    }
}

} // namespace

CtlRunner::CtlRunner(QObject *parent) : QObject(parent) {}

CtlRunner::~CtlRunner()
{
    // The player first: it ends a running recording (trailer written) and
    // its decoder before the item it draws to goes away.
    delete m_videoPlayer;
    delete m_videoTarget;
}

QStringList CtlRunner::objectNamesForHelp()
{
    return AppCore::publishedNames()
           << QStringLiteral("videoPlayer") << QStringLiteral("videoRecording");
}

int CtlRunner::fail(int code, const QString &text)
{
    writeTo(stderr, QStringLiteral("skyrigctl: ") + text);
    return code;
}

void CtlRunner::printLine(const QString &line)
{
    writeTo(stdout, line);
}

int CtlRunner::run(const QStringList &arguments)
{
    if (!m_commandLine.parse(arguments)) {
        writeTo(stderr, QStringLiteral("skyrigctl: ") + m_commandLine.errorText());
        writeTo(stderr, QStringLiteral("Try 'skyrigctl --help'."));
        return UsageError;
    }
    if (m_commandLine.versionRequested()) {
        std::fputs("skyrigctl " SKYRIG_VERSION "\n", stdout);
        std::fflush(stdout);
        return Success;
    }
    if (m_commandLine.helpRequested()) {
        std::fputs(CtlCommandLine::usage(objectNamesForHelp()).toUtf8().constData(), stdout);
        std::fflush(stdout);
        return Success;
    }

    // The language is this run's choice: it is written to the tool's own
    // store before anything makes a bilingual text.
    {
        QSettings settings;
        settings.setValue(QStringLiteral("startup/isChinese"), m_commandLine.chinese());
        settings.sync();
    }

    m_core = new AppCore(this, LogDirectory::userDataLogs());
    // Lines made while the graph was built are already in the log model.
    const QStringList earlier = m_core->logModel()->stringList();
    for (const QString &line : earlier)
        printLine(QStringLiteral("log: ") + line);
    connect(m_core->logBridge(), &LogBridge::messageAppended, this,
            [this](const QString &text) { printLine(QStringLiteral("log: ") + text); });
    m_events = new CtlEventPrinter([this](const QString &line) { printLine(line); }, this);
    for (const auto &entry : m_core->publishedObjects())
        publish(entry.first, entry.second);
    m_videoTarget = new VideoFrameItem;
    m_videoPlayer = new QmlVideoPlayer;
    m_videoPlayer->setTarget(m_videoTarget);
    // Recordings carry the telemetry this run receives.
    m_videoPlayer->telemetry()->setState(m_core->gimbalState());
    m_videoPlayer->telemetry()->setModel(m_core->cameraModel());
    publish(QStringLiteral("videoPlayer"), m_videoPlayer);
    publish(QStringLiteral("videoRecording"), m_videoPlayer->recordingSession());

    const int invalid = validateSteps();
    if (invalid != Success)
        return invalid;

    m_core->controller()->setModel(m_commandLine.modelId());

    QString linkError;
    if (m_commandLine.hasLink() && !openLink(linkError))
        return fail(LinkError, linkError);

    if (m_commandLine.virtualGamepad()) {
        const int status = attachGamepad();
        if (status != Success)
            return status;
    }

    int call = 0;
    for (const CtlCommandLine::Step &step : m_commandLine.steps()) {
        switch (step.kind) {
        case CtlCommandLine::Step::Ready: {
            const int status = runReady();
            if (status != Success)
                return status;
            break;
        }
        case CtlCommandLine::Step::Call: {
            const auto &resolved = m_calls.at(call++);
            if (!resolved.second.invoke(resolved.first))
                return fail(BadArgument, QStringLiteral("%1 could not be called").arg(step.name));
            break;
        }
        case CtlCommandLine::Step::Wait:
            runWait(step.milliseconds);
            break;
        case CtlCommandLine::Step::State:
            printState(step.args);
            break;
        case CtlCommandLine::Step::Until: {
            const int status = runUntil(step);
            if (status != Success)
                return status;
            break;
        }
        case CtlCommandLine::Step::Gamepad: {
            const int status = runGamepad(step);
            if (status != Success)
                return status;
            break;
        }
        }
    }
    return Success;
}

void CtlRunner::publish(const QString &name, QObject *object)
{
    m_objects.append({name, object});
    m_events->watch(name, object);
}

QObject *CtlRunner::object(const QString &name) const
{
    for (const auto &entry : m_objects) {
        if (entry.first == name)
            return entry.second;
    }
    return nullptr;
}

QStringList CtlRunner::objectNames() const
{
    QStringList names;
    for (const auto &entry : m_objects)
        names.append(entry.first);
    return names;
}

QObject *CtlRunner::propertyOwner(const QString &qualified, QByteArray &property,
                                  QString &error) const
{
    QString objectName;
    QString member;
    CtlCommandLine::splitQualified(qualified, objectName, member);
    QObject *owner = objectName.isEmpty() ? m_core->gimbalState() : object(objectName);
    if (!owner) {
        error = QStringLiteral("unknown object \"%1\" (known: %2)")
                    .arg(objectName, objectNames().join(QStringLiteral(", ")));
        return nullptr;
    }
    property = member.toLatin1();
    // Only an object's own properties; objectName is not one.
    if (owner->metaObject()->indexOfProperty(property.constData()) <
        QObject::staticMetaObject.propertyCount()) {
        error = QStringLiteral("unknown property \"%1\"").arg(qualified);
        return nullptr;
    }
    return owner;
}

int CtlRunner::validateSteps()
{
    for (const CtlCommandLine::Step &step : m_commandLine.steps()) {
        if (step.kind == CtlCommandLine::Step::Call) {
            QString objectName;
            QString operation;
            CtlCommandLine::splitQualified(step.name, objectName, operation);
            QObject *target = objectName.isEmpty() ? m_core->controller() : object(objectName);
            if (!target)
                return fail(UnknownProperty,
                            QStringLiteral("unknown object \"%1\" (known: %2)")
                                .arg(objectName, objectNames().join(QStringLiteral(", "))));
            CtlCall call;
            switch (call.resolve(target, operation, step.args)) {
            case CtlCall::Resolved:
                m_calls.append({target, call});
                break;
            case CtlCall::UnknownOperation:
                return fail(UnknownOperation, call.errorText());
            case CtlCall::WrongArgumentCount:
                return fail(WrongArgumentCount, call.errorText());
            case CtlCall::BadArgument:
                return fail(BadArgument, call.errorText());
            }
        } else if (step.kind == CtlCommandLine::Step::State ||
                   step.kind == CtlCommandLine::Step::Until) {
            const QStringList names =
                step.kind == CtlCommandLine::Step::State ? step.args : QStringList{step.name};
            for (const QString &name : names) {
                QByteArray property;
                QString error;
                if (!propertyOwner(name, property, error))
                    return fail(UnknownProperty, error);
            }
        }
    }
    return Success;
}

bool CtlRunner::openLink(QString &error)
{
    ConnectionBridge *bridge = m_core->connectionBridge();
    QString reported;
    const QMetaObject::Connection watch =
        connect(bridge, &ConnectionBridge::errorOccurred, this,
                [&reported](const QString &text) { reported = text; });
    if (m_commandLine.useUdp())
        bridge->connectUdp(m_commandLine.udpHost(), m_commandLine.udpPort());
    else
        bridge->connectSerial(m_commandLine.serialDevice(), m_commandLine.baudRate());
    disconnect(watch);
    if (m_core->transportManager()->isOpen())
        return true;
    const QString where =
        m_commandLine.useUdp()
            ? QStringLiteral("%1:%2").arg(m_commandLine.udpHost()).arg(m_commandLine.udpPort())
            : m_commandLine.serialDevice();
    error = QStringLiteral("cannot open the link to %1: %2")
                .arg(where, reported.isEmpty() ? QStringLiteral("unknown error") : reported);
    return false;
}

int CtlRunner::runReady()
{
    if (!m_commandLine.hasLink())
        return fail(LinkError, QStringLiteral("ready needs a link (--udp or --serial)"));
    GimbalController *controller = m_core->controller();
    if (controller->handshakeReady())
        return Success;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(controller, &GimbalController::handshakeReadyChanged, &loop, [&loop, controller] {
        if (controller->handshakeReady())
            loop.quit();
    });
    timeout.start(ReadyTimeoutMs);
    loop.exec();
    if (controller->handshakeReady())
        return Success;
    return fail(ReadyTimeout,
                QStringLiteral("the camera did not answer within %1 ms").arg(ReadyTimeoutMs));
}

void CtlRunner::runWait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool CtlRunner::waitForGamepads(const std::function<bool()> &done, int ms)
{
    if (done())
        return true;
    GamepadService *gamepads = m_core->gamepads();
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    const auto check = [&loop, &done] {
        if (done())
            loop.quit();
    };
    connect(gamepads, &GamepadService::readingsChanged, &loop, check);
    connect(gamepads, &GamepadService::started, &loop, check);
    connect(gamepads, &GamepadService::virtualAttached, &loop, check);
    timeout.start(ms);
    loop.exec();
    return done();
}

int CtlRunner::attachGamepad()
{
    GamepadService *gamepads = m_core->gamepads();
    bool started = false;
    bool attached = false;
    QString error;
    connect(gamepads, &GamepadService::started, this, [&](bool ok) {
        started = true;
        if (ok)
            gamepads->attachVirtual();
        else
            error = gamepads->errorText();
    });
    connect(gamepads, &GamepadService::virtualAttached, this, [&](bool ok, const QString &text) {
        attached = ok;
        if (!ok)
            error = text;
    });
    m_core->startGamepads(true);
    // Attached, seen, and every axis past the settling that follows a
    // controller's arrival.
    const auto ready = [&] {
        if (!error.isEmpty())
            return true;
        for (const GamepadService::Device &d : gamepads->devices()) {
            if (!d.raw.isVirtual)
                continue;
            for (const AxisCalibration &c : d.calibration) {
                if (c.state() == AxisCalibration::Settling)
                    return false;
            }
            return attached;
        }
        return false;
    };
    const bool done = waitForGamepads(ready, GamepadTimeoutMs);
    disconnect(gamepads, nullptr, this, nullptr);
    if (!error.isEmpty())
        return fail(GamepadError,
                    QStringLiteral("cannot attach the virtual game controller: %1").arg(error));
    if (!done || !started)
        return fail(GamepadError,
                    QStringLiteral("the virtual game controller did not appear within %1 ms")
                        .arg(GamepadTimeoutMs));
    return Success;
}

int CtlRunner::runGamepad(const CtlCommandLine::Step &step)
{
    GamepadService *gamepads = m_core->gamepads();
    QVector<QPair<GamepadControl, double>> wanted;
    for (const auto &control : step.controls) {
        QString error;
        if (!gamepads->setVirtual(control.first, control.second, &error))
            return fail(GamepadError, error);
        wanted.append({GamepadControl::parse(control.first), control.second});
    }
    // Done once the program has read every value set (to the precision the
    // controller layer carries).
    const auto seen = [gamepads, &wanted] {
        for (const GamepadService::Device &d : gamepads->devices()) {
            if (!d.raw.isVirtual)
                continue;
            for (const auto &w : wanted) {
                if (std::abs(d.raw.value(w.first) - w.second) > 0.001)
                    return false;
            }
            return true;
        }
        return false;
    };
    if (waitForGamepads(seen, GamepadTimeoutMs))
        return Success;
    return fail(GamepadError, QStringLiteral("the program did not read the virtual controller's "
                                             "new values within %1 ms")
                                  .arg(GamepadTimeoutMs));
}

void CtlRunner::printState(const QStringList &properties)
{
    QStringList names = properties;
    if (names.isEmpty()) {
        const QMetaObject *meta = m_core->gimbalState()->metaObject();
        for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
            names.append(QString::fromLatin1(meta->property(i).name()));
    }
    QByteArray line = "{";
    for (int i = 0; i < names.size(); ++i) {
        if (i > 0)
            line += ',';
        QByteArray property;
        QString error;
        const QObject *owner = propertyOwner(names.at(i), property, error);
        line += jsonValue(names.at(i)) + ':' +
                jsonValue(owner ? owner->property(property.constData()) : QVariant());
    }
    line += '}';
    printLine(QString::fromUtf8(line));
}

int CtlRunner::runUntil(const CtlCommandLine::Step &step)
{
    QByteArray property;
    QString error;
    QObject *owner = propertyOwner(step.name, property, error);
    if (!owner)
        return fail(UnknownProperty, error);
    const QString wanted = step.args.value(0);
    const auto reached = [owner, property, wanted] {
        return valueMatches(owner->property(property.constData()), wanted);
    };
    if (!reached()) {
        QEventLoop loop;
        QTimer timeout;
        timeout.setSingleShot(true);
        connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
        // The change signal asks for a check as soon as the loop runs; the
        // poll covers properties without one.
        QTimer check;
        check.setSingleShot(true);
        QTimer poll;
        for (QTimer *timer : {&check, &poll})
            connect(timer, &QTimer::timeout, &loop, [&loop, reached] {
                if (reached())
                    loop.quit();
            });
        const QMetaObject *meta = owner->metaObject();
        const QMetaProperty metaProperty = meta->property(meta->indexOfProperty(property));
        if (metaProperty.hasNotifySignal())
            connect(owner, metaProperty.notifySignal(), &check,
                    check.metaObject()->method(check.metaObject()->indexOfSlot("start()")));
        timeout.start(step.milliseconds);
        poll.start(PollIntervalMs);
        loop.exec();
    }
    if (reached())
        return Success;
    return fail(UntilTimeout,
                QStringLiteral("%1 did not become %2 within %3 ms (it is %4)")
                    .arg(step.name, wanted)
                    .arg(step.milliseconds)
                    .arg(QString::fromUtf8(jsonValue(owner->property(property.constData())))));
}
