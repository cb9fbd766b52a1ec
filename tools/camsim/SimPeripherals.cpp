#include "camsim/SimPeripherals.h"

#include "camsim/SimGimbal.h"
#include "catalog/ModelSpec.h"
#include "link/CommandCode.h"
#include "link/Payload.h"

#include <QtGlobal>
#include <QtMath>

#include <cmath>

namespace
{
constexpr double LaserAltitudeM = 100.0;
} // namespace

SimPeripherals::SimPeripherals(const ModelSpec &model, const SimGimbal &gimbal)
    : m_model(model), m_gimbal(gimbal)
{
}

quint16 SimPeripherals::command(quint16 code, const QByteArray &p, qint64 lastMs, QByteArray *extra)
{
    const ModelSpec &s = m_model;
    const int b0 = Payload::readU8(p, 0);
    switch (code) {
    case CommandCode::LaserRangeSet:
        if (!s.hasLaser)
            return Unsupported;
        Payload::appendU16(*extra, quint16(std::lround(laserDistance() * 10.0)));
        return Ok;
    case CommandCode::LaserPeriodicRange:
        if (!s.hasLaser)
            return Unsupported;
        if (p.isEmpty() || b0 > 1)
            return InvalidParameter;
        m_laserPeriodic = b0 == 1;
        m_nextLaser = lastMs + LaserReportIntervalMs;
        return Ok;
    case CommandCode::SetSbusRange:
        if (!s.hasSbus || !s.hasSbusRange)
            return Unsupported;
        if (p.size() < 4 || Payload::readU16(p, 0) <= Payload::readU16(p, 2))
            return InvalidParameter;
        m_sbusMax = Payload::readU16(p, 0);
        m_sbusMin = Payload::readU16(p, 2);
        return Ok;
    case CommandCode::SetSbusChannels:
        if (!s.hasSbus)
            return Unsupported;
        if (p.size() < 8)
            return InvalidParameter;
        for (int i = 0; i < 8; ++i)
            if (Payload::readU8(p, i) > 16)
                return InvalidParameter;
        for (int i = 0; i < 8; ++i)
            m_sbusChannels[size_t(i)] = Payload::readU8(p, i);
        return Ok;
    case CommandCode::GetSbusConfig:
        if (!s.hasSbus)
            return Unsupported;
        Payload::appendU16(*extra, quint16(m_sbusMax));
        Payload::appendU16(*extra, quint16(m_sbusMin));
        for (int i = 0; i < 7; ++i)
            Payload::appendU8(*extra, m_sbusChannels[size_t(i)]);
        // The read-back packs the switch and the palette channel in one byte.
        Payload::appendU8(*extra, (m_sbusOn ? 1 : 0) | ((m_sbusChannels[7] & 0x1F) << 1));
        return Ok;
    case CommandCode::SbusSwitch:
        if (!s.hasSbus)
            return Unsupported;
        if (b0 != 1 && b0 != 2)
            return InvalidParameter;
        m_sbusOn = b0 == 1;
        return Ok;
    case CommandCode::SetSbusZoomExt:
        return s.hasSbus ? Ok : Unsupported;
    case CommandCode::GetSbusZoomExt:
        if (!s.hasSbus)
            return Unsupported;
        Payload::appendU8(*extra, 0);
        return Ok;
    default:
        return UnknownCommand;
    }
}

double SimPeripherals::laserDistance() const
{
    // Flat ground below the carrier: no echo when looking up or level.
    if (m_gimbal.pitch() > -2.0)
        return 0.0;
    const double d = LaserAltitudeM / std::sin(qDegreesToRadians(-m_gimbal.pitch()));
    return qMin(d, 3000.0);
}

void SimPeripherals::advance(qint64 nowMs, QVector<SimFrame> *out)
{
    if (m_laserPeriodic && nowMs >= m_nextLaser) {
        QByteArray payload;
        Payload::appendU16(payload, 0);
        Payload::appendU16(payload, quint16(std::lround(laserDistance() * 10.0)));
        out->append(
            SimReply::frame(SimReply::SecondStatusKind, CommandCode::LaserPeriodicRange, payload));
        m_nextLaser = nowMs + LaserReportIntervalMs;
    }
}
