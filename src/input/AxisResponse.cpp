#include "input/AxisResponse.h"

#include <QtGlobal>

#include <cmath>

double AxisResponse::apply(double raw) const
{
    if (!std::isfinite(raw))
        return 0.0;
    const double zone = qBound(0.0, deadZone, MaxDeadZone);
    const double mix = qBound(0.0, curve, 1.0);
    const double magnitude = qMin(std::abs(raw), 1.0);
    if (magnitude <= zone)
        return 0.0;
    const double t = (magnitude - zone) / (1.0 - zone);
    const double shaped = (1.0 - mix) * t + mix * t * t * t;
    const double sign = (raw < 0) != invert ? -1.0 : 1.0;
    return sign * shaped;
}
