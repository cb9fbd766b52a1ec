#include "camsim/SimCamera.h"

#include "camsim/MediaCard.h"
#include "catalog/GimbalModel.h"
#include "catalog/GimbalModelFactory.h"
#include "link/CommandCode.h"
#include "link/Payload.h"

#include <QDateTime>
#include <QHostAddress>
#include <QRegularExpression>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

constexpr quint32 AckKind = 1;

// Picture space of every position the camera reports or is told.
constexpr int PictureWidth = 1920;
constexpr int PictureHeight = 1080;
constexpr double VisibleFovDeg = 60.0; // horizontal field of view at zoom 1
constexpr double InfraredFovDeg = 50.0;
constexpr double LaserAltitudeM = 100.0;

qint16 centi(double degrees)
{
    return qint16(qBound(-32768.0, std::round(degrees * 100.0), 32767.0));
}

qint16 tenths(double value)
{
    return qint16(qBound(-32768.0, std::round(value * 10.0), 32767.0));
}

// Yaw travels as signed hundredths of a degree, which cannot carry more than
// 327.67°: report it in the -180..180 range whatever the mechanical limits.
double wireYaw(double yaw)
{
    double y = std::fmod(yaw + 180.0, 360.0);
    if (y < 0)
        y += 360.0;
    return y - 180.0;
}

bool hasOptionValue(const QVector<ModelOption> &options, int value)
{
    return std::any_of(options.begin(), options.end(),
                       [value](const ModelOption &o) { return o.value == value; });
}

// The option a device code written by the program selects, or nullptr.
const ModelOption *optionByWriteValue(const QVector<ModelOption> &options, int written)
{
    for (const ModelOption &o : options)
        if (o.effectiveWriteValue() == written)
            return &o;
    return nullptr;
}

QByteArray ipBytes(int a, int b, int c, int d)
{
    QByteArray out;
    for (int v : {a, b, c, d})
        Payload::appendU8(out, v);
    return out;
}

} // namespace

