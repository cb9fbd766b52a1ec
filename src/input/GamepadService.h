#pragma once

#include "input/AxisCalibration.h"
#include "input/GamepadReading.h"

#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QVector>

#include <array>

class GamepadPoller;

// The game controllers as the interface thread sees them: the poller runs on
// a thread of its own; what it reads arrives here, each axis through its
// calibration (a stick resting off centre is measured, a stuck one ignored
// with a note). Nothing starts until start() is called, so programs and
// tests that do not want controllers never touch them.
class GamepadService : public QObject
{
    Q_OBJECT
public:
    struct Device {
        GamepadReading raw;
        GamepadReading calibrated; // what the bindings read
        std::array<AxisCalibration, GamepadControl::AxisCount> calibration;
    };

    explicit GamepadService(QObject *parent = nullptr);
    ~GamepadService() override;

    // `virtualOnly`: see GamepadPoller.
    void start(bool virtualOnly = false);
    bool isStarted() const { return m_thread.isRunning(); }
    // Empty until the controller layer failed to start.
    QString errorText() const { return m_error; }

    const QVector<Device> &devices() const { return m_devices; }
    const Device *device(int id) const;

    // The virtual controller (scripts and tests). attachVirtual() reports
    // through virtualAttached(); values are checked here and applied on the
    // poller's next round. False with `error` set for a name that is no
    // button or whole axis, or a value out of its range.
    void attachVirtual();
    void detachVirtual();
    bool setVirtual(const QString &name, double value, QString *error);
    static bool checkVirtual(const QString &name, double value, GamepadControl *control,
                             QString *error);

signals:
    void started(bool ok);
    void devicesChanged();  // one came or went
    void readingsChanged(); // any value (after calibration) changed
    void virtualAttached(bool ok, const QString &error);

private:
    void onReadings(const QVector<GamepadReading> &readings);
    // Feeds the last readings again: a device that holds still sends
    // nothing, but its axes must still finish settling.
    void settle();
    void scheduleSettle();

    QThread m_thread;
    QPointer<GamepadPoller> m_poller;
    QVector<Device> m_devices;
    QString m_error;
    QTimer m_settle;
};
