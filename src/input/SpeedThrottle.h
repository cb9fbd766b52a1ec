#pragma once

#include <QtGlobal>

// Decides when a new speed is worth sending, so a stick that wavers never
// floods the link: at once when motion starts (or another input takes the
// lead) at a different speed; a noticeable change no sooner than MinGapMs
// after the last speed sent; a small one only once the same speed has been
// wanted for SettleMs (a thumb's wobble never is, a stick held still ends
// up at exactly its speed). What is held back is due at dueAt().
class SpeedThrottle
{
public:
    static constexpr qint64 MinGapMs = 100;
    static constexpr qint64 SettleMs = 300;
    enum Decision { Keep, SendNow, SendLater };

    // The pitch and yaw speeds wanted at `nowMs`. `starting`: motion starts
    // with this speed.
    Decision offer(int pitch, int yaw, qint64 nowMs, bool starting);
    void sent(int pitch, int yaw, qint64 nowMs);
    // When the last SendLater is due.
    qint64 dueAt() const { return m_dueMs; }
    // The device's speed is no longer known (a new link).
    void forget() { m_known = false; }

    static bool noticeable(int from, int to);

private:
    bool m_known = false;
    int m_pitch = 0;
    int m_yaw = 0;
    qint64 m_lastMs = 0;
    qint64 m_dueMs = 0;
    int m_wantPitch = -1;
    int m_wantYaw = -1;
    qint64 m_wantSinceMs = 0;
};
