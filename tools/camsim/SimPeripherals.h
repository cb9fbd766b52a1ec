#pragma once

#include "camsim/SimReply.h"

#include <QByteArray>
#include <QVector>

#include <array>

class SimGimbal;
struct ModelSpec;

// What hangs beside the cameras: the laser rangefinder (single or periodic
// measurements of flat ground 100 m below, seen along the gimbal's pitch)
// and the SBUS receiver's channel settings.
class SimPeripherals : public SimCodes
{
public:
    static constexpr int LaserReportIntervalMs = 500;

    SimPeripherals(const ModelSpec &model, const SimGimbal &gimbal);

    // A laser or SBUS command; `lastMs` is the time the camera last moved
    // to, `extra` takes what the answer carries after the result.
    quint16 command(quint16 code, const QByteArray &p, qint64 lastMs, QByteArray *extra);
    // Appends the periodic ranging report when it falls due.
    void advance(qint64 nowMs, QVector<SimFrame> *out);
    void stopRanging() { m_laserPeriodic = false; }

private:
    double laserDistance() const;

    const ModelSpec &m_model;
    const SimGimbal &m_gimbal;
    bool m_laserPeriodic = false;
    qint64 m_nextLaser = 0;
    int m_sbusMax = 1800, m_sbusMin = 200;
    std::array<int, 8> m_sbusChannels{{16, 16, 16, 16, 16, 16, 16, 16}};
    bool m_sbusOn = false;
};
