#include "app/CtlRunner.h"

#include "app/AppCore.h"
#include "commands/GimbalController.h"
#include "link/ConnectionBridge.h"
#include "link/Language.h"
#include "link/TransportManager.h"
#include "log/LogBridge.h"
#include "log/LogDirectory.h"
#include "state/GimbalState.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QMetaProperty>
#include <QSettings>
#include <QStringListModel>
#include <QTimer>

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

} // namespace

CtlRunner::CtlRunner(QObject *parent) : QObject(parent) {}

CtlRunner::~CtlRunner() = default;

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
    if (m_commandLine.helpRequested()) {
        std::fputs(CtlCommandLine::usage().toUtf8().constData(), stdout);
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

    const int invalid = validateSteps();
    if (invalid != Success)
        return invalid;

    m_core->controller()->setModel(m_commandLine.modelId());

    QString linkError;
    if (!openLink(linkError))
        return fail(LinkError, linkError);

    int call = 0;
    for (const CtlCommandLine::Step &step : m_commandLine.steps()) {
        switch (step.kind) {
        case CtlCommandLine::Step::Ready: {
            const int status = runReady();
            if (status != Success)
                return status;
            break;
        }
        case CtlCommandLine::Step::Call:
            if (!m_calls.at(call++).invoke(m_core->controller()))
                return fail(BadArgument, QStringLiteral("%1 could not be called").arg(step.name));
            break;
        case CtlCommandLine::Step::Wait:
            runWait(step.milliseconds);
            break;
        case CtlCommandLine::Step::State:
            printState(step.args);
            break;
        }
    }
    return Success;
}

int CtlRunner::validateSteps()
{
    const QMetaObject *stateMeta = m_core->gimbalState()->metaObject();
    for (const CtlCommandLine::Step &step : m_commandLine.steps()) {
        if (step.kind == CtlCommandLine::Step::Call) {
            CtlCall call;
            switch (call.resolve(m_core->controller(), step.name, step.args)) {
            case CtlCall::Resolved:
                m_calls.append(call);
                break;
            case CtlCall::UnknownOperation:
                return fail(UnknownOperation, call.errorText());
            case CtlCall::WrongArgumentCount:
                return fail(WrongArgumentCount, call.errorText());
            case CtlCall::BadArgument:
                return fail(BadArgument, call.errorText());
            }
        } else if (step.kind == CtlCommandLine::Step::State) {
            for (const QString &name : step.args) {
                const int index = stateMeta->indexOfProperty(name.toLatin1().constData());
                // Only the device state's own properties; objectName is not one.
                if (index < QObject::staticMetaObject.propertyCount())
                    return fail(UnknownProperty,
                                QStringLiteral("unknown state property \"%1\"").arg(name));
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
                QStringLiteral("the link did not become ready within %1 ms").arg(ReadyTimeoutMs));
}

void CtlRunner::runWait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void CtlRunner::printState(const QStringList &properties)
{
    const GimbalState *state = m_core->gimbalState();
    const QMetaObject *meta = state->metaObject();
    QStringList names = properties;
    if (names.isEmpty()) {
        for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
            names.append(QString::fromLatin1(meta->property(i).name()));
    }
    QByteArray line = "{";
    for (int i = 0; i < names.size(); ++i) {
        if (i > 0)
            line += ',';
        const QByteArray key = names.at(i).toUtf8();
        line += jsonValue(QString::fromUtf8(key)) + ':' + jsonValue(state->property(key));
    }
    line += '}';
    printLine(QString::fromUtf8(line));
}
