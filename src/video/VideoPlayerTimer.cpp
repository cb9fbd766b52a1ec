#include "video/VideoPlayerTimer.h"

VideoPlayerTimer::VideoPlayerTimer(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &VideoPlayerTimer::timeout);
}

void VideoPlayerTimer::start(int milliseconds)
{
    m_timer.start(milliseconds);
}

void VideoPlayerTimer::stop()
{
    m_timer.stop();
}

bool VideoPlayerTimer::isActive() const
{
    return m_timer.isActive();
}
