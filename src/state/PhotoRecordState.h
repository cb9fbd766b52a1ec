#pragma once

#include <QByteArray>
#include <QObject>

// Progress of a photo capture and of a recording.
class PhotoRecordState : public QObject
{
    Q_OBJECT
public:
    static constexpr int PhotoReportSize = 2;
    static constexpr int RecordReportSize = 4;

    explicit PhotoRecordState(QObject *parent = nullptr);

    int photoStatus() const { return m_photoStatus; }
    int recordStatus() const { return m_recordStatus; }
    int recordDuration() const { return m_recordDuration; }

    // Each returns false (and changes nothing) when the payload is too short.
    bool applyPhoto(const QByteArray &payload);
    bool applyRecord(const QByteArray &payload);
    // Back to idle, both signals emitted (photo first).
    void reset();

signals:
    void photoStatusChanged();
    void recordStatusChanged();

private:
    int m_photoStatus = 0;
    int m_recordStatus = 0;
    int m_recordDuration = 0;
};
