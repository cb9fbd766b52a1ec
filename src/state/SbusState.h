#pragma once

#include <QByteArray>
#include <QObject>

// SBUS remote-control configuration read back from the device.
class SbusState : public QObject
{
    Q_OBJECT
public:
    static constexpr int ReplySize = 14;
    static constexpr int NoChannel = 16;

    explicit SbusState(QObject *parent = nullptr);

    int sbusMax() const { return m_max; }
    int sbusMin() const { return m_min; }
    int sbusStreamChannel() const { return m_streamChannel; }
    int sbusZoomChannel() const { return m_zoomChannel; }
    int sbusPhotoChannel() const { return m_photoChannel; }
    int sbusRecordChannel() const { return m_recordChannel; }
    int sbusPitchChannel() const { return m_pitchChannel; }
    int sbusYawChannel() const { return m_yawChannel; }
    int sbusCenterChannel() const { return m_centerChannel; }
    int sbusIrPaletteChannel() const { return m_irPaletteChannel; }
    bool sbusEnabled() const { return m_enabled; }

    // Returns false (and changes nothing) when the reply is too short or its
    // result code is not 0.
    bool apply(const QByteArray &payload);

signals:
    void sbusConfigChanged();

private:
    int m_max = 0;
    int m_min = 0;
    // 0-15 are channels 1-16, 16 means no channel assigned.
    int m_streamChannel = NoChannel;
    int m_zoomChannel = NoChannel;
    int m_photoChannel = NoChannel;
    int m_recordChannel = NoChannel;
    int m_pitchChannel = NoChannel;
    int m_yawChannel = NoChannel;
    int m_centerChannel = NoChannel;
    int m_irPaletteChannel = NoChannel;
    bool m_enabled = false;
};
