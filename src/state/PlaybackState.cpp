#include "state/PlaybackState.h"

#include "link/Payload.h"

#include <limits>

namespace
{
// The properties are ints; a wire value beyond their range is held at the
// largest one instead of wrapping round to a negative time.
int toIntSaturated(qint64 value)
{
    const qint64 max = std::numeric_limits<int>::max();
    return int(value > max ? max : value);
}
} // namespace

PlaybackState::PlaybackState(QObject *parent) : QObject(parent) {}

bool PlaybackState::apply(const QByteArray &payload)
{
    if (payload.size() < ReportSize)
        return false;
    m_downloadStatus = Payload::readU8(payload, 0);
    m_playStatus = Payload::readU8(payload, 1);
    m_totalMs = toIntSaturated(qint64(Payload::readU32(payload, 2)));
    // Seconds on the wire, milliseconds for the interface.
    m_positionMs = toIntSaturated(qint64(Payload::readU32(payload, 6)) * 1000);
    emit playbackStatusChanged();
    return true;
}
