#include "state/GimbalState.h"

#include "link/Payload.h"

GimbalState::GimbalState(QObject *parent)
    : QObject(parent), m_motion(new MotionState(this)), m_health(new DeviceHealthState(this)),
      m_cameraSystem(new CameraSystemState(this)), m_ir(new IrState(this)),
      m_vis(new VisState(this)), m_laser(new LaserState(this)),
      m_photoRecord(new PhotoRecordState(this)), m_version(new VersionInfoState(this)),
      m_ai(new AiTargetsState(this)), m_playback(new PlaybackState(this)),
      m_sbus(new SbusState(this)), m_network(new NetworkConfigState(this)),
      m_cameraParams(new CameraParamsState(this)), m_osd(new OsdConfigState(this)),
      m_reporting(new ReportingState(this))
{
    // Listeners of the angles hear attitudeChanged before the general
    // stateChanged, so the order of these two connections matters.
    connect(m_motion, &MotionState::attitudeChanged, this, &GimbalState::attitudeChanged);
    connect(m_motion, &MotionState::attitudeChanged, this, &GimbalState::stateChanged);
    connect(m_motion, &MotionState::connStatusChanged, this, &GimbalState::stateChanged);
    connect(m_health, &DeviceHealthState::healthChanged, this, &GimbalState::stateChanged);
    connect(m_cameraSystem, &CameraSystemState::cameraSystemChanged, this,
            &GimbalState::cameraStatusChanged);
    connect(m_ir, &IrState::irStatusChanged, this, &GimbalState::irStatusChanged);
    connect(m_ir, &IrState::irDeviceTypeChanged, this, &GimbalState::irDeviceTypeChanged);
    connect(m_vis, &VisState::visStatusChanged, this, &GimbalState::visStatusChanged);
    connect(m_laser, &LaserState::laserChanged, this, &GimbalState::laserChanged);
    connect(m_photoRecord, &PhotoRecordState::photoStatusChanged, this,
            &GimbalState::photoStatusChanged);
    connect(m_photoRecord, &PhotoRecordState::recordStatusChanged, this,
            &GimbalState::recordStatusChanged);
    connect(m_version, &VersionInfoState::versionInfoChanged, this,
            &GimbalState::versionInfoChanged);
    connect(m_ai, &AiTargetsState::aiTargetsChanged, this, &GimbalState::aiTargetsChanged);
    connect(m_ai, &AiTargetsState::aiRecognitionConfigChanged, this,
            &GimbalState::aiRecognitionConfigChanged);
    connect(m_playback, &PlaybackState::playbackStatusChanged, this,
            &GimbalState::playbackStatusChanged);
    connect(m_sbus, &SbusState::sbusConfigChanged, this, &GimbalState::sbusConfigChanged);
    connect(m_network, &NetworkConfigState::networkConfigChanged, this,
            &GimbalState::networkConfigChanged);
    connect(m_cameraParams, &CameraParamsState::cameraParamsChanged, this,
            &GimbalState::cameraParamsChanged);
    connect(m_osd, &OsdConfigState::osdConfigChanged, this, &GimbalState::osdConfigChanged);
    connect(m_reporting, &ReportingState::reportingChanged, this, &GimbalState::reportingChanged);
}

void GimbalState::noteReport()
{
    m_reporting->noteReport();
}

// --- Periodic status reports ---------------------------------------------

void GimbalState::updateGimbalStatus(const QByteArray &payload)
{
    if (payload.size() < MotionState::GimbalStatusSize)
        return;
    m_motion->applyLinkStatus(Payload::readU8(payload, 0), Payload::readU8(payload, 1));
    m_health->applyHealthBits(Payload::readU8(payload, 2));
    m_motion->markConnected();
}

void GimbalState::updateAttitude(const QByteArray &payload)
{
    m_motion->applyAttitude(payload);
}

void GimbalState::updateCameraSystemStatus(const QByteArray &payload)
{
    if (!m_cameraSystem->apply(payload))
        return;
    if (m_cameraSystem->sdStatus() != CameraSystemState::SdReady) {
        // Without a usable card no capture can be in progress.
        m_photoRecord->reset();
        m_pendingPhotoStatus.clear();
        m_pendingRecordStatus.clear();
        return;
    }
    flushPendingCaptureStatus();
}

void GimbalState::flushPendingCaptureStatus()
{
    if (!m_pendingRecordStatus.isEmpty()) {
        m_photoRecord->applyRecord(m_pendingRecordStatus);
        m_pendingRecordStatus.clear();
    }
    if (!m_pendingPhotoStatus.isEmpty()) {
        m_photoRecord->applyPhoto(m_pendingPhotoStatus);
        m_pendingPhotoStatus.clear();
    }
}

void GimbalState::updateIrStatus(const QByteArray &payload)
{
    m_ir->apply(payload);
}

void GimbalState::updateVisStatus(const QByteArray &payload)
{
    m_vis->apply(payload);
}

void GimbalState::updateCameraUpgradeStatus(const QByteArray &payload)
{
    // What an upgrade report should show is not decided yet; the upgrade
    // itself is followed over HTTP.
    Q_UNUSED(payload);
}

