#include "input/InputProfile.h"

#include <QSettings>

namespace
{

double number(const QSettings &s, const QString &key, double fallback, double low, double high)
{
    bool ok = false;
    const double v = s.value(key).toDouble(&ok);
    return ok ? qBound(low, v, high) : fallback;
}

bool flag(const QSettings &s, const QString &key, bool fallback)
{
    const QVariant v = s.value(key);
    return v.isValid() ? v.toBool() : fallback;
}

} // namespace

QString InputProfile::groupFor(const QString &modelId)
{
    const QString key = modelId.trimmed();
    return QStringLiteral("Input/") + (key.isEmpty() ? QStringLiteral("default") : key);
}

InputProfile InputProfile::load(const QString &modelId)
{
    InputProfile p;
    QSettings s;
    s.beginGroup(groupFor(modelId));
    for (int a = 0; a < InputAction::Count; ++a) {
        const auto action = InputAction::Id(a);
        const QString name = InputAction::name(action);
        const QString keyEntry = QStringLiteral("keys/") + name;
        if (s.contains(keyEntry)) {
            const QVariantList keys = s.value(keyEntry).toList();
            for (int slot = 0; slot < BindingTable::KeySlots; ++slot) {
                bool ok = false;
                const int key = keys.value(slot, 0).toInt(&ok);
                if (!ok || !p.bindings.setKey(action, slot, key))
                    p.bindings.setKey(action, slot, BindingTable::defaults().key(action, slot));
            }
        }
        const QString padEntry = QStringLiteral("gamepad/") + name;
        if (s.contains(padEntry)) {
            const QString text = s.value(padEntry).toString();
            const GamepadControl control = GamepadControl::parse(text);
            // An empty entry unbinds; one that names nothing keeps the default.
            if (text.isEmpty() || !control.isNone())
                p.bindings.setGamepad(action, control);
        }
    }
    for (AxisResponse *axis : {&p.yaw, &p.pitch}) {
        axis->deadZone =
            number(s, QStringLiteral("deadZone"), axis->deadZone, 0.0, AxisResponse::MaxDeadZone);
        axis->curve = number(s, QStringLiteral("curve"), axis->curve, 0.0, 1.0);
    }
    p.yaw.invert = flag(s, QStringLiteral("invertYaw"), p.yaw.invert);
    p.pitch.invert = flag(s, QStringLiteral("invertPitch"), p.pitch.invert);
    p.speed.zoomScaling = flag(s, QStringLiteral("zoomScaling"), p.speed.zoomScaling);
    p.speed.topSpeed = int(number(s, QStringLiteral("topSpeed"), p.speed.topSpeed,
                                  SpeedRule::MinSpeed, SpeedRule::MaxSpeed));
    p.speed.keySpeed = int(number(s, QStringLiteral("keySpeed"), p.speed.keySpeed,
                                  SpeedRule::MinSpeed, SpeedRule::MaxSpeed));
    return p;
}

void InputProfile::save(const QString &modelId) const
{
    QSettings s;
    s.beginGroup(groupFor(modelId));
    for (int a = 0; a < InputAction::Count; ++a) {
        const auto action = InputAction::Id(a);
        const QString name = InputAction::name(action);
        QVariantList keys;
        for (int slot = 0; slot < BindingTable::KeySlots; ++slot)
            keys.append(bindings.key(action, slot));
        s.setValue(QStringLiteral("keys/") + name, keys);
        s.setValue(QStringLiteral("gamepad/") + name, bindings.gamepad(action).name());
    }
    // One dead zone and curve for both stick axes; the invert switch is per axis.
    s.setValue(QStringLiteral("deadZone"), yaw.deadZone);
    s.setValue(QStringLiteral("curve"), yaw.curve);
    s.setValue(QStringLiteral("invertYaw"), yaw.invert);
    s.setValue(QStringLiteral("invertPitch"), pitch.invert);
    s.setValue(QStringLiteral("zoomScaling"), speed.zoomScaling);
    s.setValue(QStringLiteral("topSpeed"), speed.topSpeed);
    s.setValue(QStringLiteral("keySpeed"), speed.keySpeed);
    s.endGroup();
    s.sync();
}

bool InputProfile::operator==(const InputProfile &o) const
{
    const auto same = [](const AxisResponse &a, const AxisResponse &b) {
        return a.deadZone == b.deadZone && a.curve == b.curve && a.invert == b.invert;
    };
    return bindings == o.bindings && same(yaw, o.yaw) && same(pitch, o.pitch) &&
           speed.topSpeed == o.speed.topSpeed && speed.keySpeed == o.speed.keySpeed &&
           speed.zoomScaling == o.speed.zoomScaling && speed.fineFactor == o.speed.fineFactor;
}
