#include "state/MotionState.h"

#include "link/Payload.h"

namespace
{
float centi(const QByteArray &payload, int offset)
{
    return float(Payload::readS16(payload, offset)) / 100.0f;
}
} // namespace

MotionState::MotionState(QObject *parent) : QObject(parent) {}

bool MotionState::applyAttitude(const QByteArray &payload)
{
    if (payload.size() < AttitudeReportSize)
        return false;
    m_yawJoint = centi(payload, 0);
    m_rollJoint = centi(payload, 2);
    m_pitchJoint = centi(payload, 4);
    m_yawAttitude = centi(payload, 6);
    m_rollAttitude = centi(payload, 8);
    m_pitchAttitude = centi(payload, 10);
    // The speeds come yaw, pitch, roll: not the order of the angles.
    m_yawSpeed = centi(payload, 12);
    m_pitchSpeed = centi(payload, 14);
    m_rollSpeed = centi(payload, 16);
    m_connected = true;
    emit attitudeChanged();
    return true;
}

void MotionState::applyLinkStatus(quint8 connByte, quint8 modelByte)
{
    m_gimbalConnStatus = connByte & 0x0F;
    m_cameraConnStatus = connByte >> 4;
    m_deviceModel = modelByte;
    emit connStatusChanged();
}

void MotionState::resetLink()
{
    m_connected = false;
    m_gimbalConnStatus = 0;
    m_cameraConnStatus = 0;
    m_deviceModel = 0;
    emit connStatusChanged();
}
