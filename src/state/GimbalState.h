#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariantList>

#include "state/AiTargetsState.h"
#include "state/CameraParamsState.h"
#include "state/CameraSystemState.h"
#include "state/DeviceHealthState.h"
#include "state/IrState.h"
#include "state/LaserState.h"
#include "state/MotionState.h"
#include "state/NetworkConfigState.h"
#include "state/OsdConfigState.h"
#include "state/PhotoRecordState.h"
#include "state/PlaybackState.h"
#include "state/ReportingState.h"
#include "state/SbusState.h"
#include "state/VersionInfoState.h"
#include "state/VisState.h"

// The program's picture of the connected device. Fed by the controller with
// the payloads of status and acknowledgement frames; never sends anything.
// Each topic lives in a small sub-state; this object re-emits their signals
// and exposes their fields as read-only properties for the interface.
class GimbalState : public QObject
{
    Q_OBJECT
    // Motion and link
    Q_PROPERTY(bool connected READ connected NOTIFY stateChanged)
    // Reports arrived within the last few seconds: the numbers are live.
    Q_PROPERTY(bool reporting READ reporting NOTIFY reportingChanged)
    Q_PROPERTY(float yawJoint READ yawJoint NOTIFY attitudeChanged)
    Q_PROPERTY(float rollJoint READ rollJoint NOTIFY attitudeChanged)
    Q_PROPERTY(float pitchJoint READ pitchJoint NOTIFY attitudeChanged)
    Q_PROPERTY(float yawAttitude READ yawAttitude NOTIFY attitudeChanged)
    Q_PROPERTY(float rollAttitude READ rollAttitude NOTIFY attitudeChanged)
    Q_PROPERTY(float pitchAttitude READ pitchAttitude NOTIFY attitudeChanged)
    Q_PROPERTY(float yawSpeed READ yawSpeed NOTIFY attitudeChanged)
    Q_PROPERTY(float pitchSpeed READ pitchSpeed NOTIFY attitudeChanged)
    Q_PROPERTY(float rollSpeed READ rollSpeed NOTIFY attitudeChanged)
    Q_PROPERTY(int gimbalConnStatus READ gimbalConnStatus NOTIFY stateChanged)
    Q_PROPERTY(int cameraConnStatus READ cameraConnStatus NOTIFY stateChanged)
    Q_PROPERTY(int deviceModel READ deviceModel NOTIFY stateChanged)
    Q_PROPERTY(bool irCoreOK READ irCoreOK NOTIFY stateChanged)
    Q_PROPERTY(bool teleVisOK READ teleVisOK NOTIFY stateChanged)
    Q_PROPERTY(bool wideVisOK READ wideVisOK NOTIFY stateChanged)
    Q_PROPERTY(bool laserOK READ laserOK NOTIFY stateChanged)
    // Camera system
    Q_PROPERTY(int photoVideoMode READ photoVideoMode NOTIFY cameraStatusChanged)
    Q_PROPERTY(int outputRes READ outputRes NOTIFY cameraStatusChanged)
    Q_PROPERTY(int encodingFormat READ encodingFormat NOTIFY cameraStatusChanged)
    Q_PROPERTY(int streamMode READ streamMode NOTIFY cameraStatusChanged)
    Q_PROPERTY(int bitrate READ bitrate NOTIFY cameraStatusChanged)
    Q_PROPERTY(int photoMode READ photoMode NOTIFY cameraStatusChanged)
    Q_PROPERTY(int timelapseInterval READ timelapseInterval NOTIFY cameraStatusChanged)
    Q_PROPERTY(int burstCount READ burstCount NOTIFY cameraStatusChanged)
    Q_PROPERTY(int sdStatus READ sdStatus NOTIFY cameraStatusChanged)
    Q_PROPERTY(int sdTotalMB READ sdTotalMB NOTIFY cameraStatusChanged)
    Q_PROPERTY(int sdFreeMB READ sdFreeMB NOTIFY cameraStatusChanged)
    Q_PROPERTY(int sdUsedMB READ sdUsedMB NOTIFY cameraStatusChanged)
    Q_PROPERTY(bool cameraSystemStatusValid READ cameraSystemStatusValid NOTIFY cameraStatusChanged)
    // Infrared measurement
    Q_PROPERTY(float irMaxTemp READ irMaxTemp NOTIFY irStatusChanged)
    Q_PROPERTY(float irMinTemp READ irMinTemp NOTIFY irStatusChanged)
    Q_PROPERTY(float irCenterTemp READ irCenterTemp NOTIFY irStatusChanged)
    Q_PROPERTY(float irPointTemp READ irPointTemp NOTIFY irStatusChanged)
    Q_PROPERTY(float irAvgTemp READ irAvgTemp NOTIFY irStatusChanged)
    Q_PROPERTY(int irMaxTempX READ irMaxTempX NOTIFY irStatusChanged)
    Q_PROPERTY(int irMaxTempY READ irMaxTempY NOTIFY irStatusChanged)
    Q_PROPERTY(int irMinTempX READ irMinTempX NOTIFY irStatusChanged)
    Q_PROPERTY(int irMinTempY READ irMinTempY NOTIFY irStatusChanged)
    Q_PROPERTY(int irCenterTempX READ irCenterTempX NOTIFY irStatusChanged)
    Q_PROPERTY(int irCenterTempY READ irCenterTempY NOTIFY irStatusChanged)
    Q_PROPERTY(int irPointTempX READ irPointTempX NOTIFY irStatusChanged)
    Q_PROPERTY(int irPointTempY READ irPointTempY NOTIFY irStatusChanged)
    Q_PROPERTY(int irDeviceType READ irDeviceType NOTIFY irDeviceTypeChanged)
    // Visible camera
    Q_PROPERTY(int zoomStatus READ zoomStatus NOTIFY visStatusChanged)
    Q_PROPERTY(float focalLength READ focalLength NOTIFY visStatusChanged)
    Q_PROPERTY(float hybridZoom READ hybridZoom NOTIFY visStatusChanged)
    Q_PROPERTY(int evValue READ evValue NOTIFY visStatusChanged)
    Q_PROPERTY(int isoValue READ isoValue NOTIFY visStatusChanged)
    Q_PROPERTY(int shutterValue READ shutterValue NOTIFY visStatusChanged)
    Q_PROPERTY(int aeLock READ aeLock NOTIFY visStatusChanged)
    Q_PROPERTY(int focusStatus READ focusStatus NOTIFY visStatusChanged)
    // Laser, photo and record
    Q_PROPERTY(float laserDistance READ laserDistance NOTIFY laserChanged)
    Q_PROPERTY(int photoStatus READ photoStatus NOTIFY photoStatusChanged)
    Q_PROPERTY(int recordStatus READ recordStatus NOTIFY recordStatusChanged)
    Q_PROPERTY(int recordDuration READ recordDuration NOTIFY recordStatusChanged)
    // Playback progress
    Q_PROPERTY(int playbackPlayStatus READ playbackPlayStatus NOTIFY playbackStatusChanged)
    Q_PROPERTY(int playbackDownloadStatus READ playbackDownloadStatus NOTIFY playbackStatusChanged)
    Q_PROPERTY(int playbackTotalMs READ playbackTotalMs NOTIFY playbackStatusChanged)
    Q_PROPERTY(int playbackPosition READ playbackPosition NOTIFY playbackStatusChanged)
    // Versions and small read-backs
    Q_PROPERTY(QString gimbalHwVersion READ gimbalHwVersion NOTIFY versionInfoChanged)
    Q_PROPERTY(QString gimbalSwVersion READ gimbalSwVersion NOTIFY versionInfoChanged)
    Q_PROPERTY(QString cameraVersion READ cameraVersion NOTIFY versionInfoChanged)
    Q_PROPERTY(QString kernelVersion READ kernelVersion NOTIFY versionInfoChanged)
    Q_PROPERTY(QString deviceSn READ deviceSn NOTIFY versionInfoChanged)
    Q_PROPERTY(float coreTemp READ coreTemp NOTIFY versionInfoChanged)
    Q_PROPERTY(int uartProtocol READ uartProtocol NOTIFY versionInfoChanged)
    // SBUS
    Q_PROPERTY(int sbusMax READ sbusMax NOTIFY sbusConfigChanged)
    Q_PROPERTY(int sbusMin READ sbusMin NOTIFY sbusConfigChanged)
    Q_PROPERTY(int sbusStreamChannel READ sbusStreamChannel NOTIFY sbusConfigChanged)
    Q_PROPERTY(int sbusZoomChannel READ sbusZoomChannel NOTIFY sbusConfigChanged)
    Q_PROPERTY(int sbusPhotoChannel READ sbusPhotoChannel NOTIFY sbusConfigChanged)
    Q_PROPERTY(int sbusRecordChannel READ sbusRecordChannel NOTIFY sbusConfigChanged)
    Q_PROPERTY(int sbusPitchChannel READ sbusPitchChannel NOTIFY sbusConfigChanged)
    Q_PROPERTY(int sbusYawChannel READ sbusYawChannel NOTIFY sbusConfigChanged)
    Q_PROPERTY(int sbusCenterChannel READ sbusCenterChannel NOTIFY sbusConfigChanged)
    Q_PROPERTY(int sbusIrPaletteChannel READ sbusIrPaletteChannel NOTIFY sbusConfigChanged)
    Q_PROPERTY(bool sbusEnabled READ sbusEnabled NOTIFY sbusConfigChanged)
    // Network and clients
    Q_PROPERTY(QString cameraIp READ cameraIp NOTIFY networkConfigChanged)
    Q_PROPERTY(QString cameraMask READ cameraMask NOTIFY networkConfigChanged)
    Q_PROPERTY(QString cameraGateway READ cameraGateway NOTIFY networkConfigChanged)
    Q_PROPERTY(QString playbackClientIp READ playbackClientIp NOTIFY networkConfigChanged)
    Q_PROPERTY(int playbackClientPort READ playbackClientPort NOTIFY networkConfigChanged)
    Q_PROPERTY(QString downloadClientIp READ downloadClientIp NOTIFY networkConfigChanged)
    Q_PROPERTY(int downloadClientPort READ downloadClientPort NOTIFY networkConfigChanged)
    // Camera parameters
    Q_PROPERTY(int photoResolution READ photoResolution NOTIFY cameraParamsChanged)
    Q_PROPERTY(int recordResolution READ recordResolution NOTIFY cameraParamsChanged)
    Q_PROPERTY(int recordBitrate READ recordBitrate NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irPalette READ irPalette NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irTempEnabled READ irTempEnabled NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irTempIsArea READ irTempIsArea NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irZoom READ irZoom NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irSharpness READ irSharpness NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irGainMode READ irGainMode NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irBrightness READ irBrightness NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irContrast READ irContrast NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irDenoiseEnabled READ irDenoiseEnabled NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irDenoiseLevel READ irDenoiseLevel NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irEnhanceEnabled READ irEnhanceEnabled NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irEnhanceLevel READ irEnhanceLevel NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irAiSuperResEnabled READ irAiSuperResEnabled NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irFusionEnabled READ irFusionEnabled NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irFusionVisWeight READ irFusionVisWeight NOTIFY cameraParamsChanged)
    Q_PROPERTY(int irFusionIrWeight READ irFusionIrWeight NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool irFusionGray READ irFusionGray NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool visFusionEnabled READ visFusionEnabled NOTIFY cameraParamsChanged)
    Q_PROPERTY(int visFusionIrWeight READ visFusionIrWeight NOTIFY cameraParamsChanged)
    Q_PROPERTY(int visFusionVisWeight READ visFusionVisWeight NOTIFY cameraParamsChanged)
    Q_PROPERTY(bool visFusionGray READ visFusionGray NOTIFY cameraParamsChanged)
    // OSD
    Q_PROPERTY(QVariantList osdConfigs READ osdConfigs NOTIFY osdConfigChanged)
    Q_PROPERTY(bool osdWatermarkEnabled READ osdWatermarkEnabled NOTIFY osdConfigChanged)
    // AI
    Q_PROPERTY(int aiDetectStatus READ aiDetectStatus NOTIFY aiTargetsChanged)
    Q_PROPERTY(bool aiTrackingActive READ aiTrackingActive NOTIFY aiTargetsChanged)
    Q_PROPERTY(QVariantList aiTargets READ aiTargets NOTIFY aiTargetsChanged)
    Q_PROPERTY(
        bool aiRecognitionEnabled READ aiRecognitionEnabled NOTIFY aiRecognitionConfigChanged)
    Q_PROPERTY(QVariantList aiSelectedCategories READ aiSelectedCategories NOTIFY
                   aiRecognitionConfigChanged)
public:
    explicit GimbalState(QObject *parent = nullptr);

