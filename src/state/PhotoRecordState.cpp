#include "state/PhotoRecordState.h"

#include "link/Payload.h"

PhotoRecordState::PhotoRecordState(QObject *parent) : QObject(parent) {}

bool PhotoRecordState::applyPhoto(const QByteArray &payload)
{
    if (payload.size() < PhotoReportSize)
        return false;
    m_photoStatus = Payload::readU8(payload, 1);
    emit photoStatusChanged();
    return true;
}

bool PhotoRecordState::applyRecord(const QByteArray &payload)
{
    if (payload.size() < RecordReportSize)
        return false;
    m_recordStatus = Payload::readU8(payload, 1);
    m_recordDuration = Payload::readU16(payload, 2);
    emit recordStatusChanged();
    return true;
}

void PhotoRecordState::reset()
{
    m_photoStatus = 0;
    m_recordStatus = 0;
    m_recordDuration = 0;
    emit photoStatusChanged();
    emit recordStatusChanged();
}
