#pragma once

#include "app/CtlCall.h"
#include "app/CtlCommandLine.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class AppCore;
class CtlEventPrinter;
class QmlVideoPlayer;
class VideoFrameItem;

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
        UnknownProperty = 7, // also an unknown object
        UntilTimeout = 8,
        GamepadError = 9,
    };

    // The longest a `ready` step waits for the handshake.
    static constexpr int ReadyTimeoutMs = 5000;
    // How often an until step looks at a property that has no change signal.
    static constexpr int PollIntervalMs = 100;
    // The longest attaching the virtual controller, or the program reading
    // what a gamepad step set, may take.
    static constexpr int GamepadTimeoutMs = 5000;

    explicit CtlRunner(QObject *parent = nullptr);
    ~CtlRunner() override;

    // The names a script can use: the program's published objects and the
    // headless video player.
    static QStringList objectNamesForHelp();

    // `arguments` as QCoreApplication::arguments() gives them. Needs the
    // application object (a QGuiApplication, for the video player's item;
    // the minimal platform will do), with organisation and application
    // name set.
    int run(const QStringList &arguments);

private:
    // Makes `object` reachable from the steps as `name` and reports its events.
    void publish(const QString &name, QObject *object);
    QObject *object(const QString &name) const;
    QStringList objectNames() const;
    // Looks up "[OBJECT.]PROPERTY" (OBJECT defaulting to the device state);
    // null with `error` set when either is unknown.
    QObject *propertyOwner(const QString &qualified, QByteArray &property, QString &error) const;

    int fail(int code, const QString &text);
    int validateSteps();
    bool openLink(QString &error);
    int runReady();
    void runWait(int milliseconds);
    int attachGamepad();
    int runGamepad(const CtlCommandLine::Step &step);
    // Runs the event loop until `done` holds (checked on every change of
    // the controllers) or `ms` pass; returns whether it holds.
    bool waitForGamepads(const std::function<bool()> &done, int ms);
    void printState(const QStringList &properties);
    int runUntil(const CtlCommandLine::Step &step);
    void printLine(const QString &line);

    CtlCommandLine m_commandLine;
    AppCore *m_core = nullptr;
    CtlEventPrinter *m_events = nullptr;
    // The live video, headless: the player's pictures go to an item that is
    // in no window, so screenshots and recordings work in scripts.
    VideoFrameItem *m_videoTarget = nullptr;
    QmlVideoPlayer *m_videoPlayer = nullptr;
    QVector<QPair<QString, QObject *>> m_objects;
    // One resolved call per `call` step, in the order of the steps, with the
    // object it is made on.
    QVector<QPair<QObject *, CtlCall>> m_calls;
};
