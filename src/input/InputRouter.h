#pragma once

#include "input/AxisResponse.h"
#include "input/BindingTable.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QVector>

class GamepadService;
class GimbalSteering;

// Turns keys and game controllers into actions through the binding table
// and hands them to the steering. Keys and controllers act only while the
// link is up (the pad in the scene always sends). A key release always ends
// what its press began. While a binding is being recorded, the next key or
// control is reported through captured() instead of acting.
class InputRouter : public QObject
{
    Q_OBJECT
public:
    enum Capture { NoCapture, KeyCapture, GamepadCapture };
    // A held control counts as pressed from here, and as released below
    // ReleaseLevel (so a trigger resting near the threshold does not chatter).
    static constexpr double PressLevel = 0.5;
    static constexpr double ReleaseLevel = 0.3;
    // How far a control must move to be recorded as a binding.
    static constexpr double CaptureLevel = 0.6;

    InputRouter(GimbalSteering *steering, GamepadService *gamepads, QObject *parent = nullptr);

    void setBindings(const BindingTable &bindings);
    const BindingTable &bindings() const { return m_bindings; }
    void setResponse(const AxisResponse &yaw, const AxisResponse &pitch);

    // Keys steer only while the main page is shown; switching them off lets
    // every held key go.
    void setKeysActive(bool active);
    bool keysActive() const { return m_keysActive; }

    void beginCapture(Capture kind);
    void cancelCapture();
    Capture capture() const { return m_capture; }

    // Whether the action is being held or deflected right now (for the
    // controls section's live view).
    bool isActive(InputAction::Id action) const;

public slots:
    void keyPressed(int key, bool autoRepeat);
    void keyReleased(int key, bool autoRepeat);
    // The keyboard's context changed (focus left, a dialog or popup opened):
    // every held key stops.
    void keysInterrupted();
    void gamepadsChanged();

signals:
    // A key code, or a controller control's name.
    void keyCaptured(int key);
    void gamepadCaptured(const QString &control);
    void captureEnded();
    void activityChanged();
    // A press of an action that acts on the interface alone (its name);
    // these work whether or not the link is up.
    void interfaceAction(const QString &action);

private:
    void runPress(InputAction::Id action);
    void applyKeys();
    void applyGamepads();
    void captureGamepad();
    void holdUntilReleased();
    bool linkUp() const;

    QPointer<GimbalSteering> m_steering;
    QPointer<GamepadService> m_gamepads;
    BindingTable m_bindings;
    AxisResponse m_yaw;
    AxisResponse m_pitch;
    Capture m_capture = NoCapture;
    bool m_keysActive = true;

    // Held keys and the actions they started.
    QHash<int, QVector<InputAction::Id>> m_heldKeys;
    quint64 m_zoomOrder = 0;
    quint64 m_zoomInOrder = 0;
    quint64 m_zoomOutOrder = 0;

    // Per controller: which held and press actions are down.
    QHash<int, QSet<int>> m_padDown;
    // Held there when the bindings changed or a recording ended: they act
    // once let go and pressed again.
    QHash<int, QSet<int>> m_padLatched;
    // What each control read when recording began: only a change records.
    QHash<int, QVector<double>> m_captureBaseline;
    bool m_sticksLatched = false;
    std::array<double, InputAction::Count> m_padLevel{};
    bool m_keyActivity[InputAction::Count] = {};
};
