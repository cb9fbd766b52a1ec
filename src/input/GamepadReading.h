#pragma once

#include "input/GamepadControl.h"

#include <QMetaType>
#include <QString>
#include <QVector>

#include <array>

// What one game controller reads at one moment: sticks −1…1 (Y grows
// downwards), triggers 0…1, one bit per button.
struct GamepadReading {
    int id = -1; // stays the same while the device stays plugged in
    QString name;
    bool isVirtual = false;
    std::array<double, GamepadControl::AxisCount> axes{};
    quint32 buttons = 0;
    qint64 ms = 0; // when it was read, on the monotonic clock (monotonicMs())

    bool button(int index) const { return index >= 0 && index < 32 && (buttons >> index) & 1u; }
    // A control's value: 0/1 for a button, the axis value, or how far a
    // stick is pushed in one direction (0…1).
    double value(const GamepadControl &control) const;

    static void registerMetaType();
    // Milliseconds on the system's monotonic clock, the same on every thread.
    static qint64 monotonicMs();
};

Q_DECLARE_METATYPE(GamepadReading)
Q_DECLARE_METATYPE(QVector<GamepadReading>)
