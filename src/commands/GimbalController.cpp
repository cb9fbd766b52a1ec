#include "commands/GimbalController.h"

#include "catalog/GimbalModel.h"
#include "commands/AnswerWatch.h"
#include "commands/CommandCatalog.h"
#include "commands/CommonCameraController.h"
#include "commands/IrCameraController.h"
#include "commands/LaserController.h"
#include "commands/MotionController.h"
#include "commands/PlaybackController.h"
#include "commands/SbusController.h"
#include "commands/VisCameraController.h"
#include "link/CommandCode.h"
#include "link/Language.h"
#include "link/TransportManager.h"
#include "state/GimbalState.h"

#include <QTimer>

GimbalController::GimbalController(QObject *parent) : ModelProvider(parent)
{
    m_state = new GimbalState(this);
    m_dispatcher = new InboundDispatcher(m_state, this);
    m_model = new GimbalModel(QStringLiteral("Otter"));
    m_motion = new MotionController(this);
    m_infrared = new IrCameraController(this);
    m_visible = new VisCameraController(this);
    m_common = new CommonCameraController(this);
    m_playback = new PlaybackController(this);
    m_laser = new LaserController(this);
    m_sbus = new SbusController(this);
    m_handshakeRepeat = new QTimer(this);
    m_handshakeRepeat->setInterval(Delays::HandshakeRepeat);
    connect(m_handshakeRepeat, &QTimer::timeout, this, &GimbalController::onHandshakeRepeat);
    m_answerWatch = new AnswerWatch(Delays::AnswerTimeout, this);
    connect(m_answerWatch, &AnswerWatch::unanswered, this, &GimbalController::commandUnanswered);
    connect(m_state, &GimbalState::reportingChanged, this, [this] {
        if (m_state->reporting() && linkOpen())
            m_reportedSinceOpen = true;
    });

    for (BaseGimbalController *group : groups())
        connect(group, &BaseGimbalController::logMessage, this, &GimbalController::logMessage);
    connect(m_state, &GimbalState::cameraStatusChanged, this,
            &GimbalController::splitScreenModeChanged);

    m_dispatcher->setPlaybackClientType([this] { return m_playback->lastClientType(); });
    connect(m_dispatcher, &InboundDispatcher::ackReceived, m_answerWatch,
            [this](uint32_t msgID, uint16_t, int sequence) {
                m_answerWatch->answered(msgID, sequence);
            });
    connect(m_dispatcher, &InboundDispatcher::ackReceived, this, &GimbalController::ackReceived);
    connect(m_dispatcher, &InboundDispatcher::logMessage, this, &GimbalController::logMessage);
    connect(m_dispatcher, &InboundDispatcher::aiRecognitionConfirmed, this,
            &GimbalController::onAiRecognitionConfirmed);
}

QList<BaseGimbalController *> GimbalController::groups() const
{
    return {m_motion, m_infrared, m_visible, m_common, m_playback, m_laser, m_sbus};
}

GimbalController::~GimbalController()
{
    delete m_model;
    m_model = nullptr;
}

void GimbalController::setTransportManager(TransportManager *manager)
{
    if (m_transportManager) {
        disconnect(m_transportManager, &TransportManager::frameReceived, this,
                   &GimbalController::onFrameReceived);
        disconnect(m_transportManager, &TransportManager::connectionChanged, this,
                   &GimbalController::onTransportConnectionChanged);
        disconnect(m_transportManager, &TransportManager::commandSent, this,
                   &GimbalController::onCommandSent);
    }
    m_answerWatch->clear();
    m_transportManager = manager;
    for (BaseGimbalController *group : groups())
        group->setTransportManager(manager);
    if (manager) {
        connect(manager, &TransportManager::frameReceived, this,
                &GimbalController::onFrameReceived);
        connect(manager, &TransportManager::connectionChanged, this,
                &GimbalController::onTransportConnectionChanged);
        connect(manager, &TransportManager::commandSent, this, &GimbalController::onCommandSent);
        if (manager->isOpen())
            startHandshake();
    } else {
        stopHandshake();
    }
}

bool GimbalController::splitScreenMode() const
{
    return m_state && currentImageMode() == SplitScreenImageMode;
}

bool GimbalController::linkOpen() const
{
    return m_transportManager && m_transportManager->isOpen();
}

int GimbalController::currentImageMode() const
{
    if (m_imageModeOverride >= 0)
        return m_imageModeOverride;
    return m_state ? m_state->streamMode() : -1;
}