    // Motion and link
    bool connected() const { return m_motion->connected(); }
    bool reporting() const { return m_reporting->reporting(); }
    float yawJoint() const { return m_motion->yawJoint(); }
    float rollJoint() const { return m_motion->rollJoint(); }
    float pitchJoint() const { return m_motion->pitchJoint(); }
    float yawAttitude() const { return m_motion->yawAttitude(); }
    float rollAttitude() const { return m_motion->rollAttitude(); }
    float pitchAttitude() const { return m_motion->pitchAttitude(); }
    float yawSpeed() const { return m_motion->yawSpeed(); }
    float pitchSpeed() const { return m_motion->pitchSpeed(); }
    float rollSpeed() const { return m_motion->rollSpeed(); }
    int gimbalConnStatus() const { return m_motion->gimbalConnStatus(); }
    int cameraConnStatus() const { return m_motion->cameraConnStatus(); }
    int deviceModel() const { return m_motion->deviceModel(); }
    bool irCoreOK() const { return m_health->irCoreOK(); }
    bool teleVisOK() const { return m_health->teleVisOK(); }
    bool wideVisOK() const { return m_health->wideVisOK(); }
    bool laserOK() const { return m_health->laserOK(); }
    // Camera system
    int photoVideoMode() const { return m_cameraSystem->photoVideoMode(); }
    int outputRes() const { return m_cameraSystem->outputRes(); }
    int encodingFormat() const { return m_cameraSystem->encodingFormat(); }
    int streamMode() const { return m_cameraSystem->streamMode(); }
    int bitrate() const { return m_cameraSystem->bitrate(); }
    int photoMode() const { return m_cameraSystem->photoMode(); }
    int timelapseInterval() const { return m_cameraSystem->timelapseInterval(); }
    int burstCount() const { return m_cameraSystem->burstCount(); }
    int sdStatus() const { return m_cameraSystem->sdStatus(); }
    int sdTotalMB() const { return m_cameraSystem->sdTotalMB(); }
    int sdFreeMB() const { return m_cameraSystem->sdFreeMB(); }
    int sdUsedMB() const { return m_cameraSystem->sdUsedMB(); }
    bool cameraSystemStatusValid() const { return m_cameraSystem->cameraSystemStatusValid(); }
    // Infrared measurement
    float irMaxTemp() const { return m_ir->irMaxTemp(); }
    float irMinTemp() const { return m_ir->irMinTemp(); }
    float irCenterTemp() const { return m_ir->irCenterTemp(); }
    float irPointTemp() const { return m_ir->irPointTemp(); }
    float irAvgTemp() const { return m_ir->irAvgTemp(); }
    int irMaxTempX() const { return m_ir->irMaxTempX(); }
    int irMaxTempY() const { return m_ir->irMaxTempY(); }
    int irMinTempX() const { return m_ir->irMinTempX(); }
    int irMinTempY() const { return m_ir->irMinTempY(); }
    int irCenterTempX() const { return m_ir->irCenterTempX(); }
    int irCenterTempY() const { return m_ir->irCenterTempY(); }
    int irPointTempX() const { return m_ir->irPointTempX(); }
    int irPointTempY() const { return m_ir->irPointTempY(); }
    int irDeviceType() const { return m_ir->irDeviceType(); }
    // Visible camera
    int zoomStatus() const { return m_vis->zoomStatus(); }
    float focalLength() const { return m_vis->focalLength(); }
    float hybridZoom() const { return m_vis->hybridZoom(); }
    int evValue() const { return m_vis->evValue(); }
    int isoValue() const { return m_vis->isoValue(); }
    int shutterValue() const { return m_vis->shutterValue(); }
    int aeLock() const { return m_vis->aeLock(); }
    int focusStatus() const { return m_vis->focusStatus(); }
    // Laser, photo and record
    float laserDistance() const { return m_laser->laserDistance(); }
    int photoStatus() const { return m_photoRecord->photoStatus(); }
    int recordStatus() const { return m_photoRecord->recordStatus(); }
    int recordDuration() const { return m_photoRecord->recordDuration(); }
    // Playback progress
    int playbackPlayStatus() const { return m_playback->playbackPlayStatus(); }
    int playbackDownloadStatus() const { return m_playback->playbackDownloadStatus(); }
    int playbackTotalMs() const { return m_playback->playbackTotalMs(); }
    int playbackPosition() const { return m_playback->playbackPosition(); }
    // Versions and small read-backs
    QString gimbalHwVersion() const { return m_version->gimbalHwVersion(); }
    QString gimbalSwVersion() const { return m_version->gimbalSwVersion(); }
    QString cameraVersion() const { return m_version->cameraVersion(); }
    QString kernelVersion() const { return m_version->kernelVersion(); }
    QString deviceSn() const { return m_version->deviceSn(); }
    float coreTemp() const { return m_version->coreTemp(); }
    int uartProtocol() const { return m_version->uartProtocol(); }
    // SBUS
    int sbusMax() const { return m_sbus->sbusMax(); }
    int sbusMin() const { return m_sbus->sbusMin(); }
    int sbusStreamChannel() const { return m_sbus->sbusStreamChannel(); }
    int sbusZoomChannel() const { return m_sbus->sbusZoomChannel(); }
    int sbusPhotoChannel() const { return m_sbus->sbusPhotoChannel(); }
    int sbusRecordChannel() const { return m_sbus->sbusRecordChannel(); }
    int sbusPitchChannel() const { return m_sbus->sbusPitchChannel(); }
    int sbusYawChannel() const { return m_sbus->sbusYawChannel(); }
    int sbusCenterChannel() const { return m_sbus->sbusCenterChannel(); }
    int sbusIrPaletteChannel() const { return m_sbus->sbusIrPaletteChannel(); }
    bool sbusEnabled() const { return m_sbus->sbusEnabled(); }
    // Network and clients
    QString cameraIp() const { return m_network->cameraIp(); }
    QString cameraMask() const { return m_network->cameraMask(); }
    QString cameraGateway() const { return m_network->cameraGateway(); }
    QString playbackClientIp() const { return m_network->playbackClientIp(); }
    int playbackClientPort() const { return m_network->playbackClientPort(); }
    QString downloadClientIp() const { return m_network->downloadClientIp(); }
    int downloadClientPort() const { return m_network->downloadClientPort(); }
    // Camera parameters
    int photoResolution() const { return m_cameraParams->photoResolution(); }
    int recordResolution() const { return m_cameraParams->recordResolution(); }
    int recordBitrate() const { return m_cameraParams->recordBitrate(); }
    int irPalette() const { return m_cameraParams->irPalette(); }
    bool irTempEnabled() const { return m_cameraParams->irTempEnabled(); }
    bool irTempIsArea() const { return m_cameraParams->irTempIsArea(); }
    int irZoom() const { return m_cameraParams->irZoom(); }
    int irSharpness() const { return m_cameraParams->irSharpness(); }
    int irGainMode() const { return m_cameraParams->irGainMode(); }
    int irBrightness() const { return m_cameraParams->irBrightness(); }
    int irContrast() const { return m_cameraParams->irContrast(); }
    bool irDenoiseEnabled() const { return m_cameraParams->irDenoiseEnabled(); }
    int irDenoiseLevel() const { return m_cameraParams->irDenoiseLevel(); }
    bool irEnhanceEnabled() const { return m_cameraParams->irEnhanceEnabled(); }
    int irEnhanceLevel() const { return m_cameraParams->irEnhanceLevel(); }
    bool irAiSuperResEnabled() const { return m_cameraParams->irAiSuperResEnabled(); }
    bool irFusionEnabled() const { return m_cameraParams->irFusionEnabled(); }
    int irFusionVisWeight() const { return m_cameraParams->irFusionVisWeight(); }
    int irFusionIrWeight() const { return m_cameraParams->irFusionIrWeight(); }
    bool irFusionGray() const { return m_cameraParams->irFusionGray(); }
    bool visFusionEnabled() const { return m_cameraParams->visFusionEnabled(); }
    int visFusionIrWeight() const { return m_cameraParams->visFusionIrWeight(); }
    int visFusionVisWeight() const { return m_cameraParams->visFusionVisWeight(); }
    bool visFusionGray() const { return m_cameraParams->visFusionGray(); }
    // OSD
    QVariantList osdConfigs() const { return m_osd->osdConfigs(); }
    bool osdWatermarkEnabled() const { return m_osd->osdWatermarkEnabled(); }
    // AI
    int aiDetectStatus() const { return m_ai->aiDetectStatus(); }
    bool aiTrackingActive() const { return m_ai->aiTrackingActive(); }
    QVariantList aiTargets() const { return m_ai->aiTargets(); }
    bool aiRecognitionEnabled() const { return m_ai->aiRecognitionEnabled(); }
    QVariantList aiSelectedCategories() const { return m_ai->aiSelectedCategories(); }
    // Local echoes of settings just sent, ahead of the device's read-back.
    void setIrTempEnabled(bool on);
    void setIrBrightness(int value);
    void setIrContrast(int value);
    void setIrDenoise(bool on, int level);
    void setIrEnhanceLevel(int level);
    void setIrAiSuperResEnabled(bool on);
    void setIrFusion(bool on, int visWeight);
    void setIrFusionGray(bool gray);
    void setVisFusion(bool on, int irWeight);
    void setVisFusionGray(bool gray);

public slots:
    // Any status report, whatever it carries: the camera is alive.
    void noteReport();
    // Periodic status reports.
    void updateGimbalStatus(const QByteArray &payload);
    void updateAttitude(const QByteArray &payload);
    void updateCameraSystemStatus(const QByteArray &payload);
    void updateIrStatus(const QByteArray &payload);
    void updateVisStatus(const QByteArray &payload);
    void updateCameraUpgradeStatus(const QByteArray &payload);
    void updatePhotoStatus(const QByteArray &payload);
    void updateRecordStatus(const QByteArray &payload);
    void updateLaserDistance(const QByteArray &payload);
    void updateAiTargets(const QByteArray &payload, bool fromTracking = false);
    void updateAiCategoriesConfig(const QByteArray &payload);
    void setAiRecognitionConfig(bool enabled, const QVariantList &categories);
    // Tracking was asked to stop: its box goes at once.
    void endAiTracking();
    void updatePlaybackStatus(const QByteArray &payload);
    void setTransportConnected(bool connected);

