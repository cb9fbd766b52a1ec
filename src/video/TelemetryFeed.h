#pragma once

#include "video/TelemetrySample.h"

#include <QObject>
#include <QPointer>

// Where the live view's telemetry comes from: the device state, the chosen
// product (for its laser) and whether the infrared measurement is on screen.
// The scene sets them (the video area sits above the device state and the
// catalogue, so it reads them without owning either); each may be missing.
class TelemetryFeed : public QObject
{
    Q_OBJECT
    // A GimbalState and a CameraModelBridge; anything else counts as none.
    Q_PROPERTY(QObject *state READ state WRITE setState NOTIFY changed)
    Q_PROPERTY(QObject *model READ model WRITE setModel NOTIFY changed)
    Q_PROPERTY(bool irShown READ irShown WRITE setIrShown NOTIFY changed)

public:
    using QObject::QObject;

    QObject *state() const;
    void setState(QObject *state);
    QObject *model() const;
    void setModel(QObject *model);
    bool irShown() const { return m_irShown; }
    void setIrShown(bool shown);

    // What the camera reports now, with `stream` as the stream address.
    TelemetrySample sample(const QString &stream) const;

signals:
    void changed();

private:
    QPointer<GimbalState> m_state;
    QPointer<CameraModelBridge> m_model;
    bool m_irShown = false;
};
