#include "commands/IrCameraController.h"

#include "link/CommandCode.h"
#include "link/Payload.h"

IrCameraController::IrCameraController(QObject *parent) : BaseGimbalController(parent) {}

void IrCameraController::irAllParamsGet()
{
    sendQuery(CommandCode::GetIrAllParams);
}

void IrCameraController::irZoomSet(int zoom)
{
    sendValue(CommandCode::IrZoom, zoom);
}

void IrCameraController::irColorPaletteSet(int palette)
{
    sendValue(CommandCode::IrColorPalette, palette);
}

void IrCameraController::irTempSwitch(bool on)
{
    sendValue(CommandCode::IrTempSwitch, on ? 0 : 1);
}

void IrCameraController::irSharpnessSet(int value)
{
    sendValue(CommandCode::IrSharpness, value);
}

void IrCameraController::irBrightnessSet(int value)
{
    sendValue(CommandCode::IrBrightness, value);
}

void IrCameraController::irContrastSet(int value)
{
    sendValue(CommandCode::IrContrast, value);
}

void IrCameraController::irDenoiseSet(bool on, int level)
{
    QByteArray p;
    Payload::appendU8(p, on ? 1 : 0);
    Payload::appendU8(p, level);
    Payload::appendU8(p, 0);
    sendCommand(CommandCode::IrDenoise, p);
}

void IrCameraController::irEnhanceSet(int level)
{
    sendValue(CommandCode::IrEnhance, level);
}

void IrCameraController::irPointTempSet(int x, int y)
{
    QByteArray p;
    Payload::appendU16(p, quint16(x));
    Payload::appendU16(p, quint16(y));
    Payload::appendU8(p, 0);
    sendCommand(CommandCode::IrPointTemp, p);
}

void IrCameraController::irAreaTempSet(int w, int h, int cx, int cy)
{
    QByteArray p;
    Payload::appendU16(p, quint16(w));
    Payload::appendU16(p, quint16(h));
    Payload::appendU16(p, quint16(cx));
    Payload::appendU16(p, quint16(cy));
    Payload::appendU8(p, 0);
    sendCommand(CommandCode::IrAreaTemp, p);
}

void IrCameraController::irGainModeSet(int mode)
{
    sendValue(CommandCode::IrGainMode, mode);
}

void IrCameraController::irTempOverlaySet(bool on)
{
    sendValue(CommandCode::IrTempOverlay, on ? 1 : 0);
}

void IrCameraController::irFusionSet(bool on, int visWeight, int irWeight)
{
    Q_UNUSED(irWeight)
    sendCommand(CommandCode::IrFusionVis, fusionWeightsPayload(on, visWeight));
}

void IrCameraController::irFusionDebugSet(int mode, int hOffset, int vOffset, int rotation)
{
    sendCommand(CommandCode::IrFusionDebug,
                fusionAlignmentPayload(mode, hOffset, vOffset, rotation));
}

void IrCameraController::irFusionGraySet(bool gray)
{
    sendValue(CommandCode::IrFusionGray, gray ? 1 : 0);
}

void IrCameraController::irAiSuperResSet(bool on)
{
    sendValue(CommandCode::IrAiSuperRes, on ? 1 : 0);
}
