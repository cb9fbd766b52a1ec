#include "input/GimbalSteering.h"

#include "catalog/CameraModelBridge.h"
#include "commands/GimbalController.h"
#include "link/Language.h"
#include "state/GimbalState.h"

#include <algorithm>
#include <cmath>

namespace
{

// gimbalControl's direction codes.
constexpr int YawLeft = 0;
constexpr int YawRight = 1;
constexpr int PitchUp = 0;
constexpr int PitchDown = 1;
constexpr int NoMotion = 2;

double unit(double v)
{
    return std::isfinite(v) ? qBound(-1.0, v, 1.0) : 0.0;
}

} // namespace

GimbalSteering::GimbalSteering(GimbalController *controller, GimbalState *state,
                               CameraModelBridge *camera, QObject *parent)
    : QObject(parent), m_controller(controller), m_state(state), m_camera(camera)
{
    m_clock.start();
    m_zoomHold.fill(ZoomDirection::Stop);
    for (QTimer *timer : {&m_repeat, &m_stopRepeat, &m_speedLater, &m_zoomStopRepeat})
        timer->setTimerType(Qt::PreciseTimer);
    m_repeat.setInterval(RepeatMs);
    m_stopRepeat.setInterval(StopGapMs);
    m_zoomStopRepeat.setInterval(StopGapMs);
    m_speedLater.setSingleShot(true);
    connect(&m_repeat, &QTimer::timeout, this, &GimbalSteering::sendMove);
    connect(&m_stopRepeat, &QTimer::timeout, this, [this] {
        if (m_controller)
            m_controller->gimbalControl(0, NoMotion, NoMotion);
        if (--m_stopsLeft <= 0)
            m_stopRepeat.stop();
    });
    connect(&m_zoomStopRepeat, &QTimer::timeout, this, [this] {
        if (m_controller)
            m_controller->continuousZoom(ZoomDirection::Stop);
        if (--m_zoomStopsLeft <= 0)
            m_zoomStopRepeat.stop();
    });
    connect(&m_speedLater, &QTimer::timeout, this, &GimbalSteering::sendSpeed);
    // The speed follows the zoom while moving.
    if (state)
        connect(state, &GimbalState::visStatusChanged, this, [this] {
            if (m_moving)
                update();
        });
}

void GimbalSteering::setSpeedRule(const SpeedRule &rule)
{
    m_rule = rule;
    if (m_moving)
        update();
}

void GimbalSteering::steer(Source source, double yaw, double pitch, bool digital)
{
    Demand &d = m_demand[source];
    const bool wasActive = d.active();
    d.yaw = unit(yaw);
    d.pitch = unit(pitch);
    d.digital = digital;
    if (!d.active())
        d.latched = false;
    else if (!wasActive)
        d.order = ++m_order;
    update();
}

void GimbalSteering::setFine(Source source, bool on)
{
    if (m_fine[source] == on)
        return;
    m_fine[source] = on;
    if (m_moving)
        update();
}

void GimbalSteering::setLinkUp(bool up)
{
    if (m_linkUp == up)
        return;
    m_linkUp = up;
    if (!up) {
        halt();
    } else {
        // Another link, perhaps another camera: its speed is not known.
        m_throttle.forget();
    }
}

void GimbalSteering::halt()
{
    for (int s = 0; s < SourceCount; ++s) {
        Demand &d = m_demand[size_t(s)];
        if (d.active())
            d.latched = true;
        m_zoomHold[size_t(s)] = ZoomDirection::Stop;
    }
    update();
    updateZoom();
}

