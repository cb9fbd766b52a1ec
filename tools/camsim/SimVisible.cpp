#include "camsim/SimVisible.h"

#include "catalog/ModelSpec.h"
#include "link/CommandCode.h"
#include "link/Payload.h"

#include <QHash>
#include <QtGlobal>

#include <cmath>

SimVisible::SimVisible(const ModelSpec &model) : m_model(model)
{
    reset();
}

void SimVisible::reset()
{
    const ModelSpec &s = m_model;
    m_photoRes = s.photoResolutions.isEmpty() ? 0 : s.photoResolutions.first().value;
    m_recordRes = s.recordResolutions.isEmpty() ? 0 : s.recordResolutions.first().value;
    m_zoom = s.visZoomMin;
    m_zoomDir = 0;
    m_visFusion = false;
    m_visFusionIr = 2;
    m_iso = 100;
    m_ev = m_shutter = m_wb = m_antiFlicker = m_metering = 0;
    m_aeLock = false;
}

void SimVisible::moveZoom(double dt)
{
    if (m_zoomDir == 0)
        return;
    const ModelSpec &s = m_model;
    const double rate = (s.visZoomMax - s.visZoomMin) / 10.0; // full range in 10 s
    m_zoom = qBound(s.visZoomMin, m_zoom + m_zoomDir * rate * dt, s.visZoomMax);
    if (m_zoom <= s.visZoomMin || m_zoom >= s.visZoomMax)
        m_zoomDir = 0;
}

quint16 SimVisible::command(quint16 code, const QByteArray &p, QByteArray *extra)
{
    const ModelSpec &s = m_model;
    // Exposure and picture settings carry a leading 0x00 and the value after it.
    const int v = Payload::readU8(p, 1);
    const bool onOff = v == 1 || v == 2;
    switch (code) {
    case CommandCode::HybridZoom: {
        if (p.size() < 3)
            return InvalidParameter;
        const double z = Payload::readU16(p, 1) / 10.0;
        m_zoom = qBound(s.visZoomMin, z, s.visZoomMax);
        m_zoomDir = 0;
        return Ok;
    }
    case CommandCode::ContinuousZoom: {
        const int b0 = Payload::readU8(p, 0);
        if (p.isEmpty() || b0 > 2)
            return InvalidParameter;
        m_zoomDir = b0 == 0 ? 1 : (b0 == 1 ? -1 : 0);
        return Ok;
    }
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
        if (p.size() < 2 || !SimReply::hasOptionValue(s.recordResolutions, v))
            return InvalidParameter;
        m_recordRes = v;
        return Ok;
    case CommandCode::SetPhotoResolution:
        if (p.size() < 2 || !SimReply::hasOptionValue(s.photoResolutions, v))
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
        static const QHash<quint16, int SimVisible::*> settings = {
            {CommandCode::SetIso, &SimVisible::m_iso},
            {CommandCode::SetShutter, &SimVisible::m_shutter},
            {CommandCode::SetEv, &SimVisible::m_ev},
            {CommandCode::SetWhiteBalance, &SimVisible::m_wb},
            {CommandCode::SetAntiFlicker, &SimVisible::m_antiFlicker},
            {CommandCode::MeteringMode, &SimVisible::m_metering},
            {CommandCode::NightFps, &SimVisible::m_nightFps}};
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

QByteArray SimVisible::statusPayload() const
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
