#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Versions, serial number, core temperature and UART protocol read back from
// the device. Every payload starts with the two-byte result code.
class VersionInfoState : public QObject
{
    Q_OBJECT
public:
    static constexpr int GimbalVersionSize = 9;
    static constexpr int CameraVersionSize = 5;
    static constexpr int KernelVersionSize = 5;
    static constexpr int DeviceSnSize = 3;
    static constexpr int DeviceSnMaxBytes = 20;
    static constexpr int CoreTempSize = 4;
    static constexpr int UartProtocolSize = 3;

    explicit VersionInfoState(QObject *parent = nullptr);

    QString gimbalHwVersion() const { return m_gimbalHwVersion; }
    QString gimbalSwVersion() const { return m_gimbalSwVersion; }
    QString cameraVersion() const { return m_cameraVersion; }
    QString kernelVersion() const { return m_kernelVersion; }
    QString deviceSn() const { return m_deviceSn; }
    float coreTemp() const { return m_coreTemp; }
    int uartProtocol() const { return m_uartProtocol; }

    // Each returns false (and changes nothing) when the payload is too short.
    bool applyGimbalVersion(const QByteArray &payload);
    bool applyCameraVersion(const QByteArray &payload);
    bool applyKernelVersion(const QByteArray &payload);
    bool applyDeviceSn(const QByteArray &payload);
    bool applyCoreTemp(const QByteArray &payload);
    bool applyUartProtocol(const QByteArray &payload);

    // Three bytes as "major.minor.patch", unpadded decimals.
    static QString formatVersion(const QByteArray &payload, int offset);

signals:
    void versionInfoChanged();

private:
    QString m_gimbalHwVersion;
    QString m_gimbalSwVersion;
    QString m_cameraVersion;
    QString m_kernelVersion;
    QString m_deviceSn;
    float m_coreTemp = 0;
    int m_uartProtocol = -1; // not read yet
};
