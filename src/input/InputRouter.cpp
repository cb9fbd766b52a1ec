#include "input/InputRouter.h"

#include "input/GamepadService.h"
#include "input/GimbalSteering.h"

#include <cmath>

namespace
{

// Every control of a reading as one list: buttons, then axes.
QVector<double> controlValues(const GamepadReading &r)
{
    QVector<double> values;
    for (int b = 0; b < GamepadControl::ButtonCount; ++b)
        values.append(r.button(b) ? 1.0 : 0.0);
    for (double a : r.axes)
        values.append(a);
    return values;
}

} // namespace

InputRouter::InputRouter(GimbalSteering *steering, GamepadService *gamepads, QObject *parent)
    : QObject(parent), m_steering(steering), m_gamepads(gamepads),
      m_bindings(BindingTable::defaults())
{
    if (gamepads)
        connect(gamepads, &GamepadService::readingsChanged, this, &InputRouter::gamepadsChanged);
}

void InputRouter::setBindings(const BindingTable &bindings)
{
    m_bindings = bindings;
    // What was held under the old bindings ends now, and a control held
    // while it was bound (the one just recorded) acts once it is let go.
    keysInterrupted();
    holdUntilReleased();
    applyGamepads();
}

void InputRouter::setResponse(const AxisResponse &yaw, const AxisResponse &pitch)
{
    m_yaw = yaw;
    m_pitch = pitch;
    applyGamepads();
}

bool InputRouter::linkUp() const
{
    return m_steering && m_steering->linkUp();
}

bool InputRouter::isActive(InputAction::Id action) const
{
    return m_keyActivity[action] || m_padLevel[size_t(action)] != 0;
}

void InputRouter::setKeysActive(bool active)
{
    m_keysActive = active;
    if (!active)
        keysInterrupted();
}

void InputRouter::beginCapture(Capture kind)
{
    m_capture = kind;
    m_captureBaseline.clear();
    if (kind == GamepadCapture && m_gamepads) {
        for (const GamepadService::Device &d : m_gamepads->devices())
            m_captureBaseline.insert(d.raw.id, controlValues(d.calibrated));
    }
    // Nothing acts while a binding is recorded.
    keysInterrupted();
    applyGamepads();
}

void InputRouter::cancelCapture()
{
    if (m_capture == NoCapture)
        return;
    m_capture = NoCapture;
    m_captureBaseline.clear();
    holdUntilReleased();
    emit captureEnded();
    applyGamepads();
}

void InputRouter::holdUntilReleased()
{
    m_padDown.clear();
    m_padLatched.clear();
    m_sticksLatched = true;
    if (!m_gamepads)
        return;
    for (const GamepadService::Device &d : m_gamepads->devices()) {
        for (int a = 0; a < InputAction::Count; ++a) {
            const GamepadControl c = m_bindings.gamepad(InputAction::Id(a));
            if (!c.isNone() && InputAction::kind(InputAction::Id(a)) != InputAction::Axis &&
                d.calibrated.value(c) >= PressLevel) {
                m_padDown[d.raw.id].insert(a);
                m_padLatched[d.raw.id].insert(a);
            }
        }
    }
}

void InputRouter::keyPressed(int key, bool autoRepeat)
{
    if (autoRepeat)
        return;
    if (m_capture == KeyCapture) {
        if (key == Qt::Key_Escape) {
            cancelCapture();
        } else if (BindingTable::bindableKey(key)) {
            emit keyCaptured(key);
            cancelCapture();
        }
        return;
    }
    if (m_capture != NoCapture || !m_keysActive)
        return;
    const QVector<InputAction::Id> actions = m_bindings.actionsForKey(key);
    if (!linkUp()) {
        for (InputAction::Id action : actions) {
            if (!InputAction::needsLink(action))
                runPress(action);
        }
        return;
    }
    QVector<InputAction::Id> held;
    for (InputAction::Id action : actions) {
        if (InputAction::kind(action) == InputAction::Press) {
            runPress(action);
        } else if (InputAction::kind(action) == InputAction::Held) {
            held.append(action);
            if (action == InputAction::ZoomIn)
                m_zoomInOrder = ++m_zoomOrder;
            else if (action == InputAction::ZoomOut)
                m_zoomOutOrder = ++m_zoomOrder;
        }
    }
    if (held.isEmpty())
        return;
    m_heldKeys.insert(key, held);
    applyKeys();
}

