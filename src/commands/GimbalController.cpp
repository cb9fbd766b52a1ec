#include "commands/GimbalController.h"

#include "catalog/GimbalModel.h"
#include "catalog/GimbalModelFactory.h"
#include "commands/CommonCameraController.h"
#include "commands/IrCameraController.h"
#include "commands/LaserController.h"
#include "commands/MotionController.h"
#include "commands/PlaybackController.h"
#include "commands/SbusController.h"
#include "commands/VisCameraController.h"
#include "link/Language.h"
#include "link/TransportManager.h"
#include "state/GimbalState.h"

#include <QTimer>

namespace
{

// Command codes the controller itself reacts to.
enum Code : quint16 {
    GimbalStatus = 0x0001,
    Attitude = 0x0002,
    CameraSystemStatus = 0x0003,
    IrStatus = 0x0004,
    VisStatus = 0x0005,
    CameraUpgradeStatus = 0x0008,
    GimbalVersion = 0x0018,
    IrAllParams = 0x0100,
    VisAllParams = 0x0200,
    TakePhoto = 0x0302,
    RecordVideo = 0x0303,
    CameraIp = 0x0312,
    CameraVersion = 0x0317,
    AiRecognition = 0x0319,
    TargetTracking = 0x0324,
    CoreTemp = 0x0325,
    PlaybackStatus = 0x0333,
    OsdConfig = 0x0335,
    AiCategories = 0x0336,
    DeviceSn = 0x0337,
    PlaybackClient = 0x0339,
    KernelVersion = 0x033A,
    UartProtocol = 0x0343,
    LaserRange = 0x0400,
    LaserPeriodic = 0x0406,
    SbusConfig = 0x0502,
};

// The exact size of a complete OSD configuration read-back.
constexpr int OsdConfigSize = 31;

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

quint16 resultOf(const QByteArray &payload)
{
    return quint16(quint8(payload.at(0)) | (quint8(payload.at(1)) << 8));
}

} // namespace

