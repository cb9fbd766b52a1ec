#pragma once

#include "commands/BaseGimbalController.h"

#include <initializer_list>

// Commands for the visible-light camera: parameter read-back, resolutions,
// exposure, white balance, night mode and fusion of the infrared picture.
// Values are option codes from the product catalogue, sent as low 8 bits.
class VisCameraController : public BaseGimbalController
{
    Q_OBJECT
public:
    explicit VisCameraController(QObject *parent = nullptr);

    Q_INVOKABLE void visAllParamsGet();
    Q_INVOKABLE void visRecordResSet(int res);
    Q_INVOKABLE void visPhotoResSet(int res);
    Q_INVOKABLE void visIsoSet(int iso);
    Q_INVOKABLE void visShutterSet(int shutter);
    Q_INVOKABLE void visEvSet(int ev);
    Q_INVOKABLE void visWhiteBalanceSet(int wb);
    Q_INVOKABLE void visAntiFlickerSet(int mode);
    Q_INVOKABLE void visHighlightSuppress(bool on, int value);
    Q_INVOKABLE void visBacklightComp(bool on, int value);
    Q_INVOKABLE void visAeLockSet(bool on);
    Q_INVOKABLE void visMeteringSet(int mode);
    Q_INVOKABLE void visNightModeSet(bool on);
    Q_INVOKABLE void visNightFpsSet(int fps);
    // Only the infrared share (tenths) travels; visWeight is ignored.
    Q_INVOKABLE void visFusionSet(bool on, int irWeight, int visWeight);
    Q_INVOKABLE void visFusionDebugSet(int mode, int hOffset, int vOffset, int rotation);
    Q_INVOKABLE void visFusionGraySet(bool gray);

private:
    // Exposure and picture settings: a leading zero byte, then the values.
    void sendSetting(CommandCode::Code code, std::initializer_list<int> values);
};