void InputRouter::keyReleased(int key, bool autoRepeat)
{
    if (autoRepeat || !m_heldKeys.remove(key))
        return;
    applyKeys();
}

void InputRouter::keysInterrupted()
{
    if (m_heldKeys.isEmpty())
        return;
    m_heldKeys.clear();
    applyKeys();
}

void InputRouter::applyKeys()
{
    bool held[InputAction::Count] = {};
    for (const QVector<InputAction::Id> &actions : qAsConst(m_heldKeys)) {
        for (InputAction::Id a : actions)
            held[a] = true;
    }
    std::copy(std::begin(held), std::end(held), std::begin(m_keyActivity));
    emit activityChanged();
    if (!m_steering)
        return;
    const double yaw = double(held[InputAction::YawRight]) - double(held[InputAction::YawLeft]);
    const double pitch = double(held[InputAction::PitchUp]) - double(held[InputAction::PitchDown]);
    m_steering->setFine(GimbalSteering::Keys, held[InputAction::Fine]);
    m_steering->steer(GimbalSteering::Keys, yaw, pitch, true);
    ZoomDirection::Value zoom = ZoomDirection::Stop;
    if (held[InputAction::ZoomIn] &&
        (!held[InputAction::ZoomOut] || m_zoomInOrder > m_zoomOutOrder))
        zoom = ZoomDirection::In;
    else if (held[InputAction::ZoomOut])
        zoom = ZoomDirection::Out;
    m_steering->holdZoom(GimbalSteering::Keys, zoom);
}

void InputRouter::runPress(InputAction::Id action)
{
    if (!InputAction::needsLink(action)) {
        emit interfaceAction(InputAction::name(action));
        return;
    }
    if (!m_steering)
        return;
    switch (action) {
    case InputAction::Centre:
        m_steering->centre();
        break;
    case InputAction::LookDown:
        m_steering->lookDown();
        break;
    case InputAction::ZoomStepIn:
        m_steering->zoomSteps(1);
        break;
    case InputAction::ZoomStepOut:
        m_steering->zoomSteps(-1);
        break;
    case InputAction::ZoomWide:
        m_steering->zoomWide();
        break;
    case InputAction::Photo:
        m_steering->takePhoto();
        break;
    case InputAction::Record:
        m_steering->toggleRecording();
        break;
    default:
        break;
    }
}

void InputRouter::gamepadsChanged()
{
    if (m_capture == GamepadCapture)
        captureGamepad();
    applyGamepads();
}

void InputRouter::captureGamepad()
{
    if (!m_gamepads)
        return;
    for (const GamepadService::Device &d : m_gamepads->devices()) {
        const QVector<double> now = controlValues(d.calibrated);
        const QVector<double> before =
            m_captureBaseline.value(d.raw.id, QVector<double>(now.size()));
        for (int i = 0; i < now.size(); ++i) {
            if (std::abs(now[i] - before[i]) < CaptureLevel)
                continue;
            GamepadControl control;
            if (i < GamepadControl::ButtonCount) {
                control = GamepadControl::button(i);
            } else {
                const int axis = i - GamepadControl::ButtonCount;
                // The bindings' owner keeps whichever form suits the action.
                control = GamepadControl::isTriggerAxis(axis)
                              ? GamepadControl::axis(axis)
                              : GamepadControl::halfAxis(axis, now[i] > before[i] ? 1 : -1);
            }
            emit gamepadCaptured(control.name());
            cancelCapture();
            return;
        }
    }
}

