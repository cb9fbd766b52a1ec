#include "input/BindingTable.h"

#include <QKeySequence>

BindingTable BindingTable::defaults()
{
    BindingTable t;
    const auto keys = [&t](InputAction::Id action, int first, int second) {
        t.m_keys[action] = {first, second};
    };
    keys(InputAction::PitchUp, Qt::Key_Up, Qt::Key_W);
    keys(InputAction::PitchDown, Qt::Key_Down, Qt::Key_S);
    keys(InputAction::YawLeft, Qt::Key_Left, Qt::Key_A);
    keys(InputAction::YawRight, Qt::Key_Right, Qt::Key_D);
    keys(InputAction::Centre, Qt::Key_C, Qt::Key_Home);
    keys(InputAction::Fine, Qt::Key_Shift, 0);
    keys(InputAction::VideoStats, Qt::Key_I, 0);

    const auto pad = [&t](InputAction::Id action, const char *name) {
        t.m_pads[action] = GamepadControl::parse(QString::fromLatin1(name));
    };
    pad(InputAction::Yaw, "leftx");
    pad(InputAction::Pitch, "lefty");
    pad(InputAction::PitchUp, "dpup");
    pad(InputAction::PitchDown, "dpdown");
    pad(InputAction::YawLeft, "dpleft");
    pad(InputAction::YawRight, "dpright");
    pad(InputAction::Fine, "leftshoulder");
    pad(InputAction::Centre, "x");
    pad(InputAction::LookDown, "y");
    pad(InputAction::ZoomIn, "righttrigger");
    pad(InputAction::ZoomOut, "lefttrigger");
    pad(InputAction::ZoomStepIn, "righty-");
    pad(InputAction::ZoomStepOut, "righty+");
    pad(InputAction::ZoomWide, "rightshoulder");
    pad(InputAction::Photo, "a");
    pad(InputAction::Record, "b");
    pad(InputAction::VideoStats, "back");
    return t;
}

int BindingTable::key(InputAction::Id action, int slot) const
{
    return slot >= 0 && slot < KeySlots ? m_keys[action][size_t(slot)] : 0;
}

GamepadControl BindingTable::gamepad(InputAction::Id action) const
{
    return m_pads[action];
}

bool BindingTable::bindableKey(int key)
{
    switch (key) {
    case 0:
    case Qt::Key_unknown:
    case Qt::Key_Escape:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return false;
    default:
        return true;
    }
}

bool BindingTable::setKey(InputAction::Id action, int slot, int key)
{
    if (slot < 0 || slot >= KeySlots ||
        (key != 0 && (!bindableKey(key) || InputAction::kind(action) == InputAction::Axis)))
        return false;
    m_keys[action][size_t(slot)] = key;
    return true;
}

bool BindingTable::suits(InputAction::Id action, const GamepadControl &control)
{
    switch (control.type()) {
    case GamepadControl::None:
        return true;
    case GamepadControl::Axis:
        // A whole stick axis steers; a trigger is pressed like a button.
        return InputAction::kind(action) == InputAction::Axis
                   ? !GamepadControl::isTriggerAxis(control.index())
                   : GamepadControl::isTriggerAxis(control.index());
    case GamepadControl::Button:
    case GamepadControl::HalfAxis:
        return InputAction::kind(action) != InputAction::Axis;
    }
    return false;
}

bool BindingTable::setGamepad(InputAction::Id action, const GamepadControl &control)
{
    if (!suits(action, control))
        return false;
    m_pads[action] = control;
    return true;
}

QVector<InputAction::Id> BindingTable::actionsForKey(int key) const
{
    QVector<InputAction::Id> out;
    if (key == 0)
        return out;
    for (int a = 0; a < InputAction::Count; ++a) {
        for (int k : m_keys[size_t(a)]) {
            if (k == key) {
                out.append(InputAction::Id(a));
                break;
            }
        }
    }
    return out;
}

QVector<BindingTable::Conflict> BindingTable::conflicts() const
{
    QVector<Conflict> out;
    for (int a = 0; a < InputAction::Count; ++a) {
        for (int b = a + 1; b < InputAction::Count; ++b) {
            const auto first = InputAction::Id(a);
            const auto second = InputAction::Id(b);
            for (int k : m_keys[size_t(a)]) {
                if (k != 0 && actionsForKey(k).contains(second)) {
                    out.append({first, second, true,
                                QKeySequence(k).toString(QKeySequence::PortableText)});
                    break;
                }
            }
            if (m_pads[size_t(a)].overlaps(m_pads[size_t(b)]))
                out.append({first, second, false, m_pads[size_t(a)].name()});
        }
    }
    return out;
}