void GimbalController::setHandshakeReady(bool ready)
{
    if (m_handshakeReady == ready)
        return;
    m_handshakeReady = ready;
    emit handshakeReadyChanged();
}

// ---- Handshake --------------------------------------------------------------
// Each start takes a new generation; a timer that fires for an older one found
// the link changed in between and does nothing. An open link alone proves
// nothing (a UDP "link" opens whether or not a camera is there): the device is
// ready only once it answered.

void GimbalController::startHandshake()
{
    stopHandshake();
    const quint32 generation = m_handshakeGeneration;
    const bool uart =
        m_transportManager && m_transportManager->mediumName() == QLatin1String("UART");
    QTimer::singleShot(uart ? Delays::HandshakeUart : Delays::HandshakeUdp, Qt::PreciseTimer, this,
                       [this, generation] { onHandshakeDelayElapsed(generation); });
}

void GimbalController::stopHandshake()
{
    ++m_handshakeGeneration;
    m_handshakeRepeat->stop();
    m_answered = false;
    m_reportedSinceOpen = false;
    m_readyDelayElapsed = false;
    setHandshakeReady(false);
}

void GimbalController::onHandshakeDelayElapsed(quint32 generation)
{
    if (generation != m_handshakeGeneration || !linkOpen())
        return;
    sendHandshakeSync();
    m_handshakeRepeat->start();
    QTimer::singleShot(Delays::ReadyAfterTimeSync, Qt::PreciseTimer, this,
                       [this, generation] { onReadyDelayElapsed(generation); });
}

void GimbalController::onReadyDelayElapsed(quint32 generation)
{
    if (generation != m_handshakeGeneration)
        return;
    m_readyDelayElapsed = true;
    updateReadiness();
}

void GimbalController::updateReadiness()
{
    if (m_readyDelayElapsed && m_answered && linkOpen())
        setHandshakeReady(true);
}

void GimbalController::onHandshakeRepeat()
{
    if (!linkOpen()) {
        m_handshakeRepeat->stop();
        return;
    }
    // A camera that answers but has never reported is left alone; one whose
    // reports stopped is asked again until they come back.
    if (!m_answered || (m_reportedSinceOpen && !m_state->reporting()))
        sendHandshakeSync();
}

void GimbalController::sendHandshakeSync()
{
    m_sendingHandshakeSync = true;
    m_common->timeSync();
    m_sendingHandshakeSync = false;
}

void GimbalController::onTransportConnectionChanged(bool connected)
{
    if (connected) {
        startHandshake();
    } else {
        // Answers that come after the link went down answer nothing sent before.
        m_answerWatch->clear();
        stopHandshake();
    }
}

void GimbalController::setAnswerTimeout(int ms)
{
    m_answerWatch->setTimeout(ms);
}

// ---- Unanswered commands -------------------------------------------------------
// Every command the camera answers is watched, except two whose silence has
// its own handling: the handshake's time sync, and the recognition setting,
// which the camera may confirm by a report instead of an answer and whose
// own wait reads the setting back.

void GimbalController::onCommandSent(uint32_t msgID, const QString &, const QByteArray &frame,
                                     const QString &label)
{
    const quint16 code = FrameCodec::commandCode(msgID);
    if (m_sendingHandshakeSync || code == CommandCode::AiRecognitionSet)
        return;
    m_answerWatch->watch(msgID, FrameCodec::sequenceOf(frame),
                         label.isEmpty() ? commandDisplayName(code) : label);
}

void GimbalController::requestTimeSync()
{
    if (!m_handshakeReady)
        return;
    const quint32 generation = ++m_handshakeGeneration;
    QTimer::singleShot(Delays::ResyncAfterPeerChange, Qt::PreciseTimer, this, [this, generation] {
        if (generation == m_handshakeGeneration && linkOpen())
            m_common->timeSync();
    });
}

// ---- Inbound dispatch ---------------------------------------------------------

void GimbalController::onFrameReceived(ParsedFrame frame)
{
    if (linkOpen())
        m_answered = true;
    m_dispatcher->dispatch(frame);
    updateReadiness();
}

// ---- Split screen, tracking and recognition ---------------------------------

void GimbalController::imageModeSet(int mode)
{
    const bool wasSplit = splitScreenMode();
    m_imageModeOverride = mode;
    // The device cannot track in split screen; stop tracking before it switches.
    if (mode == SplitScreenImageMode)
        stopTracking();
    m_common->imageModeSet(mode);
    if (splitScreenMode() != wasSplit)
        emit splitScreenModeChanged();
}

