#pragma once

#include "input/InputProfile.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariantList>

class CameraModelBridge;
class GamepadService;
class GimbalSteering;
class InputRouter;

// The controls section's view of the input layer: every binding with its
// conflicts, recording a new one by pressing it, each controller's live
// axes and buttons with what they are bound to, and the stick and speed
// settings. Everything is kept per product (InputProfile) and follows the
// selected product.
class InputControls : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QVariantList actions READ actions NOTIFY bindingsChanged)
    Q_PROPERTY(QStringList conflicts READ conflicts NOTIFY bindingsChanged)
    Q_PROPERTY(QVariantList devices READ devices NOTIFY devicesChanged)
    Q_PROPERTY(QString gamepadStatus READ gamepadStatus NOTIFY devicesChanged)
    Q_PROPERTY(bool capturing READ capturing NOTIFY captureChanged)
    Q_PROPERTY(QString captureAction READ captureAction NOTIFY captureChanged)
    // -1 while recording a controller control, else the key slot.
    Q_PROPERTY(int captureSlot READ captureSlot NOTIFY captureChanged)
    // The section shows the live view: values are refreshed while true.
    Q_PROPERTY(bool watching READ watching WRITE setWatching NOTIFY watchingChanged)
    // Keys steer while the page with the controls is shown.
    Q_PROPERTY(bool keysActive READ keysActive WRITE setKeysActive NOTIFY keysActiveChanged)
    Q_PROPERTY(double deadZone READ deadZone WRITE setDeadZone NOTIFY settingsChanged)
    Q_PROPERTY(double curve READ curve WRITE setCurve NOTIFY settingsChanged)
    Q_PROPERTY(bool invertYaw READ invertYaw WRITE setInvertYaw NOTIFY settingsChanged)
    Q_PROPERTY(bool invertPitch READ invertPitch WRITE setInvertPitch NOTIFY settingsChanged)
    Q_PROPERTY(bool zoomScaling READ zoomScaling WRITE setZoomScaling NOTIFY settingsChanged)
    Q_PROPERTY(int topSpeed READ topSpeed WRITE setTopSpeed NOTIFY settingsChanged)
    Q_PROPERTY(int keySpeed READ keySpeed WRITE setKeySpeed NOTIFY settingsChanged)
public:
    // The live view is redrawn at most this often.
    static constexpr int LiveRefreshMs = 50;

    InputControls(InputRouter *router, GimbalSteering *steering, GamepadService *gamepads,
                  CameraModelBridge *camera, QObject *parent = nullptr);

    QVariantList actions() const;
    QStringList conflicts() const;
    QVariantList devices() const { return m_devices; }
    QString gamepadStatus() const;
    bool capturing() const { return !m_captureAction.isEmpty(); }
    QString captureAction() const { return m_captureAction; }
    int captureSlot() const { return m_captureSlot; }
    bool watching() const { return m_watching; }
    void setWatching(bool on);
    bool keysActive() const;
    void setKeysActive(bool on);

    double deadZone() const { return m_profile.yaw.deadZone; }
    double curve() const { return m_profile.yaw.curve; }
    bool invertYaw() const { return m_profile.yaw.invert; }
    bool invertPitch() const { return m_profile.pitch.invert; }
    bool zoomScaling() const { return m_profile.speed.zoomScaling; }
    int topSpeed() const { return m_profile.speed.topSpeed; }
    int keySpeed() const { return m_profile.speed.keySpeed; }
    void setDeadZone(double value);
    void setCurve(double value);
    void setInvertYaw(bool on);
    void setInvertPitch(bool on);
    void setZoomScaling(bool on);
    void setTopSpeed(int value);
    void setKeySpeed(int value);

    const InputProfile &profile() const { return m_profile; }

    // Records the next key for one of the action's key slots, or the next
    // controller control moved for the action; Escape or cancelCapture()
    // gives up.
    Q_INVOKABLE void captureKey(const QString &action, int slot);
    Q_INVOKABLE void captureGamepad(const QString &action);
    Q_INVOKABLE void cancelCapture();
    // Direct changes (scripts, the clear buttons). False for an unknown
    // action, a key or control that cannot be bound, or one that does not
    // suit the action. A key is its name ("W", "Up", "Shift", "1") or its
    // code ("0x57"); an empty text unbinds.
    Q_INVOKABLE bool setKeyBinding(const QString &action, int slot, const QString &key);
    Q_INVOKABLE bool setGamepadBinding(const QString &action, const QString &control);
    Q_INVOKABLE void resetDefaults();
    // The section was left: a recording ends and anything moving stops.
    Q_INVOKABLE void sectionClosed();

signals:
    void bindingsChanged();
    void devicesChanged();
    void captureChanged();
    void watchingChanged();
    void keysActiveChanged();
    void settingsChanged();
    // A key or control bound to an interface action was pressed ("videoStats").
    void actionPressed(const QString &action);

private:
    void loadProfile();
    void apply(const InputProfile &profile);
    void store();
    // Applies and stores one change of the profile, if it changes anything.
    template <typename Edit> void change(Edit edit);
    void rebuildDevices();
    void onKeyCaptured(int key);
    void onGamepadCaptured(const QString &control);
    static int keyFromText(const QString &text, bool *ok);

    QPointer<InputRouter> m_router;
    QPointer<GimbalSteering> m_steering;
    QPointer<GamepadService> m_gamepads;
    QPointer<CameraModelBridge> m_camera;
    InputProfile m_profile;
    QString m_modelId;
    bool m_loaded = false;
    bool m_applied = false;
    QVariantList m_devices;
    QString m_captureAction;
    int m_captureSlot = -1;
    bool m_watching = false;
    QTimer m_refresh;
};
