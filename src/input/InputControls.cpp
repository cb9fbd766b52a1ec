#include "input/InputControls.h"

#include "catalog/CameraModelBridge.h"
#include "input/GamepadService.h"
#include "input/GimbalSteering.h"
#include "input/InputRouter.h"
#include "link/Language.h"

#include <QKeySequence>

#include <cmath>

namespace
{

QString keyText(int key)
{
    // The portable names ("Shift", "Up", "W"): the native ones draw some
    // keys as symbols not every font has.
    return key == 0 ? QString() : QKeySequence(key).toString(QKeySequence::PortableText);
}

QString kindName(InputAction::Kind kind)
{
    switch (kind) {
    case InputAction::Axis:
        return QStringLiteral("axis");
    case InputAction::Held:
        return QStringLiteral("held");
    case InputAction::Press:
        break;
    }
    return QStringLiteral("press");
}

} // namespace

InputControls::InputControls(InputRouter *router, GimbalSteering *steering,
                             GamepadService *gamepads, CameraModelBridge *camera, QObject *parent)
    : QObject(parent), m_router(router), m_steering(steering), m_gamepads(gamepads),
      m_camera(camera)
{
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(LiveRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &InputControls::rebuildDevices);
    if (router)
        connect(router, &InputRouter::interfaceAction, this, &InputControls::actionPressed);
    if (camera)
        connect(camera, &CameraModelBridge::changed, this, &InputControls::loadProfile);
    if (gamepads) {
        connect(gamepads, &GamepadService::devicesChanged, this, &InputControls::rebuildDevices);
        connect(gamepads, &GamepadService::started, this, &InputControls::rebuildDevices);
        connect(gamepads, &GamepadService::readingsChanged, this, [this] {
            if (m_watching && !m_refresh.isActive())
                m_refresh.start();
        });
    }
    if (router) {
        connect(router, &InputRouter::keyCaptured, this, &InputControls::onKeyCaptured);
        connect(router, &InputRouter::gamepadCaptured, this, &InputControls::onGamepadCaptured);
        connect(router, &InputRouter::captureEnded, this, [this] {
            if (m_captureAction.isEmpty())
                return;
            m_captureAction.clear();
            m_captureSlot = -1;
            emit captureChanged();
        });
    }
    connect(Language::instance(), &Language::changed, this, [this] {
        emit bindingsChanged();
        rebuildDevices();
    });
    loadProfile();
}

void InputControls::loadProfile()
{
    const QString id = m_camera ? m_camera->modelId() : QString();
    if (m_loaded && id == m_modelId)
        return;
    cancelCapture();
    m_loaded = true;
    m_modelId = id;
    apply(InputProfile::load(m_modelId));
}

void InputControls::apply(const InputProfile &profile)
{
    const bool bindings = !m_applied || profile.bindings != m_profile.bindings;
    m_applied = true;
    m_profile = profile;
    if (m_router) {
        if (bindings)
            m_router->setBindings(profile.bindings);
        m_router->setResponse(profile.yaw, profile.pitch);
    }
    if (m_steering)
        m_steering->setSpeedRule(profile.speed);
    emit bindingsChanged();
    emit settingsChanged();
    if (bindings)
        rebuildDevices();
}

void InputControls::store()
{
    m_profile.save(m_modelId);
}

QVariantList InputControls::actions() const
{
    QVariantList out;
    const QVector<BindingTable::Conflict> clashes = m_profile.bindings.conflicts();
    for (int a = 0; a < InputAction::Count; ++a) {
        const auto action = InputAction::Id(a);
        QVariantList keys;
        QVariantList keyConflicts;
        for (int slot = 0; slot < BindingTable::KeySlots; ++slot) {
            const int key = m_profile.bindings.key(action, slot);
            keys.append(keyText(key));
            bool clash = false;
            for (const BindingTable::Conflict &c : clashes)
                clash = clash || (c.keyboard && key != 0 && c.input == keyText(key) &&
                                  (c.first == action || c.second == action));
            keyConflicts.append(clash);
        }
        bool padClash = false;
        for (const BindingTable::Conflict &c : clashes)
            padClash = padClash || (!c.keyboard && (c.first == action || c.second == action));
        const GamepadControl pad = m_profile.bindings.gamepad(action);
        out.append(QVariantMap{{QStringLiteral("name"), InputAction::name(action)},
                               {QStringLiteral("label"), InputAction::label(action).text()},
                               {QStringLiteral("kind"), kindName(InputAction::kind(action))},
                               {QStringLiteral("keys"), keys},
                               {QStringLiteral("keyConflicts"), keyConflicts},
                               {QStringLiteral("gamepad"), pad.label().text()},
                               {QStringLiteral("gamepadName"), pad.name()},
                               {QStringLiteral("gamepadConflict"), padClash}});
    }
    return out;
}

