#include "state/SbusState.h"

#include "link/Payload.h"

SbusState::SbusState(QObject *parent) : QObject(parent) {}

bool SbusState::apply(const QByteArray &payload)
{
    if (payload.size() < ReplySize || Payload::readU16(payload, 0) != 0)
        return false;
    m_max = Payload::readU16(payload, 2);
    m_min = Payload::readU16(payload, 4);
    m_streamChannel = Payload::readU8(payload, 6);
    m_zoomChannel = Payload::readU8(payload, 7);
    m_photoChannel = Payload::readU8(payload, 8);
    m_recordChannel = Payload::readU8(payload, 9);
    m_pitchChannel = Payload::readU8(payload, 10);
    m_yawChannel = Payload::readU8(payload, 11);
    m_centerChannel = Payload::readU8(payload, 12);
    // The last byte packs the switch and the palette channel together.
    const quint8 packed = Payload::readU8(payload, 13);
    m_enabled = packed & 0x01;
    m_irPaletteChannel = (packed >> 1) & 0x1F;
    emit sbusConfigChanged();
    return true;
}
