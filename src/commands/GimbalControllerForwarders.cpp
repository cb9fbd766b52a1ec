#include "commands/GimbalController.h"

#include "commands/CommonCameraController.h"
#include "commands/IrCameraController.h"
#include "commands/LaserController.h"
#include "commands/MotionController.h"
#include "commands/PlaybackController.h"
#include "commands/SbusController.h"
#include "commands/VisCameraController.h"
#include "state/GimbalState.h"

// The controller's operations that belong to one command group each: the
// arguments pass unchanged to the group that builds the command. A few
// settings also show in the device state at once, before the device answers,
// so the controls do not jump back while the reply is on its way.

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
