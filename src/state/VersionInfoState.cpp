#include "state/VersionInfoState.h"

#include "link/Payload.h"

#include <algorithm>

VersionInfoState::VersionInfoState(QObject *parent) : QObject(parent) {}

QString VersionInfoState::formatVersion(const QByteArray &payload, int offset)
{
    return QStringLiteral("%1.%2.%3")
        .arg(Payload::readU8(payload, offset))
        .arg(Payload::readU8(payload, offset + 1))
        .arg(Payload::readU8(payload, offset + 2));
}

bool VersionInfoState::applyGimbalVersion(const QByteArray &payload)
{
    if (payload.size() < GimbalVersionSize)
        return false;
    m_gimbalHwVersion = formatVersion(payload, 2);
    m_gimbalSwVersion = formatVersion(payload, 5);
    emit versionInfoChanged();
    return true;
}

bool VersionInfoState::applyCameraVersion(const QByteArray &payload)
{
    if (payload.size() < CameraVersionSize)
        return false;
    m_cameraVersion = formatVersion(payload, 2);
    emit versionInfoChanged();
    return true;
}

bool VersionInfoState::applyKernelVersion(const QByteArray &payload)
{
    if (payload.size() < KernelVersionSize)
        return false;
    m_kernelVersion = formatVersion(payload, 2);
    emit versionInfoChanged();
    return true;
}

bool VersionInfoState::applyDeviceSn(const QByteArray &payload)
{
    if (payload.size() < DeviceSnSize)
        return false;
    const int length = std::min(DeviceSnMaxBytes, payload.size() - 2);
    m_deviceSn = Payload::readFixedString(payload, 2, length);
    emit versionInfoChanged();
    return true;
}

bool VersionInfoState::applyCoreTemp(const QByteArray &payload)
{
    if (payload.size() < CoreTempSize)
        return false;
    m_coreTemp = float(Payload::readS16(payload, 2)) / 10.0f;
    emit versionInfoChanged();
    return true;
}

bool VersionInfoState::applyUartProtocol(const QByteArray &payload)
{
    if (payload.size() < UartProtocolSize)
        return false;
    m_uartProtocol = Payload::readU8(payload, 2);
    emit versionInfoChanged();
    return true;
}
