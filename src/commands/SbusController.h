#pragma once

#include "commands/BaseGimbalController.h"

// Configures how a radio receiver's SBUS channels drive gimbal and camera.
// Channel numbers 0..15 select channels 1..16; 16 means "not driven".
class SbusController : public BaseGimbalController
{
    Q_OBJECT
public:
    static constexpr int NoChannel = 16;

    explicit SbusController(QObject *parent = nullptr);

    Q_INVOKABLE void sbusRangeSet(int max, int min);
    Q_INVOKABLE void sbusChannelConfig(int stream, int zoom, int photo, int record, int pitch,
                                       int yaw, int center, int irPalette);
    Q_INVOKABLE void sbusConfigGet();
    Q_INVOKABLE void sbusSwitch(bool on);
};
