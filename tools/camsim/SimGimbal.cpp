#include "camsim/SimGimbal.h"

#include "camsim/SimGeometry.h"
#include "catalog/ModelSpec.h"
#include "link/CommandCode.h"
#include "link/Payload.h"

#include <QtGlobal>

#include <cmath>

using SimReply::centi;

SimGimbal::SimGimbal(const ModelSpec &model) : m_model(model) {}

quint16 SimGimbal::command(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra)
{
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
    case CommandCode::GetGimbalVersion: // hardware 1.2.0, software 3.4.17, one spare byte
        for (int v : {1, 2, 0, 3, 4, 17, 0})
            Payload::appendU8(*extra, v);
        return Ok;
    case CommandCode::PointAim: { // aim at a point of the picture
        if (!m_model.hasGimbalPointAim)
            return Unsupported;
        if (p.size() < 7)
            return InvalidParameter;
        const double zoom = qMax(0.1, Payload::readU16(p, 1) / 10.0);
        const SimGeometry::Direction to =
            SimGeometry::directionOf(Payload::readU16(p, 3), Payload::readU16(p, 5), m_yaw, m_pitch,
                                     SimGeometry::VisibleFovDeg / zoom);
        m_servoOff = false;
        setAngleTarget(to.yaw, to.pitch);
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

void SimGimbal::setAngleTarget(double yaw, double pitch)
{
    m_targetYaw = qBound(m_model.yawMinDeg, yaw, m_model.yawMaxDeg);
    m_targetPitch = qBound(m_model.pitchMinDeg, pitch, m_model.pitchMaxDeg);
    m_angleTarget = true;
    m_manualUntil = -1;
}

void SimGimbal::integrate(double dt, qint64 now)
{
    const ModelSpec &s = m_model;
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

void SimGimbal::halt()
{
    m_manualYaw = m_manualPitch = 0;
    m_manualUntil = -1;
    m_yawRate = m_pitchRate = 0;
    m_angleTarget = false;
}

QByteArray SimGimbal::attitudePayload(qint64 nowMs) const
{
    using SimGeometry::wireYaw;
    // The carrier sways a little; the attitude is the joint plus that sway.
    const double t = nowMs / 1000.0;
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

QByteArray SimGimbal::statusPayload() const
{
    const ModelSpec &s = m_model;
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
