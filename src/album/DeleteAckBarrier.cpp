#include "album/DeleteAckBarrier.h"

DeleteAckBarrier::DeleteAckBarrier(int timeoutMs, QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(timeoutMs);
    connect(&m_timer, &QTimer::timeout, this, &DeleteAckBarrier::onTimeout);
}

void DeleteAckBarrier::arm()
{
    if (!m_pending) {
        m_pending = true;
        emit pendingChanged(true);
    }
    m_timer.start();
}

bool DeleteAckBarrier::take()
{
    if (!m_pending)
        return false;
    m_timer.stop();
    m_pending = false;
    emit pendingChanged(false);
    return true;
}

void DeleteAckBarrier::clear()
{
    m_timer.stop();
    m_pending = false;
    emit pendingChanged(false);
}

void DeleteAckBarrier::onTimeout()
{
    if (!m_pending)
        return;
    m_pending = false;
    emit pendingChanged(false);
    emit timedOut();
}
