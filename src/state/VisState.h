#pragma once

#include <QByteArray>
#include <QObject>

// Zoom, focus and exposure of the visible camera status report.
class VisState : public QObject
{
    Q_OBJECT
public:
    static constexpr int ReportSize = 12;

    explicit VisState(QObject *parent = nullptr);

    int zoomStatus() const { return m_zoomStatus; }
    float focalLength() const { return m_focalLength; }
    float hybridZoom() const { return m_hybridZoom; }
    int evValue() const { return m_evValue; }
    int isoValue() const { return m_isoValue; }
    int shutterValue() const { return m_shutterValue; }
    int aeLock() const { return m_aeLock; }
    int focusStatus() const { return m_focusStatus; }

    // Returns false (and changes nothing) when the report is too short.
    bool apply(const QByteArray &payload);

signals:
    void visStatusChanged();

private:
    int m_zoomStatus = 0;
    float m_focalLength = 0;
    float m_hybridZoom = 0;
    int m_evValue = 0;
    int m_isoValue = 0;
    int m_shutterValue = 0;
    int m_aeLock = 0;
    int m_focusStatus = 0;
};
