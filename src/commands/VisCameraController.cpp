#include "commands/VisCameraController.h"

#include "link/CommandCode.h"
#include "link/Payload.h"

namespace
{

// The device's own switch coding for exposure settings.
constexpr int SwitchOn = 1;
constexpr int SwitchOff = 2;
constexpr int NightOff = 3;

} // namespace

VisCameraController::VisCameraController(QObject *parent) : BaseGimbalController(parent) {}

void VisCameraController::sendSetting(CommandCode::Code code, std::initializer_list<int> values)
{
    QByteArray p;
    Payload::appendU8(p, 0);
    for (int v : values)
        Payload::appendU8(p, v);
    sendCommand(code, p);
}

void VisCameraController::visAllParamsGet()
{
    sendQuery(CommandCode::GetVisibleAllParams);
}

void VisCameraController::visRecordResSet(int res)
{
    sendSetting(CommandCode::SetRecordResolution, {res});
}

void VisCameraController::visPhotoResSet(int res)
{
    sendSetting(CommandCode::SetPhotoResolution, {res});
}

void VisCameraController::visIsoSet(int iso)
{
    sendSetting(CommandCode::SetIso, {iso});
}

void VisCameraController::visShutterSet(int shutter)
{
    sendSetting(CommandCode::SetShutter, {shutter});
}

void VisCameraController::visEvSet(int ev)
{
    sendSetting(CommandCode::SetEv, {ev});
}

void VisCameraController::visWhiteBalanceSet(int wb)
{
    sendSetting(CommandCode::SetWhiteBalance, {wb, 0, 0});
}

void VisCameraController::visAntiFlickerSet(int mode)
{
    sendSetting(CommandCode::SetAntiFlicker, {mode});
}

void VisCameraController::visHighlightSuppress(bool on, int value)
{
    sendSetting(CommandCode::HighlightSuppress, {on ? SwitchOn : SwitchOff, value});
}

void VisCameraController::visBacklightComp(bool on, int value)
{
    sendSetting(CommandCode::BacklightCompensation, {on ? SwitchOn : SwitchOff, value});
}

void VisCameraController::visAeLockSet(bool on)
{
    sendSetting(CommandCode::AeLock, {on ? SwitchOn : SwitchOff});
}

void VisCameraController::visMeteringSet(int mode)
{
    sendSetting(CommandCode::MeteringMode, {mode});
}

void VisCameraController::visNightModeSet(bool on)
{
    sendSetting(CommandCode::NightMode, {on ? SwitchOn : NightOff});
}

void VisCameraController::visNightFpsSet(int fps)
{
    sendSetting(CommandCode::NightFps, {fps});
}

void VisCameraController::visFusionSet(bool on, int irWeight, int visWeight)
{
    Q_UNUSED(visWeight)
    sendCommand(CommandCode::VisFusionIr, fusionWeightsPayload(on, irWeight));
}

void VisCameraController::visFusionDebugSet(int mode, int hOffset, int vOffset, int rotation)
{
    sendCommand(CommandCode::VisFusionDebug,
                fusionAlignmentPayload(mode, hOffset, vOffset, rotation));
}

void VisCameraController::visFusionGraySet(bool gray)
{
    sendValue(CommandCode::VisFusionGray, gray ? 1 : 0);
}