void GimbalController::targetTrackingSet(bool on, int x, int y, int w, int h)
{
    if (on && m_state && currentImageMode() == SplitScreenImageMode) {
        emit logMessage(
            Language::pick(QStringLiteral("[Tracking/Hint] Tracking is not allowed in split-screen "
                                          "mode"),
                           QStringLiteral("[追踪/提示] 分屏模式下不能开启跟踪")));
        return;
    }
    m_common->targetTrackingSet(on, x, y, w, h);
    // A camera that stopped tracking says nothing more about it; the box goes now.
    if (!on)
        m_state->endAiTracking();
}

void GimbalController::stopTracking()
{
    targetTrackingSet(false, 0, 0, 1, 1);
}

void GimbalController::aiRecognitionSet(bool on, int modelType, const QVector<int> &categories)
{
    sendAiRecognition(on, modelType, categories);
}

void GimbalController::aiRecognitionSetList(bool on, int modelType, const QVariantList &categories)
{
    QVector<int> values;
    values.reserve(categories.size());
    for (const QVariant &value : categories)
        values.append(value.toInt());
    sendAiRecognition(on, modelType, values);
}

void GimbalController::sendAiRecognition(bool on, int modelType, const QVector<int> &categories)
{
    // The device ignores a recognition change while it is tracking.
    if (on)
        stopTracking();
    m_common->aiRecognitionSet(on, modelType, categories);
    QVariantList selected;
    for (int category : categories) {
        if (category >= 1)
            selected.append(category);
    }
    m_state->setAiRecognitionConfig(on, selected);
    startAiWait();
}

void GimbalController::startAiWait()
{
    m_aiSetPending = true;
    if (!m_aiSetTimer) {
        m_aiSetTimer = new QTimer(this);
        m_aiSetTimer->setSingleShot(true);
        m_aiSetTimer->setTimerType(Qt::PreciseTimer);
        connect(m_aiSetTimer, &QTimer::timeout, this, &GimbalController::onAiWaitTimeout);
    }
    m_aiSetTimer->start(Delays::AiConfirmTimeout);
}

void GimbalController::endAiWait(const QString &message)
{
    m_aiSetPending = false;
    if (m_aiSetTimer)
        m_aiSetTimer->stop();
    if (!message.isEmpty())
        emit logMessage(message);
}

void GimbalController::onAiRecognitionConfirmed(InboundDispatcher::AiConfirmation how)
{
    if (!m_aiSetPending)
        return;
    switch (how) {
    case InboundDispatcher::AiConfirmation::Answer:
        endAiWait();
        break;
    case InboundDispatcher::AiConfirmation::TargetReport:
        endAiWait(
            Language::pick(QStringLiteral("[Recognition] Target report received (set took effect)"),
                           QStringLiteral("[识别] 已收到识别目标上报（设置已生效）")));
        break;
    case InboundDispatcher::AiConfirmation::StatusFrame:
        endAiWait(
            Language::pick(QStringLiteral("[Recognition] Status frame received (set took effect)"),
                           QStringLiteral("[识别] 已收到识别状态帧（设置已生效）")));
        break;
    }
}

void GimbalController::onAiWaitTimeout()
{
    if (!m_aiSetPending)
        return;
    m_aiSetPending = false;
    emit logMessage(Language::pick(
        QStringLiteral("[Recognition/Hint] No AI-set ACK; reading device config to verify"),
        QStringLiteral("[识别/提示] 超时未收到 AI 识别设置 ACK，正在回读机端配置确认")));
    m_common->aiCategoriesGet();
    QTimer::singleShot(Delays::AiReadBackHint, Qt::PreciseTimer, this,
                       &GimbalController::onAiReadBackElapsed);
}

void GimbalController::onAiReadBackElapsed()
{
    if (m_state->aiRecognitionEnabled())
        return;
    emit logMessage(Language::pick(
        QStringLiteral("[Recognition/Hint] Device still OFF. Stop tracking first, then enable "
                       "recognition"),
        QStringLiteral(
            "[识别/提示] 回读仍为关闭：设备未生效。请先点视频区「停止追踪」后再开识别")));
}

void GimbalController::setModel(const QString &modelId)
{
    GimbalModel *next = new GimbalModel(modelId);
    // Swap before deleting so nobody reacting to the change can reach a dead record.
    GimbalModel *previous = m_model;
    m_model = next;
    delete previous;
    emit modelChanged();
}
