#include "commands/LaserController.h"

#include "commands/CommandLabelRegistry.h"
#include "link/Language.h"

namespace
{

constexpr quint16 CodeRange = 0x0400;
constexpr quint16 CodePeriodicRange = 0x0406;

} // namespace

LaserController::LaserController(QObject *parent) : BaseGimbalController(parent) {}

void LaserController::laserRange()
{
    // The label is only queued when a logger can later take it.
    if (transportManager())
        CommandLabelRegistry::instance().pushLabel(
            CodeRange,
            Language::pick(QStringLiteral("Single ranging"), QStringLiteral("单次测距")));
    sendValue(CodeRange, 1);
}

void LaserController::laserPeriodicRange(bool on)
{
    if (transportManager())
        CommandLabelRegistry::instance().pushLabel(
            CodePeriodicRange,
            on ? Language::pick(QStringLiteral("Continuous ranging"), QStringLiteral("连续测距"))
               : Language::pick(QStringLiteral("Stop ranging"), QStringLiteral("停止测距")));
    sendValue(CodePeriodicRange, on ? 1 : 0);
}
