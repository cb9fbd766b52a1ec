#pragma once

#include <QObject>

// Module health flags of the gimbal status report.
class DeviceHealthState : public QObject
{
    Q_OBJECT
public:
    explicit DeviceHealthState(QObject *parent = nullptr);

    bool irCoreOK() const { return m_irCoreOK; }
    bool teleVisOK() const { return m_teleVisOK; }
    bool wideVisOK() const { return m_wideVisOK; }
    bool laserOK() const { return m_laserOK; }

    // Bit 0 infrared core, bit 1 tele visible, bit 2 wide visible, bit 3 laser.
    void applyHealthBits(quint8 bits);
    void reset();

signals:
    void healthChanged();

private:
    bool m_irCoreOK = false;
    bool m_teleVisOK = false;
    bool m_wideVisOK = false;
    bool m_laserOK = false;
};
