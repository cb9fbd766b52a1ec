#pragma once

#include "commands/ZoomDirection.h"
#include "input/SpeedRule.h"
#include "input/SpeedThrottle.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <array>

class CameraModelBridge;
class GimbalController;
class GimbalState;

// The one place where every steering input becomes gimbal and zoom
// commands: the on-screen pad and zoom buttons, the keys, game controllers
// and the pointer on the video.
//
// Motion: each source asks for a yaw and a pitch (−1…1, right and up
// positive); the source that started last leads. While something moves the
// direction command goes out at once and then every RepeatMs; when nothing
// does any more, the stop goes out, then StopRepeats more times StopGapMs
// apart, so a lost datagram cannot leave the gimbal turning. The speed
// follows the deflection through the speed rule and goes out only when it
// changes noticeably, at a bounded rate (SpeedThrottle).
//
// Zoom: a held zoom runs until every source holding one lets go, then the
// stop goes out with the same repeats. Steps and the widest view go out as
// a zoom factor.
//
// Safety: losing the link or halt() (a controller unplugged, the controls
// section closed) stops everything at once, and a source that was steering
// must come back to rest before it steers again. Whether keys and
// controllers may steer without a link is their router's business; the pad
// always sends, so the operator sees in the log where a command went.
class GimbalSteering : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool moving READ moving NOTIFY movingChanged)
    Q_PROPERTY(bool zooming READ zooming NOTIFY zoomingChanged)
public:
    enum Source { Pad, Keys, Gamepad, Pointer, ZoomButtons, SourceCount };
    static constexpr int RepeatMs = 33;
    static constexpr int StopGapMs = 40;
    static constexpr int StopRepeats = 2;
    // One zoom step (a wheel notch) multiplies or divides the zoom by this.
    static constexpr double ZoomStepFactor = 1.25;
    // Steps made in quick succession build on the last factor sent, not on
    // a report that has not caught up yet.
    static constexpr qint64 ZoomTargetHoldMs = 1500;
    // A drag this short (in pixels, each way) is a hand's tremor, not a wish.
    static constexpr double PointerDeadPx = 8;

    GimbalSteering(GimbalController *controller, GimbalState *state, CameraModelBridge *camera,
                   QObject *parent = nullptr);

    void setSpeedRule(const SpeedRule &rule);
    const SpeedRule &speedRule() const { return m_rule; }

    // A source's wish. `digital`: an on/off input (key, pad, d-pad) that
    // moves at the key speed; otherwise a deflection.
    void steer(Source source, double yaw, double pitch, bool digital);
    void setFine(Source source, bool on);
    // Stop releases the source's hold.
    void holdZoom(Source source, ZoomDirection::Value direction);
    void setLinkUp(bool up);
    bool linkUp() const { return m_linkUp; }
    void halt();

    bool moving() const { return m_moving; }
    bool zooming() const { return m_zoom != ZoomDirection::Stop; }

    Q_INVOKABLE void centre();
    Q_INVOKABLE void lookDown();
    // Wheel notches or step actions: positive zooms in.
    Q_INVOKABLE void zoomSteps(int steps);
    Q_INVOKABLE void zoomWide();
    Q_INVOKABLE void takePhoto();
    // Starts a recording, or stops the one the camera reports running.
    Q_INVOKABLE void toggleRecording();

    // The scene's pad: "up", "down", "left", "right" move while held;
    // "stop", "centre" and "faceDown" act once.
    Q_INVOKABLE void padPress(const QString &move);
    Q_INVOKABLE void padRelease();
    Q_INVOKABLE void padOnce(const QString &move);
    // The scene's zoom buttons: a ZoomDirection while pressed, Stop on release.
    Q_INVOKABLE void zoomButton(int direction);
    // Dragging on the video: the offset from where the drag began, the
    // speed growing from PointerDeadPx to full at `reach` pixels; `fine`
    // slows it.
    Q_INVOKABLE void pointerSteer(double dx, double dy, double reach, bool fine);
    Q_INVOKABLE void pointerRelease();

signals:
    void movingChanged();
    void zoomingChanged();
    void logMessage(const QString &text);

private:
    struct Demand {
        double yaw = 0;
        double pitch = 0;
        bool digital = false;
        quint64 order = 0; // when it left rest; the latest leads
        bool latched = false;
        bool active() const { return yaw != 0 || pitch != 0; }
    };

    void update();
    void sendMove();
    void sendSpeed();
    void wantedSpeeds(const Demand &d, int &pitch, int &yaw) const;
    void startStops();
    void updateZoom();
    double currentZoom() const;
    bool captureReady() const;

    QPointer<GimbalController> m_controller;
    QPointer<GimbalState> m_state;
    QPointer<CameraModelBridge> m_camera;
    SpeedRule m_rule;
    SpeedThrottle m_throttle;
    QElapsedTimer m_clock;
    bool m_linkUp = false;

    std::array<Demand, SourceCount> m_demand{};
    std::array<bool, SourceCount> m_fine{};
    std::array<ZoomDirection::Value, SourceCount> m_zoomHold{};
    std::array<quint64, SourceCount> m_zoomOrder{};
    quint64 m_order = 0;
    quint64 m_leadOrder = 0;

    bool m_moving = false;
    int m_yawDir = 2;
    int m_pitchDir = 2;
    int m_stopsLeft = 0;
    QTimer m_repeat;
    QTimer m_stopRepeat;
    QTimer m_speedLater;

    ZoomDirection::Value m_zoom = ZoomDirection::Stop;
    int m_zoomStopsLeft = 0;
    QTimer m_zoomStopRepeat;
    double m_zoomTarget = 0;
    qint64 m_zoomTargetMs = -1;
};