// A photo or record report only means something once the card state is
// known: until the first camera system status it is held back (the newest
// one wins), and with a card that is not ready it is dropped.
void GimbalState::updatePhotoStatus(const QByteArray &payload)
{
    if (payload.size() < PhotoRecordState::PhotoReportSize)
        return;
    if (!m_cameraSystem->cameraSystemStatusValid()) {
        m_pendingPhotoStatus = payload;
        return;
    }
    m_pendingPhotoStatus.clear();
    if (m_cameraSystem->sdStatus() == CameraSystemState::SdReady)
        m_photoRecord->applyPhoto(payload);
}

void GimbalState::updateRecordStatus(const QByteArray &payload)
{
    if (payload.size() < PhotoRecordState::RecordReportSize)
        return;
    if (!m_cameraSystem->cameraSystemStatusValid()) {
        m_pendingRecordStatus = payload;
        return;
    }
    m_pendingRecordStatus.clear();
    if (m_cameraSystem->sdStatus() == CameraSystemState::SdReady)
        m_photoRecord->applyRecord(payload);
}

void GimbalState::updateLaserDistance(const QByteArray &payload)
{
    m_laser->apply(payload);
}

void GimbalState::updateAiTargets(const QByteArray &payload, bool fromTracking)
{
    m_ai->applyTargetReport(payload, fromTracking);
}

void GimbalState::updateAiCategoriesConfig(const QByteArray &payload)
{
    m_ai->applyCategoriesReply(payload);
}

void GimbalState::setAiRecognitionConfig(bool enabled, const QVariantList &categories)
{
    m_ai->setRecognitionConfig(enabled, categories);
}

void GimbalState::endAiTracking()
{
    m_ai->endTracking();
}

void GimbalState::updatePlaybackStatus(const QByteArray &payload)
{
    m_playback->apply(payload);
}

// Losing the link invalidates what describes the live session; measurements,
// versions and configuration read back earlier stay visible until replaced.
void GimbalState::setTransportConnected(bool connected)
{
    if (connected)
        return;
    m_reporting->reset();
    m_motion->resetLink();
    m_health->reset();
    m_cameraSystem->reset();
    m_photoRecord->reset();
    m_pendingPhotoStatus.clear();
    m_pendingRecordStatus.clear();
    m_ai->reset();
    m_cameraParams->reset();
}

// --- Acknowledgement read-backs ------------------------------------------

void GimbalState::updateGimbalVersion(const QByteArray &payload)
{
    m_version->applyGimbalVersion(payload);
}

void GimbalState::updateCameraVersion(const QByteArray &payload)
{
    m_version->applyCameraVersion(payload);
}

void GimbalState::updateKernelVersion(const QByteArray &payload)
{
    m_version->applyKernelVersion(payload);
}

void GimbalState::updateDeviceSn(const QByteArray &payload)
{
    m_version->applyDeviceSn(payload);
}

void GimbalState::updateCoreTemp(const QByteArray &payload)
{
    m_version->applyCoreTemp(payload);
}

void GimbalState::updateUartProtocol(const QByteArray &payload)
{
    m_version->applyUartProtocol(payload);
}

void GimbalState::updateSbusConfig(const QByteArray &payload)
{
    m_sbus->apply(payload);
}

void GimbalState::updateCameraIpConfig(const QByteArray &payload)
{
    m_network->applyCameraIp(payload);
}

void GimbalState::updatePlaybackClientConfig(int type, const QByteArray &payload)
{
    m_network->applyClient(type, payload);
}

bool GimbalState::updateVisibleParams(const QByteArray &payload)
{
    return m_cameraParams->applyVisible(payload);
}

bool GimbalState::updateInfraredParams(const QByteArray &payload)
{
    return m_cameraParams->applyInfrared(payload);
}

void GimbalState::updateOsdConfig(const QByteArray &payload)
{
    m_osd->apply(payload);
}

// --- Local echoes ----------------------------------------------------------

void GimbalState::setIrTempEnabled(bool on)
{
    m_cameraParams->setIrTempEnabled(on);
}

void GimbalState::setIrBrightness(int value)
{
    m_cameraParams->setIrBrightness(value);
}

void GimbalState::setIrContrast(int value)
{
    m_cameraParams->setIrContrast(value);
}

void GimbalState::setIrDenoise(bool on, int level)
{
    m_cameraParams->setIrDenoise(on, level);
}

void GimbalState::setIrEnhanceLevel(int level)
{
    m_cameraParams->setIrEnhanceLevel(level);
}

void GimbalState::setIrAiSuperResEnabled(bool on)
{
    m_cameraParams->setIrAiSuperResEnabled(on);
}

void GimbalState::setIrFusion(bool on, int visWeight)
{
    m_cameraParams->setIrFusion(on, visWeight);
}

void GimbalState::setIrFusionGray(bool gray)
{
    m_cameraParams->setIrFusionGray(gray);
}

void GimbalState::setVisFusion(bool on, int irWeight)
{
    m_cameraParams->setVisFusion(on, irWeight);
}

void GimbalState::setVisFusionGray(bool gray)
{
    m_cameraParams->setVisFusionGray(gray);
}
