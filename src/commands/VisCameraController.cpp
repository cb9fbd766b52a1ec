#include "commands/VisCameraController.h"

#include "link/Payload.h"

namespace
{

constexpr quint16 CodeAllParamsGet = 0x0200;
constexpr quint16 CodeRecordRes = 0x0201;
constexpr quint16 CodePhotoRes = 0x0202;
constexpr quint16 CodeIso = 0x0203;
constexpr quint16 CodeShutter = 0x0204;
constexpr quint16 CodeEv = 0x0205;
constexpr quint16 CodeWhiteBalance = 0x0206;
constexpr quint16 CodeAntiFlicker = 0x0207;
constexpr quint16 CodeHighlight = 0x0208;
constexpr quint16 CodeBacklight = 0x0209;
constexpr quint16 CodeAeLock = 0x020A;
constexpr quint16 CodeMetering = 0x020B;
constexpr quint16 CodeNightMode = 0x020E;
constexpr quint16 CodeNightFps = 0x020F;
constexpr quint16 CodeFusion = 0x0212;
constexpr quint16 CodeFusionDebug = 0x0213;
constexpr quint16 CodeFusionGray = 0x0214;

// The device's own switch coding for exposure settings.
constexpr int SwitchOn = 1;
constexpr int SwitchOff = 2;
constexpr int NightOff = 3;

} // namespace

VisCameraController::VisCameraController(QObject *parent) : BaseGimbalController(parent) {}

void VisCameraController::sendSetting(quint16 code, std::initializer_list<int> values)
{
    QByteArray p;
    Payload::appendU8(p, 0);
    for (int v : values)
        Payload::appendU8(p, v);
    sendCommand(code, p);
}

void VisCameraController::visAllParamsGet()
{
    sendQuery(CodeAllParamsGet);
}

void VisCameraController::visRecordResSet(int res)
{
    sendSetting(CodeRecordRes, {res});
}

void VisCameraController::visPhotoResSet(int res)
{
    sendSetting(CodePhotoRes, {res});
}

void VisCameraController::visIsoSet(int iso)
{
    sendSetting(CodeIso, {iso});
}

void VisCameraController::visShutterSet(int shutter)
{
    sendSetting(CodeShutter, {shutter});
}

void VisCameraController::visEvSet(int ev)
{
    sendSetting(CodeEv, {ev});
}

void VisCameraController::visWhiteBalanceSet(int wb)
{
    sendSetting(CodeWhiteBalance, {wb, 0, 0});
}

void VisCameraController::visAntiFlickerSet(int mode)
{
    sendSetting(CodeAntiFlicker, {mode});
}

void VisCameraController::visHighlightSuppress(bool on, int value)
{
    sendSetting(CodeHighlight, {on ? SwitchOn : SwitchOff, value});
}

void VisCameraController::visBacklightComp(bool on, int value)
{
    sendSetting(CodeBacklight, {on ? SwitchOn : SwitchOff, value});
}

void VisCameraController::visAeLockSet(bool on)
{
    sendSetting(CodeAeLock, {on ? SwitchOn : SwitchOff});
}

void VisCameraController::visMeteringSet(int mode)
{
    sendSetting(CodeMetering, {mode});
}

void VisCameraController::visNightModeSet(bool on)
{
    sendSetting(CodeNightMode, {on ? SwitchOn : NightOff});
}

void VisCameraController::visNightFpsSet(int fps)
{
    sendSetting(CodeNightFps, {fps});
}

void VisCameraController::visFusionSet(bool on, int irWeight, int visWeight)
{
    Q_UNUSED(visWeight)
    sendCommand(CodeFusion, fusionWeightsPayload(on, irWeight));
}

void VisCameraController::visFusionDebugSet(int mode, int hOffset, int vOffset, int rotation)
{
    sendCommand(CodeFusionDebug, fusionAlignmentPayload(mode, hOffset, vOffset, rotation));
}

void VisCameraController::visFusionGraySet(bool gray)
{
    sendValue(CodeFusionGray, gray ? 1 : 0);
}
