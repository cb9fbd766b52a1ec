#include "video/TelemetryFeed.h"

#include "catalog/CameraModelBridge.h"
#include "state/GimbalState.h"

QObject *TelemetryFeed::state() const
{
    return m_state.data();
}

void TelemetryFeed::setState(QObject *state)
{
    auto *typed = qobject_cast<GimbalState *>(state);
    if (typed == m_state.data())
        return;
    m_state = typed;
    emit changed();
}

QObject *TelemetryFeed::model() const
{
    return m_model.data();
}

void TelemetryFeed::setModel(QObject *model)
{
    auto *typed = qobject_cast<CameraModelBridge *>(model);
    if (typed == m_model.data())
        return;
    m_model = typed;
    emit changed();
}

void TelemetryFeed::setIrShown(bool shown)
{
    if (shown == m_irShown)
        return;
    m_irShown = shown;
    emit changed();
}

TelemetrySample TelemetryFeed::sample(const QString &stream) const
{
    return TelemetrySample::read(m_state.data(), m_model.data(), m_irShown, stream);
}
