#include "commands/MotionController.h"

#include "link/CommandCode.h"
#include "link/Language.h"
#include "link/Payload.h"

#include <cmath>

namespace
{

// Direction bytes go out as their low 8 bits; a negative value means nothing
// sensible on the wire, so it becomes 0.
int directionByte(int dir)
{
    return dir < 0 ? 0 : (dir & 0xFF);
}

} // namespace

MotionController::MotionController(QObject *parent) : BaseGimbalController(parent) {}

QString MotionController::controlLabel(int mode, int yawDir, int pitchDir)
{
    if (mode == 1)
        return Language::pick(QStringLiteral("Center"), QStringLiteral("回中"));
    if (mode == 2)
        return Language::pick(QStringLiteral("Face down 90°"), QStringLiteral("下视90°"));
    if (mode == 0 && yawDir == 2) {
        if (pitchDir == 2)
            return Language::pick(QStringLiteral("Stop motion"), QStringLiteral("停止转动"));
        if (pitchDir == 0)
            return Language::pick(QStringLiteral("Pitch up"), QStringLiteral("俯仰向上"));
        if (pitchDir == 1)
            return Language::pick(QStringLiteral("Pitch down"), QStringLiteral("俯仰向下"));
    }
    if (mode == 0 && pitchDir == 2) {
        if (yawDir == 0)
            return Language::pick(QStringLiteral("Yaw left"), QStringLiteral("航向向左"));
        if (yawDir == 1)
            return Language::pick(QStringLiteral("Yaw right"), QStringLiteral("航向向右"));
    }
    return Language::pick(QStringLiteral("Gimbal control"), QStringLiteral("云台控制"));
}

void MotionController::gimbalControl(int mode, int yawDir, int pitchDir)
{
    const QString label = controlLabel(mode, yawDir, pitchDir);
    QByteArray p;
    Payload::appendU8(p, Payload::clampInt(mode, 0, 15) << 4);
    Payload::appendU8(p, directionByte(yawDir));
    Payload::appendU8(p, directionByte(pitchDir));
    Payload::appendU8(p, 0);
    const bool handedOn = sendCommand(CommandCode::GimbalSpeedControl, p, label);

    if (mode != 0 && handedOn)
        emit logMessage(
            Language::pick(QStringLiteral("Sent %1 command"), QStringLiteral("已发送%1指令"))
                .arg(label));
}

void MotionController::gimbalAngleControl(int pitchDir, float pitchAngle, int yawDir,
                                          float yawAngle)
{
    QByteArray p;
    Payload::appendU8(p, Payload::clampInt(pitchDir, 0, 2));
    Payload::appendU16(p, quint16(Payload::toCentiUnits(std::fabs(pitchAngle))));
    Payload::appendU8(p, Payload::clampInt(yawDir, 0, 2));
    Payload::appendU16(p, quint16(Payload::toCentiUnits(std::fabs(yawAngle))));
    Payload::appendU8(p, 0);
    sendCommand(CommandCode::GimbalAngleControl, p,
                Language::pick(QStringLiteral("Set angle"), QStringLiteral("设置角度")));
}

void MotionController::gimbalSpeedSet(int pitchSpeed, int yawSpeed)
{
    QByteArray p;
    Payload::appendU8(p, Payload::clampInt(pitchSpeed, 5, 150));
    Payload::appendU8(p, Payload::clampInt(yawSpeed, 5, 150));
    Payload::appendU8(p, 0);
    sendCommand(CommandCode::GimbalSpeedSet, p);
}

void MotionController::gimbalCalibration()
{
    sendValue(CommandCode::GimbalCalibration, 1);
}

void MotionController::gimbalServoOff()
{
    sendValue(CommandCode::GimbalServoOff, 0);
}

void MotionController::gimbalLinearCalib()
{
    sendValue(CommandCode::GimbalLinearCalibration, 1);
}

void MotionController::gimbalSoftReset()
{
    sendValue(CommandCode::GimbalSoftReset, 1);
}

void MotionController::gimbalPointAim(int lens, float zoom, int x, int y)
{
    // Zoom travels in tenths, rounded half up. The clamp is done on the
    // floating value so huge or non-finite zooms cannot overflow the cast;
    // NaN fails every comparison and lands on the lower bound.
    const double tenths = std::floor(double(zoom) * 10.0 + 0.5);
    int zoomTenths = 1;
    if (tenths >= 1600.0)
        zoomTenths = 1600;
    else if (tenths > 1.0)
        zoomTenths = int(tenths);

    QByteArray p;
    Payload::appendU8(p, Payload::clampInt(lens, 0, 2));
    Payload::appendU16(p, quint16(zoomTenths));
    Payload::appendU16(p, quint16(Payload::clampInt(x, 1, 1920)));
    Payload::appendU16(p, quint16(Payload::clampInt(y, 1, 1080)));
    sendCommand(CommandCode::PointAim, p);
}

void MotionController::gimbalVersionGet()
{
    sendQuery(CommandCode::GetGimbalVersion);
}

void MotionController::gimbalStabilize(bool enable)
{
    Q_UNUSED(enable)
}

void MotionController::gimbalLockFollow(int mode)
{
    Q_UNUSED(mode)
}
