#pragma once

#include "link/BilingualText.h"

#include <QString>

// One control of a game controller, named as the game-controller layer names
// it: a button ("a", "dpup", "leftshoulder"), a whole axis ("leftx",
// "righttrigger") or one direction of a stick axis ("righty-" is the right
// stick pushed up, since stick Y grows downwards). Indexes follow the
// game-controller layer's own button and axis order.
class GamepadControl
{
public:
    enum Type { None, Button, Axis, HalfAxis };
    static constexpr int ButtonCount = 21;
    static constexpr int AxisCount = 6;
    // Axes 4 and 5 are the triggers (0…1 at rest 0); 0…3 the sticks (−1…1).
    static constexpr int FirstTrigger = 4;

    GamepadControl() = default;
    static GamepadControl button(int index);
    static GamepadControl axis(int index);
    static GamepadControl halfAxis(int index, int sign);
    // None for a text that names no control.
    static GamepadControl parse(const QString &text);

    static QString buttonName(int index);
    static QString axisName(int index);
    static bool isTriggerAxis(int index) { return index >= FirstTrigger && index < AxisCount; }

    Type type() const { return m_type; }
    int index() const { return m_index; }
    int sign() const { return m_sign; }
    bool isNone() const { return m_type == None; }
    QString name() const;
    BilingualText label() const;
    // True when both read the same physical control: an axis overlaps each
    // of its directions.
    bool overlaps(const GamepadControl &other) const;

    bool operator==(const GamepadControl &o) const
    {
        return m_type == o.m_type && m_index == o.m_index && m_sign == o.m_sign;
    }
    bool operator!=(const GamepadControl &o) const { return !(*this == o); }

private:
    GamepadControl(Type type, int index, int sign) : m_type(type), m_index(index), m_sign(sign) {}

    Type m_type = None;
    int m_index = -1;
    int m_sign = 0;
};
