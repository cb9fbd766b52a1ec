#pragma once

#include "commands/BaseGimbalController.h"

// Steers the gimbal: direction pad, centring, look-down, absolute angles,
// speed limits, calibrations, motor power, soft reset, point-to-aim and the
// version query. Keeps no state; every operation is one frame.
class MotionController : public BaseGimbalController
{
    Q_OBJECT
public:
    explicit MotionController(QObject *parent = nullptr);

    // mode 0 moves by direction (2 = no motion on that axis), 1 centres,
    // 2 faces down.
    Q_INVOKABLE void gimbalControl(int mode, int yawDir, int pitchDir);
    // Angles travel as magnitudes; the direction bytes carry the sign.
    Q_INVOKABLE void gimbalAngleControl(int pitchDir, float pitchAngle, int yawDir, float yawAngle);
    Q_INVOKABLE void gimbalSpeedSet(int pitchSpeed, int yawSpeed);
    Q_INVOKABLE void gimbalCalibration();
    Q_INVOKABLE void gimbalServoOff();
    Q_INVOKABLE void gimbalLinearCalib();
    Q_INVOKABLE void gimbalSoftReset();
    // x, y are pixels of a 1920 x 1080 picture.
    Q_INVOKABLE void gimbalPointAim(int lens, float zoom, int x, int y);
    Q_INVOKABLE void gimbalVersionGet();
    // Part of the interface, but the device defines no payload for them:
    // they send nothing.
    Q_INVOKABLE void gimbalStabilize(bool enable);
    Q_INVOKABLE void gimbalLockFollow(int mode);

    // The action name the log shows for a gimbalControl call.
    static QString controlLabel(int mode, int yawDir, int pitchDir);
};
