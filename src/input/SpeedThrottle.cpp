#include "input/SpeedThrottle.h"

#include <cstdlib>

bool SpeedThrottle::noticeable(int from, int to)
{
    return std::abs(to - from) >= qMax(3, from / 10);
}

SpeedThrottle::Decision SpeedThrottle::offer(int pitch, int yaw, qint64 nowMs, bool starting)
{
    const bool same = m_known && pitch == m_pitch && yaw == m_yaw;
    if (same)
        return Keep;
    if (!m_known || starting)
        return SendNow;
    if (pitch != m_wantPitch || yaw != m_wantYaw) {
        m_wantPitch = pitch;
        m_wantYaw = yaw;
        m_wantSinceMs = nowMs;
    }
    const bool big = noticeable(m_pitch, pitch) || noticeable(m_yaw, yaw);
    m_dueMs = big ? m_lastMs + MinGapMs : m_wantSinceMs + SettleMs;
    return nowMs >= m_dueMs ? SendNow : SendLater;
}

void SpeedThrottle::sent(int pitch, int yaw, qint64 nowMs)
{
    m_known = true;
    m_pitch = pitch;
    m_yaw = yaw;
    m_lastMs = nowMs;
}
