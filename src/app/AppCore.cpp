#include "app/AppCore.h"

#include "album/MediaAlbumBridge.h"
#include "catalog/AppSettingsBridge.h"
#include "catalog/CameraModelBridge.h"
#include "commands/CommandLoggers.h"
#include "commands/GimbalController.h"
#include "input/GamepadService.h"
#include "input/GimbalSteering.h"
#include "input/InputControls.h"
#include "input/InputRouter.h"
#include "link/ConnectionBridge.h"
#include "link/Language.h"
#include "link/TransportManager.h"
#include "log/LogBridge.h"
#include "state/GimbalState.h"
#include "upgrade/FirmwareUpgradeBridge.h"
#include "video/VideoUrlHistory.h"

#include <QStringListModel>

AppCore::AppCore(QObject *parent, const QString &logDirectory, const AlbumTimings &albumTimings)
    : QObject(parent)
{
    QObject *owner = parent ? parent : this;

    m_transportManager = new TransportManager(owner);
    m_controller = new GimbalController(owner);
    m_controller->setTransportManager(m_transportManager);
    m_connectionBridge = new ConnectionBridge(m_transportManager, owner);
    m_logModel = new QStringListModel(owner);
    m_logBridge = logDirectory.isEmpty() ? new LogBridge(m_logModel, owner)
                                         : new LogBridge(m_logModel, logDirectory, owner);
    m_videoUrlHistory = new VideoUrlHistory(owner);
    m_appSettings = new AppSettingsBridge(owner);
    m_cameraModel = new CameraModelBridge(m_controller, owner);
    m_mediaAlbum = new MediaAlbumBridge(m_controller, albumTimings, owner);
    m_firmwareUpgrade = new FirmwareUpgradeBridge(owner);
    m_firmwareUpgrade->setCamera(m_controller);
    // The acknowledgement logger reads the album's download state: refused
    // follow-up requests of a running download are not worth a user line.
    m_commandLoggers = new CommandLoggers(m_transportManager, m_logBridge, m_mediaAlbum, owner);
    // Keys, game controllers, the pad and the pointer all steer through one
    // object; the controllers are read once startGamepads() is called.
    m_gamepads = new GamepadService(owner);
    m_steering = new GimbalSteering(m_controller, gimbalState(), m_cameraModel, owner);
    m_inputRouter = new InputRouter(m_steering, m_gamepads, owner);
    m_inputControls =
        new InputControls(m_inputRouter, m_steering, m_gamepads, m_cameraModel, owner);

    followCameraModel();
    announceSessionLog();
    connectObjects();
}

GimbalState *AppCore::gimbalState() const
{
    return m_controller ? m_controller->state() : nullptr;
}

QStringList AppCore::publishedNames()
{
    return {QStringLiteral("transportManager"), QStringLiteral("controller"),
            QStringLiteral("gimbalState"),      QStringLiteral("connBridge"),
            QStringLiteral("logModel"),         QStringLiteral("appLog"),
            QStringLiteral("videoUrlStore"),    QStringLiteral("appSettings"),
            QStringLiteral("cameraModel"),      QStringLiteral("mediaAlbum"),
            QStringLiteral("firmwareUpgrade"),  QStringLiteral("steering"),
            QStringLiteral("inputControls")};
}

QVector<QPair<QString, QObject *>> AppCore::publishedObjects() const
{
    const QObjectList objects{
        m_transportManager, m_controller,      gimbalState(),  m_connectionBridge, m_logModel,
        m_logBridge,        m_videoUrlHistory, m_appSettings,  m_cameraModel,      m_mediaAlbum,
        m_firmwareUpgrade,  m_steering,        m_inputControls};
    const QStringList names = publishedNames();
    Q_ASSERT(names.size() == objects.size());
    QVector<QPair<QString, QObject *>> published;
    for (int i = 0; i < names.size(); ++i)
        published.append({names.at(i), objects.at(i)});
    return published;
}

void AppCore::startGamepads(bool virtualOnly)
{
    m_gamepads->start(virtualOnly);
}

