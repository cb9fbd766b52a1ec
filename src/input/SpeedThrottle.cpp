#include "input/SpeedThrottle.h"

#include <cstdlib>

bool SpeedThrottle::noticeable(int from, int to)
{
    return std::abs(to - from) >= qMax(3, from / 10);
}

SpeedThrottle::Decision SpeedThrottle::offer(int pitch, int yaw, qint64 nowMs, bool starting)
{
    if (m_known) {
        const bool same = pitch == m_pitch && yaw == m_yaw;
        const bool worth = starting ? !same : noticeable(m_pitch, pitch) || noticeable(m_yaw, yaw);
        if (!worth)
            return Keep;
        if (nowMs - m_lastMs < MinGapMs)
            return SendLater;
    }
    return SendNow;
}

void SpeedThrottle::sent(int pitch, int yaw, qint64 nowMs)
{
    m_known = true;
    m_pitch = pitch;
    m_yaw = yaw;
    m_lastMs = nowMs;
}
