#pragma once

#include "commands/BaseGimbalController.h"

// Commands for the thermal camera: parameter read-back, palette, zoom,
// temperature measurement, image tuning, fusion with the visible picture and
// AI super-resolution. Single-byte values go out as their low 8 bits.
class IrCameraController : public BaseGimbalController
{
    Q_OBJECT
public:
    explicit IrCameraController(QObject *parent = nullptr);

    Q_INVOKABLE void irAllParamsGet();
    Q_INVOKABLE void irZoomSet(int zoom);
    Q_INVOKABLE void irColorPaletteSet(int palette);
    // The device's flag means "measurement off" when set.
    Q_INVOKABLE void irTempSwitch(bool on);
    Q_INVOKABLE void irSharpnessSet(int value);
    Q_INVOKABLE void irBrightnessSet(int value);
    Q_INVOKABLE void irContrastSet(int value);
    Q_INVOKABLE void irDenoiseSet(bool on, int level);
    Q_INVOKABLE void irEnhanceSet(int level);
    // Pixels of the 1920 x 1080 logical picture, sent unclamped.
    Q_INVOKABLE void irPointTempSet(int x, int y);
    Q_INVOKABLE void irAreaTempSet(int w, int h, int cx, int cy);
    Q_INVOKABLE void irGainModeSet(int mode);
    Q_INVOKABLE void irTempOverlaySet(bool on);
    // Weights are tenths; only the visible share travels, the infrared share
    // is its complement. irWeight is accepted for symmetry and ignored.
    Q_INVOKABLE void irFusionSet(bool on, int visWeight, int irWeight);
    Q_INVOKABLE void irFusionDebugSet(int mode, int hOffset, int vOffset, int rotation);
    Q_INVOKABLE void irFusionGraySet(bool gray);
    Q_INVOKABLE void irAiSuperResSet(bool on);
};