bool AppCore::isDetailLine(const QString &text)
{
    return text.startsWith(QLatin1String("[TX Raw]")) ||
           text.startsWith(QLatin1String("[ACK Raw]")) ||
           text.startsWith(QLatin1String("[Status Raw]"));
}

void AppCore::followCameraModel()
{
    ConnectionBridge *bridge = m_connectionBridge;
    CameraModelBridge *camera = m_cameraModel;
    VideoUrlHistory *urls = m_videoUrlHistory;
    // The address history shown is the selected product's.
    auto followUrls = [urls, camera] { urls->setModelId(camera->modelId()); };
    connect(camera, &CameraModelBridge::changed, urls, followUrls);
    followUrls();
    // The link's default address and its per-product settings follow the
    // selected product, from the start and on every change.
    auto apply = [bridge, camera] {
        bridge->setDefaultUdpIp(camera->defaultUdpIp());
        bridge->setModelId(camera->modelId());
    };
    connect(camera, &CameraModelBridge::changed, bridge, apply);
    apply();
}

void AppCore::announceSessionLog()
{
    const QString path = m_logBridge->logFilePath();
    if (path.isEmpty())
        return;
    m_logBridge->append(Language::pick(QStringLiteral("[System] Session log file: %1"),
                                       QStringLiteral("[系统] 本次运行日志文件: %1"))
                            .arg(path));
}

void AppCore::connectObjects()
{
    LogBridge *log = m_logBridge;

    connect(m_controller, &GimbalController::logMessage, log, [log](const QString &text) {
        if (isDetailLine(text))
            log->appendDebug(text);
        else
            log->append(text);
    });

    connect(m_connectionBridge, &ConnectionBridge::errorOccurred, log, [log](const QString &text) {
        log->append(Language::pick(QStringLiteral("[Comm/Connect Failed] %1"),
                                   QStringLiteral("[通信/连接失败] %1"))
                        .arg(text));
    });

    // A link that closes is reported by its transport and again when it is
    // detached; the operator hears of each opening and closing once.
    connect(m_transportManager, &TransportManager::connectionChanged, log,
            [log, shown = false](bool connected) mutable {
                if (connected == shown)
                    return;
                shown = connected;
                log->append(connected ? Language::pick(QStringLiteral("[Comm/Link] Opened"),
                                                       QStringLiteral("[通信/链路] 已打开"))
                                      : Language::pick(QStringLiteral("[Comm/Link] Closed"),
                                                       QStringLiteral("[通信/链路] 已关闭")));
            });

    connect(m_transportManager, &TransportManager::connectionChanged, gimbalState(),
            &GimbalState::setTransportConnected);

    // Losing the link stops whatever moves; keys and controllers act only
    // while it is up.
    connect(m_transportManager, &TransportManager::connectionChanged, m_steering,
            &GimbalSteering::setLinkUp);
    m_steering->setLinkUp(m_transportManager->isOpen());
    connect(m_steering, &GimbalSteering::logMessage, log, &LogBridge::append);

    connect(m_connectionBridge, &ConnectionBridge::peerEndpointReady, m_controller,
            &GimbalController::requestTimeSync);

    connect(m_transportManager, &TransportManager::commandSent, m_commandLoggers,
            &CommandLoggers::onCommandSent);

    connect(m_transportManager, &TransportManager::rawDataReceived, log,
            [log](const QString &medium, const QString &channel, const QByteArray &data) {
                log->appendRaw(QStringLiteral("RX"), medium, channel, data);
            });

    connect(m_transportManager, &TransportManager::commandDropped, m_commandLoggers,
            &CommandLoggers::onCommandDropped);

    connect(m_controller, &GimbalController::ackReceived, m_commandLoggers,
            &CommandLoggers::onAckReceived);

    connect(m_controller, &GimbalController::commandUnanswered, m_commandLoggers,
            &CommandLoggers::onCommandUnanswered);

    connect(m_controller, &GimbalController::ackReceived, m_mediaAlbum, &MediaAlbumBridge::onAck);
}
