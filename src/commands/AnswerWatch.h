#pragma once

#include "commands/SentFrames.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>

// The commands that went out and still wait for the camera's answer. An
// answer clears its command; a command whose answer has not come within the time-out is
// reported once and forgotten. Nothing is sent again: whether to repeat a
// command is the operator's call.
class AnswerWatch : public QObject
{
    Q_OBJECT
public:
    // A camera that has gone leaves every command unanswered; the oldest
    // falls off beyond this many, the newer ones still tell the operator.
    static constexpr int PendingLimit = 64;

    explicit AnswerWatch(int timeoutMs, QObject *parent = nullptr);

    void setTimeout(int ms) { m_timeoutMs = ms; }
    int timeout() const { return m_timeoutMs; }
    int pendingCount() const { return m_pending.size(); }

    void watch(uint32_t msgID, int sequence, const QString &label);
    // Clears the command this answer is for.
    void answered(uint32_t msgID, int sequence);
    // Forgets everything without a word (the link went down).
    void clear();

signals:
    void unanswered(uint32_t msgID, QString label, int sequence);

private:
    void expire();
    void arm();

    SentFrames m_pending{PendingLimit, false};
    QTimer m_timer;
    QElapsedTimer m_clock;
    int m_timeoutMs;
};
