#include "state/IrState.h"

#include "link/Payload.h"

namespace
{
float tenths(const QByteArray &payload, int offset)
{
    return float(Payload::readS16(payload, offset)) / 10.0f;
}
} // namespace

IrState::IrState(QObject *parent) : QObject(parent) {}

bool IrState::apply(const QByteArray &payload)
{
    const int n = payload.size();
    if (n < ReportSize)
        return false;
    m_maxTemp = tenths(payload, 0);
    m_minTemp = tenths(payload, 2);
    m_centerTemp = tenths(payload, 4);
    m_pointTemp = tenths(payload, 6);
    m_avgTemp = tenths(payload, 8);
    if (n >= WithPositionsSize) {
        m_maxTempX = Payload::readU16(payload, 10);
        m_maxTempY = Payload::readU16(payload, 12);
        m_minTempX = Payload::readU16(payload, 14);
        m_minTempY = Payload::readU16(payload, 16);
        m_centerTempX = Payload::readU16(payload, 18);
        m_centerTempY = Payload::readU16(payload, 20);
        m_pointTempX = Payload::readU16(payload, 22);
        m_pointTempY = Payload::readU16(payload, 24);
    }
    bool typeChanged = false;
    if (n >= WithDeviceTypeSize) {
        const int type = Payload::readU8(payload, 30);
        typeChanged = type != m_deviceType;
        m_deviceType = type;
    }
    emit irStatusChanged();
    if (typeChanged)
        emit irDeviceTypeChanged();
    return true;
}
