#include "state/VisState.h"

#include "link/Payload.h"

VisState::VisState(QObject *parent) : QObject(parent) {}

bool VisState::apply(const QByteArray &payload)
{
    if (payload.size() < ReportSize)
        return false;
    // The 16-bit fields stand at odd offsets: read byte-wise, never cast.
    m_zoomStatus = Payload::readU8(payload, 0);
    m_focalLength = float(Payload::readU16(payload, 1)) / 100.0f;
    m_hybridZoom = float(Payload::readU16(payload, 3)) / 10.0f;
    m_evValue = Payload::readU8(payload, 5);
    m_isoValue = Payload::readU16(payload, 6);
    m_shutterValue = Payload::readU16(payload, 8);
    m_aeLock = Payload::readU8(payload, 10);
    m_focusStatus = Payload::readU8(payload, 11);
    emit visStatusChanged();
    return true;
}
