#include "input/SpeedRule.h"

#include <QtGlobal>

#include <cmath>

double SpeedRule::rateFor(double deflection) const
{
    const double d = qBound(0.0, std::isfinite(deflection) ? std::abs(deflection) : 0.0, 1.0);
    if (d <= 0)
        return 0;
    const int top = qBound(MinSpeed, topSpeed, MaxSpeed);
    return MinSpeed + (top - MinSpeed) * d;
}

int SpeedRule::speedFor(double rate, double zoom, bool fine) const
{
    double speed = std::isfinite(rate) ? std::abs(rate) : 0.0;
    if (fine)
        speed *= qBound(0.0, fineFactor, 1.0);
    if (zoomScaling && std::isfinite(zoom) && zoom > 1.0)
        speed /= zoom;
    return qBound(MinSpeed, int(std::lround(speed)), MaxSpeed);
}
