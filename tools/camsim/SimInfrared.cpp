#include "camsim/SimInfrared.h"

#include "camsim/SimGeometry.h"
#include "camsim/SimGimbal.h"
#include "catalog/ModelSpec.h"
#include "link/CommandCode.h"
#include "link/Payload.h"

#include <QtGlobal>

#include <cmath>

using SimGeometry::PictureHeight;
using SimGeometry::PictureWidth;

SimInfrared::SimInfrared(const ModelSpec &model, const SimGimbal &gimbal)
    : m_model(model), m_gimbal(gimbal)
{
    reset();
}

void SimInfrared::reset()
{
    m_zoom = int(m_model.irZoomMin);
    m_palette = 1;
    m_tempOn = true;
    m_measureArea = false;
    m_brightness = m_contrast = 50;
    m_denoise = false;
    m_denoiseLevel = 50;
    m_enhance = false;
    m_enhanceLevel = 5;
    m_fusion = false;
    m_fusionVis = 8;
}

quint16 SimInfrared::command(quint16 code, const QByteArray &p, QByteArray *extra)
{
    const ModelSpec &s = m_model;
    if (!s.hasInfrared)
        return Unsupported;
    const auto needs = [&p](int n) { return p.size() >= n; };
    const int b0 = Payload::readU8(p, 0);
    switch (code) {
    case CommandCode::GetIrAllParams: {
        Payload::appendU8(*extra, m_palette);
        Payload::appendU8(*extra,
                          (m_tempOn ? 0 : 1) | (m_measureArea ? 2 : 0) | ((m_zoom & 0x1F) << 3));
        Payload::appendU8(*extra, m_sharpness);
        Payload::appendU8(*extra, m_gain);
        Payload::appendU8(*extra, m_brightness);
        Payload::appendU8(*extra, m_contrast);
        Payload::appendU8(*extra, (m_denoise ? 0x80 : 0) | (m_denoiseLevel & 0x7F));
        // Enhancement: 0 = off, otherwise bit 7 set with the level below it,
        // so the level survives while the function is switched on.
        Payload::appendU8(*extra, m_enhance ? (0x80 | m_enhanceLevel) : 0);
        extra->append(QByteArray(11, '\0'));
        Payload::appendU8(*extra, m_fusion ? 1 : 0);
        Payload::appendU8(*extra, m_fusionVis);
        return Ok;
    }
    case CommandCode::IrZoom:
        if (!needs(1) || b0 < s.irZoomMin || b0 > s.irZoomMax)
            return InvalidParameter;
        m_zoom = b0;
        return Ok;
    case CommandCode::IrColorPalette:
        if (!needs(1) || b0 < 1 || b0 > 20)
            return InvalidParameter;
        m_palette = b0;
        return Ok;
    case CommandCode::IrTempSwitch:
        if (!s.hasIrTemp)
            return Unsupported;
        if (!needs(1) || b0 > 1)
            return InvalidParameter;
        m_tempOn = b0 == 0; // the flag means "measurement off"
        return Ok;
    case CommandCode::IrSharpness:
    case CommandCode::IrGainMode:
        if (!needs(1))
            return InvalidParameter;
        (code == CommandCode::IrSharpness ? m_sharpness : m_gain) = b0;
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
        (code == CommandCode::IrBrightness ? m_brightness : m_contrast) = b0;
        return Ok;
    case CommandCode::IrDenoise:
        if (!needs(2) || Payload::readU8(p, 1) > 100)
            return InvalidParameter;
        m_denoise = b0 != 0;
        m_denoiseLevel = Payload::readU8(p, 1);
        return Ok;
    case CommandCode::IrEnhance:
        if (!needs(1) || b0 > 10)
            return InvalidParameter;
        m_enhance = b0 > 0;
        if (b0 > 0)
            m_enhanceLevel = b0;
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
        m_measureArea = false;
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
        m_measureArea = true;
        return Ok;
    }
    case CommandCode::IrFusionVis:
        if (!needs(3) || Payload::readU8(p, 1) > 10)
            return InvalidParameter;
        m_fusion = b0 != 0;
        m_fusionVis = Payload::readU8(p, 1);
        return Ok;
    case CommandCode::IrAiSuperRes:
        if (!s.hasIrAiSuperRes)
            return Unsupported;
        return needs(1) ? Ok : InvalidParameter;
    default:
        return UnknownCommand;
    }
}

double SimInfrared::temperatureAt(double x, double y) const
{
    // A fixed thermal scene: a hot engine, a warm person and a cool pond,
    // seen through the gimbal's current direction and the infrared zoom.
    const SimGeometry::Direction d = SimGeometry::directionOf(
        x, y, m_gimbal.yaw(), m_gimbal.pitch(), SimGeometry::InfraredFovDeg / qMax(1, m_zoom));
    const double az = SimGeometry::wireYaw(d.yaw);
    const double el = d.pitch;
    const auto blob = [az, el](double a0, double e0, double radius, double amplitude) {
        const double da = az - a0, de = el - e0;
        return amplitude * std::exp(-(da * da + de * de) / (2.0 * radius * radius));
    };
    return 18.0 + 0.08 * el + blob(8.0, -12.0, 3.0, 62.0) + blob(-15.0, -8.0, 2.0, 17.0) -
           blob(20.0, -25.0, 6.0, 9.0);
}

SimInfrared::Measured SimInfrared::measure(int x0, int y0, int x1, int y1) const
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

QByteArray SimInfrared::statusPayload() const
{
    const bool measuring = m_tempOn && m_model.hasIrTemp;
    int x0 = 0, y0 = 0, x1 = PictureWidth - 1, y1 = PictureHeight - 1;
    int px = m_pointX, py = m_pointY;
    if (m_measureArea) {
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
        Payload::appendS16(p, SimReply::tenths(t));
    for (int v : {m.maxX, m.maxY, m.minX, m.minY, PictureWidth / 2, PictureHeight / 2, px, py})
        Payload::appendU16(p, quint16(v));
    Payload::appendU32(p, 0);
    Payload::appendU8(p, 2); // infrared core type
    return p;
}