void GimbalSteering::update()
{
    const Demand *lead = nullptr;
    for (const Demand &d : m_demand) {
        if (d.active() && !d.latched && (!lead || d.order > lead->order))
            lead = &d;
    }
    if (!lead) {
        m_speedLater.stop();
        if (m_moving) {
            m_moving = false;
            m_repeat.stop();
            m_yawDir = m_pitchDir = NoMotion;
            startStops();
            emit movingChanged();
        }
        return;
    }

    // Motion starting, or another input taking the lead, sets its speed at once.
    const bool starting = !m_moving || lead->order != m_leadOrder;
    m_leadOrder = lead->order;
    int pitchSpeed = 0;
    int yawSpeed = 0;
    wantedSpeeds(*lead, pitchSpeed, yawSpeed);
    const qint64 now = m_clock.elapsed();
    switch (m_throttle.offer(pitchSpeed, yawSpeed, now, starting)) {
    case SpeedThrottle::SendNow:
        m_speedLater.stop();
        if (m_controller)
            m_controller->gimbalSpeedSet(pitchSpeed, yawSpeed);
        m_throttle.sent(pitchSpeed, yawSpeed, now);
        break;
    case SpeedThrottle::SendLater:
        if (!m_speedLater.isActive() || m_speedLater.remainingTime() > m_throttle.dueAt() - now)
            m_speedLater.start(int(qMax<qint64>(1, m_throttle.dueAt() - now)));
        break;
    case SpeedThrottle::Keep:
        break;
    }

    const int yawDir = lead->yaw > 0 ? YawRight : lead->yaw < 0 ? YawLeft : NoMotion;
    const int pitchDir = lead->pitch > 0 ? PitchUp : lead->pitch < 0 ? PitchDown : NoMotion;
    if (!m_moving || yawDir != m_yawDir || pitchDir != m_pitchDir) {
        m_yawDir = yawDir;
        m_pitchDir = pitchDir;
        m_stopRepeat.stop();
        m_stopsLeft = 0;
        const bool wasMoving = m_moving;
        m_moving = true;
        sendMove();
        m_repeat.start();
        if (!wasMoving)
            emit movingChanged();
    }
}

void GimbalSteering::wantedSpeeds(const Demand &d, int &pitch, int &yaw) const
{
    const double zoom = currentZoom();
    bool fine = false;
    for (bool f : m_fine)
        fine = fine || f;
    const auto speed = [&](double value) {
        const double rate = d.digital ? m_rule.keySpeed : m_rule.rateFor(value);
        return m_rule.speedFor(rate, zoom, fine);
    };
    // An axis at rest keeps the other's speed, so it changes nothing.
    yaw = d.yaw != 0 ? speed(d.yaw) : speed(d.pitch);
    pitch = d.pitch != 0 ? speed(d.pitch) : yaw;
}

void GimbalSteering::sendMove()
{
    if (m_controller && m_moving)
        m_controller->gimbalControl(0, m_yawDir, m_pitchDir);
}

void GimbalSteering::sendSpeed()
{
    if (!m_moving)
        return;
    update();
}

void GimbalSteering::startStops()
{
    if (m_controller)
        m_controller->gimbalControl(0, NoMotion, NoMotion);
    m_stopsLeft = StopRepeats;
    if (m_stopsLeft > 0)
        m_stopRepeat.start();
}

void GimbalSteering::holdZoom(Source source, ZoomDirection::Value direction)
{
    if (m_zoomHold[source] == direction)
        return;
    m_zoomHold[source] = direction;
    if (direction != ZoomDirection::Stop)
        m_zoomOrder[source] = ++m_order;
    updateZoom();
}

void GimbalSteering::updateZoom()
{
    ZoomDirection::Value wanted = ZoomDirection::Stop;
    quint64 latest = 0;
    for (int s = 0; s < SourceCount; ++s) {
        if (m_zoomHold[size_t(s)] != ZoomDirection::Stop && m_zoomOrder[size_t(s)] > latest) {
            latest = m_zoomOrder[size_t(s)];
            wanted = m_zoomHold[size_t(s)];
        }
    }
    if (wanted == m_zoom)
        return;
    const bool wasZooming = zooming();
    m_zoom = wanted;
    m_zoomStopRepeat.stop();
    m_zoomStopsLeft = 0;
    if (m_controller)
        m_controller->continuousZoom(wanted);
    if (wanted == ZoomDirection::Stop) {
        m_zoomStopsLeft = StopRepeats;
        if (m_zoomStopsLeft > 0)
            m_zoomStopRepeat.start();
    }
    if (wasZooming != zooming())
        emit zoomingChanged();
}

double GimbalSteering::currentZoom() const
{
    const double reported = m_state ? double(m_state->hybridZoom()) : 0.0;
    return reported > 0 ? reported : 1.0;
}

void GimbalSteering::centre()
{
    if (m_controller)
        m_controller->gimbalControl(1, NoMotion, NoMotion);
}

void GimbalSteering::lookDown()
{
    if (m_controller)
        m_controller->gimbalControl(2, NoMotion, NoMotion);
}

