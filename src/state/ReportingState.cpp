#include "state/ReportingState.h"

#include <QTimer>

ReportingState::ReportingState(QObject *parent) : QObject(parent), m_silence(new QTimer(this))
{
    m_silence->setSingleShot(true);
    m_silence->setInterval(WindowMs);
    connect(m_silence, &QTimer::timeout, this, [this] { setReporting(false); });
}

void ReportingState::noteReport()
{
    m_silence->start();
    setReporting(true);
}

void ReportingState::reset()
{
    m_silence->stop();
    setReporting(false);
}

void ReportingState::setReporting(bool reporting)
{
    if (m_reporting == reporting)
        return;
    m_reporting = reporting;
    emit reportingChanged();
}
