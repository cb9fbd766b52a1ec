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

qint16 tenthsClamped(int value)
{
    const qint64 scaled = qint64(value) * 10;
    return qint16(qBound<qint64>(-32768, scaled, 32767));
}

} // namespace

IrCameraController::IrCameraController(QObject *parent) : BaseGimbalController(parent) {}

void IrCameraController::sendByte(quint16 code, int value)
{
    QByteArray p;
    Payload::appendU8(p, value);
    Payload::appendU8(p, 0);
    sendCommand(code, p);
}

void IrCameraController::irAllParamsGet()
{
    sendByte(CodeAllParamsGet, 1);
}

void IrCameraController::irZoomSet(int zoom)
{
    sendByte(CodeZoom, zoom);
}

void IrCameraController::irColorPaletteSet(int palette)
{
    sendByte(CodePalette, palette);
}

void IrCameraController::irTempSwitch(bool on)
{
    sendByte(CodeTempSwitch, on ? 0 : 1);
}

void IrCameraController::irSharpnessSet(int value)
{
    sendByte(CodeSharpness, value);
}

void IrCameraController::irBrightnessSet(int value)
{
    sendByte(CodeBrightness, value);
}

void IrCameraController::irContrastSet(int value)
{
    sendByte(CodeContrast, value);
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
    sendByte(CodeEnhance, level);
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
    sendByte(CodeGainMode, mode);
}

void IrCameraController::irTempOverlaySet(bool on)
{
    sendByte(CodeTempOverlay, on ? 1 : 0);
}

void IrCameraController::irFusionSet(bool on, int visWeight, int irWeight)
{
    Q_UNUSED(irWeight)
    const int w = Payload::clampInt(visWeight, 0, 10);
    QByteArray p;
    Payload::appendU8(p, on ? 1 : 0);
    Payload::appendU8(p, w);
    Payload::appendU8(p, 10 - w);
    Payload::appendU8(p, 0);
    sendCommand(CodeFusion, p);
}

void IrCameraController::irFusionDebugSet(int mode, int hOffset, int vOffset, int rotation)
{
    QByteArray p;
    Payload::appendU8(p, (mode == 1 || mode == 2) ? mode : 1);
    Payload::appendS16(p, tenthsClamped(hOffset));
    Payload::appendS16(p, tenthsClamped(vOffset));
    Payload::appendS16(p, qint16(Payload::clampInt(rotation, 0, 360) * 10));
    sendCommand(CodeFusionDebug, p);
}

void IrCameraController::irFusionGraySet(bool gray)
{
    sendByte(CodeFusionGray, gray ? 1 : 0);
}

void IrCameraController::irAiSuperResSet(bool on)
{
    sendByte(CodeAiSuperRes, on ? 1 : 0);
}