void GimbalSteering::zoomSteps(int steps)
{
    if (steps == 0 || !m_controller)
        return;
    const double low = m_camera ? m_camera->visZoomMin() : 1.0;
    const double high = m_camera ? m_camera->visZoomMax() : 30.0;
    const double step = m_camera && m_camera->visZoomStep() > 0 ? m_camera->visZoomStep() : 0.1;
    const qint64 now = m_clock.elapsed();
    const bool recent = m_zoomTargetMs >= 0 && now - m_zoomTargetMs < ZoomTargetHoldMs;
    const double from = qBound(low, recent ? m_zoomTarget : currentZoom(), high);
    double target = from * std::pow(ZoomStepFactor, steps);
    target = qBound(low, std::round(target / step) * step, high);
    if (std::abs(target - from) < step / 2)
        return;
    m_zoomTarget = target;
    m_zoomTargetMs = now;
    m_controller->hybridZoomSet(float(target));
}

void GimbalSteering::zoomWide()
{
    if (!m_controller)
        return;
    m_zoomTarget = m_camera ? m_camera->visZoomMin() : 1.0;
    m_zoomTargetMs = m_clock.elapsed();
    m_controller->hybridZoomSet(float(m_zoomTarget));
}

bool GimbalSteering::captureReady() const
{
    return m_state && m_state->cameraSystemStatusValid() && m_state->sdStatus() == 0;
}

void GimbalSteering::takePhoto()
{
    if (!m_controller)
        return;
    if (!captureReady()) {
        emit logMessage(Language::pick(QStringLiteral("[Photo/Hint] The SD card is not ready"),
                                       QStringLiteral("[拍照/提示] SD 卡未就绪")));
        return;
    }
    m_controller->takePhoto(0, 0, QString(), QString());
}

void GimbalSteering::toggleRecording()
{
    if (!m_controller)
        return;
    if (!captureReady()) {
        emit logMessage(Language::pick(QStringLiteral("[Record/Hint] The SD card is not ready"),
                                       QStringLiteral("[录像/提示] SD 卡未就绪")));
        return;
    }
    const int status = m_state->recordStatus();
    const bool recording = status == 1 || status == 3;
    m_controller->recordVideo(0, recording ? 2 : 1, QString(), QString());
}

void GimbalSteering::padPress(const QString &move)
{
    double yaw = 0;
    double pitch = 0;
    if (move == QLatin1String("up"))
        pitch = 1;
    else if (move == QLatin1String("down"))
        pitch = -1;
    else if (move == QLatin1String("left"))
        yaw = -1;
    else if (move == QLatin1String("right"))
        yaw = 1;
    else
        return padOnce(move);
    // A fresh press is a fresh start, whatever stopped the last one.
    m_demand[Pad].latched = false;
    steer(Pad, 0, 0, true);
    steer(Pad, yaw, pitch, true);
}

void GimbalSteering::padRelease()
{
    steer(Pad, 0, 0, true);
}

void GimbalSteering::padOnce(const QString &move)
{
    if (move == QLatin1String("centre"))
        centre();
    else if (move == QLatin1String("faceDown"))
        lookDown();
    else if (move == QLatin1String("stop") && m_controller)
        m_controller->gimbalControl(0, NoMotion, NoMotion);
}

void GimbalSteering::zoomButton(int direction)
{
    switch (direction) {
    case ZoomDirection::In:
    case ZoomDirection::Out:
        holdZoom(ZoomButtons, ZoomDirection::Value(direction));
        break;
    default:
        holdZoom(ZoomButtons, ZoomDirection::Stop);
        break;
    }
}

void GimbalSteering::pointerSteer(double dx, double dy, double reach, bool fine)
{
    if (!(reach > 0)) {
        pointerRelease();
        return;
    }
    setFine(Pointer, fine);
    const auto past = [reach](double d) {
        const double beyond = std::max(0.0, std::abs(d) - PointerDeadPx);
        return std::copysign(beyond / std::max(1.0, reach - PointerDeadPx), d);
    };
    // Screen y grows downwards; pitch up is positive.
    steer(Pointer, past(dx), -past(dy), false);
}

void GimbalSteering::pointerRelease()
{
    setFine(Pointer, false);
    steer(Pointer, 0, 0, false);
}