QStringList InputControls::conflicts() const
{
    QStringList out;
    for (const BindingTable::Conflict &c : m_profile.bindings.conflicts()) {
        const QString input = c.keyboard ? c.input : GamepadControl::parse(c.input).label().text();
        out.append(Language::pick(QStringLiteral("%1 is bound to both \"%2\" and \"%3\""),
                                  QStringLiteral("%1 同时绑定了「%2」和「%3」"))
                       .arg(input, InputAction::label(c.first).text(),
                            InputAction::label(c.second).text()));
    }
    return out;
}

QString InputControls::gamepadStatus() const
{
    if (!m_gamepads || !m_gamepads->isStarted())
        return Language::pick(QStringLiteral("Game controllers are not in use"),
                              QStringLiteral("未启用游戏手柄"));
    if (!m_gamepads->errorText().isEmpty())
        return Language::pick(QStringLiteral("Game controllers unavailable: %1"),
                              QStringLiteral("游戏手柄不可用：%1"))
            .arg(m_gamepads->errorText());
    const int count = m_gamepads->devices().size();
    if (count == 0)
        return Language::pick(QStringLiteral("No game controller connected"),
                              QStringLiteral("未连接游戏手柄"));
    return Language::pick(QStringLiteral("%1 connected"), QStringLiteral("已连接 %1 个"))
        .arg(count);
}

void InputControls::setWatching(bool on)
{
    if (m_watching == on)
        return;
    m_watching = on;
    emit watchingChanged();
    if (on)
        rebuildDevices();
}

bool InputControls::keysActive() const
{
    return m_router && m_router->keysActive();
}

void InputControls::setKeysActive(bool on)
{
    if (!m_router || m_router->keysActive() == on)
        return;
    m_router->setKeysActive(on);
    emit keysActiveChanged();
}

void InputControls::rebuildDevices()
{
    QVariantList list;
    const QVector<GamepadService::Device> none;
    for (const GamepadService::Device &d : m_gamepads ? m_gamepads->devices() : none) {
        const auto boundTo = [this](const GamepadControl &control) {
            QStringList names;
            for (int a = 0; a < InputAction::Count; ++a) {
                if (m_profile.bindings.gamepad(InputAction::Id(a)).overlaps(control))
                    names.append(InputAction::label(InputAction::Id(a)).text());
            }
            return names.join(QStringLiteral(", "));
        };
        QVariantList axes;
        QStringList notes;
        for (int a = 0; a < GamepadControl::AxisCount; ++a) {
            const GamepadControl control = GamepadControl::axis(a);
            const AxisCalibration &cal = d.calibration[size_t(a)];
            QString state = QStringLiteral("live");
            if (cal.state() == AxisCalibration::Settling) {
                state = QStringLiteral("settling");
            } else if (cal.state() == AxisCalibration::Ignored) {
                state = QStringLiteral("ignored");
                notes.append(Language::pick(QStringLiteral("%1 read %2 when connected, far from "
                                                           "rest: ignored until it returns"),
                                            QStringLiteral("%1 连接时读数为 %2，远离静止位置："
                                                           "回到静止位置前不使用"))
                                 .arg(control.label().text())
                                 .arg(cal.stuckAt(), 0, 'f', 2));
            } else if (std::abs(cal.rest()) >= 0.02) {
                notes.append(Language::pick(QStringLiteral("%1 rests at %2: calibrated there"),
                                            QStringLiteral("%1 静止于 %2：已按此校准"))
                                 .arg(control.label().text())
                                 .arg(cal.rest(), 0, 'f', 2));
            }
            axes.append(QVariantMap{{QStringLiteral("name"), control.name()},
                                    {QStringLiteral("label"), control.label().text()},
                                    {QStringLiteral("value"), d.calibrated.axes[size_t(a)]},
                                    {QStringLiteral("raw"), d.raw.axes[size_t(a)]},
                                    {QStringLiteral("trigger"), GamepadControl::isTriggerAxis(a)},
                                    {QStringLiteral("state"), state},
                                    {QStringLiteral("bound"), boundTo(control)}});
        }
        QVariantList buttons;
        for (int b = 0; b < GamepadControl::ButtonCount; ++b) {
            const GamepadControl control = GamepadControl::button(b);
            buttons.append(QVariantMap{{QStringLiteral("name"), control.name()},
                                       {QStringLiteral("label"), control.label().text()},
                                       {QStringLiteral("down"), d.raw.button(b)},
                                       {QStringLiteral("bound"), boundTo(control)}});
        }
        list.append(QVariantMap{{QStringLiteral("id"), d.raw.id},
                                {QStringLiteral("name"), d.raw.name},
                                {QStringLiteral("virtual"), d.raw.isVirtual},
                                {QStringLiteral("notes"), notes},
                                {QStringLiteral("axes"), axes},
                                {QStringLiteral("buttons"), buttons}});
    }
    m_devices = list;
    emit devicesChanged();
}

