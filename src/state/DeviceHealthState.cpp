#include "state/DeviceHealthState.h"

DeviceHealthState::DeviceHealthState(QObject *parent) : QObject(parent) {}

void DeviceHealthState::applyHealthBits(quint8 bits)
{
    m_irCoreOK = bits & 0x01;
    m_teleVisOK = bits & 0x02;
    m_wideVisOK = bits & 0x04;
    m_laserOK = bits & 0x08;
    emit healthChanged();
}

void DeviceHealthState::reset()
{
    m_irCoreOK = false;
    m_teleVisOK = false;
    m_wideVisOK = false;
    m_laserOK = false;
    emit healthChanged();
}
