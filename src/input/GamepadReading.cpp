#include "input/GamepadReading.h"

#include <QElapsedTimer>
#include <QtGlobal>

double GamepadReading::value(const GamepadControl &control) const
{
    switch (control.type()) {
    case GamepadControl::Button:
        return button(control.index()) ? 1.0 : 0.0;
    case GamepadControl::Axis:
        return axes[size_t(control.index())];
    case GamepadControl::HalfAxis:
        return qMax(0.0, axes[size_t(control.index())] * control.sign());
    case GamepadControl::None:
        break;
    }
    return 0.0;
}

void GamepadReading::registerMetaType()
{
    qRegisterMetaType<GamepadReading>();
    qRegisterMetaType<QVector<GamepadReading>>();
}

qint64 GamepadReading::monotonicMs()
{
    QElapsedTimer clock;
    clock.start();
    return clock.msecsSinceReference();
}
