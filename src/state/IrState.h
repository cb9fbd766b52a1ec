#pragma once

#include <QByteArray>
#include <QObject>

// Temperature measurement of the infrared camera status report.
class IrState : public QObject
{
    Q_OBJECT
public:
    static constexpr int ReportSize = 10;
    static constexpr int WithPositionsSize = 26;
    static constexpr int WithDeviceTypeSize = 31;

    explicit IrState(QObject *parent = nullptr);

    float irMaxTemp() const { return m_maxTemp; }
    float irMinTemp() const { return m_minTemp; }
    float irCenterTemp() const { return m_centerTemp; }
    float irPointTemp() const { return m_pointTemp; }
    float irAvgTemp() const { return m_avgTemp; }
    int irMaxTempX() const { return m_maxTempX; }
    int irMaxTempY() const { return m_maxTempY; }
    int irMinTempX() const { return m_minTempX; }
    int irMinTempY() const { return m_minTempY; }
    int irCenterTempX() const { return m_centerTempX; }
    int irCenterTempY() const { return m_centerTempY; }
    int irPointTempX() const { return m_pointTempX; }
    int irPointTempY() const { return m_pointTempY; }
    int irDeviceType() const { return m_deviceType; }

    // Older cores send only the temperatures; fields beyond the received
    // length keep their values. Returns false when too short.
    bool apply(const QByteArray &payload);

signals:
    void irStatusChanged();
    void irDeviceTypeChanged();

private:
    float m_maxTemp = 0;
    float m_minTemp = 0;
    float m_centerTemp = 0;
    float m_pointTemp = 0;
    float m_avgTemp = 0;
    // -1 until the camera reports a position.
    int m_maxTempX = -1;
    int m_maxTempY = -1;
    int m_minTempX = -1;
    int m_minTempY = -1;
    int m_centerTempX = -1;
    int m_centerTempY = -1;
    int m_pointTempX = -1;
    int m_pointTempY = -1;
    int m_deviceType = -1;
};