    // Acknowledgement read-backs (payloads start with the result code).
    void updateGimbalVersion(const QByteArray &payload);
    void updateCameraVersion(const QByteArray &payload);
    void updateKernelVersion(const QByteArray &payload);
    void updateDeviceSn(const QByteArray &payload);
    void updateCoreTemp(const QByteArray &payload);
    void updateUartProtocol(const QByteArray &payload);
    void updateSbusConfig(const QByteArray &payload);
    void updateCameraIpConfig(const QByteArray &payload);
    void updatePlaybackClientConfig(int type, const QByteArray &payload);
    bool updateVisibleParams(const QByteArray &payload);
    bool updateInfraredParams(const QByteArray &payload);
    void updateOsdConfig(const QByteArray &payload);

signals:
    void stateChanged();
    void attitudeChanged();
    void cameraStatusChanged();
    void irStatusChanged();
    void irDeviceTypeChanged();
    void visStatusChanged();
    void laserChanged();
    void photoStatusChanged();
    void recordStatusChanged();
    void versionInfoChanged();
    void aiTargetsChanged();
    void aiRecognitionConfigChanged();
    void playbackStatusChanged();
    void sbusConfigChanged();
    void networkConfigChanged();
    void cameraParamsChanged();
    void osdConfigChanged();
    void reportingChanged();

private:
    void flushPendingCaptureStatus();

    MotionState *m_motion;
    DeviceHealthState *m_health;
    CameraSystemState *m_cameraSystem;
    IrState *m_ir;
    VisState *m_vis;
    LaserState *m_laser;
    PhotoRecordState *m_photoRecord;
    VersionInfoState *m_version;
    AiTargetsState *m_ai;
    PlaybackState *m_playback;
    SbusState *m_sbus;
    NetworkConfigState *m_network;
    CameraParamsState *m_cameraParams;
    OsdConfigState *m_osd;
    ReportingState *m_reporting;

    // Photo and record reports that came before the card state was known.
    QByteArray m_pendingPhotoStatus;
    QByteArray m_pendingRecordStatus;
};
