#pragma once

#include <QByteArray>
#include <QObject>

// Gimbal angles and speeds from the attitude report, and the link status codes
// of the gimbal status report.
class MotionState : public QObject
{
    Q_OBJECT
public:
    static constexpr int AttitudeReportSize = 18;
    static constexpr int GimbalStatusSize = 5;

    explicit MotionState(QObject *parent = nullptr);

    bool connected() const { return m_connected; }
    float yawJoint() const { return m_yawJoint; }
    float rollJoint() const { return m_rollJoint; }
    float pitchJoint() const { return m_pitchJoint; }
    float yawAttitude() const { return m_yawAttitude; }
    float rollAttitude() const { return m_rollAttitude; }
    float pitchAttitude() const { return m_pitchAttitude; }
    float yawSpeed() const { return m_yawSpeed; }
    float pitchSpeed() const { return m_pitchSpeed; }
    float rollSpeed() const { return m_rollSpeed; }
    int gimbalConnStatus() const { return m_gimbalConnStatus; }
    int cameraConnStatus() const { return m_cameraConnStatus; }
    int deviceModel() const { return m_deviceModel; }

    // Nine signed hundredths of a degree; marks the device as connected.
    // Returns false (and changes nothing) when the report is too short.
    bool applyAttitude(const QByteArray &payload);
    // Bytes 0 and 1 of the gimbal status report; the caller checks the length.
    void applyLinkStatus(quint8 connByte, quint8 modelByte);
    // Set without a signal of its own: the status report has already told
    // its listeners through connStatusChanged.
    void markConnected() { m_connected = true; }
    // The link went down: the codes are cleared, the angles are kept.
    void resetLink();

signals:
    void attitudeChanged();
    void connStatusChanged();

private:
    bool m_connected = false;
    float m_yawJoint = 0;
    float m_rollJoint = 0;
    float m_pitchJoint = 0;
    float m_yawAttitude = 0;
    float m_rollAttitude = 0;
    float m_pitchAttitude = 0;
    float m_yawSpeed = 0;
    float m_pitchSpeed = 0;
    float m_rollSpeed = 0;
    int m_gimbalConnStatus = 0;
    int m_cameraConnStatus = 0;
    int m_deviceModel = 0;
};
