#pragma once

#include "app/CtlCall.h"
#include "app/CtlCommandLine.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

class AppCore;

// The headless front end: builds the program's own object graph, opens the
// one link it was told to, runs the steps of the command line in order and
// prints every log line as it happens. Its settings live in a store of its
// own, so a run never changes the interface program's settings.
class CtlRunner : public QObject
{
    Q_OBJECT
public:
    enum ExitCode {
        Success = 0,
        UsageError = 1,
        LinkError = 2,
        ReadyTimeout = 3,
        UnknownOperation = 4,
        WrongArgumentCount = 5,
        BadArgument = 6,
        UnknownProperty = 7,
    };

    // The longest a `ready` step waits for the handshake.
    static constexpr int ReadyTimeoutMs = 5000;

    explicit CtlRunner(QObject *parent = nullptr);
    ~CtlRunner() override;

    // `arguments` as QCoreApplication::arguments() gives them. Needs the
    // application object, with organisation and application name set.
    int run(const QStringList &arguments);

private:
    int fail(int code, const QString &text);
    int validateSteps();
    bool openLink(QString &error);
    int runReady();
    void runWait(int milliseconds);
    void printState(const QStringList &properties);
    void printLine(const QString &line);

    CtlCommandLine m_commandLine;
    AppCore *m_core = nullptr;
    // One resolved call per `call` step, in the order of the steps.
    QVector<CtlCall> m_calls;
};