GimbalController::GimbalController(QObject *parent) : ModelProvider(parent)
{
    // The acknowledgement signals carry these; a controller may exist before
    // any link manager registered them.
    qRegisterMetaType<uint32_t>("uint32_t");
    qRegisterMetaType<uint16_t>("uint16_t");
    m_state = new GimbalState(this);
    m_model = new GimbalModel(QStringLiteral("Otter"));
    m_motion = new MotionController(this);
    m_infrared = new IrCameraController(this);
    m_visible = new VisCameraController(this);
    m_common = new CommonCameraController(this);
    m_playback = new PlaybackController(this);
    m_laser = new LaserController(this);
    m_sbus = new SbusController(this);

    for (BaseGimbalController *group : groups())
        connect(group, &BaseGimbalController::logMessage, this, &GimbalController::logMessage);
    connect(m_state, &GimbalState::cameraStatusChanged, this,
            &GimbalController::splitScreenModeChanged);
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
    }
    m_transportManager = manager;
    for (BaseGimbalController *group : groups())
        group->setTransportManager(manager);
    if (manager) {
        connect(manager, &TransportManager::frameReceived, this,
                &GimbalController::onFrameReceived);
        connect(manager, &TransportManager::connectionChanged, this,
                &GimbalController::onTransportConnectionChanged);
        if (manager->isOpen())
            startHandshake();
    } else {
        ++m_handshakeGeneration;
        setHandshakeReady(false);
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
// the link changed in between and does nothing.

void GimbalController::startHandshake()
{
    setHandshakeReady(false);
    const quint32 generation = ++m_handshakeGeneration;
    const bool uart =
        m_transportManager && m_transportManager->mediumName() == QLatin1String("UART");
    QTimer::singleShot(uart ? Delays::HandshakeUart : Delays::HandshakeUdp, Qt::PreciseTimer, this,
                       [this, generation] { onHandshakeDelayElapsed(generation); });
}

void GimbalController::onHandshakeDelayElapsed(quint32 generation)
{
    if (generation != m_handshakeGeneration || !linkOpen())
        return;
    m_common->timeSync();
    QTimer::singleShot(Delays::ReadyAfterTimeSync, Qt::PreciseTimer, this,
                       [this, generation] { onReadyDelayElapsed(generation); });
}

void GimbalController::onReadyDelayElapsed(quint32 generation)
{
    if (generation != m_handshakeGeneration || !linkOpen() || m_handshakeReady)
        return;
    setHandshakeReady(true);
}

void GimbalController::onTransportConnectionChanged(bool connected)
{
    if (connected) {
        startHandshake();
        return;
    }
    ++m_handshakeGeneration;
    setHandshakeReady(false);
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
    const quint8 kind = FrameCodec::frameKind(frame.messageId);
    const quint16 code = FrameCodec::commandCode(frame.messageId);
    if (kind == 1) {
        handleAck(code, frame.payload);
        return;
    }
    if (kind != 0 && kind != 2)
        return;
    if (code == TakePhoto || code == RecordVideo) {
        emit logMessage(QStringLiteral("[Status Raw] type=0x%1 MsgID=0x%2 Len=%3 Data=%4")
                            .arg(kind, 2, 16, QLatin1Char('0'))
                            .arg(code, 8, 16, QLatin1Char('0'))
                            .arg(frame.payload.size())
                            .arg(hexText(frame.payload)));
    }
    if (kind == 0)
        handleStatus(code, frame.payload);
    else
        handleSecondStatus(code, frame.payload);
}

void GimbalController::handleAck(quint16 code, const QByteArray &payload)
{
    emit logMessage(QStringLiteral("[ACK Raw] MsgID=0x%1  Len=%2  Data=%3")
                        .arg(code, 8, 16, QLatin1Char('0'))
                        .arg(payload.size())
                        .arg(hexText(payload)));

    switch (code) {
    case AiRecognition:
        if (m_aiSetPending)
            endAiWait();
        break;
    case OsdConfig:
        // The reply is decoded whatever its result: a short one still tells
        // which items the device knows. Only a complete one counts as success.
        m_state->updateOsdConfig(payload);
        emit ackReceived(code, payload.size() == OsdConfigSize ? 0 : 1);
        return;
    case AiCategories:
        m_state->updateAiCategoriesConfig(payload);
        emit ackReceived(code, payload.isEmpty() ? 1 : 0);
        return;
    case TakePhoto:
        if (payload.size() >= 4 && payload.size() <= 16)
            m_state->updatePhotoStatus(payload);
        break;
    case RecordVideo:
        if (payload.size() >= 4 && payload.size() <= 16)
            m_state->updateRecordStatus(payload);
        break;
    default:
        break;
    }

    // A reply too short to carry a result is how the device acknowledges
    // plain commands.
    if (payload.size() < 2) {
        emit ackReceived(code, 0);
        return;
    }
    const quint16 result = resultOf(payload);
    emit ackReceived(code, result);
    if (result != 0)
        return;
    applyReadBack(code, payload);
}

void GimbalController::applyReadBack(quint16 code, const QByteArray &payload)
{
    switch (code) {
    case GimbalVersion:
        m_state->updateGimbalVersion(payload);
        break;
    case CameraVersion:
        m_state->updateCameraVersion(payload);
        break;
    case KernelVersion:
        m_state->updateKernelVersion(payload);
        break;
    case DeviceSn:
        m_state->updateDeviceSn(payload);
        break;
    case CoreTemp:
        m_state->updateCoreTemp(payload);
        break;
    case LaserRange:
        m_state->updateLaserDistance(payload);
        break;
    case SbusConfig:
        m_state->updateSbusConfig(payload);
        break;
    case CameraIp:
        m_state->updateCameraIpConfig(payload);
        break;
    case UartProtocol:
        m_state->updateUartProtocol(payload);
        break;
    case PlaybackClient:
        m_state->updatePlaybackClientConfig(m_playback->lastClientType(), payload);
        break;
    case VisAllParams:
        if (!m_state->updateVisibleParams(payload))
            emit logMessage(
                QStringLiteral("[VIS] all-params ACK rejected (len=%1)").arg(payload.size()));
        break;
    case IrAllParams:
        if (!m_state->updateInfraredParams(payload))
            emit logMessage(
                QStringLiteral("[IR] all-params ACK rejected (len=%1, need >=10, result=00 00)")
                    .arg(payload.size()));
        break;
    default:
        break;
    }
}

bool GimbalController::dispatchCommonStatus(quint16 code, const QByteArray &payload)
{
    switch (code) {
    case GimbalStatus:
        m_state->updateGimbalStatus(payload);
        return true;
    case Attitude:
        m_state->updateAttitude(payload);
        return true;
    case CameraSystemStatus:
        m_state->updateCameraSystemStatus(payload);
        return true;
    case IrStatus:
        m_state->updateIrStatus(payload);
        return true;
    case VisStatus:
        m_state->updateVisStatus(payload);
        return true;
    case CameraUpgradeStatus:
        m_state->updateCameraUpgradeStatus(payload);
        return true;
    case TakePhoto:
        m_state->updatePhotoStatus(payload);
        return true;
    case RecordVideo:
        m_state->updateRecordStatus(payload);
        return true;
    default:
        return false;
    }
}

void GimbalController::handleStatus(quint16 code, const QByteArray &payload)
{
    if (dispatchCommonStatus(code, payload))
        return;
    if (code != AiRecognition && code != TargetTracking)
        return;
    // The device answers these two commands in a status frame: two bytes are
    // the result, anything else is a report of the recognised targets.
    if (payload.size() == 2) {
        if (code == AiRecognition && m_aiSetPending)
            endAiWait();
        emit ackReceived(code, resultOf(payload));
        return;
    }
    m_state->updateAiTargets(payload, code == TargetTracking);
    if (code == AiRecognition && m_aiSetPending)
        endAiWait(Language::pick(QStringLiteral("[Recognition] Target report received (set took "
                                                "effect)"),
                                 QStringLiteral("[识别] 已收到识别目标上报（设置已生效）")));
}

void GimbalController::handleSecondStatus(quint16 code, const QByteArray &payload)
{
    if (dispatchCommonStatus(code, payload))
        return;
    switch (code) {
    case AiRecognition:
    case TargetTracking:
        m_state->updateAiTargets(payload, code == TargetTracking);
        if (code == AiRecognition && m_aiSetPending)
            endAiWait(Language::pick(
                QStringLiteral("[Recognition] Status frame received (set took effect)"),
                QStringLiteral("[识别] 已收到识别状态帧（设置已生效）")));
        break;
    case LaserRange:
    case LaserPeriodic:
        m_state->updateLaserDistance(payload);
        break;
    case PlaybackStatus:
        m_state->updatePlaybackStatus(payload);
        break;
    default:
        break;
    }
}

// ---- Split screen, tracking and recognition ---------------------------------

void GimbalController::imageModeSet(int mode)
{
    const bool wasSplit = splitScreenMode();
    m_imageModeOverride = mode;
    // The device cannot track in split screen; stop tracking before it switches.
    if (mode == SplitScreenImageMode)
        m_common->targetTrackingSet(false, 0, 0, 1, 1);
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
        m_common->targetTrackingSet(false, 0, 0, 1, 1);
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

// ---- Plain forwarding ---------------------------------------------------------

void GimbalController::gimbalControl(int mode, int yawDir, int pitchDir)
{
    m_motion->gimbalControl(mode, yawDir, pitchDir);
}
void GimbalController::gimbalAngleControl(int pitchDir, float pitchAngle, int yawDir,
                                          float yawAngle)
{
    m_motion->gimbalAngleControl(pitchDir, pitchAngle, yawDir, yawAngle);
}
void GimbalController::gimbalSpeedSet(int pitchSpeed, int yawSpeed)
{
    m_motion->gimbalSpeedSet(pitchSpeed, yawSpeed);
}
void GimbalController::gimbalCalibration()
{
    m_motion->gimbalCalibration();
}
void GimbalController::gimbalServoOff()
{
    m_motion->gimbalServoOff();
}
void GimbalController::gimbalLinearCalib()
{
    m_motion->gimbalLinearCalib();
}
void GimbalController::gimbalSoftReset()
{
    m_motion->gimbalSoftReset();
}
void GimbalController::gimbalPointAim(int lens, float zoom, int x, int y)
{
    m_motion->gimbalPointAim(lens, zoom, x, y);
}
void GimbalController::gimbalVersionGet()
{
    m_motion->gimbalVersionGet();
}
void GimbalController::gimbalStabilize(bool enable)
{
    m_motion->gimbalStabilize(enable);
}
void GimbalController::gimbalLockFollow(int mode)
{
    m_motion->gimbalLockFollow(mode);
}

void GimbalController::irAllParamsGet()
{
    m_infrared->irAllParamsGet();
}
void GimbalController::irZoomSet(int zoom)
{
    m_infrared->irZoomSet(zoom);
}
void GimbalController::irColorPaletteSet(int palette)
{
    m_infrared->irColorPaletteSet(palette);
}
void GimbalController::irTempSwitch(bool on)
{
    m_infrared->irTempSwitch(on);
    m_state->setIrTempEnabled(on);
}
void GimbalController::irSharpnessSet(int value)
{
    m_infrared->irSharpnessSet(value);
}
void GimbalController::irBrightnessSet(int value)
{
    m_infrared->irBrightnessSet(value);
    m_state->setIrBrightness(value);
}
void GimbalController::irContrastSet(int value)
{
    m_infrared->irContrastSet(value);
    m_state->setIrContrast(value);
}
void GimbalController::irDenoiseSet(bool on, int level)
{
    m_infrared->irDenoiseSet(on, level);
    m_state->setIrDenoise(on, level);
}
void GimbalController::irEnhanceSet(int level)
{
    m_infrared->irEnhanceSet(level);
    m_state->setIrEnhanceLevel(level);
}
void GimbalController::irPointTempSet(int x, int y)
{
    m_infrared->irPointTempSet(x, y);
}
void GimbalController::irAreaTempSet(int w, int h, int cx, int cy)
{
    m_infrared->irAreaTempSet(w, h, cx, cy);
}
void GimbalController::irGainModeSet(int mode)
{
    m_infrared->irGainModeSet(mode);
}
void GimbalController::irTempOverlaySet(bool on)
{
    m_infrared->irTempOverlaySet(on);
}
void GimbalController::irFusionSet(bool on, int visWeight, int irWeight)
{
    m_infrared->irFusionSet(on, visWeight, irWeight);
    m_state->setIrFusion(on, visWeight);
}
void GimbalController::irFusionDebugSet(int mode, int hOffset, int vOffset, int rotation)
{
    m_infrared->irFusionDebugSet(mode, hOffset, vOffset, rotation);
}
void GimbalController::irFusionGraySet(bool gray)
{
    m_infrared->irFusionGraySet(gray);
    m_state->setIrFusionGray(gray);
}
void GimbalController::irAiSuperResSet(bool on)
{
    m_infrared->irAiSuperResSet(on);
    m_state->setIrAiSuperResEnabled(on);
}

void GimbalController::visAllParamsGet()
{
    m_visible->visAllParamsGet();
}
void GimbalController::visRecordResSet(int res)
{
    m_visible->visRecordResSet(res);
}
void GimbalController::visPhotoResSet(int res)
{
    m_visible->visPhotoResSet(res);
}
void GimbalController::visIsoSet(int iso)
{
    m_visible->visIsoSet(iso);
}
void GimbalController::visShutterSet(int shutter)
{
    m_visible->visShutterSet(shutter);
}
void GimbalController::visEvSet(int ev)
{
    m_visible->visEvSet(ev);
}
void GimbalController::visWhiteBalanceSet(int wb)
{
    m_visible->visWhiteBalanceSet(wb);
}
void GimbalController::visAntiFlickerSet(int mode)
{
    m_visible->visAntiFlickerSet(mode);
}
void GimbalController::visHighlightSuppress(bool on, int value)
{
    m_visible->visHighlightSuppress(on, value);
}
void GimbalController::visBacklightComp(bool on, int value)
{
    m_visible->visBacklightComp(on, value);
}
void GimbalController::visAeLockSet(bool on)
{
    m_visible->visAeLockSet(on);
}
void GimbalController::visMeteringSet(int mode)
{
    m_visible->visMeteringSet(mode);
}
void GimbalController::visNightModeSet(bool on)
{
    m_visible->visNightModeSet(on);
}
void GimbalController::visNightFpsSet(int fps)
{
    m_visible->visNightFpsSet(fps);
}
void GimbalController::visFusionSet(bool on, int irWeight, int visWeight)
{
    m_visible->visFusionSet(on, irWeight, visWeight);
    m_state->setVisFusion(on, irWeight);
}
void GimbalController::visFusionDebugSet(int mode, int hOffset, int vOffset, int rotation)
{
    m_visible->visFusionDebugSet(mode, hOffset, vOffset, rotation);
}
void GimbalController::visFusionGraySet(bool gray)
{
    m_visible->visFusionGraySet(gray);
    m_state->setVisFusionGray(gray);
}

void GimbalController::photoVideoModeSet(int mode)
{
    m_common->photoVideoModeSet(mode);
}
void GimbalController::photoParamsSet(int mode, int interval, int burst)
{
    m_common->photoParamsSet(mode, interval, burst);
}
void GimbalController::takePhoto(int photoMode, int action, const QString &folder,
                                 const QString &name)
{
    m_common->takePhoto(photoMode, action, folder, name);
}
void GimbalController::recordVideo(int recordMode, int action, const QString &folder,
                                   const QString &name)
{
    m_common->recordVideo(recordMode, action, folder, name);
}
void GimbalController::hybridZoomSet(float zoom)
{
    m_common->hybridZoomSet(zoom);
}
void GimbalController::continuousZoom(int direction)
{
    m_common->continuousZoom(direction);
}
void GimbalController::bitrateSet(int bitrate)
{
    m_common->bitrateSet(bitrate);
}
void GimbalController::outputResSet(int res)
{
    m_common->outputResSet(res);
}
void GimbalController::encodingFormatSet(int format)
{
    m_common->encodingFormatSet(format);
}
void GimbalController::tfFormat()
{
    m_common->tfFormat();
}
void GimbalController::timeSync()
{
    m_common->timeSync();
}
void GimbalController::factoryReset()
{
    m_common->factoryReset();
}
void GimbalController::focusControl(int mode, int x1, int y1, int x2, int y2, int focusType)
{
    m_common->focusControl(mode, x1, y1, x2, y2, focusType);
}
void GimbalController::osdWatermarkSwitch(bool on)
{
    m_common->osdWatermarkSwitch(on);
}
void GimbalController::cameraShutdown()
{
    m_common->cameraShutdown();
}
void GimbalController::cameraVersionGet()
{
    m_common->cameraVersionGet();
}
void GimbalController::coreTempGet()
{
    m_common->coreTempGet();
}
void GimbalController::osdConfigSet(int item, int enable, int pos, int color)
{
    m_common->osdConfigSet(item, enable, pos, color);
}
void GimbalController::osdCustomTextSet(int index, const QString &text)
{
    m_common->osdCustomTextSet(index, text);
}
void GimbalController::osdConfigGet()
{
    m_common->osdConfigGet();
}
void GimbalController::aiCategoriesGet()
{
    m_common->aiCategoriesGet();
}
void GimbalController::deviceSnGet()
{
    m_common->deviceSnGet();
}
void GimbalController::kernelVersionGet()
{
    m_common->kernelVersionGet();
}
void GimbalController::uartProtocolSet(int protocol)
{
    m_common->uartProtocolSet(protocol);
}
void GimbalController::uartProtocolGet()
{
    m_common->uartProtocolGet();
}

void GimbalController::playbackModeSet(bool on)
{
    m_playback->playbackModeSet(on);
}
void GimbalController::mediaListRefresh()
{
    m_playback->mediaListRefresh();
}
void GimbalController::mediaFileDelete(const QString &path)
{
    m_playback->mediaFileDelete(path);
}
void GimbalController::mediaFileDownload(const QString &path, int fileType, int packetSize,
                                         int startSeq, int totalPackets)
{
    m_playback->mediaFileDownload(path, fileType, packetSize, startSeq, totalPackets);
}
void GimbalController::videoPlaybackStart(const QString &path)
{
    m_playback->videoPlaybackStart(path);
}
void GimbalController::videoPlaybackStop(const QString &path)
{
    m_playback->videoPlaybackStop(path);
}
void GimbalController::videoPlaybackPause(const QString &path)
{
    m_playback->videoPlaybackPause(path);
}
void GimbalController::videoPlaybackSeek(const QString &path, uint32_t seconds)
{
    m_playback->videoPlaybackSeek(path, seconds);
}
void GimbalController::playbackClientSet(int type, const QString &ip, ushort port)
{
    m_playback->playbackClientSet(type, ip, port);
}
void GimbalController::playbackClientGet(int type)
{
    m_playback->playbackClientGet(type);
}
void GimbalController::ipSet(bool dhcp, const QString &ip, const QString &mask,
                             const QString &gateway)
{
    m_playback->ipSet(dhcp, ip, mask, gateway);
}
void GimbalController::ipGet()
{
    m_playback->ipGet();
}

void GimbalController::laserRange()
{
    m_laser->laserRange();
}
void GimbalController::laserPeriodicRange(bool on)
{
    m_laser->laserPeriodicRange(on);
}
void GimbalController::sbusRangeSet(int max, int min)
{
    m_sbus->sbusRangeSet(max, min);
}
void GimbalController::sbusChannelConfig(int stream, int zoom, int photo, int record, int pitch,
                                         int yaw, int center, int irPalette)
{
    m_sbus->sbusChannelConfig(stream, zoom, photo, record, pitch, yaw, center, irPalette);
}
void GimbalController::sbusConfigGet()
{
    m_sbus->sbusConfigGet();
}
void GimbalController::sbusSwitch(bool on)
{
    m_sbus->sbusSwitch(on);
}
