#include "commands/LaserController.h"

#include "commands/CommandLabelRegistry.h"
#include "link/CommandCode.h"
#include "link/Language.h"

LaserController::LaserController(QObject *parent) : BaseGimbalController(parent) {}

void LaserController::laserRange()
{
    // The label is only queued when a logger can later take it.
    if (transportManager())
        CommandLabelRegistry::instance().pushLabel(
            CommandCode::LaserRangeSet,
            Language::pick(QStringLiteral("Single ranging"), QStringLiteral("单次测距")));
    sendValue(CommandCode::LaserRangeSet, 1);
}

void LaserController::laserPeriodicRange(bool on)
{
    if (transportManager())
        CommandLabelRegistry::instance().pushLabel(
            CommandCode::LaserPeriodicRange,
            on ? Language::pick(QStringLiteral("Continuous ranging"), QStringLiteral("连续测距"))
               : Language::pick(QStringLiteral("Stop ranging"), QStringLiteral("停止测距")));
    sendValue(CommandCode::LaserPeriodicRange, on ? 1 : 0);
}