void InputRouter::applyGamepads()
{
    // While the link is down nothing acts, and the steering keeps what it
    // stopped stopped until the controls come back to rest. While a binding
    // is recorded the controllers ask for nothing.
    const bool acting = m_capture == NoCapture && linkUp();
    std::array<double, InputAction::Count> level{};
    QSet<int> present;
    const QVector<GamepadService::Device> none;
    for (const GamepadService::Device &d : m_gamepads ? m_gamepads->devices() : none) {
        present.insert(d.raw.id);
        QSet<int> &down = m_padDown[d.raw.id];
        QSet<int> &latched = m_padLatched[d.raw.id];
        for (int a = 0; a < InputAction::Count; ++a) {
            const auto action = InputAction::Id(a);
            const GamepadControl control = m_bindings.gamepad(action);
            if (control.isNone())
                continue;
            const double v = d.calibrated.value(control);
            if (InputAction::kind(action) == InputAction::Axis) {
                const AxisResponse &response = action == InputAction::Yaw ? m_yaw : m_pitch;
                // Stick Y grows downwards; pitch up is positive.
                const double shaped = response.apply(action == InputAction::Pitch ? -v : v);
                if (std::abs(shaped) > std::abs(level[size_t(a)]))
                    level[size_t(a)] = shaped;
                continue;
            }
            // Presses are followed even while nothing acts, so a control
            // held through a recording or a link loss does not fire later.
            const bool wasDown = down.contains(a);
            const bool isDown = v >= (wasDown ? ReleaseLevel : PressLevel);
            if (isDown && !wasDown) {
                down.insert(a);
                const bool may =
                    acting || (m_capture == NoCapture && !InputAction::needsLink(action));
                if (may && InputAction::kind(action) == InputAction::Press)
                    runPress(action);
            } else if (!isDown && wasDown) {
                down.remove(a);
                latched.remove(a);
            }
            if (isDown && !latched.contains(a))
                level[size_t(a)] = 1;
        }
    }
    // Controllers that went away take what they held with them.
    for (auto it = m_padDown.begin(); it != m_padDown.end();) {
        if (!present.contains(it.key())) {
            m_padLatched.remove(it.key());
            it = m_padDown.erase(it);
        } else {
            ++it;
        }
    }
    // Sticks held off centre when a recording ended steer once back at rest.
    if (level[InputAction::Yaw] == 0 && level[InputAction::Pitch] == 0)
        m_sticksLatched = false;
    if (m_sticksLatched)
        level[InputAction::Yaw] = level[InputAction::Pitch] = 0;
    if (m_capture != NoCapture)
        level.fill(0);

    const bool changed = level != m_padLevel;
    m_padLevel = level;
    if (changed)
        emit activityChanged();
    if (!m_steering || (m_capture == NoCapture && !acting))
        return;

    const auto on = [&level](InputAction::Id a) { return level[size_t(a)] != 0 ? 1.0 : 0.0; };
    const double padYaw = on(InputAction::YawRight) - on(InputAction::YawLeft);
    const double padPitch = on(InputAction::PitchUp) - on(InputAction::PitchDown);
    // The d-pad's fixed speed wins over the stick while it is held.
    if (padYaw != 0 || padPitch != 0)
        m_steering->steer(GimbalSteering::Gamepad, padYaw, padPitch, true);
    else
        m_steering->steer(GimbalSteering::Gamepad, level[InputAction::Yaw],
                          level[InputAction::Pitch], false);
    m_steering->setFine(GimbalSteering::Gamepad, on(InputAction::Fine) != 0);
    ZoomDirection::Value zoom = ZoomDirection::Stop;
    if (on(InputAction::ZoomIn) != on(InputAction::ZoomOut))
        zoom = on(InputAction::ZoomIn) != 0 ? ZoomDirection::In : ZoomDirection::Out;
    m_steering->holdZoom(GimbalSteering::Gamepad, zoom);
}
