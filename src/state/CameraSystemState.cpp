#include "state/CameraSystemState.h"

#include "link/Payload.h"

#include <algorithm>

namespace
{
// Card sizes travel in units of 10 MB; 0xFFFF means the camera has no value.
int tenMegabytes(const QByteArray &payload, int offset)
{
    const quint16 raw = Payload::readU16(payload, offset);
    return raw == 0xFFFF ? 0 : int(raw) * 10;
}
} // namespace

CameraSystemState::CameraSystemState(QObject *parent) : QObject(parent) {}

bool CameraSystemState::apply(const QByteArray &payload)
{
    if (payload.size() < ReportSize)
        return false;
    m_photoVideoMode = Payload::readU8(payload, 0);
    m_outputRes = Payload::readU8(payload, 1);
    m_encodingFormat = Payload::readU8(payload, 2);
    m_streamMode = Payload::readU8(payload, 3);
    m_bitrate = Payload::readU8(payload, 4);
    m_photoMode = Payload::readU8(payload, 5);
    m_timelapseInterval = Payload::readU8(payload, 6);
    m_burstCount = Payload::readU8(payload, 7);
    m_sdStatus = Payload::readU8(payload, 8);
    applyCardCapacity(payload);
    m_valid = true;
    emit cameraSystemChanged();
    return true;
}

void CameraSystemState::applyCardCapacity(const QByteArray &payload)
{
    if (m_sdStatus == SdNoCard || m_sdStatus == SdFormatError) {
        // Whatever the wire says, there is no usable card.
        m_sdTotalMB = m_sdFreeMB = m_sdUsedMB = 0;
        return;
    }
    int total = tenMegabytes(payload, 9);
    int free = tenMegabytes(payload, 11);
    const int used = tenMegabytes(payload, 13);
    const int lastTotal = m_sdTotalMB;
    const int lastFree = m_sdFreeMB;

    // Cameras often leave out one of the three figures; fill it in from the
    // others or keep the last known one rather than showing an empty card.
    if (total <= 0 && free > 0 && used > 0)
        total = free + used;
    if (total <= 0 && lastTotal > 0)
        total = lastTotal;
    if (free <= 0) {
        if (total > 0 && used > 0)
            free = std::max(0, total - used);
        else if (used == 0 && lastFree > 0)
            free = lastFree;
    }
    if (total > 0 && free > total)
        free = total;

    m_sdTotalMB = total;
    m_sdFreeMB = free;
    m_sdUsedMB = used;
}

void CameraSystemState::reset()
{
    m_photoVideoMode = 0;
    m_outputRes = 0;
    m_encodingFormat = 0;
    m_streamMode = 0;
    m_bitrate = 0;
    m_photoMode = 0;
    m_timelapseInterval = 0;
    m_burstCount = 0;
    m_sdStatus = 0;
    m_sdTotalMB = 0;
    m_sdFreeMB = 0;
    m_sdUsedMB = 0;
    m_valid = false;
    emit cameraSystemChanged();
}
