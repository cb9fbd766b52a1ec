#include "commands/IrCameraController.h"

#include "link/Payload.h"

namespace
{

constexpr quint16 CodeAllParamsGet = 0x0100;
constexpr quint16 CodeZoom = 0x0105;
constexpr quint16 CodePalette = 0x0106;
constexpr quint16 CodeTempSwitch = 0x0108;
constexpr quint16 CodeSharpness = 0x010A;
constexpr quint16 CodeBrightness = 0x010B;
constexpr quint16 CodeContrast = 0x010C;
constexpr quint16 CodeDenoise = 0x010D;
constexpr quint16 CodeEnhance = 0x010E;
constexpr quint16 CodePointTemp = 0x010F;
constexpr quint16 CodeAreaTemp = 0x0110;
constexpr quint16 CodeGainMode = 0x0123;
constexpr quint16 CodeTempOverlay = 0x0125;
constexpr quint16 CodeFusion = 0x0127;
constexpr quint16 CodeFusionDebug = 0x0128;
constexpr quint16 CodeFusionGray = 0x0129;
constexpr quint16 CodeAiSuperRes = 0x012B;

} // namespace

IrCameraController::IrCameraController(QObject *parent) : BaseGimbalController(parent) {}

void IrCameraController::irAllParamsGet()
{
    sendQuery(CodeAllParamsGet);
}

void IrCameraController::irZoomSet(int zoom)
{
    sendValue(CodeZoom, zoom);
}

void IrCameraController::irColorPaletteSet(int palette)
{
    sendValue(CodePalette, palette);
}

void IrCameraController::irTempSwitch(bool on)
{
    sendValue(CodeTempSwitch, on ? 0 : 1);
}

void IrCameraController::irSharpnessSet(int value)
{
    sendValue(CodeSharpness, value);
}

void IrCameraController::irBrightnessSet(int value)
{
    sendValue(CodeBrightness, value);
}

void IrCameraController::irContrastSet(int value)
{
    sendValue(CodeContrast, value);
}

void IrCameraController::irDenoiseSet(bool on, int level)
{
    QByteArray p;
    Payload::appendU8(p, on ? 1 : 0);
    Payload::appendU8(p, level);
    Payload::appendU8(p, 0);
    sendCommand(CodeDenoise, p);
}

void IrCameraController::irEnhanceSet(int level)
{
    sendValue(CodeEnhance, level);
}

void IrCameraController::irPointTempSet(int x, int y)
{
    QByteArray p;
    Payload::appendU16(p, quint16(x));
    Payload::appendU16(p, quint16(y));
    Payload::appendU8(p, 0);
    sendCommand(CodePointTemp, p);
}

void IrCameraController::irAreaTempSet(int w, int h, int cx, int cy)
{
    QByteArray p;
    Payload::appendU16(p, quint16(w));
    Payload::appendU16(p, quint16(h));
    Payload::appendU16(p, quint16(cx));
    Payload::appendU16(p, quint16(cy));
    Payload::appendU8(p, 0);
    sendCommand(CodeAreaTemp, p);
}

void IrCameraController::irGainModeSet(int mode)
{
    sendValue(CodeGainMode, mode);
}

void IrCameraController::irTempOverlaySet(bool on)
{
    sendValue(CodeTempOverlay, on ? 1 : 0);
}

void IrCameraController::irFusionSet(bool on, int visWeight, int irWeight)
{
    Q_UNUSED(irWeight)
    sendCommand(CodeFusion, fusionWeightsPayload(on, visWeight));
}

void IrCameraController::irFusionDebugSet(int mode, int hOffset, int vOffset, int rotation)
{
    sendCommand(CodeFusionDebug, fusionAlignmentPayload(mode, hOffset, vOffset, rotation));
}

void IrCameraController::irFusionGraySet(bool gray)
{
    sendValue(CodeFusionGray, gray ? 1 : 0);
}

void IrCameraController::irAiSuperResSet(bool on)
{
    sendValue(CodeAiSuperRes, on ? 1 : 0);
}
