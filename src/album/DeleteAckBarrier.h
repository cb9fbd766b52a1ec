#pragma once

#include <QObject>
#include <QTimer>

// Remembers that a delete was sent but its acknowledgement had not arrived
// when the album closed: that late acknowledgement must not be taken for the
// answer to a later delete, so further deletes wait until it arrives or the
// time-out passes.
class DeleteAckBarrier : public QObject
{
    Q_OBJECT
public:
    explicit DeleteAckBarrier(int timeoutMs = 2000, QObject *parent = nullptr);

    bool pending() const { return m_pending; }
    void setTimeout(int ms) { m_timer.setInterval(ms); }

    // Start (or restart) waiting for the outstanding acknowledgement.
    void arm();
    // An acknowledgement arrived: true when it was the awaited one.
    bool take();
    void clear();

signals:
    void pendingChanged(bool pending);
    void timedOut();

private:
    void onTimeout();

    QTimer m_timer;
    bool m_pending = false;
};
