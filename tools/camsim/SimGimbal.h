#pragma once

#include "camsim/SimReply.h"

#include <QByteArray>

struct ModelSpec;

// The gimbal: its two joints, how speed, angle, centre and point-aim commands
// move them within the model's limits, its calibrations and version, and the
// attitude and gimbal status it reports.
class SimGimbal : public SimCodes
{
public:
    // Speed commands keep the gimbal turning this long after the last one.
    static constexpr int ManualMotionHoldMs = 200;

    explicit SimGimbal(const ModelSpec &model);

    // A command of the gimbal's group; `extra` takes what the answer carries
    // after the result.
    quint16 command(quint16 code, const QByteArray &p, qint64 now, QByteArray *extra);
    // Moves the joints over the `dt` seconds that end at `now`.
    void integrate(double dt, qint64 now);
    // Whatever motion is under way stops (the camera restarts).
    void halt();

    double yaw() const { return m_yaw; }
    double pitch() const { return m_pitch; }

    // The attitude report at simulation time `nowMs` (the carrier sways).
    QByteArray attitudePayload(qint64 nowMs) const;
    QByteArray statusPayload() const;

private:
    void setAngleTarget(double yaw, double pitch);

    const ModelSpec &m_model;
    double m_yaw = 0, m_pitch = 0;
    double m_yawRate = 0, m_pitchRate = 0;
    double m_yawLimit = 30, m_pitchLimit = 30;
    int m_manualYaw = 0, m_manualPitch = 0;
    qint64 m_manualUntil = -1;
    bool m_angleTarget = false;
    double m_targetYaw = 0, m_targetPitch = 0;
    bool m_servoOff = false;
};