void InputControls::captureKey(const QString &action, int slot)
{
    if (InputAction::fromName(action) < 0 || slot < 0 || slot >= BindingTable::KeySlots ||
        !m_router)
        return;
    m_router->beginCapture(InputRouter::KeyCapture);
    m_captureAction = action;
    m_captureSlot = slot;
    emit captureChanged();
}

void InputControls::captureGamepad(const QString &action)
{
    if (InputAction::fromName(action) < 0 || !m_router)
        return;
    m_router->beginCapture(InputRouter::GamepadCapture);
    m_captureAction = action;
    m_captureSlot = -1;
    emit captureChanged();
}

void InputControls::cancelCapture()
{
    if (m_router)
        m_router->cancelCapture();
    if (!m_captureAction.isEmpty()) {
        m_captureAction.clear();
        m_captureSlot = -1;
        emit captureChanged();
    }
}

void InputControls::onKeyCaptured(int key)
{
    if (!m_captureAction.isEmpty() && m_captureSlot >= 0)
        setKeyBinding(m_captureAction, m_captureSlot, QStringLiteral("0x%1").arg(key, 0, 16));
}

void InputControls::onGamepadCaptured(const QString &control)
{
    const int action = InputAction::fromName(m_captureAction);
    if (action < 0 || m_captureSlot >= 0)
        return;
    GamepadControl c = GamepadControl::parse(control);
    // A stick pushed for an axis action binds the whole axis.
    if (InputAction::kind(InputAction::Id(action)) == InputAction::Axis &&
        c.type() == GamepadControl::HalfAxis)
        c = GamepadControl::axis(c.index());
    setGamepadBinding(m_captureAction, c.name());
}

int InputControls::keyFromText(const QString &text, bool *ok)
{
    *ok = true;
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    // A code as "0x57"; a bare number is the digit key of that name.
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const int code = t.mid(2).toInt(ok, 16);
        return *ok ? code : 0;
    }
    const QKeySequence sequence = QKeySequence::fromString(t, QKeySequence::PortableText);
    const int key = sequence.count() == 1 ? sequence[0] : 0;
    if (key != 0 && (key & int(Qt::KeyboardModifierMask)) == 0)
        return key;
    *ok = false;
    return 0;
}

bool InputControls::setKeyBinding(const QString &action, int slot, const QString &key)
{
    const int id = InputAction::fromName(action);
    bool ok = false;
    const int code = keyFromText(key, &ok);
    if (id < 0 || !ok)
        return false;
    if (!BindingTable().setKey(InputAction::Id(id), slot, code))
        return false;
    change([&](InputProfile &p) { p.bindings.setKey(InputAction::Id(id), slot, code); });
    return true;
}

bool InputControls::setGamepadBinding(const QString &action, const QString &control)
{
    const int id = InputAction::fromName(action);
    const GamepadControl c = GamepadControl::parse(control);
    if (id < 0 || (c.isNone() && !control.trimmed().isEmpty()))
        return false;
    if (!BindingTable::suits(InputAction::Id(id), c))
        return false;
    change([&](InputProfile &p) { p.bindings.setGamepad(InputAction::Id(id), c); });
    return true;
}

void InputControls::resetDefaults()
{
    cancelCapture();
    apply(InputProfile());
    store();
}

void InputControls::sectionClosed()
{
    cancelCapture();
    setWatching(false);
    if (m_steering)
        m_steering->halt();
}

template <typename Edit> void InputControls::change(Edit edit)
{
    InputProfile next = m_profile;
    edit(next);
    if (next == m_profile)
        return;
    apply(next);
    store();
}

void InputControls::setDeadZone(double value)
{
    if (std::isfinite(value))
        change([value](InputProfile &p) {
            p.yaw.deadZone = p.pitch.deadZone = qBound(0.0, value, AxisResponse::MaxDeadZone);
        });
}

void InputControls::setCurve(double value)
{
    if (std::isfinite(value))
        change([value](InputProfile &p) { p.yaw.curve = p.pitch.curve = qBound(0.0, value, 1.0); });
}

void InputControls::setInvertYaw(bool on)
{
    change([on](InputProfile &p) { p.yaw.invert = on; });
}

void InputControls::setInvertPitch(bool on)
{
    change([on](InputProfile &p) { p.pitch.invert = on; });
}

void InputControls::setZoomScaling(bool on)
{
    change([on](InputProfile &p) { p.speed.zoomScaling = on; });
}

void InputControls::setTopSpeed(int value)
{
    change([value](InputProfile &p) {
        p.speed.topSpeed = qBound(SpeedRule::MinSpeed, value, SpeedRule::MaxSpeed);
    });
}

void InputControls::setKeySpeed(int value)
{
    change([value](InputProfile &p) {
        p.speed.keySpeed = qBound(SpeedRule::MinSpeed, value, SpeedRule::MaxSpeed);
    });
}
