#include "input/GamepadPoller.h"

#include <QTimer>

#include <SDL.h>

#include <cmath>

static_assert(SDL_CONTROLLER_BUTTON_MAX == GamepadControl::ButtonCount,
              "button names follow the game-controller layer's order");
static_assert(SDL_CONTROLLER_AXIS_MAX == GamepadControl::AxisCount,
              "axis names follow the game-controller layer's order");

namespace
{

// Below this the change of an axis is noise nobody could act on.
constexpr double AxisResolution = 1.0 / 1024;

double stickValue(Sint16 v)
{
    return qBound(-1.0, v / 32767.0, 1.0);
}

} // namespace

GamepadPoller::GamepadPoller(bool virtualOnly, QObject *parent)
    : QObject(parent), m_virtualOnly(virtualOnly)
{
}

GamepadPoller::~GamepadPoller()
{
    stop();
}

void GamepadPoller::start()
{
    if (m_running)
        return;
    // Signals stay the program's (Ctrl+C ends it as before); controllers are
    // read whether or not a window has the focus.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        emit started(false, QString::fromUtf8(SDL_GetError()));
        return;
    }
    m_running = true;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        open(i);
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &GamepadPoller::poll);
    m_timer->start(PollMs);
    emit started(true, QString());
    poll();
}

void GamepadPoller::stop()
{
    if (!m_running)
        return;
    delete m_timer;
    m_timer = nullptr;
    for (SDL_GameController *controller : qAsConst(m_open))
        SDL_GameControllerClose(controller);
    m_open.clear();
    m_order.clear();
    m_isVirtual.clear();
    detachVirtual();
    // The whole library: the controller layer is its only use in the
    // program, and only a full quit frees its mapping table.
    SDL_Quit();
    m_running = false;
    if (!m_last.isEmpty()) {
        m_last.clear();
        emit readingsChanged(m_last);
    }
}

void GamepadPoller::open(int deviceIndex)
{
    if (!SDL_IsGameController(deviceIndex))
        return;
    const bool isVirtual = SDL_JoystickIsVirtual(deviceIndex);
    if (m_virtualOnly && !isVirtual)
        return;
    const int id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (m_open.contains(id))
        return;
    SDL_GameController *controller = SDL_GameControllerOpen(deviceIndex);
    if (!controller)
        return;
    m_open.insert(id, controller);
    m_order.append(id);
    m_isVirtual.insert(id, isVirtual);
}

void GamepadPoller::close(int instanceId)
{
    SDL_GameController *controller = m_open.take(instanceId);
    if (controller)
        SDL_GameControllerClose(controller);
    m_order.removeAll(instanceId);
    m_isVirtual.remove(instanceId);
}

GamepadReading GamepadPoller::read(int instanceId, SDL_GameController *controller) const
{
    GamepadReading r;
    r.id = instanceId;
    r.name = QString::fromUtf8(SDL_GameControllerName(controller));
    r.isVirtual = m_isVirtual.value(instanceId);
    r.ms = GamepadReading::monotonicMs();
    for (int a = 0; a < GamepadControl::AxisCount; ++a) {
        const Sint16 v = SDL_GameControllerGetAxis(controller, SDL_GameControllerAxis(a));
        // Triggers read 0…32767.
        r.axes[size_t(a)] =
            GamepadControl::isTriggerAxis(a) ? qBound(0.0, v / 32767.0, 1.0) : stickValue(v);
    }
    for (int b = 0; b < GamepadControl::ButtonCount; ++b) {
        if (SDL_GameControllerGetButton(controller, SDL_GameControllerButton(b)))
            r.buttons |= 1u << b;
    }
    return r;
}

bool GamepadPoller::differs(const QVector<GamepadReading> &a, const QVector<GamepadReading> &b)
{
    if (a.size() != b.size())
        return true;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].id != b[i].id || a[i].buttons != b[i].buttons)
            return true;
        for (size_t k = 0; k < a[i].axes.size(); ++k) {
            if (std::abs(a[i].axes[k] - b[i].axes[k]) >= AxisResolution)
                return true;
        }
    }
    return false;
}

void GamepadPoller::poll()
{
    if (!m_running)
        return;
    SDL_Event event;
    // Pumping the events also brings every controller's state up to date.
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_CONTROLLERDEVICEADDED)
            open(event.cdevice.which);
        else if (event.type == SDL_CONTROLLERDEVICEREMOVED)
            close(event.cdevice.which);
    }
    QVector<GamepadReading> now;
    now.reserve(m_order.size());
    for (int id : qAsConst(m_order))
        now.append(read(id, m_open.value(id)));
    if (!differs(now, m_last))
        return;
    m_last = now;
    emit readingsChanged(now);
}

void GamepadPoller::attachVirtual()
{
    if (!m_running) {
        emit virtualAttached(false, QStringLiteral("the game-controller layer did not start"));
        return;
    }
    if (m_virtual) {
        emit virtualAttached(true, QString());
        return;
    }
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    // Every axis and button, in the game-controller layer's own order.
    desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
    desc.name = "Skyrig virtual controller";
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) {
        emit virtualAttached(false, QString::fromUtf8(SDL_GetError()));
        return;
    }
    m_virtual = SDL_JoystickOpen(index);
    if (!m_virtual) {
        const QString error = QString::fromUtf8(SDL_GetError());
        SDL_JoystickDetachVirtual(index);
        emit virtualAttached(false, error);
        return;
    }
    m_virtualId = SDL_JoystickInstanceID(m_virtual);
    // A released trigger reads the bottom of the raw range.
    for (int a = SDL_CONTROLLER_AXIS_TRIGGERLEFT; a <= SDL_CONTROLLER_AXIS_TRIGGERRIGHT; ++a)
        SDL_JoystickSetVirtualAxis(m_virtual, a, SDL_JOYSTICK_AXIS_MIN);
    emit virtualAttached(true, QString());
    poll();
}

void GamepadPoller::detachVirtual()
{
    if (!m_virtual)
        return;
    SDL_JoystickClose(m_virtual);
    m_virtual = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == m_virtualId) {
            SDL_JoystickDetachVirtual(i);
            break;
        }
    }
    m_virtualId = -1;
    poll();
}

void GamepadPoller::setVirtual(int type, int index, double value)
{
    if (!m_virtual || !std::isfinite(value))
        return;
    if (type == GamepadControl::Button) {
        SDL_JoystickSetVirtualButton(m_virtual, index, value >= 0.5 ? SDL_PRESSED : SDL_RELEASED);
    } else if (type == GamepadControl::Axis) {
        double raw = GamepadControl::isTriggerAxis(index)
                         ? qBound(0.0, value, 1.0) * 65535.0 - 32768.0
                         : qBound(-1.0, value, 1.0) * 32767.0;
        SDL_JoystickSetVirtualAxis(m_virtual, index, Sint16(std::lround(raw)));
    }
}
