#include "state/CameraParamsState.h"

#include "link/Payload.h"

#include <algorithm>

namespace
{
// A fusion weight travels in the low nibble; anything above the scale is
// taken as the whole scale.
int fusionWeight(quint8 byte)
{
    return std::min(int(byte & 0x0F), CameraParamsState::FusionScale);
}

bool resultIsSuccess(const QByteArray &payload)
{
    return Payload::readU8(payload, 0) == 0 && Payload::readU8(payload, 1) == 0;
}
} // namespace

CameraParamsState::CameraParamsState(QObject *parent) : QObject(parent) {}

bool CameraParamsState::applyVisible(const QByteArray &payload)
{
    if (payload.size() < VisibleReplySize || !resultIsSuccess(payload))
        return false;
    m_v.photoResolution = Payload::readU8(payload, 2);
    m_v.recordResolution = Payload::readU8(payload, 3);
    m_v.recordBitrate = Payload::readU8(payload, 4);
    // Older firmware ends the reply before the fusion bytes.
    if (payload.size() >= VisibleWithFusionSize) {
        m_v.visFusionEnabled = Payload::readU8(payload, 19) != 0;
        m_v.visFusionIrWeight = fusionWeight(Payload::readU8(payload, 20));
        m_v.visFusionVisWeight = FusionScale - m_v.visFusionIrWeight;
    }
    emit cameraParamsChanged();
    return true;
}

bool CameraParamsState::applyInfrared(const QByteArray &payload)
{
    if (payload.size() < InfraredReplySize || !resultIsSuccess(payload))
        return false;
    m_v.irPalette = Payload::readU8(payload, 2);
    const quint8 temp = Payload::readU8(payload, 3);
    m_v.irTempEnabled = (temp & 0x01) == 0; // the bit says "measurement off"
    m_v.irTempIsArea = temp & 0x02;
    const int zoom = temp >> 3;
    m_v.irZoom = zoom == 0 ? 1 : zoom;
    m_v.irSharpness = Payload::readU8(payload, 4);
    m_v.irGainMode = Payload::readU8(payload, 5);
    m_v.irBrightness = Payload::readU8(payload, 6);
    m_v.irContrast = Payload::readU8(payload, 7);
    const quint8 denoise = Payload::readU8(payload, 8);
    m_v.irDenoiseEnabled = denoise & 0x80;
    m_v.irDenoiseLevel = denoise & 0x7F;
    applyEnhancementByte(Payload::readU8(payload, 9));
    if (payload.size() >= InfraredWithFusionSize) {
        m_v.irFusionEnabled = Payload::readU8(payload, 21) != 0;
        m_v.irFusionVisWeight = fusionWeight(Payload::readU8(payload, 22));
        m_v.irFusionIrWeight = FusionScale - m_v.irFusionVisWeight;
    }
    emit cameraParamsChanged();
    return true;
}

// Firmware generations encode the enhancement differently: a plain level,
// an on-bit (bit 7) over the level, or the switch in bit 0 with the level
// above it. A level outside 1-10 is never taken over.
void CameraParamsState::applyEnhancementByte(quint8 e)
{
    if (e == 0) {
        m_v.irEnhanceEnabled = false;
    } else if (e <= 10) {
        m_v.irEnhanceEnabled = true;
        m_v.irEnhanceLevel = e;
    } else if ((e & 0x80) && (e & 0x7F) >= 1 && (e & 0x7F) <= 10) {
        m_v.irEnhanceEnabled = true;
        m_v.irEnhanceLevel = e & 0x7F;
    } else {
        m_v.irEnhanceEnabled = e & 0x01;
        const int level = (e >> 1) & 0x3F;
        if (level >= 1 && level <= 10)
            m_v.irEnhanceLevel = level;
    }
}

void CameraParamsState::notifyIf(bool changed)
{
    if (changed)
        emit cameraParamsChanged();
}

void CameraParamsState::setIrTempEnabled(bool on)
{
    notifyIf(assign(m_v.irTempEnabled, on));
}

void CameraParamsState::setIrBrightness(int value)
{
    notifyIf(assign(m_v.irBrightness, Payload::clampInt(value, 0, 100)));
}

void CameraParamsState::setIrContrast(int value)
{
    notifyIf(assign(m_v.irContrast, Payload::clampInt(value, 0, 100)));
}

void CameraParamsState::setIrDenoise(bool on, int level)
{
    bool changed = assign(m_v.irDenoiseEnabled, on);
    changed |= assign(m_v.irDenoiseLevel, Payload::clampInt(level, 0, 100));
    notifyIf(changed);
}

void CameraParamsState::setIrEnhanceLevel(int level)
{
    bool changed = false;
    if (level > 10) {
        changed |= assign(m_v.irEnhanceEnabled, true);
        changed |= assign(m_v.irEnhanceLevel, 10);
    } else if (level >= 1) {
        changed |= assign(m_v.irEnhanceEnabled, true);
        changed |= assign(m_v.irEnhanceLevel, level);
    } else {
        // Switching off keeps the level for the next time it is switched on.
        changed |= assign(m_v.irEnhanceEnabled, false);
    }
    notifyIf(changed);
}

void CameraParamsState::setIrAiSuperResEnabled(bool on)
{
    notifyIf(assign(m_v.irAiSuperResEnabled, on));
}

void CameraParamsState::setIrFusion(bool on, int visWeight)
{
    const int vis = Payload::clampInt(visWeight, 0, FusionScale);
    bool changed = assign(m_v.irFusionEnabled, on);
    changed |= assign(m_v.irFusionVisWeight, vis);
    changed |= assign(m_v.irFusionIrWeight, FusionScale - vis);
    if (!on)
        changed |= assign(m_v.irFusionGray, false);
    notifyIf(changed);
}

void CameraParamsState::setIrFusionGray(bool gray)
{
    notifyIf(assign(m_v.irFusionGray, gray));
}

void CameraParamsState::setVisFusion(bool on, int irWeight)
{
    const int ir = Payload::clampInt(irWeight, 0, FusionScale);
    bool changed = assign(m_v.visFusionEnabled, on);
    changed |= assign(m_v.visFusionIrWeight, ir);
    changed |= assign(m_v.visFusionVisWeight, FusionScale - ir);
    if (!on)
        changed |= assign(m_v.visFusionGray, false);
    notifyIf(changed);
}

void CameraParamsState::setVisFusionGray(bool gray)
{
    notifyIf(assign(m_v.visFusionGray, gray));
}

void CameraParamsState::reset()
{
    m_v = Values();
    emit cameraParamsChanged();
}
