#pragma once

#include <QByteArray>
#include <QObject>

// Capture mode, stream settings and memory card state from the camera system
// status report.
class CameraSystemState : public QObject
{
    Q_OBJECT
public:
    static constexpr int ReportSize = 16;
    static constexpr int SdReady = 0;
    static constexpr int SdNoCard = 3;
    static constexpr int SdFormatError = 5;

    explicit CameraSystemState(QObject *parent = nullptr);

    int photoVideoMode() const { return m_photoVideoMode; }
    int outputRes() const { return m_outputRes; }
    int encodingFormat() const { return m_encodingFormat; }
    int streamMode() const { return m_streamMode; }
    int bitrate() const { return m_bitrate; }
    int photoMode() const { return m_photoMode; }
    int timelapseInterval() const { return m_timelapseInterval; }
    int burstCount() const { return m_burstCount; }
    int sdStatus() const { return m_sdStatus; }
    int sdTotalMB() const { return m_sdTotalMB; }
    int sdFreeMB() const { return m_sdFreeMB; }
    int sdUsedMB() const { return m_sdUsedMB; }
    bool cameraSystemStatusValid() const { return m_valid; }

    // Returns false (and changes nothing) when the report is too short.
    bool apply(const QByteArray &payload);
    void reset();

signals:
    void cameraSystemChanged();

private:
    void applyCardCapacity(const QByteArray &payload);

    int m_photoVideoMode = 0;
    int m_outputRes = 0;
    int m_encodingFormat = 0;
    int m_streamMode = 0;
    int m_bitrate = 0;
    int m_photoMode = 0;
    int m_timelapseInterval = 0;
    int m_burstCount = 0;
    int m_sdStatus = 0;
    int m_sdTotalMB = 0;
    int m_sdFreeMB = 0;
    int m_sdUsedMB = 0;
    bool m_valid = false;
};