SimCamera::SimCamera(const SimOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_model(createGimbalModel(options.modelId))
{
    resetSettings();
    m_cardPresent = options.card != SimOptions::CardState::None;
    if (options.card == SimOptions::CardState::Full)
        m_cardUsedMB = m_cardTotalMB;
    // Address data as a camera on its usual network would report it; it is
    // never used as a destination.
    QHostAddress address(modelSpec().defaultUdpIp);
    const quint32 v4 = address.toIPv4Address();
    m_ip = ipBytes(int(v4 >> 24), int((v4 >> 16) & 0xFF), int((v4 >> 8) & 0xFF), int(v4 & 0xFF));
    m_mask = ipBytes(255, 255, 255, 0);
    m_gateway = ipBytes(int(v4 >> 24), int((v4 >> 16) & 0xFF), int((v4 >> 8) & 0xFF), 1);
    m_clientIp[0] = m_clientIp[1] = ipBytes(0, 0, 0, 0);
    updateStream();
}

SimCamera::~SimCamera() = default;

const ModelSpec &SimCamera::modelSpec() const
{
    return m_model->modelSpec();
}

void SimCamera::resetSettings()
{
    const ModelSpec &s = modelSpec();
    m_streamMode = s.videoOutputModes.isEmpty() ? 6 : s.videoOutputModes.first().value;
    m_outputRes = s.streamResolutions.isEmpty() ? 0 : s.streamResolutions.first().value;
    m_bitrate =
        hasOptionValue(s.bitrates, 4) ? 4 : (s.bitrates.isEmpty() ? 0 : s.bitrates.first().value);
    m_encoding = 0;
    m_photoRes = s.photoResolutions.isEmpty() ? 0 : s.photoResolutions.first().value;
    m_recordRes = s.recordResolutions.isEmpty() ? 0 : s.recordResolutions.first().value;
    m_zoom = s.visZoomMin;
    m_zoomDir = 0;
    m_irZoom = int(s.irZoomMin);
    m_irPalette = 1;
    m_irTempOn = true;
    m_irArea = false;
    m_irBrightness = m_irContrast = 50;
    m_irDenoise = false;
    m_irDenoiseLevel = 50;
    m_irEnhance = false;
    m_irEnhanceLevel = 5;
    m_irFusion = false;
    m_irFusionVis = 8;
    m_visFusion = false;
    m_visFusionIr = 2;
    m_iso = 100;
    m_ev = m_shutter = m_wb = m_antiFlicker = m_metering = 0;
    m_aeLock = false;
    for (int i = 0; i < 15; ++i)
        m_osd[size_t(i)] = OsdItem{i == 3 || i == 8, i < 8 ? 1 : 3, 1};
    m_watermark = false;
}

// ---------------------------------------------------------------------------
// Commands

SimFrame SimCamera::ack(quint16 code, const QByteArray &payload)
{
    return SimFrame{quint32(code) | (AckKind << 16), payload};
}

SimFrame SimCamera::status(quint16 code, const QByteArray &payload) const
{
    return SimFrame{quint32(code) | (quint32(m_options.statusKind) << 16), payload};
}

SimFrame SimCamera::secondKind(quint16 code, const QByteArray &payload)
{
    return SimFrame{quint32(code) | (2u << 16), payload};
}

QVector<SimFrame> SimCamera::handleCommand(quint16 code, const QByteArray &payload, qint64 nowMs)
{
    if (!m_started)
        advance(nowMs);
    QVector<SimFrame> out;
    if (m_rebooting)
        return out; // nobody home until the reboot is over
    const auto forced = m_options.ackResults.constFind(code);
    if (forced != m_options.ackResults.constEnd() && forced.value() != Ok) {
        // A forced refusal: the command is not carried out.
        QByteArray p;
        Payload::appendU16(p, forced.value());
        out.append(ack(code, p));
        return out;
    }
    QByteArray extra;
    bool noResult = false;
    const quint16 result = dispatch(code, payload, nowMs, &extra, &noResult);
    QByteArray reply;
    if (noResult && result == Ok) {
        reply = extra;
    } else {
        Payload::appendU16(reply, result);
        if (result == Ok)
            reply.append(extra);
    }
    out.append(ack(code, reply));
    return out;
}

quint16 SimCamera::dispatch(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra,
                            bool *noResult)
{
    // A code's high byte names the group it belongs to.
    switch (code >> 8) {
    case 0:
        return gimbalCommand(code, p, now, extra);
    case 1:
        return irCommand(code, p, extra);
    case 2:
        return visCommand(code, p, extra);
    case 3:
        return cameraCommand(code, p, now, extra, noResult);
    case 4:
    case 5:
        return peripheralCommand(code, p, extra);
    default:
        return UnknownCommand;
    }
}

quint16 SimCamera::gimbalCommand(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra)
{
    const ModelSpec &s = modelSpec();
    switch (code) {
    case CommandCode::GimbalSpeedControl: { // speed control: mode in the high nibble
        if (p.size() < 3)
            return InvalidParameter;
        const int mode = Payload::readU8(p, 0) >> 4;
        const int yawDir = Payload::readU8(p, 1);
        const int pitchDir = Payload::readU8(p, 2);
        m_servoOff = false;
        if (mode == 1) {
            setAngleTarget(0.0, 0.0);
            return Ok;
        }
        if (mode == 2) {
            setAngleTarget(0.0, -90.0);
            return Ok;
        }
        if (mode != 0 || yawDir > 2 || pitchDir > 2)
            return InvalidParameter;
        m_angleTarget = false;
        m_manualYaw = yawDir == 0 ? -1 : (yawDir == 1 ? 1 : 0);
        m_manualPitch = pitchDir == 0 ? 1 : (pitchDir == 1 ? -1 : 0);
        m_manualUntil = (m_manualYaw || m_manualPitch) ? now + ManualMotionHoldMs : -1;
        return Ok;
    }
    case CommandCode::GimbalAngleControl: { // absolute angles as magnitude + direction
        if (p.size() < 6)
            return InvalidParameter;
        const int pitchDir = Payload::readU8(p, 0);
        const double pitchMag = Payload::readU16(p, 1) / 100.0;
        const int yawDir = Payload::readU8(p, 3);
        const double yawMag = Payload::readU16(p, 4) / 100.0;
        if (pitchDir > 2 || yawDir > 2)
            return InvalidParameter;
        const double pitch = pitchDir == 2 ? m_pitch : (pitchDir == 0 ? pitchMag : -pitchMag);
        const double yaw = yawDir == 2 ? m_yaw : (yawDir == 1 ? yawMag : -yawMag);
        m_servoOff = false;
        setAngleTarget(yaw, pitch);
        return Ok;
    }
    case CommandCode::GimbalCalibration: // calibrations: nothing moves
    case CommandCode::GimbalLinearCalibration:
        return p.isEmpty() ? InvalidParameter : Ok;
    case CommandCode::GimbalSpeedSet:
        if (p.size() < 2)
            return InvalidParameter;
        m_pitchLimit = qBound(5, int(Payload::readU8(p, 0)), 150);
        m_yawLimit = qBound(5, int(Payload::readU8(p, 1)), 150);
        return Ok;
    case CommandCode::GetGimbalVersion: // versions: hardware 1.2.0, software 3.4.17, one spare byte
        for (int v : {1, 2, 0, 3, 4, 17, 0})
            Payload::appendU8(*extra, v);
        return Ok;
    case CommandCode::PointAim: { // aim at a point of the picture
        if (!s.hasGimbalPointAim)
            return Unsupported;
        if (p.size() < 7)
            return InvalidParameter;
        const double zoom = qMax(0.1, Payload::readU16(p, 1) / 10.0);
        const double hfov = VisibleFovDeg / zoom;
        const double vfov = hfov * PictureHeight / PictureWidth;
        const double dx = (Payload::readU16(p, 3) - PictureWidth / 2.0) / PictureWidth;
        const double dy = (Payload::readU16(p, 5) - PictureHeight / 2.0) / PictureHeight;
        m_servoOff = false;
        setAngleTarget(m_yaw + dx * hfov, m_pitch - dy * vfov);
        return Ok;
    }
    case CommandCode::GimbalServoOff:
        m_servoOff = true;
        m_angleTarget = false;
        m_manualUntil = -1;
        return Ok;
    case CommandCode::GimbalSoftReset:
        m_servoOff = false;
        m_manualUntil = -1;
        setAngleTarget(0.0, 0.0);
        return Ok;
    case CommandCode::FcAttitude: // flight-controller data and modes: nothing to simulate
    case CommandCode::AccelCalibration:
    case CommandCode::FcInfoSend:
    case CommandCode::GimbalStabilize:
    case CommandCode::LockFollowMode:
        return Ok;
    default:
        return UnknownCommand;
    }
}

quint16 SimCamera::irCommand(quint16 code, const QByteArray &p, QByteArray *extra)
{
    const ModelSpec &s = modelSpec();
    if (!s.hasInfrared)
        return Unsupported;
    const auto needs = [&p](int n) { return p.size() >= n; };
    const int b0 = Payload::readU8(p, 0);
    switch (code) {
    case CommandCode::GetIrAllParams: {
        Payload::appendU8(*extra, m_irPalette);
        Payload::appendU8(*extra,
                          (m_irTempOn ? 0 : 1) | (m_irArea ? 2 : 0) | ((m_irZoom & 0x1F) << 3));
        Payload::appendU8(*extra, m_irSharpness);
        Payload::appendU8(*extra, m_irGain);
        Payload::appendU8(*extra, m_irBrightness);
        Payload::appendU8(*extra, m_irContrast);
        Payload::appendU8(*extra, (m_irDenoise ? 0x80 : 0) | (m_irDenoiseLevel & 0x7F));
        // Enhancement: 0 = off, otherwise bit 7 set with the level below it,
        // so the level survives while the function is switched on.
        Payload::appendU8(*extra, m_irEnhance ? (0x80 | m_irEnhanceLevel) : 0);
        extra->append(QByteArray(11, '\0'));
        Payload::appendU8(*extra, m_irFusion ? 1 : 0);
        Payload::appendU8(*extra, m_irFusionVis);
        return Ok;
    }
    case CommandCode::IrZoom:
        if (!needs(1) || b0 < s.irZoomMin || b0 > s.irZoomMax)
            return InvalidParameter;
        m_irZoom = b0;
        return Ok;
    case CommandCode::IrColorPalette:
        if (!needs(1) || b0 < 1 || b0 > 20)
            return InvalidParameter;
        m_irPalette = b0;
        return Ok;
    case CommandCode::IrTempSwitch:
        if (!s.hasIrTemp)
            return Unsupported;
        if (!needs(1) || b0 > 1)
            return InvalidParameter;
        m_irTempOn = b0 == 0; // the flag means "measurement off"
        return Ok;
    case CommandCode::IrSharpness:
    case CommandCode::IrGainMode:
        if (!needs(1))
            return InvalidParameter;
        (code == CommandCode::IrSharpness ? m_irSharpness : m_irGain) = b0;
        return Ok;
    case CommandCode::IrTempOverlay: // settings the camera takes but never reports back
    case CommandCode::IrFusionGray:
        return needs(1) ? Ok : InvalidParameter;
    case CommandCode::IrFusionDebug:
        return needs(7) ? Ok : InvalidParameter;
    case CommandCode::IrBrightness:
    case CommandCode::IrContrast:
        if (!needs(1) || b0 > 100)
            return InvalidParameter;
        (code == CommandCode::IrBrightness ? m_irBrightness : m_irContrast) = b0;
        return Ok;
    case CommandCode::IrDenoise:
        if (!needs(2) || Payload::readU8(p, 1) > 100)
            return InvalidParameter;
        m_irDenoise = b0 != 0;
        m_irDenoiseLevel = Payload::readU8(p, 1);
        return Ok;
    case CommandCode::IrEnhance:
        if (!needs(1) || b0 > 10)
            return InvalidParameter;
        m_irEnhance = b0 > 0;
        if (b0 > 0)
            m_irEnhanceLevel = b0;
        return Ok;
    case CommandCode::IrPointTemp: {
        if (!s.hasIrTemp)
            return Unsupported;
        if (!needs(4))
            return InvalidParameter;
        const int x = Payload::readU16(p, 0), y = Payload::readU16(p, 2);
        if (x >= PictureWidth || y >= PictureHeight)
            return InvalidParameter;
        m_pointX = x;
        m_pointY = y;
        m_irArea = false;
        return Ok;
    }
    case CommandCode::IrAreaTemp: {
        if (!s.hasIrTemp)
            return Unsupported;
        if (!needs(8))
            return InvalidParameter;
        const int w = Payload::readU16(p, 0), h = Payload::readU16(p, 2);
        const int cx = Payload::readU16(p, 4), cy = Payload::readU16(p, 6);
        if (w < 1 || h < 1 || cx >= PictureWidth || cy >= PictureHeight)
            return InvalidParameter;
        m_areaW = w;
        m_areaH = h;
        m_areaCx = cx;
        m_areaCy = cy;
        m_irArea = true;
        return Ok;
    }
    case CommandCode::IrFusionVis:
        if (!needs(3) || Payload::readU8(p, 1) > 10)
            return InvalidParameter;
        m_irFusion = b0 != 0;
        m_irFusionVis = Payload::readU8(p, 1);
        return Ok;
    case CommandCode::IrAiSuperRes:
        if (!s.hasIrAiSuperRes)
            return Unsupported;
        return needs(1) ? Ok : InvalidParameter;
    default:
        return UnknownCommand;
    }
}

quint16 SimCamera::visCommand(quint16 code, const QByteArray &p, QByteArray *extra)
{
    const ModelSpec &s = modelSpec();
    // Exposure and picture settings carry a leading 0x00 and the value after it.
    const int v = Payload::readU8(p, 1);
    const bool onOff = v == 1 || v == 2;
    switch (code) {
    case CommandCode::GetVisibleAllParams:
        Payload::appendU8(*extra, m_photoRes);
        Payload::appendU8(*extra, m_recordRes);
        Payload::appendU8(*extra, m_recordBitrate);
        for (int b :
             {m_iso & 0xFF, m_shutter, m_ev, m_wb, m_antiFlicker, m_highlight, m_highlightValue,
              m_backlight, m_backlightValue, m_aeLock ? 1 : 2, m_metering, m_night, m_nightFps, 0})
            Payload::appendU8(*extra, b);
        Payload::appendU8(*extra, m_visFusion ? 1 : 0);
        Payload::appendU8(*extra, m_visFusionIr);
        return Ok;
    case CommandCode::SetRecordResolution:
        if (p.size() < 2 || !hasOptionValue(s.recordResolutions, v))
            return InvalidParameter;
        m_recordRes = v;
        return Ok;
    case CommandCode::SetPhotoResolution:
        if (p.size() < 2 || !hasOptionValue(s.photoResolutions, v))
            return InvalidParameter;
        m_photoRes = v;
        return Ok;
    case CommandCode::SetIso:
    case CommandCode::SetShutter:
    case CommandCode::SetEv:
    case CommandCode::SetWhiteBalance:
    case CommandCode::SetAntiFlicker:
    case CommandCode::MeteringMode:
    case CommandCode::NightFps: {
        if (p.size() < 2)
            return InvalidParameter;
        static const QHash<quint16, int SimCamera::*> settings = {
            {CommandCode::SetIso, &SimCamera::m_iso},
            {CommandCode::SetShutter, &SimCamera::m_shutter},
            {CommandCode::SetEv, &SimCamera::m_ev},
            {CommandCode::SetWhiteBalance, &SimCamera::m_wb},
            {CommandCode::SetAntiFlicker, &SimCamera::m_antiFlicker},
            {CommandCode::MeteringMode, &SimCamera::m_metering},
            {CommandCode::NightFps, &SimCamera::m_nightFps}};
        this->*settings.value(code) = v;
        return Ok;
    }
    case CommandCode::HighlightSuppress:
    case CommandCode::BacklightCompensation:
        if (p.size() < 3 || !onOff)
            return InvalidParameter;
        (code == CommandCode::HighlightSuppress ? m_highlight : m_backlight) = v;
        (code == CommandCode::HighlightSuppress ? m_highlightValue : m_backlightValue) =
            Payload::readU8(p, 2);
        return Ok;
    case CommandCode::AeLock:
        if (p.size() < 2 || !onOff)
            return InvalidParameter;
        m_aeLock = v == 1;
        return Ok;
    case CommandCode::NightMode:
        if (p.size() < 2 || (v != 1 && v != 3))
            return InvalidParameter;
        m_night = v;
        return Ok;
    case CommandCode::VisFusionIr:
        if (!s.hasInfrared)
            return Unsupported;
        if (p.size() < 3 || Payload::readU8(p, 1) > 10)
            return InvalidParameter;
        m_visFusion = Payload::readU8(p, 0) != 0;
        m_visFusionIr = Payload::readU8(p, 1);
        return Ok;
    case CommandCode::VisFusionDebug: // alignment and grey fusion: taken, never reported back
    case CommandCode::VisFusionGray:
        if (!s.hasInfrared)
            return Unsupported;
        return p.size() >= (code == CommandCode::VisFusionDebug ? 7 : 1) ? Ok : InvalidParameter;
    default:
        return UnknownCommand;
    }
}

quint16 SimCamera::cameraCommand(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra,
                                 bool *noResult)
{
    const ModelSpec &s = modelSpec();
    const int b0 = Payload::readU8(p, 0);
    switch (code) {
    case CommandCode::PhotoVideoMode:
        if (p.isEmpty() || b0 > 1)
            return InvalidParameter;
        m_photoVideoMode = b0;
        return Ok;
    case CommandCode::PhotoParams:
        if (p.size() < 3)
            return InvalidParameter;
        m_photoMode = b0;
        m_timelapse = Payload::readU8(p, 1);
        m_burst = Payload::readU8(p, 2);
        return Ok;
    case CommandCode::TakePhoto:
        return takePhoto(p, now);
    case CommandCode::RecordVideo:
        return record(p, now);
    case CommandCode::HybridZoom: {
        if (p.size() < 3)
            return InvalidParameter;
        const double z = Payload::readU16(p, 1) / 10.0;
        m_zoom = qBound(s.visZoomMin, z, s.visZoomMax);
        m_zoomDir = 0;
        return Ok;
    }
    case CommandCode::ContinuousZoom:
        if (p.isEmpty() || b0 > 2)
            return InvalidParameter;
        m_zoomDir = b0 == 0 ? 1 : (b0 == 1 ? -1 : 0);
        return Ok;
    case CommandCode::SetBitrate:
        if (p.isEmpty() || !optionByWriteValue(s.bitrates, b0))
            return InvalidParameter;
        m_bitrate = optionByWriteValue(s.bitrates, b0)->value;
        updateStream();
        return Ok;
    case CommandCode::SetStreamResolution: {
        const ModelOption *o = p.isEmpty() ? nullptr : optionByWriteValue(s.streamResolutions, b0);
        if (!o)
            return InvalidParameter;
        m_outputRes = o->value;
        updateStream();
        return Ok;
    }
    case CommandCode::SetEncodingFormat:
        if (p.isEmpty() || b0 > 1)
            return InvalidParameter;
        m_encoding = b0;
        updateStream();
        return Ok;
    case CommandCode::FormatStorageCard:
        if (!m_cardPresent)
            return NotReady;
        if (m_recording)
            return NotReady;
        m_cardUsedMB = 0;
        return Ok;
    case CommandCode::TimeSync:
        if (p.size() < 8)
            return InvalidParameter;
        m_clockOffsetMs =
            qint64(quint64(Payload::readU32(p, 0)) | (quint64(Payload::readU32(p, 4)) << 32)) - now;
        return Ok;
    case CommandCode::FactoryReset:
        if (m_recording)
            stopRecording(now);
        resetSettings();
        updateStream();
        return Ok;
    case CommandCode::SetIp:
        if (!s.hasNetworkConfig)
            return Unsupported;
        if (p.size() < 13)
            return InvalidParameter;
        m_ip = p.mid(1, 4);
        m_mask = p.mid(5, 4);
        m_gateway = p.mid(9, 4);
        return Ok;
    case CommandCode::GetIp:
        if (!s.hasNetworkConfig)
            return Unsupported;
        extra->append(m_ip).append(m_mask).append(m_gateway);
        return Ok;
    case CommandCode::FocusControl:
        return p.isEmpty() ? InvalidParameter : Ok;
    case CommandCode::OsdWatermarkSwitch:
        if (!s.hasOsd)
            return Unsupported;
        if (p.isEmpty())
            return InvalidParameter;
        m_watermark = b0 != 0;
        return Ok;
    case CommandCode::CameraShutdown:
        if (m_recording)
            stopRecording(now);
        return Ok;
    case CommandCode::GetCameraVersion: // camera version, 2.6.31 until an upgrade
        extra->append(m_cameraVersion);
        return Ok;
    case CommandCode::GetKernelVersion: // kernel version 5.10.120
        for (int v : {5, 10, 120})
            Payload::appendU8(*extra, v);
        return Ok;
    case CommandCode::SetImageMode:
        if (!s.hasVideoOutputFormat)
            return Unsupported;
        if (p.isEmpty() || !hasOptionValue(s.videoOutputModes, b0))
            return InvalidParameter;
        m_streamMode = b0;
        if (m_streamMode == 7)
            m_tracking = false;
        return Ok;
    case CommandCode::AiRecognitionSet:
        if (!s.hasAiRecognition)
            return Unsupported;
        if (p.size() < 2 || (b0 != 1 && b0 != 2))
            return InvalidParameter;
        m_aiOn = b0 == 1;
        m_aiMask = m_aiOn ? p.mid(2, 16).leftJustified(16, '\0') : QByteArray(16, '\0');
        m_nextAi = now + AiReportIntervalMs;
        return Ok;
    case CommandCode::TargetTrackingSet: {
        if (!s.hasAiRecognition)
            return Unsupported;
        if (p.size() < 9 || (b0 != 1 && b0 != 2))
            return InvalidParameter;
        if (b0 == 2) {
            m_tracking = false;
            return Ok;
        }
        if (m_streamMode == 7)
            return NotReady; // no tracking on a split picture
        m_trackX = Payload::readU16(p, 1);
        m_trackY = Payload::readU16(p, 3);
        m_trackW = qMax(1, int(Payload::readU16(p, 5)));
        m_trackH = qMax(1, int(Payload::readU16(p, 7)));
        m_tracking = true;
        m_trackStart = now;
        m_nextAi = now + AiReportIntervalMs;
        return Ok;
    }
    case CommandCode::GetCoreTemperature: // core temperature, warmer while recording
        Payload::appendS16(
            *extra, tenths(46.0 + 2.0 * std::sin(now / 60000.0) + (m_recording ? 4.0 : 0.0)));
        return Ok;
    case CommandCode::SetOsdConfig: {
        if (!s.hasOsd)
            return Unsupported;
        if (p.size() < 4)
            return InvalidParameter;
        const int item = b0 & 0x7F;
        const int pos = Payload::readU8(p, 1);
        const int color = Payload::readU8(p, 2);
        if (item < 1 || item > 15 || pos < 1 || pos > 4 || color < 1 || color > 2)
            return InvalidParameter;
        m_osd[size_t(item - 1)] = OsdItem{(b0 & 0x80) != 0, pos, color};
        return Ok;
    }
    case CommandCode::SetOsdCustomText:
        if (!s.hasOsd)
            return Unsupported;
        return p.size() < 65 || b0 < 1 || b0 > 3 ? InvalidParameter : Ok;
    case CommandCode::GetOsdConfig: // OSD read-back: 15 item records and the watermark, no result
                                    // code
        if (!s.hasOsd)
            return Unsupported;
        for (const OsdItem &item : m_osd) {
            Payload::appendU8(*extra, item.enabled ? 1 : 0);
            Payload::appendU8(*extra, (item.position & 0x0F) | (item.color << 4));
        }
        Payload::appendU8(*extra, m_watermark ? 1 : 0);
        *noResult = true;
        return Ok;
    case CommandCode::GetAiCategories:
        if (!s.hasAiRecognition)
            return Unsupported;
        Payload::appendU8(*extra, m_aiOn ? 1 : 0);
        extra->append(m_aiMask);
        return Ok;
    case CommandCode::GetDeviceSn: {
        QString sn = QStringLiteral("SK") + s.id.toUpper().remove(QLatin1Char('-')).left(6) +
                     QStringLiteral("24060137");
        Payload::appendFixedString(*extra, sn, 20);
        return Ok;
    }
    case CommandCode::PlaybackMode: // album mode, list, delete and transfers
    case CommandCode::RefreshMediaList:
    case CommandCode::DeleteMediaFile:
    case CommandCode::DownloadMediaFile:
        return s.hasAlbum ? albumCommand(code, p, now) : quint16(Unsupported);
    case CommandCode::StartVideoPlayback: // playback of stored videos
    case CommandCode::StopVideoPlayback:
    case CommandCode::PauseVideoPlayback:
    case CommandCode::SeekVideoPlayback:
        return s.hasAlbum ? playbackCommand(code, p, now) : quint16(Unsupported);
    case CommandCode::SetPlaybackClient: {
        if (p.size() < 7 || b0 > 1)
            return InvalidParameter;
        m_clientIp[b0] = p.mid(1, 4);
        m_clientPort[b0] = Payload::readU16(p, 5);
        return Ok;
    }
    case CommandCode::GetPlaybackClient: { // 1 asks for the playback client, 2 for the download
                                           // client
        if (b0 != 1 && b0 != 2)
            return InvalidParameter;
        const int type = b0 - 1;
        extra->append(m_clientIp[type]);
        Payload::appendU16(*extra, m_clientPort[type]);
        return Ok;
    }
    case CommandCode::SetUartProtocol:
        if (!s.hasUartProtocolConfig)
            return Unsupported;
        if (p.isEmpty() || b0 > 2)
            return InvalidParameter;
        m_uartProtocol = b0;
        return Ok;
    case CommandCode::GetUartProtocol:
        if (!s.hasUartProtocolConfig)
            return Unsupported;
        Payload::appendU8(*extra, m_uartProtocol);
        return Ok;
    case CommandCode::GpsRequest: // GPS exchange and linked settings: accepted, nothing to simulate
    case CommandCode::TargetGpsRequest:
    case CommandCode::TargetGpsReportSwitch:
    case CommandCode::SetRecordFormat:
    case CommandCode::SetLinkedZoom:
        return Ok;
    case CommandCode::GetRecordFormat:
    case CommandCode::GetLinkedZoom:
        Payload::appendU8(*extra, 0);
        return Ok;
    default:
        return UnknownCommand;
    }
}

quint16 SimCamera::peripheralCommand(quint16 code, const QByteArray &p, QByteArray *extra)
{
    const ModelSpec &s = modelSpec();
    const int b0 = Payload::readU8(p, 0);
    switch (code) {
    case CommandCode::LaserRangeSet:
        if (!s.hasLaser)
            return Unsupported;
        Payload::appendU16(*extra, quint16(std::lround(laserDistance() * 10.0)));
        return Ok;
    case CommandCode::LaserPeriodicRange:
        if (!s.hasLaser)
            return Unsupported;
        if (p.isEmpty() || b0 > 1)
            return InvalidParameter;
        m_laserPeriodic = b0 == 1;
        m_nextLaser = m_lastMs + LaserReportIntervalMs;
        return Ok;
    case CommandCode::SetSbusRange:
        if (!s.hasSbus || !s.hasSbusRange)
            return Unsupported;
        if (p.size() < 4 || Payload::readU16(p, 0) <= Payload::readU16(p, 2))
            return InvalidParameter;
        m_sbusMax = Payload::readU16(p, 0);
        m_sbusMin = Payload::readU16(p, 2);
        return Ok;
    case CommandCode::SetSbusChannels:
        if (!s.hasSbus)
            return Unsupported;
        if (p.size() < 8)
            return InvalidParameter;
        for (int i = 0; i < 8; ++i)
            if (Payload::readU8(p, i) > 16)
                return InvalidParameter;
        for (int i = 0; i < 8; ++i)
            m_sbusChannels[size_t(i)] = Payload::readU8(p, i);
        return Ok;
    case CommandCode::GetSbusConfig:
        if (!s.hasSbus)
            return Unsupported;
        Payload::appendU16(*extra, quint16(m_sbusMax));
        Payload::appendU16(*extra, quint16(m_sbusMin));
        for (int i = 0; i < 7; ++i)
            Payload::appendU8(*extra, m_sbusChannels[size_t(i)]);
        // The read-back packs the switch and the palette channel in one byte.
        Payload::appendU8(*extra, (m_sbusOn ? 1 : 0) | ((m_sbusChannels[7] & 0x1F) << 1));
        return Ok;
    case CommandCode::SbusSwitch:
        if (!s.hasSbus)
            return Unsupported;
        if (b0 != 1 && b0 != 2)
            return InvalidParameter;
        m_sbusOn = b0 == 1;
        return Ok;
    case CommandCode::SetSbusZoomExt:
        return s.hasSbus ? Ok : Unsupported;
    case CommandCode::GetSbusZoomExt:
        if (!s.hasSbus)
            return Unsupported;
        Payload::appendU8(*extra, 0);
        return Ok;
    default:
        return UnknownCommand;
    }
}

// ---------------------------------------------------------------------------
// Capture and card

int SimCamera::cardStatus() const
{
    if (!m_cardPresent)
        return 3;
    return cardFreeMB() < 1.0 ? 4 : 0;
}

double SimCamera::cardFreeMB() const
{
    return m_cardPresent ? qMax(0.0, m_cardTotalMB - m_cardUsedMB) : 0.0;
}

void SimCamera::useCard(double mb)
{
    m_cardUsedMB = qMin(m_cardTotalMB, m_cardUsedMB + mb);
}

quint16 SimCamera::takePhoto(const QByteArray &p, qint64 now)
{
    if (p.size() < 2)
        return InvalidParameter;
    if (cardStatus() != 0 || m_photoBusy)
        return NotReady;
    m_photoBusy = true;
    const int mode = Payload::readU8(p, 0);
    // Progress: started, exposing, saving, then done (or failed when the card
    // filled up meanwhile, decided when the last step goes out).
    const int steps[] = {1, 2, 3, 0};
    const int delays[] = {40, 200, 450, 700};
    for (int i = 0; i < 4; ++i) {
        QByteArray payload;
        Payload::appendU8(payload, mode);
        Payload::appendU8(payload, steps[i]);
        Pending pending{now + delays[i], status(CommandCode::TakePhoto, payload), 0.0, i == 3};
        if (i == 3)
            pending.usedMB = PhotoSizeMB;
        m_pending.append(pending);
    }
    return Ok;
}

// Mode, state (1 recording, 0 stopped) and the seconds recorded.
QByteArray SimCamera::recordPayload(int state, qint64 now) const
{
    QByteArray p;
    Payload::appendU8(p, m_recordMode);
    Payload::appendU8(p, state);
    Payload::appendU16(p, quint16(qMin<qint64>(0xFFFF, (now - m_recordStart) / 1000)));
    return p;
}

quint16 SimCamera::record(const QByteArray &p, qint64 now)
{
    if (p.size() < 2)
        return InvalidParameter;
    const int action = Payload::readU8(p, 1);
    if (action == 2) {
        if (m_recording)
            stopRecording(now);
        return Ok;
    }
    if (action != 1)
        return InvalidParameter;
    if (m_recording)
        return Ok;
    if (cardStatus() != 0)
        return NotReady;
    m_recording = true;
    m_recordMode = Payload::readU8(p, 0);
    m_recordStart = now;
    m_nextRecordReport = now + 40;
    return Ok;
}

void SimCamera::stopRecording(qint64 now)
{
    m_recording = false;
    if (m_card && m_cardPresent)
        m_card->addRecording(epochMs(now), now - m_recordStart);
    m_pending.append(
        Pending{now + 20, status(CommandCode::RecordVideo, recordPayload(0, now)), 0.0, false});
}

// ---------------------------------------------------------------------------
// Motion and time

void SimCamera::setAngleTarget(double yaw, double pitch)
{
    const ModelSpec &s = modelSpec();
    m_targetYaw = qBound(s.yawMinDeg, yaw, s.yawMaxDeg);
    m_targetPitch = qBound(s.pitchMinDeg, pitch, s.pitchMaxDeg);
    m_angleTarget = true;
    m_manualUntil = -1;
}

void SimCamera::integrateMotion(double dt, qint64 now)
{
    const ModelSpec &s = modelSpec();
    m_yawRate = m_pitchRate = 0;
    if (m_servoOff || dt <= 0)
        return;
    if (m_manualUntil >= 0 && now <= m_manualUntil) {
        const double yaw = qBound(s.yawMinDeg, m_yaw + m_manualYaw * m_yawLimit * dt, s.yawMaxDeg);
        const double pitch =
            qBound(s.pitchMinDeg, m_pitch + m_manualPitch * m_pitchLimit * dt, s.pitchMaxDeg);
        m_yawRate = (yaw - m_yaw) / dt;
        m_pitchRate = (pitch - m_pitch) / dt;
        m_yaw = yaw;
        m_pitch = pitch;
        return;
    }
    m_manualUntil = -1;
    if (!m_angleTarget)
        return;
    const auto step = [dt](double &value, double target, double limit, double &rate) {
        const double diff = target - value;
        const double maxStep = limit * dt;
        const double move = std::abs(diff) <= maxStep ? diff : std::copysign(maxStep, diff);
        value += move;
        rate = move / dt;
        return std::abs(target - value) < 1e-9;
    };
    const bool yawDone = step(m_yaw, m_targetYaw, m_yawLimit, m_yawRate);
    const bool pitchDone = step(m_pitch, m_targetPitch, m_pitchLimit, m_pitchRate);
    if (yawDone && pitchDone)
        m_angleTarget = false;
}

void SimCamera::beginReboot(const QByteArray &cameraVersion)
{
    m_cameraVersion = cameraVersion.left(3).leftJustified(3, '\0');
    m_rebooting = true;
    m_rebootUntil = m_lastMs + m_options.rebootMs;
    // What was under way does not survive the restart.
    m_pending.clear();
    m_manualYaw = m_manualPitch = 0;
    m_manualUntil = -1;
    m_yawRate = m_pitchRate = 0;
    m_angleTarget = false;
    m_zoomDir = 0;
    m_recording = false;
    m_photoBusy = false;
    m_tracking = false;
    m_aiOn = false;
    m_laserPeriodic = false;
    setAlbumMode(false, m_lastMs); // ends playback and transfers
}

void SimCamera::finishReboot(qint64 now, QVector<SimFrame> *out)
{
    m_rebooting = false;
    m_lastMs = qMax(m_lastMs, now);
    m_nextAttitude = m_nextStatus = m_nextIr = m_nextVis = now;
    // Back on the link: tell whoever listens which version now runs.
    QByteArray payload;
    Payload::appendU16(payload, Ok);
    payload.append(m_cameraVersion);
    out->append(ack(CommandCode::GetCameraVersion, payload));
}

QVector<SimFrame> SimCamera::advance(qint64 nowMs)
{
    QVector<SimFrame> out;
    if (!m_started) {
        m_started = true;
        m_lastMs = nowMs;
        m_nextAttitude = m_nextStatus = m_nextIr = m_nextVis = nowMs;
        m_nextAi = m_nextLaser = m_nextOverlay = nowMs;
    }
    if (m_rebooting) {
        if (nowMs < m_rebootUntil) {
            m_lastMs = qMax(m_lastMs, nowMs);
            return out;
        }
        finishReboot(nowMs, &out);
    }
    // Integrate in slices of at most 50 ms so the manual-motion hold ends on time.
    while (m_lastMs < nowMs) {
        const qint64 next = qMin(nowMs, m_lastMs + 50);
        const double dt = (next - m_lastMs) / 1000.0;
        integrateMotion(dt, next);
        if (m_zoomDir != 0) {
            const ModelSpec &s = modelSpec();
            const double rate = (s.visZoomMax - s.visZoomMin) / 10.0; // full range in 10 s
            m_zoom = qBound(s.visZoomMin, m_zoom + m_zoomDir * rate * dt, s.visZoomMax);
            if (m_zoom <= s.visZoomMin || m_zoom >= s.visZoomMax)
                m_zoomDir = 0;
        }
        if (m_recording) {
            useCard(RecordMBPerSecond * dt);
            if (cardFreeMB() < 1.0)
                stopRecording(next); // the card is full
        }
        m_lastMs = next;
    }

    // Events that fell due, in time order.
    std::stable_sort(m_pending.begin(), m_pending.end(),
                     [](const Pending &a, const Pending &b) { return a.at < b.at; });
    while (!m_pending.isEmpty() && m_pending.first().at <= nowMs) {
        Pending pending = m_pending.takeFirst();
        if (pending.photoDone) {
            m_photoBusy = false;
            if (cardFreeMB() < pending.usedMB) {
                pending.frame.payload[1] = char(6); // no room left: failed
                m_cardUsedMB = m_cardTotalMB;
            } else {
                useCard(pending.usedMB);
                if (m_card && m_cardPresent)
                    m_card->addPhoto(epochMs(pending.at));
            }
        }
        out.append(pending.frame);
    }

    if (m_playState == Playing && playPositionMs(nowMs) >= m_playTotalMs) {
        // The end of the file: the player stops there and says so.
        m_playState = PlayFinished;
        m_playBaseMs = m_playTotalMs;
        m_playBaseAt = nowMs;
        m_mediaRequests.append(MediaRequest::of(MediaRequest::PlayPause));
        m_nextPlayReport = nowMs;
    }
    if (!m_playPath.isEmpty() && nowMs >= m_nextPlayReport) {
        out.append(secondKind(CommandCode::PlaybackStatusReport, playbackStatusPayload(nowMs)));
        // Reports while a file is open in the player; a finished one reports once.
        m_nextPlayReport = m_playState == PlayFinished ? std::numeric_limits<qint64>::max()
                                                       : nowMs + PlaybackReportIntervalMs;
    }

    if (m_recording && nowMs >= m_nextRecordReport) {
        out.append(status(CommandCode::RecordVideo, recordPayload(1, nowMs)));
        m_nextRecordReport = nowMs + 1000;
    }

    const ModelSpec &s = modelSpec();
    const auto due = [nowMs](qint64 &next, double hz) {
        if (nowMs < next)
            return false;
        const qint64 period = qMax<qint64>(1, qint64(1000.0 / hz));
        next += period;
        if (next <= nowMs) // fell far behind: do not burst, start afresh
            next = nowMs + period;
        return true;
    };
    if (due(m_nextAttitude, m_options.attitudeHz))
        out.append(status(CommandCode::GimbalAttitudeReport, attitudePayload()));
    if (due(m_nextStatus, m_options.statusHz)) {
        out.append(status(CommandCode::GimbalStatusReport, gimbalStatusPayload()));
        out.append(status(CommandCode::CameraSystemStatus, cameraSystemPayload()));
    }
    if (due(m_nextIr, m_options.irHz) && s.hasInfrared)
        out.append(status(CommandCode::IrCameraStatus, irStatusPayload()));
    if (due(m_nextVis, m_options.visHz) && s.hasVisibleLight)
        out.append(status(CommandCode::VisibleCameraStatus, visStatusPayload()));
    if ((m_aiOn || m_tracking) && nowMs >= m_nextAi) {
        out.append(
            status(m_tracking ? CommandCode::TargetTrackingSet : CommandCode::AiRecognitionSet,
                   aiReport(nowMs)));
        m_nextAi = nowMs + AiReportIntervalMs;
    }
    if (m_laserPeriodic && nowMs >= m_nextLaser) {
        QByteArray payload;
        Payload::appendU16(payload, 0);
        Payload::appendU16(payload, quint16(std::lround(laserDistance() * 10.0)));
        out.append(secondKind(CommandCode::LaserPeriodicRange, payload));
        m_nextLaser = nowMs + LaserReportIntervalMs;
    }
    if (nowMs >= m_nextOverlay) {
        m_nextOverlay = nowMs + 100;
        if (std::abs(m_yaw - m_lastOverlayYaw) > 0.01 ||
            std::abs(m_pitch - m_lastOverlayPitch) > 0.01 ||
            std::abs(m_zoom - m_lastOverlayZoom) > 0.01) {
            m_lastOverlayYaw = m_yaw;
            m_lastOverlayPitch = m_pitch;
            m_lastOverlayZoom = m_zoom;
            emit overlayChanged(m_yaw, m_pitch, m_zoom);
        }
    }
    return out;
}

void SimCamera::updateStream()
{
    const ModelSpec &s = modelSpec();
    int width = m_streamWidth, height = m_streamHeight, kbps = m_streamKbps;
    static const QRegularExpression size(QStringLiteral("(\\d+)x(\\d+)"));
    static const QRegularExpression rate(QStringLiteral("([0-9.]+)\\s*Mbps"));
    for (const ModelOption &o : s.streamResolutions) {
        if (o.value != m_outputRes)
            continue;
        const QRegularExpressionMatch m = size.match(o.englishLabel);
        if (m.hasMatch()) {
            width = m.captured(1).toInt();
            height = m.captured(2).toInt();
        }
    }
    for (const ModelOption &o : s.bitrates) {
        if (o.value != m_bitrate)
            continue;
        const QRegularExpressionMatch m = rate.match(o.englishLabel);
        if (m.hasMatch())
            kbps = int(std::lround(m.captured(1).toDouble() * 1000.0));
    }
    const bool h265 = m_encoding == 1;
    const bool changed = width != m_streamWidth || height != m_streamHeight ||
                         kbps != m_streamKbps || h265 != m_streamH265;
    m_streamWidth = width;
    m_streamHeight = height;
    m_streamKbps = kbps;
    m_streamH265 = h265;
    if (changed)
        emit streamSettingsChanged(m_streamWidth, m_streamHeight, m_streamH265, m_streamKbps);
}

// ---------------------------------------------------------------------------
// Reports

QByteArray SimCamera::attitudePayload() const
{
    // The carrier sways a little; the attitude is the joint plus that sway.
    const double t = m_lastMs / 1000.0;
    const double swayRoll = 0.6 * std::sin(t * 1.3);
    const double swayPitch = 0.4 * std::sin(t * 0.9 + 1.0);
    const double heading = 12.0;
    QByteArray p;
    Payload::appendS16(p, centi(wireYaw(m_yaw)));
    Payload::appendS16(p, 0); // the gimbal holds its roll level
    Payload::appendS16(p, centi(m_pitch));
    Payload::appendS16(p, centi(wireYaw(m_yaw + heading)));
    Payload::appendS16(p, centi(swayRoll));
    Payload::appendS16(p, centi(m_pitch + swayPitch));
    Payload::appendS16(p, centi(m_yawRate));
    Payload::appendS16(p, centi(m_pitchRate));
    Payload::appendS16(p, centi(0.0));
    return p;
}

QByteArray SimCamera::gimbalStatusPayload() const
{
    const ModelSpec &s = modelSpec();
    QByteArray p;
    const int gimbalLink = m_servoOff ? 2 : 1;
    Payload::appendU8(p, gimbalLink | (1 << 4));
    Payload::appendU8(p, quint8(s.deviceModelCode));
    Payload::appendU8(p, (s.hasInfrared ? 1 : 0) | (s.hasVisibleLight ? 2 : 0) |
                             (s.hasVisibleLight ? 4 : 0) | (s.hasLaser ? 8 : 0));
    Payload::appendU8(p, 0);
    Payload::appendU8(p, 0);
    return p;
}

QByteArray SimCamera::cameraSystemPayload() const
{
    QByteArray p;
    for (int v : {m_photoVideoMode, m_outputRes, m_encoding, m_streamMode, m_bitrate, m_photoMode,
                  m_timelapse, m_burst, cardStatus()})
        Payload::appendU8(p, v);
    if (m_cardPresent) {
        // Capacities in units of 10 MB.
        Payload::appendU16(p, quint16(m_cardTotalMB / 10.0));
        Payload::appendU16(p, quint16(cardFreeMB() / 10.0));
        Payload::appendU16(p, quint16(std::ceil(m_cardUsedMB / 10.0)));
    } else {
        for (int i = 0; i < 3; ++i)
            Payload::appendU16(p, 0xFFFF);
    }
    Payload::appendU8(p, 0);
    return p;
}

double SimCamera::temperatureAt(double x, double y) const
{
    // A fixed thermal scene: a hot engine, a warm person and a cool pond,
    // seen through the gimbal's current direction and the infrared zoom.
    const double hfov = InfraredFovDeg / qMax(1, m_irZoom);
    const double vfov = hfov * PictureHeight / PictureWidth;
    const double az = wireYaw(m_yaw + (x - PictureWidth / 2.0) / PictureWidth * hfov);
    const double el = m_pitch - (y - PictureHeight / 2.0) / PictureHeight * vfov;
    const auto blob = [az, el](double a0, double e0, double radius, double amplitude) {
        const double da = az - a0, de = el - e0;
        return amplitude * std::exp(-(da * da + de * de) / (2.0 * radius * radius));
    };
    return 18.0 + 0.08 * el + blob(8.0, -12.0, 3.0, 62.0) + blob(-15.0, -8.0, 2.0, 17.0) -
           blob(20.0, -25.0, 6.0, 9.0);
}

SimCamera::Measured SimCamera::measure(int x0, int y0, int x1, int y1) const
{
    Measured m;
    m.maxT = -1e9;
    m.minT = 1e9;
    double sum = 0;
    int n = 0;
    const int stepsX = 48, stepsY = 27;
    for (int j = 0; j <= stepsY; ++j) {
        for (int i = 0; i <= stepsX; ++i) {
            const int x = x0 + (x1 - x0) * i / stepsX;
            const int y = y0 + (y1 - y0) * j / stepsY;
            const double t = temperatureAt(x, y);
            sum += t;
            ++n;
            if (t > m.maxT) {
                m.maxT = t;
                m.maxX = x;
                m.maxY = y;
            }
            if (t < m.minT) {
                m.minT = t;
                m.minX = x;
                m.minY = y;
            }
        }
    }
    m.avgT = sum / n;
    return m;
}

QByteArray SimCamera::irStatusPayload() const
{
    const bool measuring = m_irTempOn && modelSpec().hasIrTemp;
    int x0 = 0, y0 = 0, x1 = PictureWidth - 1, y1 = PictureHeight - 1;
    int px = m_pointX, py = m_pointY;
    if (m_irArea) {
        x0 = qBound(0, m_areaCx - m_areaW / 2, PictureWidth - 1);
        x1 = qBound(0, m_areaCx + m_areaW / 2, PictureWidth - 1);
        y0 = qBound(0, m_areaCy - m_areaH / 2, PictureHeight - 1);
        y1 = qBound(0, m_areaCy + m_areaH / 2, PictureHeight - 1);
        px = m_areaCx;
        py = m_areaCy;
    }
    const Measured m = measuring ? measure(x0, y0, x1, y1) : Measured{};
    const double centre = measuring ? temperatureAt(PictureWidth / 2, PictureHeight / 2) : 0.0;
    const double point = measuring ? temperatureAt(px, py) : 0.0;
    QByteArray p;
    for (double t : {m.maxT, m.minT, centre, point, m.avgT})
        Payload::appendS16(p, tenths(t));
    for (int v : {m.maxX, m.maxY, m.minX, m.minY, PictureWidth / 2, PictureHeight / 2, px, py})
        Payload::appendU16(p, quint16(v));
    Payload::appendU32(p, 0);
    Payload::appendU8(p, 2); // infrared core type
    return p;
}

QByteArray SimCamera::visStatusPayload() const
{
    QByteArray p;
    Payload::appendU8(p, m_zoomDir == 0 ? 0 : (m_zoomDir > 0 ? 1 : 2));
    Payload::appendU16(p, quint16(std::lround(4.8 * m_zoom * 100.0))); // focal length
    Payload::appendU16(p, quint16(std::lround(m_zoom * 10.0)));
    Payload::appendU8(p, m_ev);
    Payload::appendU16(p, quint16(m_iso));
    Payload::appendU16(p, quint16(m_shutter));
    Payload::appendU8(p, m_aeLock ? 1 : 0);
    Payload::appendU8(p, m_zoomDir == 0 ? 1 : 0); // focused when the lens is still
    return p;
}

double SimCamera::laserDistance() const
{
    // Flat ground below the carrier: no echo when looking up or level.
    if (m_pitch > -2.0)
        return 0.0;
    const double d = LaserAltitudeM / std::sin(qDegreesToRadians(-m_pitch));
    return qMin(d, 3000.0);
}

QByteArray SimCamera::aiReport(qint64 now) const
{
    const double t = now / 1000.0;
    QByteArray p;
    int count = 0;
    const auto target = [&p, &count](double x, double y, int w, int h, int confidence,
                                     int category) {
        Payload::appendU16(p, quint16(qBound(0.0, x, double(PictureWidth - w))));
        Payload::appendU16(p, quint16(qBound(0.0, y, double(PictureHeight - h))));
        Payload::appendU16(p, quint16(w));
        Payload::appendU16(p, quint16(h));
        Payload::appendU8(p, confidence);
        Payload::appendU8(p, category);
        ++count;
    };
    if (m_tracking) {
        // The tracked object drifts slowly and the box follows it.
        const double dt = (now - m_trackStart) / 1000.0;
        target(m_trackX + 60.0 * std::sin(dt * 0.7), m_trackY + 30.0 * std::sin(dt * 1.1), m_trackW,
               m_trackH, 90, 0);
    } else {
        QVector<int> categories;
        for (int c = 1; c <= 128 && categories.size() < 4; ++c)
            if (quint8(m_aiMask.at((c - 1) / 8)) & (1u << ((c - 1) % 8)))
                categories.append(c);
        for (int i = 0; i < categories.size(); ++i) {
            const double phase = i * 1.7;
            target(860 + 600 * std::sin(t * 0.25 + phase), 490 + 300 * std::sin(t * 0.4 + phase),
                   120 + 30 * i, 90 + 20 * i, 60 + int(30 * std::abs(std::sin(t + phase))),
                   categories.at(i));
        }
    }
    // A report of no target must not be two bytes long: in the first status
    // kind that length means a bare answer. One leading pad byte keeps it a
    // report with no complete record.
    if (count == 0 && m_options.statusKind == 0)
        Payload::appendU8(p, 0);
    Payload::appendU8(p, count);
    Payload::appendU8(p, count > 0 ? 1 : 0);
    return p;
}

// ---------------------------------------------------------------------------
// Album: card list, transfers and playback

qint64 SimCamera::epochMs(qint64 now) const
{
    // After a time sync the camera's clock is the ground station's.
    return m_clockOffsetMs != 0 ? m_clockOffsetMs + now : QDateTime::currentMSecsSinceEpoch();
}

quint16 SimCamera::clientPort(int type) const
{
    return type == 0 || type == 1 ? m_clientPort[type] : 0;
}

QHostAddress SimCamera::clientAddress(int type) const
{
    if (type != 0 && type != 1)
        return {};
    const QByteArray &b = m_clientIp[type];
    return QHostAddress(quint32(Payload::readU8(b, 0)) << 24 |
                        quint32(Payload::readU8(b, 1)) << 16 | quint32(Payload::readU8(b, 2)) << 8 |
                        quint32(Payload::readU8(b, 3)));
}

QVector<MediaRequest> SimCamera::takeMediaRequests()
{
    QVector<MediaRequest> out;
    out.swap(m_mediaRequests);
    return out;
}

namespace
{
// A device path: one length byte at `at`, the UTF-8 bytes at `from`.
bool readPath(const QByteArray &p, int at, int from, QString *path)
{
    const int length = Payload::readU8(p, at);
    if (p.size() <= at || p.size() < from + length)
        return false;
    *path = QString::fromUtf8(p.mid(from, length));
    return true;
}
} // namespace

void SimCamera::setAlbumMode(bool on, qint64 now)
{
    if (m_albumMode == on)
        return;
    m_albumMode = on;
    if (on && m_card)
        m_card->prepare(); // a generated card is made while the album opens
    if (!on) {
        // Leaving the album ends whatever it was doing.
        stopPlayback(now);
        m_mediaRequests.append(MediaRequest::of(MediaRequest::AbortTransfer));
        m_transferPath.clear();
    }
}

quint16 SimCamera::albumCommand(quint16 code, const QByteArray &p, qint64 now)
{
    if (code == CommandCode::PlaybackMode) {
        const int mode = Payload::readU8(p, 0);
        if (p.isEmpty() || (mode != 1 && mode != 2))
            return InvalidParameter;
        setAlbumMode(mode == 1, now);
        return Ok;
    }
    if (code == CommandCode::DownloadMediaFile && Payload::readU8(p, 1) == 7) {
        // The abort is heard in any mode.
        m_mediaRequests.append(MediaRequest::of(MediaRequest::AbortTransfer));
        m_transferPath.clear();
        return Ok;
    }
    if (!m_albumMode)
        return NotReady;
    if (code == CommandCode::RefreshMediaList)
        return Ok; // the list is always current; it travels with a type-1 transfer
    if (code == CommandCode::DownloadMediaFile)
        return mediaTransfer(p);
    QString path;
    if (!readPath(p, 0, 1, &path) || path.isEmpty())
        return InvalidParameter;
    if (!m_card || !m_cardPresent || !m_card->find(path))
        return NotFound;
    if (path == m_playPath)
        stopPlayback(now);
    if (path == m_transferPath) {
        m_mediaRequests.append(MediaRequest::of(MediaRequest::AbortTransfer));
        m_transferPath.clear();
    }
    m_card->remove(path);
    return Ok;
}

quint16 SimCamera::mediaTransfer(const QByteArray &p)
{
    QString path;
    if (p.size() < 9 || !readPath(p, 0, 9, &path))
        return InvalidParameter;
    MediaRequest r;
    r.kind = MediaRequest::Transfer;
    r.devicePath = path;
    r.fileType = Payload::readU8(p, 1);
    r.packetSize = Payload::readU16(p, 2);
    r.startSeq = Payload::readU32(p, 4);
    r.count = Payload::readU8(p, 8);
    if (r.packetSize < 1 || r.packetSize > MediaRequest::MaxDataPerPacket || r.count < 1)
        return InvalidParameter;
    const bool card = m_card && m_cardPresent;
    const MediaCard::Entry *entry = card && !path.isEmpty() ? m_card->find(path) : nullptr;
    switch (r.fileType) {
    case 1: // the media list
        r.data = card ? m_card->listJson(m_options.listStyle)
                      : MediaCard::listJson({}, m_options.listStyle);
        break;
    case 2: // a thumbnail
        if (!entry)
            return NotFound;
        r.data = m_card->thumbnail(path);
        break;
    case 3:
    case 4: // photo
    case 5: // video
    case 6:
        if (!entry)
            return NotFound;
        r.localPath = entry->localPath;
        r.size = entry->size;
        break;
    default:
        return InvalidParameter;
    }
    if (r.localPath.isEmpty())
        r.size = r.data.size();
    const quint64 packets = (quint64(r.size) + quint64(r.packetSize) - 1) / quint64(r.packetSize);
    if (quint64(r.startSeq) >= packets && !(packets == 0 && r.startSeq == 0))
        return InvalidParameter; // nothing in that window
    m_transferPath = path;
    m_mediaRequests.append(r);
    return Ok;
}

qint64 SimCamera::playPositionMs(qint64 nowMs) const
{
    if (m_playState != Playing)
        return m_playBaseMs;
    return qMin(m_playTotalMs, m_playBaseMs + qMax<qint64>(0, nowMs - m_playBaseAt));
}

void SimCamera::requestPlay(const QString &devicePath, const QString &localPath)
{
    MediaRequest r = MediaRequest::of(MediaRequest::PlayStart);
    r.devicePath = devicePath;
    r.localPath = localPath;
    r.positionMs = m_playBaseMs;
    m_mediaRequests.append(r);
}

void SimCamera::stopPlayback(qint64 now)
{
    if (m_playPath.isEmpty())
        return;
    m_mediaRequests.append(MediaRequest::of(MediaRequest::PlayStop));
    m_playState = PlayIdle;
    m_playBaseMs = 0;
    m_playBaseAt = now;
    // One last report says the player is idle; then the reports stop.
    m_pending.append(
        Pending{now, secondKind(CommandCode::PlaybackStatusReport, playbackStatusPayload(now)), 0.0,
                false});
    m_playPath.clear();
}

quint16 SimCamera::playbackCommand(quint16 code, const QByteArray &p, qint64 now)
{
    if (!m_albumMode)
        return NotReady;
    QString path;
    if (!readPath(p, 0, code == CommandCode::SeekVideoPlayback ? 5 : 1, &path))
        return InvalidParameter;
    if (code == CommandCode::StopVideoPlayback) { // stop: whatever is playing
        stopPlayback(now);
        return Ok;
    }
    if (code == CommandCode::StartVideoPlayback) { // start, or resume the paused file
        if (path.isEmpty())
            return InvalidParameter;
        const MediaCard::Entry *entry = m_card && m_cardPresent ? m_card->find(path) : nullptr;
        if (!entry)
            return NotFound;
        if (!entry->video || entry->durationMs < 0)
            return InvalidParameter; // not a video this camera can play
        const bool resume = path == m_playPath &&
                            (m_playState == PlayPaused || m_playState == PlayFinished) &&
                            m_playBaseMs < m_playTotalMs;
        if (!resume) {
            if (!m_playPath.isEmpty() && path != m_playPath)
                m_mediaRequests.append(MediaRequest::of(MediaRequest::PlayStop));
            m_playPath = path;
            m_playTotalMs = entry->durationMs;
            m_playBaseMs = 0;
        }
        m_playState = Playing;
        m_playBaseAt = now;
        requestPlay(path, entry->localPath);
        m_nextPlayReport = now; // at the next step, with the state just set
        return Ok;
    }
    if (m_playPath.isEmpty())
        return NotReady;                           // nothing in the player
    if (code == CommandCode::PauseVideoPlayback) { // pause
        if (m_playState == Playing) {
            m_playBaseMs = playPositionMs(now);
            m_playBaseAt = now;
            m_playState = PlayPaused;
            m_mediaRequests.append(MediaRequest::of(MediaRequest::PlayPause));
        }
        m_nextPlayReport = now;
        return Ok;
    }
    // Seek: a playing file goes on from there, a paused or finished one waits
    // there.
    m_playBaseMs = qMin(m_playTotalMs, qint64(Payload::readU32(p, 1)) * 1000);
    m_playBaseAt = now;
    if (m_playState == Playing) {
        const MediaCard::Entry *entry = m_card ? m_card->find(m_playPath) : nullptr;
        requestPlay(m_playPath, entry ? entry->localPath : QString());
    } else {
        m_playState = PlayPaused;
    }
    m_nextPlayReport = now;
    return Ok;
}

QByteArray SimCamera::playbackStatusPayload(qint64 nowMs) const
{
    QByteArray p;
    Payload::appendU8(p, 0); // download state: not reported by this camera
    Payload::appendU8(p, m_playState);
    Payload::appendU32(p, quint32(m_playTotalMs));
    Payload::appendU32(p, quint32(playPositionMs(nowMs) / 1000));
    return p;
}
