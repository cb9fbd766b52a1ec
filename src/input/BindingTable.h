#pragma once

#include "input/GamepadControl.h"
#include "input/InputAction.h"

#include <QVector>

#include <array>

// What each action is bound to: up to two keys and one game-controller
// control. An input may be bound to more than one action; such conflicts are
// listed so the operator can resolve them (each bound action still acts).
class BindingTable
{
public:
    static constexpr int KeySlots = 2;

    struct Conflict {
        InputAction::Id first;
        InputAction::Id second;
        bool keyboard; // else the game controller
        QString input; // the key's or the control's name
    };

    // Today's keys (arrows or W/S/A/D move, C or Home centre, Shift slows)
    // and the game-controller layout described in the README.
    static BindingTable defaults();

    int key(InputAction::Id action, int slot) const;
    GamepadControl gamepad(InputAction::Id action) const;

    // False (and nothing changes) for a key that cannot be bound: none,
    // Escape (it cancels a binding in progress) and the Control, Alt and Meta
    // keys (held with them, keys belong to other shortcuts), and any key for
    // an axis action (a key has no deflection). 0 unbinds.
    bool setKey(InputAction::Id action, int slot, int key);
    // False (nothing changes) when the control does not suit the action: an
    // axis action takes a stick axis, the others a button, a trigger or one
    // direction of a stick. None unbinds.
    bool setGamepad(InputAction::Id action, const GamepadControl &control);
    static bool suits(InputAction::Id action, const GamepadControl &control);
    static bool bindableKey(int key);

    QVector<InputAction::Id> actionsForKey(int key) const;
    QVector<Conflict> conflicts() const;

    bool operator==(const BindingTable &o) const
    {
        return m_keys == o.m_keys && m_pads == o.m_pads;
    }
    bool operator!=(const BindingTable &o) const { return !(*this == o); }

private:
    std::array<std::array<int, KeySlots>, InputAction::Count> m_keys{};
    std::array<GamepadControl, InputAction::Count> m_pads{};
};
