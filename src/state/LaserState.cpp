#include "state/LaserState.h"

#include "link/Payload.h"

LaserState::LaserState(QObject *parent) : QObject(parent) {}

bool LaserState::apply(const QByteArray &payload)
{
    if (payload.size() < ReportSize)
        return false;
    m_distance = float(Payload::readU16(payload, 2)) / 10.0f;
    emit laserChanged();
    return true;
}
