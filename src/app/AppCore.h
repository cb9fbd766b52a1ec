#pragma once

#include "album/AlbumTimings.h"

#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

class AppSettingsBridge;
class CameraModelBridge;
class CommandLoggers;
class ConnectionBridge;
class FirmwareUpgradeBridge;
class GamepadService;
class GimbalController;
class GimbalState;
class GimbalSteering;
class InputControls;
class InputRouter;
class LogBridge;
class MediaAlbumBridge;
class QStringListModel;
class TransportManager;
class VideoUrlHistory;

// The program's object graph: creates every long-lived object once, in a fixed
// order, and wires them to each other and to the log. Needs neither the scene
// nor a display, so the interface program and the headless front end run the
// very same graph. Opens no link: connecting is the operator's decision.
//
// The objects are children of the parent given (the application object), or
// of this object when there is none; they live as long as their owner.
class AppCore : public QObject
{
    Q_OBJECT
public:
    // logDirectory: where the session log goes; empty picks the usual place.
    // albumTimings: the album's ports and delays (tests use free ports and
    // short delays; the program keeps the camera's).
    explicit AppCore(QObject *parent = nullptr, const QString &logDirectory = QString(),
                     const AlbumTimings &albumTimings = AlbumTimings());

    TransportManager *transportManager() const { return m_transportManager; }
    GimbalController *controller() const { return m_controller; }
    GimbalState *gimbalState() const;
    ConnectionBridge *connectionBridge() const { return m_connectionBridge; }
    QStringListModel *logModel() const { return m_logModel; }
    LogBridge *logBridge() const { return m_logBridge; }
    VideoUrlHistory *videoUrlHistory() const { return m_videoUrlHistory; }
    AppSettingsBridge *appSettings() const { return m_appSettings; }
    CameraModelBridge *cameraModel() const { return m_cameraModel; }
    CommandLoggers *commandLoggers() const { return m_commandLoggers; }
    MediaAlbumBridge *mediaAlbum() const { return m_mediaAlbum; }
    FirmwareUpgradeBridge *firmwareUpgrade() const { return m_firmwareUpgrade; }
    GamepadService *gamepads() const { return m_gamepads; }
    GimbalSteering *steering() const { return m_steering; }
    InputRouter *inputRouter() const { return m_inputRouter; }
    InputControls *inputControls() const { return m_inputControls; }

    // Starts reading game controllers (on a thread of their own). Not done
    // by the constructor: a script or test that wants none never opens them.
    // `virtualOnly`: only a virtual controller attached by the program.
    void startGamepads(bool virtualOnly = false);

    // The objects the interface reaches by name, in the order they are
    // published (the key filter, which belongs to the interface, is not one).
    QVector<QPair<QString, QObject *>> publishedObjects() const;
    // Their names, in the same order, without building anything.
    static QStringList publishedNames();

    // Protocol detail lines from the controller: kept out of the operator's
    // log pane and written to the session log only.
    static bool isDetailLine(const QString &text);

private:
    void followCameraModel();
    void announceSessionLog();
    void connectObjects();

    TransportManager *m_transportManager = nullptr;
    GimbalController *m_controller = nullptr;
    ConnectionBridge *m_connectionBridge = nullptr;
    QStringListModel *m_logModel = nullptr;
    LogBridge *m_logBridge = nullptr;
    VideoUrlHistory *m_videoUrlHistory = nullptr;
    AppSettingsBridge *m_appSettings = nullptr;
    CameraModelBridge *m_cameraModel = nullptr;
    CommandLoggers *m_commandLoggers = nullptr;
    MediaAlbumBridge *m_mediaAlbum = nullptr;
    FirmwareUpgradeBridge *m_firmwareUpgrade = nullptr;
    GamepadService *m_gamepads = nullptr;
    GimbalSteering *m_steering = nullptr;
    InputRouter *m_inputRouter = nullptr;
    InputControls *m_inputControls = nullptr;
};
