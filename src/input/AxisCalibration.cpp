#include "input/AxisCalibration.h"

#include <cmath>

double AxisCalibration::feed(double raw, qint64 ms)
{
    if (!std::isfinite(raw))
        raw = 0;
    switch (m_state) {
    case Settling:
        if (m_firstMs < 0) {
            m_firstMs = ms;
            m_min = m_max = raw;
        }
        m_min = qMin(m_min, raw);
        m_max = qMax(m_max, raw);
        if (ms - m_firstMs < SettleMs)
            return 0;
        if (std::abs(raw) > FarFromRest) {
            m_state = Ignored;
            m_stuckAt = raw;
            return 0;
        }
        // Touched while settling: its rest is not known, take the nominal one.
        m_rest = m_max - m_min <= StillSpread ? raw : 0.0;
        m_state = Live;
        return calibrated(raw);
    case Ignored:
        if (std::abs(raw) > NearRest)
            return 0;
        m_state = Live;
        m_rest = 0;
        return calibrated(raw);
    case Live:
        break;
    }
    return calibrated(raw);
}

double AxisCalibration::calibrated(double raw) const
{
    const double value = raw - m_rest;
    const double reach = value >= 0 ? 1.0 - m_rest : 1.0 + m_rest;
    const double out = reach > 1e-6 ? value / reach : 0.0;
    return qBound(m_trigger ? 0.0 : -1.0, out, 1.0);
}
