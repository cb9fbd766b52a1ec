#include "commands/LaserController.h"

#include "link/CommandCode.h"
#include "link/Language.h"

LaserController::LaserController(QObject *parent) : BaseGimbalController(parent) {}

void LaserController::laserRange()
{
    sendValue(CommandCode::LaserRangeSet, 1,
              Language::pick(QStringLiteral("Single ranging"), QStringLiteral("单次测距")));
}

void LaserController::laserPeriodicRange(bool on)
{
    sendValue(CommandCode::LaserPeriodicRange, on ? 1 : 0,
              on ? Language::pick(QStringLiteral("Continuous ranging"), QStringLiteral("连续测距"))
                 : Language::pick(QStringLiteral("Stop ranging"), QStringLiteral("停止测距")));
}
