#pragma once

#include <QObject>
#include <QTimer>

// A single-shot timer as the player uses it. The player's two timers are of
// this type so a test can hand it timers it fires itself instead of waiting
// for real seconds.
class VideoPlayerTimer : public QObject
{
    Q_OBJECT
public:
    explicit VideoPlayerTimer(QObject *parent = nullptr);

    virtual void start(int milliseconds);
    virtual void stop();
    virtual bool isActive() const;

signals:
    void timeout();

private:
    QTimer m_timer;
};
