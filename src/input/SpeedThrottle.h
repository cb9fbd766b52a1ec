#pragma once

#include <QtGlobal>

// Decides when a new speed is worth sending: only when it differs
// noticeably from the last one sent (or when motion starts at a speed that
// differs at all), and never more often than once per MinGapMs, so a stick
// that wavers never floods the link. A wanted speed held back by the gap is
// sent when the gap ends.
class SpeedThrottle
{
public:
    static constexpr qint64 MinGapMs = 100;
    enum Decision { Keep, SendNow, SendLater };

    // The pitch and yaw speeds wanted at `nowMs`. `starting`: motion starts
    // with this speed, so any difference matters.
    Decision offer(int pitch, int yaw, qint64 nowMs, bool starting);
    void sent(int pitch, int yaw, qint64 nowMs);
    // When a SendLater is due.
    qint64 dueAt() const { return m_lastMs + MinGapMs; }
    // The device's speed is no longer known (a new link).
    void forget() { m_known = false; }

    static bool noticeable(int from, int to);

private:
    bool m_known = false;
    int m_pitch = 0;
    int m_yaw = 0;
    qint64 m_lastMs = 0;
};
